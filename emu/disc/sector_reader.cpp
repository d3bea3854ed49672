#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <system_error>

#include "emu/disc/disc.h"
#include "emu/sector/sector.h"

namespace kel::emu {

namespace {

constexpr std::size_t kSubheader = 16;  // mode 2: subheader at 16..23
constexpr std::uint8_t kSubmodeForm2 = 0x20;
constexpr std::size_t kForm1CheckFields = 2072;  // EDC, then P and Q parity, to the end
constexpr std::size_t kForm2Edc = 2348;

bool allZero(std::span<const std::uint8_t> bytes) {
    return std::all_of(bytes.begin(), bytes.end(), [](std::uint8_t b) { return b == 0; });
}

// Unstored gap sectors as a writer lays them down: digital silence in an
// audio track, zero user data in a data track's own mode. XA tracks get
// form 2 gap sectors (submode 0x20), the form writers use for the gaps
// around an XA track.
void generateGap(const Track& track, std::int32_t lba, sector::Raw out) {
    std::fill(out.begin(), out.end(), 0);
    switch (track.format) {
        case SectorFormat::Audio:
            return;
        case SectorFormat::Mode1:
            sector::encodeMode1(out, lba);
            return;
        case SectorFormat::Mode2:
            out[kSubheader + 2] = kSubmodeForm2;
            out[kSubheader + 6] = kSubmodeForm2;
            sector::encodeMode2Form2(out, lba);
            return;
    }
}

// A MODE2/2336 sector: the stored bytes follow sync and header. Images made
// from raw reads already carry EDC (and for form 1 P/Q parity) and keep
// them, bad ones included; images made from user data leave those fields
// zero, and they are computed per the subheader's form bit.
void completeMode2(std::int32_t lba, sector::Raw out) {
    const bool form2 = (out[kSubheader + 2] & kSubmodeForm2) != 0;
    const std::span<const std::uint8_t> checkFields =
        form2 ? std::span<const std::uint8_t>(out).subspan(kForm2Edc)
              : std::span<const std::uint8_t>(out).subspan(kForm1CheckFields);
    if (!allZero(checkFields)) {
        sector::encodeMode2Formless(out, lba);
    } else if (form2) {
        sector::encodeMode2Form2(out, lba);
    } else {
        sector::encodeMode2Form1(out, lba);
    }
}

}  // namespace

struct SectorReader::Impl {
    Disc disc;
    std::vector<int> descriptors;  // -1 where the file could not be opened
    std::vector<std::string> openErrors;
    int subchannel = -1;  // the sub-channel file, when the disc has one
    std::string subchannelError;
    std::uint64_t subchannelSectors = 0;

    std::optional<std::string> read(std::size_t file, std::uint64_t offset,
                                    std::span<std::uint8_t> into) const {
        const auto name = disc.files[file].string();
        if (descriptors[file] < 0) {
            return name + ": cannot open: " + openErrors[file];
        }
        return readFrom(descriptors[file], name, offset, into);
    }

    // `run` sectors that the track stores, from lba on: one read, then each
    // sector moved to its place in its raw frame and completed.
    std::optional<std::string> readStored(const Track& track, std::int32_t lba, std::int32_t run,
                                          std::span<std::uint8_t> out) {
        const auto size = storedSectorSize(track.storage);
        const auto offset =
            track.fileOffset + static_cast<std::uint64_t>(lba - track.storedFrom) * size;
        const auto bytes = static_cast<std::size_t>(run) * size;
        // Cooked sectors are read into the end of the room and spread
        // forwards: each one's frame starts before its stored bytes.
        const std::size_t base = static_cast<std::size_t>(run) * kRawSectorSize - bytes;
        if (auto error = read(track.file, offset, out.subspan(base, bytes))) {
            return error;
        }
        const std::size_t at = track.storage == StorageFormat::Raw2352 ? 0 : kSubheader;
        for (std::int32_t k = 0; k < run; ++k) {
            const auto frame =
                out.subspan(static_cast<std::size_t>(k) * kRawSectorSize).first<kRawSectorSize>();
            if (track.storage != StorageFormat::Raw2352) {
                std::memmove(frame.data() + at,
                             out.data() + base + static_cast<std::size_t>(k) * size, size);
            }
            completeStored(track, lba + k, at, size, frame);
        }
        return std::nullopt;
    }

    static void completeStored(const Track& track, std::int32_t lba, std::size_t at,
                               std::size_t size, sector::Raw out) {
        switch (track.storage) {
            case StorageFormat::Raw2352:
                if (track.byteSwapped) {
                    for (std::size_t i = 0; i + 1 < out.size(); i += 2) {
                        std::swap(out[i], out[i + 1]);
                    }
                }
                break;
            case StorageFormat::Cooked2048:
                std::fill(out.begin(), out.begin() + static_cast<std::ptrdiff_t>(at), 0);
                std::fill(out.begin() + static_cast<std::ptrdiff_t>(at + size), out.end(), 0);
                sector::encodeMode1(out, lba);
                break;
            case StorageFormat::Mode2_2336:
                completeMode2(lba, out);
                break;
        }
    }

    static std::optional<std::string> readFrom(int descriptor, const std::string& name,
                                               std::uint64_t offset, std::span<std::uint8_t> into) {
        std::size_t done = 0;
        while (done < into.size()) {
            const auto at = offset + done;
            const auto got =
                ::pread(descriptor, into.data() + done, into.size() - done, static_cast<off_t>(at));
            if (got < 0 && errno == EINTR) {
                continue;
            }
            if (got < 0) {
                return name + ": read error at byte " + std::to_string(at) + ": " +
                       std::generic_category().message(errno);
            }
            if (got == 0) {
                return name + ": ends at byte " + std::to_string(at) +
                       ", shorter than when the disc was loaded";
            }
            done += static_cast<std::size_t>(got);
        }
        return std::nullopt;
    }
};

SectorReader::SectorReader(const Disc& disc) : impl_(new Impl{disc, {}, {}, -1, {}, 0}) {
    for (const auto& path : disc.files) {
        const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        impl_->descriptors.push_back(fd);
        impl_->openErrors.push_back(fd < 0 ? std::generic_category().message(errno) : "");
    }
    if (!disc.subchannelFile.empty()) {
        impl_->subchannel = ::open(disc.subchannelFile.c_str(), O_RDONLY | O_CLOEXEC);
        if (impl_->subchannel < 0) {
            impl_->subchannelError = std::generic_category().message(errno);
        } else if (const off_t size = ::lseek(impl_->subchannel, 0, SEEK_END); size > 0) {
            impl_->subchannelSectors = static_cast<std::uint64_t>(size) / kSubChannelSize;
        }
    }
}

SectorReader::~SectorReader() {
    for (const int fd : impl_->descriptors) {
        if (fd >= 0) {
            ::close(fd);
        }
    }
    if (impl_->subchannel >= 0) {
        ::close(impl_->subchannel);
    }
    delete impl_;
}

std::optional<std::string> SectorReader::readRaw(std::int32_t lba,
                                                 std::span<std::uint8_t, kRawSectorSize> out) {
    const Track* track = impl_->disc.trackAt(lba);
    if (track == nullptr) {
        return "LBA " + std::to_string(lba) + " lies outside the disc";
    }
    if (lba < track->storedFrom || lba >= track->storedTo) {
        generateGap(*track, lba, out);
        return std::nullopt;
    }
    return readRawRun(lba, 1, out);
}

std::optional<std::string> SectorReader::readRawRun(std::int32_t lba, std::int32_t count,
                                                    std::span<std::uint8_t> out) {
    while (count > 0) {
        const Track* track = impl_->disc.trackAt(lba);
        if (track == nullptr) {
            return "LBA " + std::to_string(lba) + " lies outside the disc";
        }
        if (lba < track->storedFrom || lba >= track->storedTo) {
            generateGap(*track, lba, out.first<kRawSectorSize>());
            ++lba;
            --count;
            out = out.subspan(kRawSectorSize);
            continue;
        }
        const std::int32_t run = std::min(count, track->storedTo - lba);
        if (auto error = impl_->readStored(*track, lba, run, out)) {
            return error;
        }
        lba += run;
        count -= run;
        out = out.subspan(static_cast<std::size_t>(run) * kRawSectorSize);
    }
    return std::nullopt;
}

std::variant<bool, std::string> SectorReader::readSubChannel(
    std::int32_t lba, std::span<std::uint8_t, kSubChannelSize> out) {
    const Impl& impl = *impl_;
    if (impl.disc.subchannelFile.empty()) {
        return false;
    }
    const auto name = impl.disc.subchannelFile.string();
    if (impl.subchannel < 0) {
        return name + ": cannot open: " + impl.subchannelError;
    }
    if (lba < 0 || static_cast<std::uint64_t>(lba) >= impl.subchannelSectors) {
        return false;
    }
    if (auto error = Impl::readFrom(impl.subchannel, name,
                                    static_cast<std::uint64_t>(lba) * kSubChannelSize, out)) {
        return *error;
    }
    return true;
}

}  // namespace kel::emu
