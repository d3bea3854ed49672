// MODE SENSE and MODE SELECT, (6) and (10): the header, an optional block
// descriptor, and the pages of mode_pages.h. A MODE SELECT list is checked
// whole before any of it takes effect.
#include <algorithm>
#include <vector>

#include "emu/drive/bytes.h"
#include "emu/drive/commands.h"
#include "emu/drive/medium.h"
#include "emu/drive/mode_pages.h"

namespace kel::emu {

namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr std::size_t kBlockDescriptorSize = 8;
constexpr std::uint8_t kDisableBlockDescriptors = 0x08;
constexpr std::uint8_t kPageFormat = 0x10;
constexpr std::uint8_t kSavePages = 0x01;

// Header sizes and field places of the two forms.
struct ModeForm {
    std::size_t headerSize;
    std::size_t mediumTypeOffset;
    std::size_t descriptorLengthOffset;
    std::size_t descriptorLengthWidth;
};
constexpr ModeForm kForm6{4, 1, 3, 1};
constexpr ModeForm kForm10{8, 2, 6, 2};

// MMC medium type codes of a 120 mm CD; 0x70 is "door closed, no disc",
// 0x71 "door open".
std::uint8_t mediumType(const DriveContext& context) {
    if (context.state.trayOpen)
        return 0x71;
    if (!discPresent(context.disc))
        return 0x70;
    const auto& tracks = context.disc.tracks;
    const bool data = std::any_of(tracks.begin(), tracks.end(), [](auto& t) { return t.isData(); });
    const bool audio =
        std::any_of(tracks.begin(), tracks.end(), [](auto& t) { return !t.isData(); });
    return data && audio ? 0x03 : data ? 0x01 : 0x02;
}

bool isMmc(const DriveContext& context) {
    return context.drive.personality == Personality::Mmc;
}

void appendBlockDescriptor(Bytes& reply, PageControl control, const DriveContext& context) {
    const std::size_t at = reply.size();
    reply.resize(at + kBlockDescriptorSize, 0);
    if (control == PageControl::Changeable) {
        if (!isMmc(context)) {
            reply[at] = 0xFF;
            writeBe(reply, at + 5, 3, 0xFFFFFF);
        }
        return;
    }
    const bool current = control == PageControl::Current;
    reply[at] = current ? context.state.density : 0;
    writeBe(reply, at + 5, 3, current ? context.state.blockLength : 2048);
}

Outcome modeSense(DriveContext& context, const CommandData& command, const ModeForm& form,
                  std::size_t allocation) {
    const bool withDescriptor = (command.cdb[1] & kDisableBlockDescriptors) == 0;
    const std::uint8_t pageControl = command.cdb[2] >> 6;
    const std::uint8_t code = command.cdb[2] & 0x3F;
    const std::uint8_t subpage = command.cdb[3];
    if (pageControl == 3) {
        return fail(sense::kSavingNotSupported);
    }
    if (subpage != 0 && !(code == page::kAll && subpage == 0xFF)) {
        return fail(sense::kInvalidField);
    }
    const auto control = static_cast<PageControl>(pageControl);
    std::vector<std::uint8_t> codes =
        code == page::kAll ? modePageCodes(context.drive) : std::vector<std::uint8_t>{code};
    Bytes reply(form.headerSize, 0);
    reply[form.mediumTypeOffset] = mediumType(context);
    if (withDescriptor) {
        writeBe(reply, form.descriptorLengthOffset, form.descriptorLengthWidth,
                kBlockDescriptorSize);
        appendBlockDescriptor(reply, control, context);
    }
    for (std::uint8_t each : codes) {
        std::optional<Bytes> body = modePageBody(each, control, context);
        if (!body) {
            return fail(sense::kInvalidField);
        }
        reply.push_back(each);
        reply.push_back(static_cast<std::uint8_t>(body->size()));
        reply.insert(reply.end(), body->begin(), body->end());
    }
    // The mode data length counts the bytes after itself.
    const std::size_t lengthWidth = form.headerSize == 4 ? 1 : 2;
    writeBe(reply, 0, lengthWidth, static_cast<std::uint32_t>(reply.size() - lengthWidth));
    return answer(command, reply, allocation);
}

bool acceptableBlock(const DriveContext& context, std::uint32_t length) {
    if (isMmc(context)) {
        return length == 2048;
    }
    return length == 2048 || length == 2336 || length == 2352;
}

// Only the bits the changeable mask allows may differ from the current value.
bool withinMask(const Bytes& wanted, const Bytes& current, const Bytes& mask) {
    for (std::size_t i = 0; i < wanted.size(); ++i) {
        if (((wanted[i] ^ current[i]) & ~mask[i]) != 0) {
            return false;
        }
    }
    return true;
}

Outcome modeSelect(DriveContext& context, const CommandData& command, const ModeForm& form,
                   std::size_t listLength) {
    if ((command.cdb[1] & kSavePages) != 0) {
        return fail(sense::kInvalidField);
    }
    if (listLength == 0) {
        return {};
    }
    if (command.out.size() < listLength || listLength < form.headerSize) {
        return fail(sense::kParameterListLength);
    }
    // The mode data length is reserved in a MODE SELECT list; like most
    // drives this one ignores it rather than reject a program that fills it.
    std::span<const std::uint8_t> list = command.out.first(listLength);
    const std::size_t descriptorLength =
        readBe(list, form.descriptorLengthOffset, form.descriptorLengthWidth);
    if (descriptorLength != 0 && descriptorLength != kBlockDescriptorSize) {
        return fail(sense::kInvalidParameter);
    }
    if (form.headerSize + descriptorLength > list.size()) {
        return fail(sense::kParameterListLength);
    }
    DriveState changed = context.state;
    if (descriptorLength != 0) {
        const std::size_t at = form.headerSize;
        const std::uint32_t blockLength = readBe(list, at + 5, 3);
        if (!acceptableBlock(context, blockLength) || (isMmc(context) && list[at] != 0)) {
            return fail(sense::kInvalidParameter);
        }
        changed.density = list[at];
        changed.blockLength = blockLength;
    }
    const bool pageFormat = (command.cdb[1] & kPageFormat) != 0;
    std::size_t offset = form.headerSize + descriptorLength;
    if (offset < list.size() && !pageFormat) {
        return fail(sense::kInvalidParameter);  // pages in a vendor format we do not know
    }
    while (offset < list.size()) {
        if (offset + 2 > list.size()) {
            return fail(sense::kParameterListLength);
        }
        const std::uint8_t code = list[offset] & 0x3F;
        const std::size_t length = list[offset + 1];
        if (offset + 2 + length > list.size()) {
            return fail(sense::kParameterListLength);
        }
        DriveContext view{context.drive, context.disc,  context.reader,
                          changed,       context.clock, context.lastSense};
        std::optional<Bytes> current = modePageBody(code, PageControl::Current, view);
        std::optional<Bytes> mask = modePageBody(code, PageControl::Changeable, view);
        Bytes wanted(list.begin() + static_cast<std::ptrdiff_t>(offset + 2),
                     list.begin() + static_cast<std::ptrdiff_t>(offset + 2 + length));
        if (!current || wanted.size() != current->size() || !withinMask(wanted, *current, *mask)) {
            return fail(sense::kInvalidParameter);
        }
        if (code != page::kCapabilities) {
            storeModePage(code, std::move(wanted), changed);
        }
        offset += 2 + length;
    }
    context.state = changed;
    return Outcome{std::nullopt, listLength};
}

}  // namespace

Outcome modeSense6(DriveContext& context, const CommandData& command) {
    return modeSense(context, command, kForm6, command.cdb[4]);
}

Outcome modeSense10(DriveContext& context, const CommandData& command) {
    return modeSense(context, command, kForm10, readBe(command.cdb, 7, 2));
}

Outcome modeSelect6(DriveContext& context, const CommandData& command) {
    return modeSelect(context, command, kForm6, command.cdb[4]);
}

Outcome modeSelect10(DriveContext& context, const CommandData& command) {
    return modeSelect(context, command, kForm10, readBe(command.cdb, 7, 2));
}

}  // namespace kel::emu
