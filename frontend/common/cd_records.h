// The client's drive and track records, byte for byte: the drive table holds
// one CdDriveRecord per CD-ROM device of the server, the track table one
// CdTrackRecord per table-of-contents entry.
#pragma once

#include <cstddef>
#include <cstdint>

#include "frontend/common/record_fields.h"

namespace kel::frontend {

inline constexpr std::uint8_t kCdRomDeviceType = 5;

struct CdDriveRecord {
    std::uint8_t LetterIndex = 0;    // 0 = A, set by the letter pairing
    std::uint8_t DeviceNumber = 0;   // the server's device number
    std::uint8_t DeviceType = 0;     // peripheral device type, 5 = CD-ROM
    std::uint8_t InquiryValue3 = 0;  // sent back as line 3 of the read requests
    std::uint8_t InquiryValue4 = 0;
    ShortString<10> Vendor;
    ShortString<18> Product;
    ShortString<4> LetterText;  // "D:"
};

struct CdTrackRecord {
    Int32Field TrackNumber;
    Int32Field StartLba;
    std::uint8_t Control = 0;  // control nibble of the TOC entry
    std::uint8_t Adr = 0;      // ADR nibble
    Int32Field EndLba;
    Int32Field Length;  // in blocks
    std::uint8_t DataTrack = 0;
    std::uint8_t PreEmphasis = 0;    // audio tracks only
    std::uint8_t CopyPermitted = 0;  // audio tracks only
    std::uint8_t Channels = 0;       // 2 or 4, audio tracks only
    ShortString<30> Label;           // written by the disc classification
};

static_assert(sizeof(CdDriveRecord) == 40);
static_assert(offsetof(CdDriveRecord, InquiryValue4) == 4);
static_assert(offsetof(CdDriveRecord, Vendor) == 5);
static_assert(offsetof(CdDriveRecord, Product) == 16);
static_assert(offsetof(CdDriveRecord, LetterText) == 35);

static_assert(sizeof(CdTrackRecord) == 53);
static_assert(offsetof(CdTrackRecord, StartLba) == 4);
static_assert(offsetof(CdTrackRecord, Control) == 8);
static_assert(offsetof(CdTrackRecord, Adr) == 9);
static_assert(offsetof(CdTrackRecord, EndLba) == 10);
static_assert(offsetof(CdTrackRecord, Length) == 14);
static_assert(offsetof(CdTrackRecord, DataTrack) == 18);
static_assert(offsetof(CdTrackRecord, Channels) == 21);
static_assert(offsetof(CdTrackRecord, Label) == 22);

}  // namespace kel::frontend
