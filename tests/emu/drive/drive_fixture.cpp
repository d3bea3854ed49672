#include "drive_fixture.h"

#include <cstdlib>
#include <fstream>

#include "emu/drive/state_file.h"
#include "tests/support/temp_folder.h"

namespace kel::emu::test {

namespace {

void writeFile(const std::filesystem::path& path, std::int32_t first, std::int32_t last,
               std::size_t sectorSize, std::uint8_t (*byte)(std::int32_t)) {
    std::ofstream file(path, std::ios::binary);
    for (std::int32_t lba = first; lba < last; ++lba) {
        std::vector<char> sector(sectorSize, static_cast<char>(byte(lba)));
        file.write(sector.data(), static_cast<std::streamsize>(sector.size()));
    }
}

}  // namespace

std::uint8_t dataByte(std::int32_t lba) {
    return static_cast<std::uint8_t>(lba & 0xFF);
}
std::uint8_t audioByte(std::int32_t lba) {
    return static_cast<std::uint8_t>((lba * 7) & 0xFF);
}

void DriveTest::SetUp() {
    folder = kel::test::makeUniqueFolder("kel-drive-");
    std::filesystem::create_directories(folder / "run");
    ::setenv("KEL_RUNTIME_DIR", (folder / "run").c_str(), 1);
    writeFile(folder / "data.bin", 0, kDataEnd, 2048, dataByte);
    writeFile(folder / "audio.bin", kAudioStart, kLeadOut, 2352, audioByte);
}

void DriveTest::TearDown() {
    drive.reset();
    std::filesystem::remove_all(folder);
}

LoadedDrive DriveTest::mixedDisc(DriveDescription description) const {
    Disc disc;
    disc.files = {folder / "data.bin", folder / "audio.bin"};
    Track data;
    data.number = 1;
    data.format = SectorFormat::Mode1;
    data.control = control::kData;
    data.pregapStart = 0;
    data.start = 0;
    data.end = kDataEnd;
    data.storage = StorageFormat::Cooked2048;
    data.file = 0;
    data.storedFrom = 0;
    data.storedTo = kDataEnd;
    Track audio;
    audio.number = 2;
    audio.format = SectorFormat::Audio;
    audio.control = control::kCopyPermitted;
    audio.pregapStart = kAudioPregap;
    audio.start = kAudioStart;
    audio.furtherIndexes = {kAudioIndex2};
    audio.end = kLeadOut;
    audio.isrc = "USKEL2600001";
    audio.storage = StorageFormat::Raw2352;
    audio.file = 1;
    audio.storedFrom = kAudioStart;
    audio.storedTo = kLeadOut;
    disc.tracks = {data, audio};
    disc.leadOut = kLeadOut;
    disc.catalog = "0123456789012";
    return LoadedDrive{std::move(description), std::move(disc)};
}

std::unique_ptr<DriveModel> DriveTest::open(LoadedDrive loaded, const std::string& identity) {
    std::string error;
    auto stateFile = StateFile::open(folder / "run" / "drive.state", error);
    EXPECT_TRUE(stateFile.has_value()) << error;
    return std::make_unique<DriveModel>(std::move(loaded), identity, std::move(*stateFile), clock);
}

void DriveTest::useDrive(DriveDescription description) {
    drive = open(mixedDisc(std::move(description)));
}

Reply DriveTest::in(DriveModel& model, std::vector<std::uint8_t> cdb, std::size_t size) {
    Reply reply;
    reply.data.assign(size, 0xEE);
    reply.result = model.execute(cdb, scsi::Direction::In, reply.data, kCommandTimeout);
    reply.data.resize(reply.result.transferred);
    return reply;
}

Reply DriveTest::in(std::vector<std::uint8_t> cdb, std::size_t size) {
    return in(*drive, std::move(cdb), size);
}

Reply DriveTest::none(std::vector<std::uint8_t> cdb) {
    Reply reply;
    reply.result = drive->execute(cdb, scsi::Direction::None, {}, kCommandTimeout);
    return reply;
}

Reply DriveTest::out(std::vector<std::uint8_t> cdb, std::vector<std::uint8_t> data) {
    Reply reply;
    reply.result = drive->execute(cdb, scsi::Direction::Out, data, kCommandTimeout);
    return reply;
}

std::vector<std::uint8_t> read10(std::uint32_t lba, std::uint16_t count) {
    return {0x28,
            0,
            std::uint8_t(lba >> 24),
            std::uint8_t(lba >> 16),
            std::uint8_t(lba >> 8),
            std::uint8_t(lba),
            0,
            std::uint8_t(count >> 8),
            std::uint8_t(count),
            0};
}

std::vector<std::uint8_t> readCd(std::uint32_t lba, std::uint32_t count, std::uint8_t flags,
                                 std::uint8_t subChannel, std::uint8_t expectedType) {
    return {0xBE,
            std::uint8_t(expectedType << 2),
            std::uint8_t(lba >> 24),
            std::uint8_t(lba >> 16),
            std::uint8_t(lba >> 8),
            std::uint8_t(lba),
            std::uint8_t(count >> 16),
            std::uint8_t(count >> 8),
            std::uint8_t(count),
            flags,
            subChannel,
            0};
}

std::vector<std::uint8_t> modeSense10(std::uint8_t pageByte, std::uint16_t allocation,
                                      bool noDescriptors) {
    return {0x5A,
            std::uint8_t(noDescriptors ? 0x08 : 0x00),
            pageByte,
            0,
            0,
            0,
            0,
            std::uint8_t(allocation >> 8),
            std::uint8_t(allocation),
            0};
}

}  // namespace kel::emu::test
