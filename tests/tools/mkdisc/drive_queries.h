// Asking the emulated drive about a built disc as a program would: READ TOC
// in its formats, READ DISC INFORMATION, READ TRACK INFORMATION, READ CD.
// Each answer is the reply cut to what the drive transferred; a command that
// fails gives its sense instead.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "platform/scsi/transport.h"

namespace kel::mkdisc::testing {

struct Answer {
    bool ok = false;
    std::uint8_t key = 0, asc = 0, ascq = 0;  // the sense when not ok
    std::vector<std::uint8_t> data;
};

class DriveQueries {
public:
    // Opens the drive and waits out the NOT READY / UNIT ATTENTION of the load.
    explicit DriveQueries(const std::filesystem::path& descriptor);
    bool opened() const { return drive_ != nullptr; }

    Answer readToc(int format, bool msf = false, int trackOrSession = 0);
    Answer discInformation();
    Answer trackInformation(std::uint32_t track);  // address type 1: a track number
    // READ CD of `count` audio sectors with user data and sub-channel
    // selection `subchannel` (1 raw P-W, 2 Q, 4 R-W).
    Answer readCdAudio(std::int32_t lba, int count, int subchannel);

private:
    Answer run(std::span<const std::uint8_t> cdb, std::size_t allocation);

    std::unique_ptr<scsi::Transport> drive_;
};

std::uint32_t bigEndian32(const std::vector<std::uint8_t>& data, std::size_t at);

// A 2048-byte-sector image of the disc's user data from LBA 0 to the lead-out,
// as a reader of the drive would make it: unreadable blocks as zeros.
void writeUserDataImage(const std::filesystem::path& descriptor, const std::filesystem::path& iso);

}  // namespace kel::mkdisc::testing
