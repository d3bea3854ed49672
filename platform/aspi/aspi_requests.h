// The request blocks of the ASPI-style manager: what a program hands to
// SendASPI32Command, one plain structure per kind, each starting with the
// same head. The manager is a shared library found beside the program; a
// program resolves its two entry points by name and builds these blocks
// itself, so they hold nothing but fixed-size fields.
#pragma once

#include <cstddef>
#include <cstdint>

namespace kel::aspi {

inline constexpr char kManagerFileName[] = "libwnaspi32.so";
inline constexpr char kSupportInfoEntry[] = "GetASPI32SupportInfo";
inline constexpr char kSendCommandEntry[] = "SendASPI32Command";

// Bits 8-15: a status (SS_COMP when the manager is usable); bits 0-7: the
// number of host adapters.
using SupportInfoEntry = std::uint32_t (*)();
// Takes a request block of any kind; returns its status (also left in
// SRB_Status): SS_PENDING while a posted request is still running.
using SendCommandEntry = std::uint32_t (*)(void* request);

// Request kinds (SRB_Cmd).
inline constexpr std::uint8_t SC_HA_INQUIRY = 0x00;
inline constexpr std::uint8_t SC_GET_DEV_TYPE = 0x01;
inline constexpr std::uint8_t SC_EXEC_SCSI_CMD = 0x02;
inline constexpr std::uint8_t SC_RESET_DEV = 0x04;

// SRB_Flags.
inline constexpr std::uint8_t SRB_DIR_IN = 0x08;
inline constexpr std::uint8_t SRB_DIR_OUT = 0x10;
inline constexpr std::uint8_t SRB_EVENT_NOTIFY = 0x40;

// Statuses.
inline constexpr std::uint8_t SS_PENDING = 0x00;
inline constexpr std::uint8_t SS_COMP = 0x01;
inline constexpr std::uint8_t SS_ABORTED = 0x02;
inline constexpr std::uint8_t SS_ERR = 0x04;
inline constexpr std::uint8_t SS_NO_ASPI = 0xE3;
inline constexpr std::uint8_t SS_MISMATCHED_COMPONENTS = 0xE7;
inline constexpr std::uint8_t SS_NO_ADAPTERS = 0xE8;
inline constexpr std::uint8_t SS_BAD_INSTALL = 0xEB;
// Refusals of a request block that the manager will not carry out: a size
// that is not its kind's, a field out of range, an unknown kind.
inline constexpr std::uint8_t SS_BAD_REQUEST = 0x90;
inline constexpr std::uint8_t SS_NO_SUCH_ADAPTER = 0x91;
inline constexpr std::uint8_t SS_NO_SUCH_DEVICE = 0x92;

// Host adapter statuses (SRB_HaStat).
inline constexpr std::uint8_t HASTAT_OK = 0x00;
inline constexpr std::uint8_t HASTAT_TIMEOUT = 0x09;
inline constexpr std::uint8_t HASTAT_COMMAND_TIMEOUT = 0x0B;
// The drive moved more or fewer bytes than the block's buffer holds.
inline constexpr std::uint8_t HASTAT_DO_DU = 0x12;
// The command did not reach the drive or did not come back from it.
inline constexpr std::uint8_t HASTAT_TRANSPORT_FAILURE = 0x20;

// Peripheral device types (SRB_DeviceType).
inline constexpr std::uint8_t kDirectAccessDevice = 0;
inline constexpr std::uint8_t kWriteOnceDevice = 4;
inline constexpr std::uint8_t kCdRomDevice = 5;

inline constexpr std::size_t kMaxCdbBytes = 16;
inline constexpr std::size_t kSenseAreaBytes = 32;

struct SrbHead {
    std::uint8_t SRB_Cmd;
    std::uint8_t SRB_Status;
    std::uint8_t SRB_HaId;
    std::uint8_t SRB_Flags;
    // The size of the whole block; a block whose size is not its kind's is
    // refused before any other field is read.
    std::uint32_t SRB_Length;
};

struct SrbHaInquiry {
    SrbHead head;
    std::uint8_t HA_Count;  // host adapters of the manager
    std::uint8_t HA_Reserved[3];
    char HA_Name[16];
    // Byte 3: how many target ids the adapter has (8 or 16).
    std::uint8_t HA_Unique[16];
};

struct SrbGetDevType {
    SrbHead head;
    std::uint8_t SRB_Target;
    std::uint8_t SRB_Lun;
    std::uint8_t SRB_DeviceType;
    std::uint8_t SRB_Reserved;
};

struct SrbExecScsiCmd {
    SrbHead head;
    std::uint8_t SRB_Target;
    std::uint8_t SRB_Lun;
    std::uint8_t SRB_SenseLen;  // sense bytes wanted in SenseArea, at most kSenseAreaBytes
    std::uint8_t SRB_CDBLen;    // 6, 10, 12 or 16
    std::uint8_t SRB_HaStat;
    std::uint8_t SRB_TargStat;  // the drive's SCSI status byte
    std::uint8_t SRB_Reserved[2];
    std::uint32_t SRB_BufLen;
    std::uint32_t SRB_Transferred;  // bytes the drive really moved
    std::uint8_t* SRB_BufPointer;
    // With SRB_EVENT_NOTIFY: the completion event (an event descriptor that
    // the manager signals once the block's fields are final); any other
    // descriptor is refused.
    std::int64_t SRB_PostProc;
    std::uint8_t CDBByte[kMaxCdbBytes];
    std::uint8_t SenseArea[kSenseAreaBytes];
};

struct SrbResetDev {
    SrbHead head;
    std::uint8_t SRB_Target;
    std::uint8_t SRB_Lun;
    std::uint8_t SRB_HaStat;
    std::uint8_t SRB_TargStat;
    std::int64_t SRB_PostProc;
};

// A zeroed block of a kind with its head filled in.
template <typename Block>
Block makeRequest(std::uint8_t kind, std::uint8_t adapter) {
    Block block{};
    block.head.SRB_Cmd = kind;
    block.head.SRB_HaId = adapter;
    block.head.SRB_Length = sizeof(Block);
    return block;
}

}  // namespace kel::aspi
