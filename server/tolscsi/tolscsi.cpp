#include "tolscsi.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cstring>
#include <map>
#include <optional>

namespace kel::tolscsi {
namespace {

using std::chrono::milliseconds;
constexpr milliseconds kCommandTimeout{10000};
// Loading a tray and spinning a disc up takes a drive far longer than a read.
constexpr milliseconds kMechanismTimeout{30000};
constexpr std::size_t kInquirySize = 36;
constexpr std::uint8_t kInquiryCacheSize = 40;
// The answers of a drive that does not do what was asked, and never will.
constexpr Status kInvalidOpcode = 0x2000;
constexpr Status kInvalidFieldInCdb = 0x2400;
constexpr Status kInvalidFieldInList = 0x2600;
constexpr std::size_t kSubChannelReplySize = 16;

void putBe32(std::uint8_t* at, std::uint32_t value) {
    at[0] = static_cast<std::uint8_t>(value >> 24);
    at[1] = static_cast<std::uint8_t>(value >> 16);
    at[2] = static_cast<std::uint8_t>(value >> 8);
    at[3] = static_cast<std::uint8_t>(value);
}

std::uint32_t getBe32(const std::uint8_t* at) {
    return (std::uint32_t{at[0]} << 24) | (std::uint32_t{at[1]} << 16) |
           (std::uint32_t{at[2]} << 8) | at[3];
}

void putLe32(std::uint8_t* at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        at[i] = static_cast<std::uint8_t>(value >> (8 * i));
    }
}

// Inquiry text fields are space-padded ASCII; the caller gets them trimmed
// and NUL-terminated.
void copyInquiryText(const std::uint8_t* field, std::size_t length, std::span<char> out) {
    std::size_t n = std::min(length, out.size() - 1);
    while (n > 0 && (field[n - 1] == ' ' || field[n - 1] == 0)) {
        --n;
    }
    std::memcpy(out.data(), field, n);
    out[n] = '\0';
}

bool validCdbLength(std::size_t length) {
    return length == 6 || length == 10 || length == 12 || length == 16;
}

}  // namespace

Status statusOf(const scsi::Result& result) {
    if (result.transportFailed()) {
        return status::kTransport + static_cast<Status>(result.error.code);
    }
    if (result.status == scsi::status::kGood) {
        return status::kGood;
    }
    if (result.status != scsi::status::kCheckCondition) {
        return status::kScsiStatus + result.status;
    }
    Status code = Status{result.sense.asc()} * 256 + result.sense.ascq();
    return code != 0 ? code : status::kSenseKeyOnly + result.sense.key();
}

struct Library::Device {
    std::unique_ptr<scsi::Transport> transport;
    std::uint16_t blockSize = 2048;  // what READ(10) transfers per block
    // A drive's inquiry data never changes: asked once, it serves every
    // later identity and version question without a command.
    std::optional<std::array<std::uint8_t, kInquiryCacheSize>> inquiry;
    std::map<std::uint16_t, Status> refusedBlockSizes;
};

Library::Library(std::vector<std::unique_ptr<scsi::Transport>> devices) {
    for (auto& transport : devices) {
        auto device = std::make_unique<Device>();
        device->transport = std::move(transport);
        devices_.push_back(std::move(device));
    }
}

Library::~Library() = default;

Library::Device* Library::find(int device) {
    if (device < 0 || device >= deviceCount()) {
        return nullptr;
    }
    return devices_[static_cast<std::size_t>(device)].get();
}

Status Library::ExecuteReadCDB(int device, std::span<const std::uint8_t> cdb,
                               std::span<std::uint8_t> data) {
    if (!validCdbLength(cdb.size())) {
        return status::kBadArgument;
    }
    return readAll(device, cdb, data);
}

Status Library::readAll(int device, std::span<const std::uint8_t> cdb,
                        std::span<std::uint8_t> data) {
    std::size_t transferred = 0;
    Status s = run(device, cdb, scsi::Direction::In, data, &transferred);
    // Bytes the drive never sent are not sector data, whatever the status.
    return s == status::kGood && transferred < data.size() ? status::kShortTransfer : s;
}

Status Library::run(int device, std::span<const std::uint8_t> cdb, scsi::Direction direction,
                    std::span<std::uint8_t> data, std::size_t* transferred) {
    Device* d = find(device);
    if (!d || !d->transport) {
        return status::kNoDevice;
    }
    bool mechanism = cdb[0] == 0x1B;
    scsi::Result result = d->transport->execute(cdb, direction, data,
                                                mechanism ? kMechanismTimeout : kCommandTimeout);
    if (transferred) {
        *transferred = std::min(result.transferred, data.size());
    }
    return statusOf(result);
}

Status Library::inquiry(int device, std::span<std::uint8_t> data) {
    Device* d = find(device);
    if (!d || !d->transport) {
        return status::kNoDevice;
    }
    if (!d->inquiry) {
        std::array<std::uint8_t, kInquiryCacheSize> reply{};
        const std::array<std::uint8_t, 6> cdb{0x12, 0, 0, 0, kInquiryCacheSize, 0};
        Status s = run(device, cdb, scsi::Direction::In, reply);
        if (s != status::kGood) {
            return s;
        }
        d->inquiry = reply;
    }
    std::copy_n(d->inquiry->begin(), std::min(data.size(), d->inquiry->size()), data.begin());
    return status::kGood;
}

std::uint8_t Library::GetDeviceType(int device) {
    if (!find(device)) {
        return kNoDeviceType;
    }
    std::array<std::uint8_t, kInquirySize> data{};
    // Every configured device is a CD drive; one that cannot answer INQUIRY
    // still holds its device number, so later drives keep theirs.
    if (inquiry(device, data) != status::kGood) {
        return kCdromType;
    }
    return data[0] & 0x1F;
}

Status Library::GetVendorId(int device, std::span<char, 12> text) {
    std::array<std::uint8_t, kInquirySize> data{};
    Status s = inquiry(device, data);
    if (s == status::kGood) {
        copyInquiryText(&data[8], 8, text);
    }
    return s;
}

Status Library::GetProductId(int device, std::span<char, 20> text) {
    std::array<std::uint8_t, kInquirySize> data{};
    Status s = inquiry(device, data);
    if (s == status::kGood) {
        copyInquiryText(&data[16], 16, text);
    }
    return s;
}

Status Library::ReadRawInquiryData(int device, std::span<std::uint8_t, 40> data) {
    std::array<std::uint8_t, 40> reply{};
    Status s = inquiry(device, reply);
    if (s == status::kGood) {
        std::copy(reply.begin(), reply.end(), data.begin());
    }
    return s;
}

std::uint8_t Library::GetAnsiVersion(int device) {
    std::array<std::uint8_t, kInquirySize> data{};
    return inquiry(device, data) == status::kGood ? data[2] & 0x07 : 0;
}

std::uint32_t Library::GetScsiPath(int device) {
    // One logical unit per device: the top byte (the LUN) is always 0.
    return static_cast<std::uint32_t>(device) & 0xFF;
}

Status Library::ExecuteScsiCDB(int device, std::span<const std::uint8_t> cdb,
                               std::span<std::uint8_t> data) {
    if (!validCdbLength(cdb.size())) {
        return status::kBadArgument;
    }
    // Sector data goes straight into the caller's buffer: it is a buffer, not
    // a record, and a failed read's bytes are never used.
    return run(device, cdb, data.empty() ? scsi::Direction::None : scsi::Direction::In, data);
}

Status Library::ReadCapacity(int device, std::span<std::uint8_t, kCapacityRecordSize> record) {
    const std::array<std::uint8_t, 10> cdb{0x25};
    std::array<std::uint8_t, 8> reply{};
    Status s = run(device, cdb, scsi::Direction::In, reply);
    if (s == status::kGood) {
        std::uint32_t leadOut = getBe32(&reply[0]) + 1;
        std::uint16_t blockLength = static_cast<std::uint16_t>(getBe32(&reply[4]));
        std::memcpy(record.data(), &leadOut, 4);
        std::memcpy(record.data() + 4, &blockLength, 2);
        record[6] = record[7] = 0;
    }
    return s;
}

Status Library::SetBlockSize(int device, std::uint16_t blockSize) {
    Device* d = find(device);
    if (!d) {
        return status::kNoDevice;
    }
    // A drive that refused a block length refuses it again: asking before
    // every raw read would double the commands of each read on a drive that
    // cannot switch.
    if (auto refused = d->refusedBlockSizes.find(blockSize);
        refused != d->refusedBlockSizes.end()) {
        return refused->second;
    }
    // Older drives take the 6-byte MODE SELECT, MMC drives only the 10-byte one;
    // both carry one block descriptor with the new length.
    std::array<std::uint8_t, 16> list{};
    Status s;
    if (GetAnsiVersion(device) != 0) {
        list[3] = 8;
        list[10] = static_cast<std::uint8_t>(blockSize >> 8);
        list[11] = static_cast<std::uint8_t>(blockSize);
        const std::array<std::uint8_t, 6> cdb{0x15, 0x10, 0, 0, 12, 0};
        s = run(device, cdb, scsi::Direction::Out, std::span(list).first(12));
    } else {
        list[7] = 8;
        list[14] = static_cast<std::uint8_t>(blockSize >> 8);
        list[15] = static_cast<std::uint8_t>(blockSize);
        const std::array<std::uint8_t, 10> cdb{0x55, 0x10, 0, 0, 0, 0, 0, 0, 16, 0};
        s = run(device, cdb, scsi::Direction::Out, list);
    }
    if (s == status::kGood) {
        d->blockSize = blockSize;
    } else if (s == kInvalidOpcode || s == kInvalidFieldInCdb || s == kInvalidFieldInList) {
        d->refusedBlockSizes.emplace(blockSize, s);
    }
    return s;
}

Status Library::ReadBlocks(int device, std::span<std::uint8_t> buffer, std::uint32_t block,
                           std::uint16_t count) {
    Device* d = find(device);
    if (!d) {
        return status::kNoDevice;
    }
    std::size_t bytes = std::size_t{count} * d->blockSize;
    if (count == 0 || bytes > buffer.size()) {
        return status::kBadArgument;
    }
    std::array<std::uint8_t, 10> cdb{0x28};
    putBe32(&cdb[2], block);
    cdb[7] = static_cast<std::uint8_t>(count >> 8);
    cdb[8] = static_cast<std::uint8_t>(count);
    return readAll(device, cdb, buffer.first(bytes));
}

Status Library::ReadLong(int device, std::span<std::uint8_t, kRawSectorSize> buffer,
                         std::uint32_t block) {
    std::array<std::uint8_t, 10> cdb{0x3E};
    putBe32(&cdb[2], block);
    cdb[7] = static_cast<std::uint8_t>(kRawSectorSize >> 8);
    cdb[8] = static_cast<std::uint8_t>(kRawSectorSize & 0xFF);
    return readAll(device, cdb, buffer);
}

Status Library::GetCdromTableOfContents(int device,
                                        std::span<std::uint8_t, kTocRecordSize> record) {
    const std::array<std::uint8_t, 10> cdb{0x43, 0, 0, 0, 0, 0, 0, 0, 4, 0};
    std::array<std::uint8_t, 4> header{};
    std::size_t got = 0;
    Status s = run(device, cdb, scsi::Direction::In, header, &got);
    if (s != status::kGood) {
        return s;
    }
    if (got < 4) {
        return status::kBadArgument;
    }
    std::uint8_t first = header[2];
    std::uint8_t last = header[3];
    record[0] = first;
    record[1] = last;
    record[2] = last >= first ? static_cast<std::uint8_t>(last - first + 1) : 0;
    return s;
}

Status Library::ReadTOC(int device, std::span<std::uint8_t> buffer) {
    std::size_t length = std::min<std::size_t>(buffer.size(), 0xFFFF);
    std::array<std::uint8_t, 10> cdb{0x43};
    cdb[7] = static_cast<std::uint8_t>(length >> 8);
    cdb[8] = static_cast<std::uint8_t>(length);
    std::vector<std::uint8_t> reply(length);
    Status s = run(device, cdb, scsi::Direction::In, reply);
    if (s == status::kGood) {
        std::copy(reply.begin(), reply.end(), buffer.begin());
    }
    return s;
}

// READ SUB-CHANNEL, sub-Q current position, addresses in MSF or LBA form.
Status Library::readPosition(int device, bool msf,
                             std::span<std::uint8_t, kSubChannelReplySize> reply) {
    const std::array<std::uint8_t, 10> cdb{0x42,
                                           static_cast<std::uint8_t>(msf ? 0x02 : 0x00),
                                           0x40,
                                           0x01,
                                           0,
                                           0,
                                           0,
                                           0,
                                           kSubChannelReplySize,
                                           0};
    return run(device, cdb, scsi::Direction::In, reply);
}

Status Library::ReadSubChannel(int device, std::span<std::uint8_t, kSubChannelRecordSize> record) {
    std::array<std::uint8_t, kSubChannelReplySize> reply{};
    Status s = readPosition(device, false, reply);
    if (s == status::kGood) {
        std::fill(record.begin(), record.end(), 0);
        record[0] = reply[5];
        record[1] = reply[1];
        record[2] = reply[6];
        record[3] = reply[7];
        std::copy(reply.begin() + 8, reply.end(), record.begin() + 4);
    }
    return s;
}

Status Library::CdromCurrentPositionMsf(int device,
                                        std::span<std::uint8_t, kPositionMsfSize> record) {
    std::array<std::uint8_t, kSubChannelReplySize> reply{};
    Status s = readPosition(device, true, reply);
    if (s == status::kGood) {
        record[0] = reply[1];
        record[1] = reply[6];
        record[2] = reply[7];
        std::copy(reply.begin() + 9, reply.begin() + 12, record.begin() + 3);
        std::copy(reply.begin() + 13, reply.begin() + 16, record.begin() + 6);
    }
    return s;
}

Status Library::CdromCurrentPositionLba(int device,
                                        std::span<std::uint8_t, kPositionLbaSize> record) {
    std::array<std::uint8_t, kSubChannelReplySize> reply{};
    Status s = readPosition(device, false, reply);
    if (s == status::kGood) {
        record[0] = reply[1];
        record[1] = reply[6];
        record[2] = reply[7];
        putLe32(&record[3], getBe32(&reply[8]));
        putLe32(&record[7], getBe32(&reply[12]));
    }
    return s;
}

Status Library::PlayAudioMsf(int device, std::span<const std::uint8_t, 4> start,
                             std::span<const std::uint8_t, 4> end) {
    const std::array<std::uint8_t, 10> cdb{0x47,     0,      0,      start[1], start[2],
                                           start[3], end[1], end[2], end[3],   0};
    return run(device, cdb, scsi::Direction::None, {});
}

Status Library::PauseAudio(int device) {
    const std::array<std::uint8_t, 10> cdb{0x4B, 0, 0, 0, 0, 0, 0, 0, 0x00, 0};
    return run(device, cdb, scsi::Direction::None, {});
}

Status Library::ResumeAudio(int device) {
    const std::array<std::uint8_t, 10> cdb{0x4B, 0, 0, 0, 0, 0, 0, 0, 0x01, 0};
    return run(device, cdb, scsi::Direction::None, {});
}

namespace {
// START STOP UNIT byte 4: bit 0 start, bit 1 load/eject.
std::array<std::uint8_t, 6> startStop(std::uint8_t flags) {
    return {0x1B, 0, 0, 0, flags, 0};
}
}  // namespace

Status Library::StopUnit(int device) {
    return run(device, startStop(0x00), scsi::Direction::None, {});
}

Status Library::StartUnit(int device) {
    return run(device, startStop(0x01), scsi::Direction::None, {});
}

Status Library::LoadMedia(int device) {
    return run(device, startStop(0x03), scsi::Direction::None, {});
}

Status Library::EjectMedia(int device) {
    return run(device, startStop(0x02), scsi::Direction::None, {});
}

Status Library::TestUnitReady(int device) {
    const std::array<std::uint8_t, 6> cdb{0x00};
    return run(device, cdb, scsi::Direction::None, {});
}

Status Library::Seek(int device, std::uint32_t block) {
    std::array<std::uint8_t, 10> cdb{0x2B};
    putBe32(&cdb[2], block);
    return run(device, cdb, scsi::Direction::None, {});
}

Status Library::PreventMediumRemoval(int device) {
    const std::array<std::uint8_t, 6> cdb{0x1E, 0, 0, 0, 0x01, 0};
    return run(device, cdb, scsi::Direction::None, {});
}

Status Library::AllowMediumRemoval(int device) {
    const std::array<std::uint8_t, 6> cdb{0x1E, 0, 0, 0, 0x00, 0};
    return run(device, cdb, scsi::Direction::None, {});
}

}  // namespace kel::tolscsi
