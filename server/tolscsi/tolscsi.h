// The server's SCSI access library: CD-ROM devices addressed by device number
// (0, 1, 2 ... in the order of the drive configuration), each call one or two
// commands over the device's transport.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "platform/scsi/transport.h"

namespace kel::tolscsi {

// A call's result: 0 on success; for a CHECK CONDITION the sense code as
// ASC * 256 + ASCQ, so that sense-code names apply. Failures that carry no
// sense code are kept above 0xFFFF, where no sense code can be mistaken for
// them.
using Status = std::uint32_t;
namespace status {
inline constexpr Status kGood = 0;
inline constexpr Status kSenseKeyOnly = 0x10000;   // + sense key, when ASC/ASCQ are 00/00
inline constexpr Status kTransport = 0x20000;      // + errno
inline constexpr Status kNoDevice = 0x30000;       // device number not configured or not open
inline constexpr Status kScsiStatus = 0x40000;     // + status byte (BUSY, RESERVATION CONFLICT...)
inline constexpr Status kBadArgument = 0x50000;    // a length or count the call cannot honour
inline constexpr Status kShortTransfer = 0x60000;  // a read moved fewer bytes than it asked for
}  // namespace status

Status statusOf(const scsi::Result& result);

inline constexpr std::uint8_t kNoDeviceType = 0x1F;
inline constexpr std::uint8_t kCdromType = 0x05;
inline constexpr std::size_t kRawSectorSize = 2352;

// The sub-channel record: byte 0 ADR (high nibble) and control (low nibble)
// of the current position, byte 1 the audio status, byte 2 the track, byte 3
// the index; the rest as READ SUB-CHANNEL format 1 returns it from its byte 8.
inline constexpr std::size_t kSubChannelRecordSize = 43;
// Position records: byte 0 audio status, 1 track, 2 index; minute form:
// bytes 3-5 absolute M/S/F, 6-8 track-relative M/S/F; block form: 32-bit
// little-endian absolute LBA at 3 and track-relative LBA at 7.
inline constexpr std::size_t kPositionMsfSize = 9;
inline constexpr std::size_t kPositionLbaSize = 11;
// Capacity record: 32-bit lead-out start (last LBA + 1) at 0, 16-bit block
// length at 4, both in host order.
inline constexpr std::size_t kCapacityRecordSize = 8;
// Table-of-contents record: first track, last track, number of track entries.
inline constexpr std::size_t kTocRecordSize = 3;

class Library {
public:
    // One transport per device number; a null entry is a configured device
    // that could not be opened (every call answers status::kNoDevice).
    explicit Library(std::vector<std::unique_ptr<scsi::Transport>> devices);
    ~Library();

    int deviceCount() const { return static_cast<int>(devices_.size()); }

    std::uint8_t GetDeviceType(int device);
    Status GetVendorId(int device, std::span<char, 12> text);
    Status GetProductId(int device, std::span<char, 20> text);
    Status ReadRawInquiryData(int device, std::span<std::uint8_t, 40> data);
    std::uint8_t GetAnsiVersion(int device);
    std::uint32_t GetScsiPath(int device);
    Status ExecuteScsiCDB(int device, std::span<const std::uint8_t> cdb,
                          std::span<std::uint8_t> data);
    // A sector read by command block: kShortTransfer unless every byte of
    // `data` came.
    Status ExecuteReadCDB(int device, std::span<const std::uint8_t> cdb,
                          std::span<std::uint8_t> data);
    Status ReadCapacity(int device, std::span<std::uint8_t, kCapacityRecordSize> record);
    Status SetBlockSize(int device, std::uint16_t blockSize);
    Status ReadBlocks(int device, std::span<std::uint8_t> buffer, std::uint32_t block,
                      std::uint16_t count);
    Status ReadLong(int device, std::span<std::uint8_t, kRawSectorSize> buffer,
                    std::uint32_t block);
    Status GetCdromTableOfContents(int device, std::span<std::uint8_t, kTocRecordSize> record);
    Status ReadTOC(int device, std::span<std::uint8_t> buffer);
    Status ReadSubChannel(int device, std::span<std::uint8_t, kSubChannelRecordSize> record);
    Status CdromCurrentPositionMsf(int device, std::span<std::uint8_t, kPositionMsfSize> record);
    Status CdromCurrentPositionLba(int device, std::span<std::uint8_t, kPositionLbaSize> record);
    Status PlayAudioMsf(int device, std::span<const std::uint8_t, 4> start,
                        std::span<const std::uint8_t, 4> end);
    Status PauseAudio(int device);
    Status ResumeAudio(int device);
    Status StopUnit(int device);
    Status StartUnit(int device);
    Status TestUnitReady(int device);
    Status Seek(int device, std::uint32_t block);
    Status LoadMedia(int device);
    Status EjectMedia(int device);
    Status PreventMediumRemoval(int device);
    Status AllowMediumRemoval(int device);

private:
    struct Device;
    Device* find(int device);
    Status run(int device, std::span<const std::uint8_t> cdb, scsi::Direction direction,
               std::span<std::uint8_t> data, std::size_t* transferred = nullptr);
    // A read that fails unless the whole buffer came.
    Status readAll(int device, std::span<const std::uint8_t> cdb, std::span<std::uint8_t> data);
    Status inquiry(int device, std::span<std::uint8_t> data);
    Status readPosition(int device, bool msf, std::span<std::uint8_t, 16> reply);

    std::vector<std::unique_ptr<Device>> devices_;
};

}  // namespace kel::tolscsi
