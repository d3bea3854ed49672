// Disc group: the table of contents and sector reads. Sector data goes back
// as a sector reply; a failed read as text with the status and its name.
#include <algorithm>
#include <cstring>
#include <vector>

#include "server/request_words.h"
#include "server/sense_code_names.h"
#include "server/server_form.h"

namespace kel::server {
namespace {

constexpr std::size_t kRawSize = 2352;
constexpr std::size_t kCookedSize = 2048;
// What fits in the 16-bit reply size.
constexpr std::int32_t kMaxRawSectors = 0xFFFF / kRawSize;        // 27
constexpr std::int32_t kMaxCookedSectors = 0xFFFF / kCookedSize;  // 31

void PutBe32(std::uint8_t* at, std::uint32_t value) {
    at[0] = static_cast<std::uint8_t>(value >> 24);
    at[1] = static_cast<std::uint8_t>(value >> 16);
    at[2] = static_cast<std::uint8_t>(value >> 8);
    at[3] = static_cast<std::uint8_t>(value);
}

std::uint32_t Be32(const std::uint8_t* at) {
    return (std::uint32_t{at[0]} << 24) | (std::uint32_t{at[1]} << 16) |
           (std::uint32_t{at[2]} << 8) | at[3];
}

std::span<std::uint8_t, kRawSize> FirstRawSector(TForm1& form) {
    return std::span<std::uint8_t, kRawSize>(form.SectorBuffer.data(), kRawSize);
}

void TableOfContents(TForm1& form) {
    std::int32_t device = LineValue(form.Memo1, 1);
    std::array<std::uint8_t, tolscsi::kTocRecordSize> record{};
    tolscsi::Status s = form.Scsi.GetCdromTableOfContents(device, record);
    BeginReply(form);
    if (s != tolscsi::status::kGood) {
        // The count line is taken after the first status line, and the
        // status is then added once more.
        for (const char* value : {"0", "0", "0"}) {
            form.Memo1.Add(value);
        }
        form.Memo1.Add(static_cast<std::int64_t>(s));
        EndReply(form, s);
        return;
    }
    int entries = record[2];
    form.Memo1.Add(record[0]);
    form.Memo1.Add(record[1]);
    form.Memo1.Add(entries);
    CapacityRecord& capacityRecord = form.CapacityRecordOf(device);
    form.Scsi.ReadCapacity(device, capacityRecord);
    std::uint32_t capacity = 0;
    std::memcpy(&capacity, capacityRecord.data(), 4);
    form.Memo1.Add(static_cast<std::int32_t>(capacity));

    std::vector<std::uint8_t> toc(static_cast<std::size_t>(entries) * 8 + 4, 0);
    tolscsi::Status tocStatus = form.Scsi.ReadTOC(device, toc);
    // Walk only the descriptors the drive really returned: its header's
    // length counts the bytes after the length field.
    int returned = 0;
    if (tocStatus == tolscsi::status::kGood) {
        std::size_t length = (std::size_t{toc[0]} << 8 | toc[1]) + 2;
        length = std::min(length, toc.size());
        returned = length >= 4 ? static_cast<int>((length - 4) / 8) : 0;
    }
    for (int j = 1; j <= std::min(entries, returned); ++j) {
        const std::uint8_t* d = &toc[4 + static_cast<std::size_t>(j - 1) * 8];
        form.Memo1.Add(d[2]);
        form.Memo1.Add(static_cast<std::int32_t>(Be32(&d[4])));
        form.Memo1.Add(d[1] & 0x0F);
        form.Memo1.Add(d[1] >> 4);
    }
    EndReply(form, tocStatus);
}

// A failed read answers its status's name and the status instead of data.
void FailRead(TForm1& form, tolscsi::Status s) {
    form.Memo1.Add(std::string(SenseCodeName(s)));
    form.Memo1.Add(static_cast<std::int64_t>(s));
    form.SectorReplySize = 0;
}

// Other readers of the drive (the system's own file-system driver) must not
// be handed raw blocks after a read that switched to 2352 bytes.
void RestoreCookedBlocks(TForm1& form, std::int32_t device) {
    form.Scsi.SetBlockSize(device, kCookedSize);
}

void ReadOneRawSector(TForm1& form) {
    std::int32_t device = LineValue(form.Memo1, 1);
    std::int32_t block = LineValue(form.Memo1, 2);
    LineValue(form.Memo1, 3);  // the drive record's value: sent, never used
    BeginReply(form);
    if (device < 0 || block < 0) {
        FailRead(form, tolscsi::status::kBadArgument);
        form.Memo1.Add("2");
        return;
    }
    form.SectorReplySize = kRawSize;
    form.AllocateSectorBuffer(kRawSize);
    form.Scsi.ReadCapacity(device, form.CapacityRecordOf(device));
    tolscsi::Status s;
    if (form.Scsi.GetAnsiVersion(device) != 0) {
        s = form.Scsi.ReadLong(device, FirstRawSector(form), static_cast<std::uint32_t>(block));
        if (s != tolscsi::status::kGood) {
            // Without 2352-byte blocks READ(10) would bring user data only.
            s = form.Scsi.SetBlockSize(device, kRawSize);
            if (s == tolscsi::status::kGood) {
                s = form.Scsi.ReadBlocks(device, form.SectorBuffer,
                                         static_cast<std::uint32_t>(block), 1);
                RestoreCookedBlocks(form, device);
            }
        }
    } else {
        auto& cdb = form.Reads.CdbReadCdRaw;
        PutBe32(&cdb[2], static_cast<std::uint32_t>(block));
        cdb[8] = 1;
        s = form.Scsi.ExecuteReadCDB(device, cdb, form.SectorBuffer);
    }
    if (s != tolscsi::status::kGood) {
        FailRead(form, s);
    }
    form.Memo1.Add("2");
}

enum class RunKind { Cooked, Raw, Audio };

void ReadRun(TForm1& form, RunKind kind) {
    std::int32_t device = LineValue(form.Memo1, 1);
    std::int32_t block = LineValue(form.Memo1, 2);
    LineValue(form.Memo1, 3);
    std::int32_t count = LineValue(form.Memo1, 4);
    BeginReply(form);
    std::int32_t limit = kind == RunKind::Cooked ? kMaxCookedSectors : kMaxRawSectors;
    if (device < 0 || block < 0 || count < 1 || count > limit) {
        FailRead(form, tolscsi::status::kBadArgument);
        form.Memo1.Add("2");
        return;
    }
    std::size_t sectorSize = kind == RunKind::Cooked ? kCookedSize : kRawSize;
    form.SectorReplySize = static_cast<std::uint16_t>(sectorSize * static_cast<std::size_t>(count));
    form.AllocateSectorBuffer(form.SectorReplySize);
    tolscsi::Library& scsi = form.Scsi;
    // Whether this request left the drive at 2352-byte blocks, and how the
    // last switch to them went: a drive still at 2048 would hand out user
    // data where raw sectors were asked for.
    bool switched = false;
    tolscsi::Status rawBlocks = tolscsi::status::kGood;
    auto switchToRaw = [&] {
        rawBlocks = scsi.SetBlockSize(device, kRawSize);
        switched |= rawBlocks == tolscsi::status::kGood;
    };
    if (kind != RunKind::Cooked) {
        switchToRaw();
    }
    scsi.ReadCapacity(device, form.CapacityRecordOf(device));
    auto address = static_cast<std::uint32_t>(block);
    auto blocks = static_cast<std::uint8_t>(count);
    tolscsi::Status s;
    if (scsi.GetAnsiVersion(device) != 0) {
        if (kind == RunKind::Cooked) {
            scsi.SetBlockSize(device, kCookedSize);
            s = scsi.ReadBlocks(device, form.SectorBuffer, address, blocks);
        } else if (kind == RunKind::Raw) {
            switchToRaw();
            s = rawBlocks != tolscsi::status::kGood
                    ? rawBlocks
                    : scsi.ReadBlocks(device, form.SectorBuffer, address, blocks);
        } else {
            auto lun = static_cast<std::uint8_t>(scsi.GetScsiPath(device) >> 24);
            switchToRaw();
            auto& cdb = form.Reads.CdbVendorCdda;
            cdb[1] = static_cast<std::uint8_t>((cdb[1] & 0x1F) | (lun << 5));
            PutBe32(&cdb[2], address);
            cdb[9] = blocks;
            s = rawBlocks != tolscsi::status::kGood
                    ? rawBlocks
                    : scsi.ExecuteReadCDB(device, cdb, form.SectorBuffer);
        }
    } else {
        auto& cdb = kind == RunKind::Cooked ? form.Reads.CdbReadCdUser : form.Reads.CdbReadCdRaw;
        PutBe32(&cdb[2], address);
        cdb[8] = blocks;
        s = scsi.ExecuteReadCDB(device, cdb, form.SectorBuffer);
    }
    if (switched) {
        RestoreCookedBlocks(form, device);
    }
    if (s != tolscsi::status::kGood) {
        FailRead(form, s);
    }
    form.Memo1.Add("2");
}

void NoCall(TForm1& form) {
    BeginReply(form);
    form.Memo1.Add("2");
}

}  // namespace

void DoDiscRequest(TForm1& form, std::int32_t code) {
    switch (SubgroupOf(code)) {
        case 0x100:
            form.Edit1 += "_get";
            switch (CommandOf(code)) {
                case 0x02:
                case 0x03:
                case 0x09:
                case 0x0E:
                case 0x26:
                    form.Edit1 += "_";
                    NoCall(form);
                    break;
                case 0x20:
                    form.Edit1 += "_sectorsize";
                    NoCall(form);
                    break;
                case 0x2A:
                    form.Edit1 += "_volumeinfo";
                    TableOfContents(form);
                    break;
            }
            break;
        case 0x400:
            form.Edit1 += "_read";
            switch (CommandOf(code)) {
                case 0x01:
                    form.Edit1 += "_absolute";
                    NoCall(form);
                    break;
                case 0x0A:
                    form.Edit1 += "_data";
                    ReadOneRawSector(form);
                    break;
                case 0x1D:
                    form.Edit1 += "_prefetch";
                    NoCall(form);
                    break;
                case 0x2B:
                    form.Edit1 += "_vtoc";
                    NoCall(form);
                    break;
                case 0x2E:
                    form.Edit1 += "_datacooked";
                    ReadRun(form, RunKind::Cooked);
                    break;
                case 0x2F:
                    form.Edit1 += "_dataraw";
                    ReadRun(form, RunKind::Raw);
                    break;
                case 0x30:
                    form.Edit1 += "_audiodata";
                    ReadRun(form, RunKind::Audio);
                    break;
            }
            break;
        case 0x700:
            // Any write command: the request's own lines and "write".
            form.Edit1 += "_write";
            form.Memo1.Add("write");
            break;
    }
}

}  // namespace kel::server
