// The shared front-end units against the real drive server KELCD32 and
// emulated drives holding discs built for each case.
//
// Each case sets its own drives; the process's drive table is read again.
#include <gtest/gtest.h>

#include <QSignalSpy>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "frontend/common/disc_classification.h"
#include "frontend/common/kel_cd_data.h"
#include "frontend/common/kelcd.h"
#include "frontend/common/sector_access.h"
#include "link_environment.h"
#include "platform/base/paths.h"
#include "scripted_client.h"
#include "server/request_codes.h"
#include "tests/support/drive_config.h"
#include "tests/support/live_server.h"

namespace kel::frontend {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

class LiveServer : public ::testing::Test {
protected:
    void SetUp() override {
        if (const std::string missing = kel::test::LiveServerMissing(); !missing.empty()) {
            GTEST_SKIP() << missing;
        }
        discs_ = testing::LinkEnvironment::get().folder().path() / "discs";
        fs::create_directories(discs_);
        testing::ResetKelCdData();
        case_.emplace();
    }

    void TearDown() override {
        if (client_) {
            kel::test::DisconnectFromServer(*client_);
        }
        client_.reset();
        testing::ResetKelCdData();
    }

    // Builds the recipe; returns its descriptor and keeps its plan.
    fs::path build(const std::string& name, const std::string& recipeText) {
        const auto built = kel::test::BuildNamedDisc(discs_, name, recipeText);
        if (!built) {
            return {};
        }
        plans_[name] = built->plan;
        return built->descriptor;
    }

    // A disc made of whole BIN files of built discs, one track each, in order.
    fs::path compose(const std::string& name,
                     const std::vector<std::pair<std::string, std::string>>& binsAndModes) {
        std::ofstream cue(discs_ / (name + ".cue"));
        int track = 1;
        for (const auto& [bin, mode] : binsAndModes) {
            cue << "FILE \"" << bin << ".bin\" BINARY\n  TRACK " << (track < 10 ? "0" : "") << track
                << " " << mode << "\n    INDEX 01 00:00:00\n";
            ++track;
        }
        fs::path descriptor = discs_ / (name + ".emu");
        std::ofstream(descriptor) << "[disc]\nimage = " << name << ".cue\n";
        return descriptor;
    }

    // Starts the server over the given letters and waits for its handshake;
    // false when that failed.
    [[nodiscard]] bool start(const std::map<char, fs::path>& letters) {
        kel::test::UseDrives(letters);
        client_ = std::make_unique<Tkelcd>();
        kel::test::ConnectToServer(*client_);
        return !HasFatalFailure();
    }

    DiscClassification classify(int device) {
        DiscClassification disc;
        ClassifyDisc(*client_, device, disc);
        return disc;
    }

    fs::path discs_;
    std::optional<kel::test::LiveCase> case_;
    std::map<std::string, mkdisc::DiscPlan> plans_;
    std::unique_ptr<Tkelcd> client_;
};

const char* const kAudioTracks = R"(layout = audio
[audio]
length = 10s
[audio]
pregap = 2s
length = 10s
pre-emphasis = yes
[audio]
length = 5s
copy = yes
four-channel = yes
)";

const char* const kMixedTracks = R"(layout = mixed
[data]
volume-id = MIXED_DISC
file = README.TXT text=mixed
[audio]
pregap = 2s
length = 10s
pre-emphasis = yes
[audio]
length = 5s
copy = yes
four-channel = yes
)";

std::string dataDisc(const std::string& volumeId, const std::string& extra = "") {
    return "layout = cd-rom\n" + extra + "[data]\nvolume-id = " + volumeId +
           "\nfile = README.TXT text=hello\n";
}

std::string dataDiscWithFolders(const std::string& volumeId,
                                const std::vector<std::string>& folders) {
    std::string text = dataDisc(volumeId);
    for (const std::string& folder : folders) {
        text += "dir = " + folder + "\n";
    }
    return text;
}

// A fixed disk C: and CD-ROM drives D: and F:.
TEST_F(LiveServer, DriveTablePairsTheServersDevicesWithTheCdLetters) {
    fs::path audio = build("audio", kAudioTracks);
    fs::path data =
        build("data", dataDisc("DATA", "[inquiry]\nvendor = KELTEST\nproduct = SECOND DRIVE\n"));
    if (!start({{'D', audio}, {'F', data}})) {
        return;
    }

    EXPECT_EQ(KelCdData.LastDriveIndex, 1);
    const CdDriveRecord& d = KelCdData.DriveTable[0];
    const CdDriveRecord& f = KelCdData.DriveTable[1];
    EXPECT_EQ(d.DeviceNumber, 0);
    EXPECT_EQ(f.DeviceNumber, 1);
    EXPECT_EQ(d.DeviceType, 5);
    EXPECT_EQ(d.LetterIndex, 3);
    EXPECT_EQ(f.LetterIndex, 5);
    EXPECT_EQ(d.LetterText.str(), "D:");
    EXPECT_EQ(f.LetterText.str(), "F:");
    EXPECT_EQ(d.Vendor.str(), "KELEMU");
    EXPECT_EQ(f.Vendor.str(), "KELTEST");
    EXPECT_EQ(f.Product.str(), "SECOND DRIVE");
    const auto& map = KelCdData.DriveLetterMap;
    for (int letter : {0, 1, 2, 4}) {
        EXPECT_EQ(map[letter], kNoDevice) << "letter " << char('A' + letter);
    }
    EXPECT_EQ(map[3], 0);
    EXPECT_EQ(map[5], 1);
}

// A drive that cannot be opened (an image that is missing, a device node that
// serves no pass-through) at either letter is an empty drive: the good drive
// keeps its letter and the list is taken whole.
struct BadDrive {
    const char* name;
    bool device;
    char letter;
};

class LiveServerWithABadDrive : public LiveServer,
                                public ::testing::WithParamInterface<BadDrive> {};

TEST_P(LiveServerWithABadDrive, TheGoodDriveKeepsItsLetter) {
    const BadDrive& bad = GetParam();
    fs::path source = discs_ / "missing.cue";
    if (bad.device) {
        source = discs_ / (std::string(bad.name) + "-sg9");
        fs::create_symlink("/dev/null", source);
    }
    const char goodLetter = bad.letter == 'D' ? 'E' : 'D';
    kel::test::setDriveConfig(std::string(1, goodLetter) +
                              ":=" + build("audio", kAudioTracks).string() + ";" + bad.letter +
                              ":=" + source.string());
    client_ = std::make_unique<Tkelcd>();
    kel::test::ConnectToServer(*client_);
    EXPECT_EQ(KelCdData.LastDriveIndex, 1);
    EXPECT_EQ(KelCdData.DriveLetterMap[3], 0);
    EXPECT_EQ(KelCdData.DriveLetterMap[4], 1);
    const CdDriveRecord& good = KelCdData.DriveTable[goodLetter - 'D'];
    EXPECT_EQ(good.LetterText.str(), std::string(1, goodLetter) + ":");
    KelCdData.DriveNumber = good.DeviceNumber;
    client_->_Send(kGroupDisc, kSubGet, kDiscVolumeInfo & 0xFF);
    EXPECT_EQ(KelCdData.TocTrackCount, 3);
}

INSTANTIATE_TEST_SUITE_P(EitherLetter, LiveServerWithABadDrive,
                         ::testing::Values(BadDrive{"MissingImageLast", false, 'E'},
                                           BadDrive{"MissingImageFirst", false, 'D'},
                                           BadDrive{"UnusableDeviceLast", true, 'E'},
                                           BadDrive{"UnusableDeviceFirst", true, 'D'}),
                         [](const ::testing::TestParamInfo<BadDrive>& info) {
                             return info.param.name;
                         });

TEST_F(LiveServer, TrackTableOfAThreeTrackDisc) {
    if (!start({{'D', build("mixed", kMixedTracks)}})) {
        return;
    }
    KelCdData.DriveNumber = 0;
    client_->_Send(kGroupDisc, kSubGet, kDiscVolumeInfo & 0xFF);
    ASSERT_EQ(KelCdData.ReplyError, 0);
    ASSERT_EQ(KelCdData.TocTrackCount, 3);
    EXPECT_EQ(KelCdData.TocFirstTrack, 1);
    EXPECT_EQ(KelCdData.TocLastTrack, 3);

    const mkdisc::DiscPlan& plan = plans_["mixed"];
    const auto& t = KelCdData.TrackTable;
    for (std::size_t k = 0; k < 3; ++k) {
        EXPECT_EQ(t[k].TrackNumber, static_cast<std::int32_t>(k + 1));
        EXPECT_EQ(t[k].StartLba, plan.tracks[k].start) << "track " << k + 1;
    }
    EXPECT_EQ(t[0].EndLba, t[1].StartLba - 150);
    EXPECT_EQ(t[0].Length, t[0].EndLba - t[0].StartLba + 1);
    EXPECT_EQ(t[1].EndLba, t[2].StartLba - 150);
    EXPECT_EQ(t[2].EndLba, KelCdData.TocLeadOut);
    EXPECT_EQ(t[2].Length, KelCdData.TocLeadOut - t[2].StartLba);
    EXPECT_NEAR(KelCdData.TocLeadOut, plan.leadOut, 1);

    EXPECT_EQ(t[0].DataTrack, 1);
    EXPECT_EQ(t[1].DataTrack, 0);
    EXPECT_EQ(t[1].PreEmphasis, 1);
    EXPECT_EQ(t[1].CopyPermitted, 0);
    EXPECT_EQ(t[1].Channels, 2);
    EXPECT_EQ(t[2].PreEmphasis, 0);
    EXPECT_EQ(t[2].CopyPermitted, 1);
    EXPECT_EQ(t[2].Channels, 4);
}

TEST_F(LiveServer, ClassifyDiscGivesEachClassOfDiscsBuiltForIt) {
    fs::path audio = build("audio", kAudioTracks);
    fs::path cdrom = build("cdrom", dataDisc("PLAIN_DATA"));
    fs::path mixed = build("mixed", kMixedTracks);
    fs::path photo = build("photo", dataDiscWithFolders("PHOTO", {"CDI", "PHOTO_CD"}));
    fs::path karaoke = build("karaoke", dataDiscWithFolders("SING", {"CDI", "MPEGAV", "KARAOKE"}));
    fs::path video =
        build("video", dataDiscWithFolders("MOVIE", {"CDI", "MPEGAV", "KARAOKE", "VCD"}));
    fs::path extra = compose("extra", {{"audio", "AUDIO"}, {"cdrom", "MODE1/2352"}});
    fs::path unclassified =
        compose("between", {{"audio", "AUDIO"}, {"cdrom", "MODE1/2352"}, {"audio", "AUDIO"}});
    if (!start({{'D', audio},
                {'E', cdrom},
                {'F', mixed},
                {'G', photo},
                {'H', karaoke},
                {'I', video},
                {'J', extra},
                {'K', unclassified}})) {
        return;
    }

    struct Expected {
        int device;
        std::int16_t discClass;
        std::string typeText;
        std::string label;
    };
    for (const Expected& want : {
             Expected{0, kClassAudio, "Audio", "Audio CD"},
             Expected{1, kClassCdRom, "CD-ROM", "PLAIN_DATA"},
             Expected{2, kClassMixedMode, "Mixed Mode", "MIXED_DISC"},
             Expected{3, kClassPhoto, "Photo", "PHOTO"},
             Expected{4, kClassKaraoke, "Karaoke", "SING"},
             Expected{5, kClassVideo, "Video", "MOVIE"},
             Expected{6, kClassCdExtra, "CD Extra", "PLAIN_DATA"},
             Expected{7, kClassNone, "", "PLAIN_DATA"},
         }) {
        DiscClassification disc = classify(want.device);
        EXPECT_EQ(disc.DiscClass, want.discClass) << "device " << want.device;
        EXPECT_EQ(disc.TypeText, want.typeText) << "device " << want.device;
        EXPECT_EQ(disc.VolumeLabel, want.label) << "device " << want.device;
    }

    DiscClassification audioDisc = classify(0);
    EXPECT_EQ(audioDisc.AudioTracks, 3);
    EXPECT_EQ(audioDisc.AudioExtent, KelCdData.TocLeadOut);
    DiscClassification extraDisc = classify(6);
    EXPECT_EQ(extraDisc.AudioExtent, KelCdData.TrackTable[0].EndLba);
    EXPECT_EQ(extraDisc.DataTracks, 1);
    EXPECT_EQ(extraDisc.DataSize, KelCdData.TrackTable[1].Length);
}

TEST_F(LiveServer, FailedDescriptorReadGivesABlankLabel) {
    if (!start({{'D', build("scratched", dataDisc("SCRATCHED", "[faults]\nhard = 16\n"))}})) {
        return;
    }
    DiscClassification disc = classify(0);
    EXPECT_EQ(disc.DiscClass, kClassCdRom);
    EXPECT_EQ(disc.VolumeLabel, " ");
    EXPECT_EQ(KelCdData.ReplyError, 1);
}

TEST_F(LiveServer, SectorReadsGiveModeAndUserData) {
    fs::path mode1 = build("mode1", dataDisc("FIRST"));
    fs::path mode2 = build("mode2", "layout = cd-rom\n[data]\nmode = 2\nvolume-id = SECOND\n");
    if (!start({{'D', mode1}, {'E', mode2}})) {
        return;
    }
    std::array<std::uint8_t, kUserDataSize> buffer{};
    auto identifier = [&buffer] {
        return std::string(reinterpret_cast<const char*>(buffer.data()) + 1, 5);
    };

    KelCdData.DriveNumber = 0;
    client_->_Send(kGroupDisc, kSubGet, kDiscVolumeInfo & 0xFF);
    ASSERT_EQ(KelCdData.TocTrackCount, 1);
    EXPECT_EQ(ReadSectorViaServer(*client_, 1, buffer), 1);
    EXPECT_EQ(identifier(), "CD001");
    EXPECT_EQ(KelCdData.SelectedTrack, 1);
    EXPECT_EQ(ReadSectorViaServer(*client_, 100, buffer), 1);
    EXPECT_NE(identifier(), "CD001");  // block 100 is file-system data

    KelCdData.DriveNumber = 1;
    client_->_Send(kGroupDisc, kSubGet, kDiscVolumeInfo & 0xFF);
    EXPECT_EQ(ReadSectorViaServer(*client_, 1, buffer), 2);
    EXPECT_EQ(identifier(), "CD001");

    // Past the end of the disc: the read fails, and the buffer keeps its bytes.
    EXPECT_EQ(ReadSectorViaServer(*client_, 400000, buffer), 0);
    EXPECT_EQ(KelCdData.ReplyError, 1);
    EXPECT_EQ(identifier(), "CD001");
}

TEST_F(LiveServer, ShutdownRequestClosesTheServerAndTheForm) {
    if (!start({{'D', build("audio", kAudioTracks)}})) {
        return;
    }
    QSignalSpy closed(client_.get(), &Tkelcd::FormClosed);
    client_->_Send(kGroupExit, 0, 0);
    EXPECT_EQ(KelCdData.ReplyError, 0);
    EXPECT_TRUE(testing::processEventsUntil([&] { return closed.count() > 0; }, 5s));
    // The server is gone: a request now fails at once.
    ASSERT_TRUE(testing::processEventsUntil(
        [&] {
            client_->_Send(kGroupDrive, kSubGet, kDriveMediaChanged & 0xFF);
            return KelCdData.ReplyErrorCode == kNoServerReply;
        },
        5s));
    KelCdData.ServerConnected = 0;
}

}  // namespace
}  // namespace kel::frontend
