#include "diag/fs/volinfo/volume_fields.h"

#include <QDate>
#include <QLocale>
#include <array>

#include "diag/device/cd_device.h"
#include "diag/tools/format_text.h"
#include "diag/ui/messages.h"

namespace kel::diag {

namespace {

using K = FieldKind;

// Heading of the big-endian copies that ISO 9660 and High Sierra keep of
// their numbers.
constexpr VolumeField kBigEndianHeading{nullptr, 136, 1, K::Text};

constexpr std::array kIsoFields{
    VolumeField{nullptr, 105, 1, K::Text},
    VolumeField{"Volume ID", 40, 32, K::Text},
    VolumeField{"System ID", 8, 32, K::Text},
    VolumeField{"Volume size", 80, 4, K::LittleEndian},
    VolumeField{"Volume set size", 120, 2, K::LittleEndian},
    VolumeField{"Volume in set", 124, 2, K::LittleEndian},
    VolumeField{"Block size (bytes)", 128, 2, K::LittleEndian},
    VolumeField{"Path table size (bytes)", 132, 4, K::LittleEndian},
    VolumeField{"Path table (L)", 140, 4, K::LittleEndian},
    VolumeField{"Optional path table (L)", 144, 4, K::LittleEndian},
    VolumeField{"Path table (M)", 148, 4, K::BigEndian},
    VolumeField{"Optional path table (M)", 152, 4, K::BigEndian},
    VolumeField{"Root directory block", 158, 4, K::LittleEndian},
    VolumeField{"Volume Set", 190, 128, K::Text},
    VolumeField{"Publisher", 318, 128, K::Text},
    VolumeField{"Data preparer", 446, 128, K::Text},
    VolumeField{"Application", 574, 128, K::Text},
    VolumeField{"Copyright file", 702, 37, K::Text},
    VolumeField{"Abstract file", 739, 37, K::Text},
    VolumeField{"Bibliography file", 776, 37, K::Text},
    VolumeField{"Volume created", 813, 7, K::DigitDate},
    VolumeField{"Volume modified", 830, 7, K::DigitDate},
    VolumeField{"Volume expires", 847, 7, K::DigitDate},
    VolumeField{"Volume effective", 864, 7, K::DigitDate},
    kBigEndianHeading,
    VolumeField{"Volume size", 84, 4, K::Swapped},
    VolumeField{"Volume set size", 122, 2, K::Swapped},
    VolumeField{"Volume in set", 126, 2, K::Swapped},
    VolumeField{"Block size (bytes)", 130, 2, K::Swapped},
    VolumeField{"Path table size (bytes)", 136, 4, K::Swapped},
    VolumeField{"Root directory block", 162, 4, K::Swapped},
};

constexpr std::array kHighSierraFields{
    VolumeField{nullptr, 106, 1, K::Text},
    VolumeField{"Volume ID", 48, 32, K::Text},
    VolumeField{"System ID", 16, 32, K::Text},
    VolumeField{"Volume size", 88, 4, K::LittleEndian},
    VolumeField{"Volume set size", 128, 2, K::LittleEndian},
    VolumeField{"Volume in set", 132, 2, K::LittleEndian},
    VolumeField{"Block size (bytes)", 136, 2, K::LittleEndian},
    VolumeField{"Path table size (bytes)", 140, 4, K::LittleEndian},
    VolumeField{"Path table (L)", 148, 4, K::LittleEndian},
    VolumeField{"Root directory block", 182, 4, K::LittleEndian},
    kBigEndianHeading,
    VolumeField{"Volume size", 92, 4, K::Swapped},
    VolumeField{"Volume set size", 130, 2, K::Swapped},
    VolumeField{"Volume in set", 134, 2, K::Swapped},
    VolumeField{"Block size (bytes)", 138, 2, K::Swapped},
    VolumeField{"Path table size (bytes)", 144, 4, K::Swapped},
    VolumeField{"Root directory block", 186, 4, K::Swapped},
};

constexpr std::array kCdiFields{
    VolumeField{nullptr, 134, 1, K::Text},
    VolumeField{"Volume ID", 40, 32, K::Text},
};

constexpr std::array kHfsFields{
    VolumeField{nullptr, 164, 1, K::Text},
    VolumeField{"Volume name", 20, 28, K::Text},
    VolumeField{"Files", 0, 4, K::LittleEndian},
    VolumeField{"Directories", 4, 4, K::LittleEndian},
    VolumeField{"Allocation size (bytes)", 8, 4, K::LittleEndian},
    VolumeField{"Allocation blocks", 12, 4, K::LittleEndian},
    VolumeField{"Free blocks", 16, 4, K::LittleEndian},
    VolumeField{"Created", 80, 7, K::DigitDate},
    VolumeField{"Modified", 97, 7, K::DigitDate},
};

// The digits of a descriptor date are read as a whole group.
constexpr std::size_t kDigitDateBytes = 16;
constexpr std::size_t kMaxHeading = 500;

std::string Number(std::int64_t value) {
    const FormatArg args[] = {value};
    return FormatText("%d", args, 32);
}

std::string Text(std::span<const std::uint8_t> bytes) {
    std::string text(bytes.begin(), bytes.end());
    text = text.substr(0, text.find('\0'));
    text.erase(text.find_last_not_of(' ') + 1);
    return text;
}

// `count` digits from `at`; nothing when one of them is not a digit.
std::optional<int> Digits(std::span<const std::uint8_t> bytes, std::size_t at, std::size_t count) {
    int value = 0;
    for (std::size_t i = at; i < at + count; ++i) {
        if (bytes[i] < '0' || bytes[i] > '9') {
            return std::nullopt;
        }
        value = value * 10 + (bytes[i] - '0');
    }
    return value;
}

std::string DigitDate(std::span<const std::uint8_t> bytes) {
    const auto year = Digits(bytes, 0, 4);
    const auto month = Digits(bytes, 4, 2);
    const auto day = Digits(bytes, 6, 2);
    const auto hour = Digits(bytes, 8, 2);
    const auto minute = Digits(bytes, 10, 2);
    const auto second = Digits(bytes, 12, 2);
    if (!year || !month || !day || !hour || !minute || !second || *year < 1970) {
        return "*** Date not set ***";
    }
    const QDate date(*year, *month, *day);
    const FormatArg args[] = {*hour, *minute, *second};
    const std::string time = FormatText(" %d:%02d:%02d", args, 32);
    if (!date.isValid()) {
        // The recorded digits, where they name no day of the calendar.
        const FormatArg dateArgs[] = {*year, *month, *day};
        return FormatText("%04d-%02d-%02d", dateArgs, 32) + time;
    }
    return QLocale::system().toString(date, QLocale::ShortFormat).toStdString() + time;
}

std::string Value(const VolumeField& field, std::span<const std::uint8_t> descriptor) {
    const std::size_t at = static_cast<std::size_t>(field.offset);
    const std::size_t size = field.kind == K::DigitDate ? kDigitDateBytes : field.size;
    if (field.offset < 0 || at > descriptor.size() || size > descriptor.size() - at) {
        return {};
    }
    const auto bytes = descriptor.subspan(at, size);
    const bool wide = field.size == 4;
    switch (field.kind) {
        case K::Text:
            return Text(bytes);
        case K::LittleEndian:
            return wide ? Number(
                              static_cast<std::int32_t>(bytes[0] | bytes[1] << 8 | bytes[2] << 16 |
                                                        static_cast<std::uint32_t>(bytes[3]) << 24))
                        : Number(static_cast<std::int16_t>(bytes[0] | bytes[1] << 8));
        case K::DigitDate:
            return DigitDate(bytes);
        case K::BigEndian:
            return wide ? Number(
                              static_cast<std::int32_t>(static_cast<std::uint32_t>(bytes[0]) << 24 |
                                                        bytes[1] << 16 | bytes[2] << 8 | bytes[3]))
                        : Number(static_cast<std::uint16_t>(bytes[0] << 8 | bytes[1]));
        case K::Swapped:
            return wide ? Number(static_cast<std::int32_t>(Swap32(bytes.first<4>())))
                        : Number(Swap16(bytes.first<2>()));
    }
    return {};
}

}  // namespace

std::span<const VolumeField> IsoVolumeFields() {
    return kIsoFields;
}
std::span<const VolumeField> HighSierraVolumeFields() {
    return kHighSierraFields;
}
std::span<const VolumeField> CdiVolumeFields() {
    return kCdiFields;
}
std::span<const VolumeField> HfsVolumeFields() {
    return kHfsFields;
}

std::vector<std::string> VolumeInfoLines(std::span<const VolumeField> fields,
                                         std::span<const std::uint8_t> descriptor) {
    std::vector<std::string> lines;
    for (const VolumeField& field : fields) {
        if (field.label == nullptr) {
            lines.push_back(LoadResString(field.offset).substr(0, kMaxHeading));
        } else {
            lines.push_back(std::string(field.label) + ":\t" + Value(field, descriptor));
        }
    }
    return lines;
}

}  // namespace kel::diag
