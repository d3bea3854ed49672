// The disc classes worked out from scripted tables of contents, volume
// descriptors and disc folders.
#include "frontend/common/disc_classification.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <vector>

#include "frontend/common/kel_cd_data.h"
#include "scripted_client.h"
#include "server/request_codes.h"

namespace kel::frontend {
namespace {

using testing::BytesReply;
using testing::Record;
using testing::ScriptedClient;
using testing::TextReply;
using Lines = std::vector<std::string>;

constexpr int kDevice = 1;
constexpr int kLetter = 4;  // E:

struct Track {
    std::int32_t start;
    bool data;
    std::string volumeId = "";
};

// A disc as the server would describe it.
struct ScriptedDisc {
    int firstTrack = 1;
    std::vector<Track> tracks;
    std::int32_t leadOut = 0;
    bool tocFails = false;
    std::set<std::int32_t> badBlocks;
    std::set<DiscDirectory> folders;

    std::optional<Record> answer(const Lines& request) const {
        if (request[0] == std::to_string(kDiscVolumeInfo)) {
            return TextReply(toc());
        }
        if (request[0] == std::to_string(kDiscReadData)) {
            return sector(std::stoi(request[2]));
        }
        return std::nullopt;
    }

    Lines toc() const {
        if (tocFails) {
            return {"8490", "0", "0", "0", "2", "2", "6"};
        }
        int last = firstTrack == 170 ? static_cast<int>(tracks.size())
                                     : firstTrack + static_cast<int>(tracks.size()) - 1;
        Lines lines{"8490", std::to_string(firstTrack), std::to_string(last),
                    std::to_string(tracks.size()), std::to_string(leadOut)};
        for (std::size_t i = 0; i < tracks.size(); ++i) {
            for (int value :
                 {static_cast<int>(i) + 1, tracks[i].start, tracks[i].data ? 4 : 0, 1}) {
                lines.push_back(std::to_string(value));
            }
        }
        lines.push_back(std::to_string(lines.size() + 1));
        return lines;
    }

    Record sector(std::int32_t lba) const {
        if (badBlocks.contains(lba)) {
            return TextReply({"9226", "MEDIUM ERROR", "1283", "2"});
        }
        std::vector<std::uint8_t> raw(kRawSectorSize, 0);
        raw[15] = 1;
        for (const Track& track : tracks) {
            if (track.start + 16 == lba) {
                std::string id = track.volumeId;
                id.resize(32, ' ');
                std::copy(id.begin(), id.end(), raw.begin() + 16 + 40);
            }
        }
        return BytesReply(raw);
    }
};

class ClassifyDiscTest : public ::testing::Test {
protected:
    void SetUp() override {
        testing::ResetKelCdData();
        KelCdData.DriveLetterMap[kLetter] = kDevice;
        client.answer = [this](const Lines& request) { return disc.answer(request); };
    }
    void TearDown() override { testing::ResetKelCdData(); }

    std::int16_t classify() {
        return ClassifyDisc(client, kDevice, result, [this](int letter, DiscDirectory folder) {
            return letter == kLetter && disc.folders.contains(folder);
        });
    }

    ScriptedDisc disc;
    ScriptedClient client;
    DiscClassification result;
};

TEST_F(ClassifyDiscTest, AudioDisc) {
    disc.tracks = {{0, false}, {15000, false}};
    disc.leadOut = 30000;
    result.VolumeLabel = "previous";
    EXPECT_EQ(classify(), kClassAudio);
    EXPECT_EQ(result.TypeText, "Audio");
    EXPECT_EQ(result.VolumeLabel, "Audio CD");
    EXPECT_EQ(result.AudioTracks, 2);
    EXPECT_EQ(result.DataTracks, 0);
    EXPECT_EQ(result.AudioExtent, 30000);
    EXPECT_EQ(KelCdData.TrackTable[1].Label.str(), "Audio");
    EXPECT_EQ(KelCdData.DriveNumber, kDevice);
    EXPECT_EQ(client.requests[0], (Lines{"8490", "1"}));
}

TEST_F(ClassifyDiscTest, AudioDiscWhoseTocStartsAtTrack170IsEnhanced) {
    disc.firstTrack = 170;
    disc.tracks = {{0, false}, {15000, false}};
    disc.leadOut = 30000;
    result.AudioExtent = 123;  // the previous disc's
    EXPECT_EQ(classify(), kClassEnhanced);
    EXPECT_EQ(result.TypeText, "Enhanced");
    EXPECT_EQ(result.AudioExtent, 30000);
    EXPECT_EQ(result.AudioTracks, 2);
}

TEST_F(ClassifyDiscTest, DataDiscHasItsTrimmedVolumeLabelAndDataSize) {
    disc.tracks = {{0, true, "  MASTER\x01"}};
    disc.leadOut = 20000;
    result.AudioExtent = 123;
    EXPECT_EQ(classify(), kClassCdRom);
    EXPECT_EQ(result.TypeText, "CD-ROM");
    EXPECT_EQ(result.VolumeLabel, "MASTER");
    EXPECT_EQ(result.DataSize, 20000);
    EXPECT_EQ(result.DataTracks, 1);
    EXPECT_EQ(result.AudioExtent, 0);
    EXPECT_EQ(KelCdData.TrackTable[0].Label.str(), "MASTER");
}

TEST_F(ClassifyDiscTest, TrackLabelIsCutToThirtyCharacters) {
    disc.tracks = {{0, true, "ABCDEFGHIJKLMNOPQRSTUVWXYZ_12345"}};
    disc.leadOut = 1000;
    classify();
    EXPECT_EQ(result.VolumeLabel, "ABCDEFGHIJKLMNOPQRSTUVWXYZ_12345");
    EXPECT_EQ(KelCdData.TrackTable[0].Label.str(), "ABCDEFGHIJKLMNOPQRSTUVWXYZ_123");
}

TEST_F(ClassifyDiscTest, DataThenAudioIsMixedModeUpToTheLeadOut) {
    disc.tracks = {{0, true, "MIXED"}, {10000, false}};
    disc.leadOut = 25000;
    EXPECT_EQ(classify(), kClassMixedMode);
    EXPECT_EQ(result.TypeText, "Mixed Mode");
    EXPECT_EQ(result.AudioExtent, 25000);
    EXPECT_EQ(result.VolumeLabel, "MIXED");
    EXPECT_EQ(result.DataSize, 9851);
}

TEST_F(ClassifyDiscTest, MixedModeDiscWithPhotoFoldersIsPhoto) {
    disc.tracks = {{0, true, "PHOTO"}, {10000, false}};
    disc.leadOut = 25000;
    disc.folders = {DiscDirectory::Cdi, DiscDirectory::PhotoCd};
    EXPECT_EQ(classify(), kClassPhoto);
    EXPECT_EQ(result.TypeText, "Photo");
    EXPECT_EQ(result.AudioExtent, 0);
}

TEST_F(ClassifyDiscTest, AudioThenDataIsCdExtraPlayingUpToTheFirstSessionsEnd) {
    disc.tracks = {{0, false}, {12000, false}, {30000, true, "EXTRA"}};
    disc.leadOut = 40000;
    EXPECT_EQ(classify(), kClassCdExtra);
    EXPECT_EQ(result.TypeText, "CD Extra");
    // The first session's lead-out, before the gap to the data session.
    EXPECT_EQ(result.AudioExtent, 30000 - 11400);
    EXPECT_EQ(result.VolumeLabel, "EXTRA");
    EXPECT_EQ(result.AudioTracks, 2);
    EXPECT_EQ(result.DataTracks, 1);
}

TEST_F(ClassifyDiscTest, FoldersDecideBetweenPhotoKaraokeAndVideo) {
    disc.tracks = {{0, true, "CDI"}};
    disc.leadOut = 5000;
    disc.folders = {DiscDirectory::Cdi, DiscDirectory::PhotoCd};
    EXPECT_EQ(classify(), kClassPhoto);

    disc.folders = {DiscDirectory::Cdi, DiscDirectory::PhotoCd, DiscDirectory::Mpegav,
                    DiscDirectory::Karaoke};
    EXPECT_EQ(classify(), kClassKaraoke);
    EXPECT_EQ(result.TypeText, "Karaoke");

    disc.folders.insert(DiscDirectory::Vcd);
    EXPECT_EQ(classify(), kClassVideo);
    EXPECT_EQ(result.TypeText, "Video");
    EXPECT_EQ(result.AudioExtent, 0);

    // Without cdi the other folders mean nothing.
    disc.folders.erase(DiscDirectory::Cdi);
    EXPECT_EQ(classify(), kClassCdRom);
    // Karaoke and vcd need Mpegav.
    disc.folders = {DiscDirectory::Cdi, DiscDirectory::Karaoke, DiscDirectory::Vcd};
    EXPECT_EQ(classify(), kClassCdRom);
}

TEST_F(ClassifyDiscTest, AudioBetweenDataTracksIsNotClassified) {
    disc.tracks = {{0, false}, {10000, true, "MIDDLE"}, {20000, false}};
    disc.leadOut = 30000;
    result.AudioExtent = 123;
    EXPECT_EQ(classify(), kClassNone);
    EXPECT_EQ(result.TypeText, "");
    EXPECT_EQ(result.AudioExtent, 0);
    EXPECT_EQ(result.VolumeLabel, "MIDDLE");
}

TEST_F(ClassifyDiscTest, NoDiscOrNoServerGivesNoDiscInDrive) {
    disc.tocFails = true;
    EXPECT_EQ(classify(), kClassNone);
    EXPECT_EQ(result.TypeText, "No disc in drive");

    client.answer = nullptr;
    KelCdData.TocLastTrack = 3;  // from an earlier disc
    EXPECT_EQ(classify(), kClassNone);
    EXPECT_EQ(result.TypeText, "No disc in drive");
    EXPECT_EQ(client.requests.size(), 2u);
}

TEST_F(ClassifyDiscTest, FailedDescriptorReadGivesABlankLabelAndTheNextDataTrackIsTried) {
    disc.tracks = {{0, true, "FIRST"}};
    disc.leadOut = 5000;
    disc.badBlocks = {16};
    result.VolumeLabel = "previous";
    EXPECT_EQ(classify(), kClassCdRom);
    EXPECT_EQ(result.VolumeLabel, " ");
    EXPECT_EQ(KelCdData.TrackTable[0].Label.str(), "");

    disc.tracks = {{0, true, "FIRST"}, {5000, false}, {9000, true, "SECOND"}};
    disc.leadOut = 12000;
    EXPECT_EQ(classify(), kClassNone);
    EXPECT_EQ(result.VolumeLabel, "SECOND");
}

TEST_F(ClassifyDiscTest, SelectedTrackIsRestoredWhenItWasSet) {
    disc.tracks = {{0, true, "A"}, {5000, false}};
    disc.leadOut = 9000;
    KelCdData.SelectedTrack = 2;
    classify();
    EXPECT_EQ(KelCdData.SelectedTrack, 2);

    KelCdData.SelectedTrack = 0;
    classify();
    EXPECT_EQ(KelCdData.SelectedTrack, 1);  // left at the last track read
}

TEST_F(ClassifyDiscTest, NegativeTrackLengthsNeverMakeANegativeDataSize) {
    // The second data track starts before the first: its length is negative.
    disc.tracks = {{5000, true, "A"}, {100, true, "B"}};
    disc.leadOut = 200;
    classify();
    EXPECT_GE(result.DataSize, 0);
}

}  // namespace
}  // namespace kel::frontend
