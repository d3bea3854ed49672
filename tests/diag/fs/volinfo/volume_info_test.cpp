// The volume information display: which table a track's descriptor gets,
// what each field kind shows, the dialog itself under the offscreen
// platform, and the used-block bitmap's marking.
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QListWidget>
#include <QPushButton>
#include <QTimer>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <regex>

#include "diag/device/device_access.h"
#include "diag/fs/readers.h"
#include "diag/fs/udf/used_block_bitmap.h"
#include "diag/fs/volinfo/show_volume_info.h"
#include "diag/fs/volinfo/volume_fields.h"
#include "diag/fs/volinfo/volume_info_dialog.h"
#include "diag/ui/messages.h"
#include "tests/diag/fs/hfs/hfs_builder.h"
#include "tests/diag/support/memory_device.h"
#include "tests/diag/support/test_app.h"
#include "tests/support/temp_folder.h"

namespace kel::diag {
namespace {

using test::app;
using testing::MemoryDevice;

void PutText(std::vector<std::uint8_t>& b, std::size_t at, const std::string& text) {
    std::memcpy(b.data() + at, text.data(), text.size());
}

// A primary volume descriptor at block 16 of a 20-block disc.
std::vector<std::uint8_t> IsoDisc() {
    std::vector<std::uint8_t> disc(20 * 2048, 0);
    const std::size_t pvd = 16 * 2048;
    PutText(disc, pvd, std::string("\1CD001\1", 7));
    PutText(disc, pvd + 8, std::string(32, ' '));
    PutText(disc, pvd + 8, "LINUX");
    PutText(disc, pvd + 40, std::string(32, ' '));
    PutText(disc, pvd + 40, "KELDISC");
    const std::uint8_t size[] = {20, 0, 0, 0, 0, 0, 0, 20};
    std::memcpy(disc.data() + pvd + 80, size, 8);
    const std::uint8_t block[] = {0, 8, 8, 0};  // 2048 both ways
    std::memcpy(disc.data() + pvd + 128, block, 4);
    const std::uint8_t mPath[] = {0, 0, 0, 19};
    std::memcpy(disc.data() + pvd + 148, mPath, 4);
    PutText(disc, pvd + 813, "2024061512304500");
    PutText(disc, pvd + 830, std::string(16, '0'));
    return disc;
}

class VolumeInfo : public ::testing::Test {
protected:
    void SetUp() override {
        app();
        SetCurrentDevice(&device_);
        SetMessageResponder([this](int id, std::uint16_t, const std::string& text) {
            messages_.push_back(id);
            texts_.push_back(text);
            return answer::kOk;
        });
        track_.track = 1;
        track_.session = 1;
        track_.control = 0x14;
    }
    void TearDown() override {
        SetCurrentDevice(nullptr);
        SetMessageResponder({});
    }

    // Shows the volume information and gives the dialog's lines; presses
    // Copy first when asked.
    std::vector<std::string> Shown(bool copy = false) {
        std::vector<std::string> lines;
        bool seen = false;
        auto* timer = new QTimer(&app());
        QObject::connect(timer, &QTimer::timeout, timer, [&, timer] {
            auto* dialog = qobject_cast<VolumeInfoDialog*>(QApplication::activeModalWidget());
            if (dialog == nullptr) {
                return;
            }
            timer->stop();
            timer->deleteLater();
            seen = true;
            EXPECT_EQ(dialog->objectName(), "VOLUMEINFO");
            auto* list = dialog->findChild<QListWidget*>("list");
            for (int i = 0; i < list->count(); ++i) {
                lines.push_back(list->item(i)->text().toStdString());
            }
            if (copy) {
                dialog->findChild<QPushButton*>("copy")->click();
                dialog->findChild<QPushButton*>("help")->click();
            }
            dialog->findChild<QPushButton*>("ok")->click();
        });
        timer->start(5);
        ShowVolumeInfo(&track_, [this](VolumeInfoDialog& dialog) {
            QObject::connect(&dialog, &VolumeInfoDialog::helpRequested,
                             [this](int context) { helpContexts_.push_back(context); });
        });
        if (!seen) {
            timer->stop();
            timer->deleteLater();
        }
        return lines;
    }

    static std::string Value(const std::vector<std::string>& lines, const std::string& label,
                             int occurrence = 0) {
        for (const std::string& line : lines) {
            if (line.rfind(label + ":\t", 0) == 0 && occurrence-- == 0) {
                return line.substr(label.size() + 2);
            }
        }
        return "(missing)";
    }

    MemoryDevice device_;
    TrackInfo track_;
    std::vector<int> helpContexts_;
    std::vector<int> messages_;
    std::vector<std::string> texts_;
};

TEST_F(VolumeInfo, IsoDescriptorFieldsInTableOrder) {
    device_.setImage(IsoDisc());
    track_.start = 0;
    const std::vector<std::string> lines = Shown(true);
    EXPECT_EQ(helpContexts_, std::vector<int>{3}) << "Help opens the volume topic";
    ASSERT_EQ(lines.size(), 31u);
    EXPECT_EQ(lines[0], "ISO-9660 data track");
    EXPECT_EQ(lines[1], "Volume ID:\tKELDISC");
    EXPECT_EQ(lines[2], "System ID:\tLINUX");
    EXPECT_EQ(Value(lines, "Volume size"), "20");
    EXPECT_EQ(Value(lines, "Block size (bytes)"), "2048");
    EXPECT_EQ(Value(lines, "Path table (M)"), "19");
    EXPECT_EQ(Value(lines, "Volume Set"), "");
    const std::string created = Value(lines, "Volume created");
    EXPECT_TRUE(std::regex_match(created, std::regex(R"(.*24.* 12:30:45)"))) << created;
    EXPECT_EQ(Value(lines, "Volume modified"), "*** Date not set ***");
    EXPECT_EQ(Value(lines, "Volume expires"), "*** Date not set ***");
    EXPECT_EQ(lines[24], "---------------------------- Big-endian format fields -----------------");
    EXPECT_EQ(Value(lines, "Volume size", 1), "20");
    EXPECT_EQ(Value(lines, "Block size (bytes)", 1), "2048");
    // The copy: labels padded to one column, CR LF line ends.
    const QString copied = QApplication::clipboard()->text();
    const std::string start =
        "ISO-9660 data track\r\nVolume ID:" + std::string(18, ' ') + "KELDISC\r\n";
    EXPECT_TRUE(copied.startsWith(QString::fromStdString(start))) << copied.left(120).toStdString();
    EXPECT_EQ(device_.reads, std::vector<std::uint32_t>{16});
    EXPECT_TRUE(messages_.empty());
}

// What isoinfo reports of a volume made by xorriso, field for field.
TEST_F(VolumeInfo, XorrisoVolumeReadsAsIsoinfoReportsIt) {
    if (std::system("command -v xorriso >/dev/null && command -v isoinfo >/dev/null") != 0) {
        GTEST_SKIP() << "xorriso and isoinfo (Debian packages xorriso, genisoimage) are needed";
    }
    kel::test::TempFolder folder;
    folder.write("files/A.TXT", "volume\n");
    const std::string image = (folder / "x.iso").string();
    const std::string report = (folder / "isoinfo.txt").string();
    const std::string command = "xorriso -as mkisofs -quiet -V XVOL -publisher PUBLISHER -o '" +
                                image + "' '" + (folder / "files").string() +
                                "' 2>/dev/null && isoinfo -d -i '" + image + "' > '" + report + "'";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
    std::ifstream in(image, std::ios::binary);
    device_.setImage(std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {}));
    const std::vector<std::string> lines = Shown();

    std::ifstream reportIn(report);
    int checked = 0;
    for (std::string line; std::getline(reportIn, line);) {
        // Numbers have a big-endian copy below the heading.
        struct Pair {
            const char* theirs;
            const char* ours;
            bool number;
        };
        const Pair pairs[] = {
            {"Volume id: ", "Volume ID", false},
            {"Publisher id: ", "Publisher", false},
            {"Data preparer id: ", "Data preparer", false},
            {"Volume set size is: ", "Volume set size", true},
            {"Volume set sequence number is: ", "Volume in set", true},
            {"Logical block size is: ", "Block size (bytes)", true},
            {"Volume size is: ", "Volume size", true},
        };
        for (const Pair& pair : pairs) {
            if (line.rfind(pair.theirs, 0) == 0) {
                EXPECT_EQ(Value(lines, pair.ours), line.substr(std::strlen(pair.theirs)))
                    << pair.ours;
                if (pair.number) {
                    EXPECT_EQ(Value(lines, pair.ours, 1), Value(lines, pair.ours)) << pair.ours;
                }
                ++checked;
            }
        }
    }
    EXPECT_EQ(checked, 7);
}

TEST_F(VolumeInfo, TrackStartIsAddedToTheDescriptorBlock) {
    std::vector<std::uint8_t> disc(100 * 2048, 0);
    const std::vector<std::uint8_t> iso = IsoDisc();
    std::copy(iso.begin(), iso.end(), disc.begin() + 50 * 2048);
    device_.setImage(disc);
    track_.start = 50;
    EXPECT_EQ(Value(Shown(), "Volume ID"), "KELDISC");
    EXPECT_EQ(device_.reads, std::vector<std::uint32_t>{66});
}

TEST_F(VolumeInfo, HighSierraAndCdiDescriptorsGetTheirTables) {
    std::vector<std::uint8_t> disc(20 * 2048, 0);
    const std::size_t vd = 16 * 2048;
    PutText(disc, vd + 8, "\1CDROM\1");
    PutText(disc, vd + 48, "HSGDISC   ");
    disc[vd + 88] = 0x34;
    disc[vd + 89] = 0x12;
    disc[vd + 94] = 0x12;
    disc[vd + 95] = 0x34;
    device_.setImage(disc);
    std::vector<std::string> lines = Shown();
    ASSERT_EQ(lines.size(), 17u);
    EXPECT_EQ(lines[0], "High Sierra data track");
    EXPECT_EQ(Value(lines, "Volume ID"), "HSGDISC");
    EXPECT_EQ(Value(lines, "Volume size"), "4660");
    EXPECT_EQ(Value(lines, "Volume size", 1), "4660");

    std::fill(disc.begin() + vd, disc.begin() + vd + 2048, 0);
    PutText(disc, vd, "\1CD-I ");
    PutText(disc, vd + 40, "CDI_TITLE");
    device_.setImage(disc);
    lines = Shown();
    EXPECT_EQ(lines, (std::vector<std::string>{"CD-I data track", "Volume ID:\tCDI_TITLE"}));
}

TEST_F(VolumeInfo, HfsVolumeShowsItsSummary) {
    testing::HfsBuilder builder;
    builder.volumeName = "Mac Volume";
    builder.directory(1, "Mac Volume", 2, 1);
    builder.file(2, "File", 16, 20, 10);
    device_.setImage(builder.build());
    track_.flags = track_flags::kHfs | track_flags::kHfsTwin;
    const std::vector<std::string> lines = Shown();
    ASSERT_EQ(lines.size(), 9u);
    EXPECT_EQ(lines[0], "HFS (Apple/Mac) data track");
    EXPECT_EQ(lines[1], "Volume name:\tMac Volume");
    EXPECT_EQ(Value(lines, "Files"), "1");
    EXPECT_EQ(Value(lines, "Directories"), "1");
    EXPECT_EQ(Value(lines, "Allocation size (bytes)"), "512");
    EXPECT_EQ(Value(lines, "Allocation blocks"), "200");
    EXPECT_EQ(Value(lines, "Free blocks"), "17");
    EXPECT_NE(Value(lines, "Created").find(":00:00"), std::string::npos) << Value(lines, "Created");
    EXPECT_NE(Value(lines, "Modified").find(":00:00"), std::string::npos);

    // 27 Mac "é" take 54 bytes in UTF-8: the name is cut at a whole character.
    builder.volumeName = std::string(27, '\x8E');
    device_.setImage(builder.build());
    std::string cut;
    for (int i = 0; i < 13; ++i) {
        cut += "é";
    }
    EXPECT_EQ(Shown()[1], "Volume name:\t" + cut);
}

TEST_F(VolumeInfo, TracksWithoutVolumeInformationSayWhy) {
    device_.setImage(std::vector<std::uint8_t>(20 * 2048, 0));
    ShowVolumeInfo(nullptr);
    track_.control = 0x10;
    ShowVolumeInfo(&track_);
    track_.control = 0x14;
    track_.track = kLeadOutTrack;
    ShowVolumeInfo(&track_);
    track_.track = 3;
    track_.flags = track_flags::kUdf;
    ShowVolumeInfo(&track_);
    track_.flags = 0;
    EXPECT_TRUE(Shown().empty());
    track_.flags = track_flags::kHfs;
    EXPECT_TRUE(Shown().empty());
    EXPECT_EQ(messages_, (std::vector<int>{133, 133, 133, 222, 104, 165}));
    EXPECT_EQ(texts_[4], "The data in track 3 is not recognized.");

    // An unreadable descriptor ends the command without a word.
    messages_.clear();
    track_.flags = 0;
    device_.failing.insert(16);
    EXPECT_TRUE(Shown().empty());
    EXPECT_TRUE(messages_.empty());
}

TEST(VolumeFields, KindsAndBounds) {
    const VolumeField fields[] = {
        {"Text", 0, 6, FieldKind::Text},
        {"Little", 8, 2, FieldKind::LittleEndian},
        {"Big", 8, 2, FieldKind::BigEndian},
        {"Big32", 8, 4, FieldKind::BigEndian},
        {"Swapped", 8, 4, FieldKind::Swapped},
        {"Date", 12, 7, FieldKind::DigitDate},
        {"Outside", 30, 4, FieldKind::LittleEndian},
        {"Negative", -2, 4, FieldKind::Text},
    };
    std::vector<std::uint8_t> bytes(32, 0);
    PutText(bytes, 0, "AB  C ");
    bytes[8] = 0xFF;
    bytes[9] = 0xFE;
    bytes[10] = 0x00;
    bytes[11] = 0x01;
    PutText(bytes, 12, "1969123123595900");
    EXPECT_EQ(
        VolumeInfoLines(fields, bytes),
        (std::vector<std::string>{"Text:\tAB  C", "Little:\t-257", "Big:\t65534", "Big32:\t-131071",
                                  "Swapped:\t-131071", "Date:\t*** Date not set ***", "Outside:\t",
                                  "Negative:\t"}));
    // Dates reach 16 bytes from their offset whatever their size says.
    PutText(bytes, 12, "2024");
    EXPECT_EQ(VolumeInfoLines(std::span(fields).subspan(5, 1), std::span(bytes).first(20)),
              std::vector<std::string>{"Date:\t"});
}

TEST(UsedBlocks, MarksOnlyWithinTheBitmap) {
    EXPECT_EQ(MarkBlockUsed(5), 5) << "no bitmap";
    // A 99-minute disc: blocks past 340000 are marked too.
    ASSERT_TRUE(AllocateUsedBlockBitmap(445500));
    EXPECT_EQ(BitmapBlocks(), 445500);
    EXPECT_EQ(MarkBlockUsed(0), 0);
    EXPECT_EQ(MarkBlockUsed(9), 9);
    EXPECT_EQ(MarkBlockUsed(339999), 339999);
    EXPECT_EQ(MarkBlockUsed(445499), 445499);
    EXPECT_EQ(MarkBlockUsed(445500), 445500);
    EXPECT_EQ(MarkBlockUsed(-1), -1);
    const std::uint8_t* bits = UsedBlockBitmap();
    EXPECT_EQ(bits[0], 0x80);
    EXPECT_EQ(bits[1], 0x40);
    EXPECT_EQ(bits[42499], 0x01);
    EXPECT_EQ(bits[55687], 0x10);
    EXPECT_TRUE(IsBlockUsed(9));
    EXPECT_TRUE(IsBlockUsed(445499));
    EXPECT_FALSE(IsBlockUsed(445500));
    EXPECT_FALSE(IsBlockUsed(8));
    FreeUsedBlockBitmap();
    EXPECT_EQ(BitmapBlocks(), 0);
    // A track list claiming more than a disc holds gets a disc's bitmap.
    ASSERT_TRUE(AllocateUsedBlockBitmap(0x7FFFFFFF));
    EXPECT_EQ(BitmapBlocks(), kMaxDiscBlocks);
    FreeUsedBlockBitmap();
}

}  // namespace
}  // namespace kel::diag
