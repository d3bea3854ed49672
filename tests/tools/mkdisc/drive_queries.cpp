#include "drive_queries.h"

#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <fstream>

#include "emu/disc/loader.h"
#include "emu/drive/emulated_drive.h"

namespace kel::mkdisc::testing {

namespace {
constexpr auto kTimeout = std::chrono::milliseconds(2000);
}  // namespace

DriveQueries::DriveQueries(const std::filesystem::path& descriptor) {
    std::string error;
    drive_ = emu::openEmulatedDrive(descriptor, error);
    if (!drive_) {
        ADD_FAILURE() << error;
        return;
    }
    const std::array<std::uint8_t, 6> testUnitReady{};
    for (int polls = 0; polls < 20; ++polls) {
        if (drive_->execute(testUnitReady, scsi::Direction::None, {}, kTimeout).ok()) {
            return;
        }
    }
}

Answer DriveQueries::run(std::span<const std::uint8_t> cdb, std::size_t allocation) {
    Answer answer;
    if (!drive_) {
        return answer;
    }
    std::vector<std::uint8_t> reply(allocation);
    const scsi::Result result = drive_->execute(cdb, scsi::Direction::In, reply, kTimeout);
    answer.ok = result.ok();
    answer.key = result.sense.key();
    answer.asc = result.sense.asc();
    answer.ascq = result.sense.ascq();
    reply.resize(std::min<std::size_t>(result.transferred, reply.size()));
    answer.data = std::move(reply);
    return answer;
}

Answer DriveQueries::readToc(int format, bool msf, int trackOrSession) {
    const std::size_t allocation = 4096;
    const std::array<std::uint8_t, 10> cdb = {0x43,
                                              static_cast<std::uint8_t>(msf ? 0x02 : 0x00),
                                              static_cast<std::uint8_t>(format),
                                              0,
                                              0,
                                              0,
                                              static_cast<std::uint8_t>(trackOrSession),
                                              static_cast<std::uint8_t>(allocation >> 8),
                                              static_cast<std::uint8_t>(allocation & 0xFF),
                                              0};
    return run(cdb, allocation);
}

Answer DriveQueries::discInformation() {
    const std::array<std::uint8_t, 10> cdb = {0x51, 0, 0, 0, 0, 0, 0, 0, 34, 0};
    return run(cdb, 34);
}

Answer DriveQueries::trackInformation(std::uint32_t track) {
    const std::array<std::uint8_t, 10> cdb = {0x52,
                                              0x01,
                                              static_cast<std::uint8_t>(track >> 24),
                                              static_cast<std::uint8_t>(track >> 16),
                                              static_cast<std::uint8_t>(track >> 8),
                                              static_cast<std::uint8_t>(track),
                                              0,
                                              0,
                                              36,
                                              0};
    return run(cdb, 36);
}

Answer DriveQueries::readCdAudio(std::int32_t lba, int count, int subchannel) {
    const auto address = static_cast<std::uint32_t>(lba);
    const std::array<std::uint8_t, 12> cdb = {0xBE,
                                              0x04,  // expected sector type: CD-DA
                                              static_cast<std::uint8_t>(address >> 24),
                                              static_cast<std::uint8_t>(address >> 16),
                                              static_cast<std::uint8_t>(address >> 8),
                                              static_cast<std::uint8_t>(address),
                                              0,
                                              static_cast<std::uint8_t>(count >> 8),
                                              static_cast<std::uint8_t>(count),
                                              0x10,  // user data
                                              static_cast<std::uint8_t>(subchannel),
                                              0};
    const std::size_t perSector = 2352 + (subchannel == 2 ? 16 : 96);
    return run(cdb, perSector * static_cast<std::size_t>(count));
}

std::uint32_t bigEndian32(const std::vector<std::uint8_t>& data, std::size_t at) {
    if (at + 4 > data.size()) {
        ADD_FAILURE() << "reply of " << data.size() << " bytes has no field at " << at;
        return 0;
    }
    return std::uint32_t{data[at]} << 24 | std::uint32_t{data[at + 1]} << 16 |
           std::uint32_t{data[at + 2]} << 8 | data[at + 3];
}

void writeUserDataImage(const std::filesystem::path& descriptor, const std::filesystem::path& iso) {
    auto loaded = emu::loadDrive(descriptor);
    ASSERT_TRUE(std::holds_alternative<emu::LoadedDrive>(loaded))
        << std::get<emu::LoadError>(loaded).text();
    const emu::Disc& disc = std::get<emu::LoadedDrive>(loaded).disc;
    emu::SectorReader reader(disc);
    std::ofstream out(iso, std::ios::binary);
    std::array<std::uint8_t, emu::kRawSectorSize> raw{};
    const std::array<char, 2048> zeros{};
    for (std::int32_t lba = 0; lba < disc.leadOut; ++lba) {
        const emu::Track* track = disc.trackAt(lba);
        if (track == nullptr || !track->isData() || disc.isUnwritten(lba) ||
            reader.readRaw(lba, raw) != std::nullopt) {
            out.write(zeros.data(), zeros.size());
            continue;
        }
        const std::size_t at = track->format == emu::SectorFormat::Mode1 ? 16 : 24;
        out.write(reinterpret_cast<const char*>(raw.data() + at), 2048);
    }
}

}  // namespace kel::mkdisc::testing
