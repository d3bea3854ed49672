#include "emulated_disc.h"

#include <cstdlib>
#include <fstream>
#include <map>
#include <mutex>

#include "diag/device/device_access.h"
#include "diag/device/device_database.h"
#include "diag/device/registry_key.h"
#include "diag/state/options.h"
#include "diag/state/program_flags.h"
#include "diag/tools/debug_log.h"
#include "diag/ui/messages.h"
#include "tests/diag/support/emulated_disc.h"
#include "tests/support/have_program.h"

namespace kel::diag::testing {
namespace {

// One folder for the images and the runtime state of the whole process.
const kel::test::TempFolder& processFolder() {
    static kel::test::TempFolder folder;
    return folder;
}

}  // namespace

const BuiltImage* BuildImage(const std::string& name, const std::string& recipe) {
    static std::mutex lock;
    static std::map<std::string, std::unique_ptr<BuiltImage>> built;
    std::lock_guard guard(lock);
    if (auto it = built.find(name); it != built.end()) {
        return it->second.get();
    }
    const std::filesystem::path dir = processFolder() / "discs";
    std::filesystem::create_directories(dir);
    auto parsed = ParseRecipe("[disc]\nname = " + name + "\n" + recipe, dir / name);
    if (!parsed) {
        return nullptr;
    }
    auto made = BuildDisc(*parsed, dir);
    if (!made) {
        return nullptr;
    }
    auto image = std::make_unique<BuiltImage>(BuiltImage{made->cue, *parsed, made->plan});
    return built.emplace(name, std::move(image)).first->second.get();
}

const BuiltImage* DataDisc() {
    return BuildImage("errdata",
                      "layout = cd-rom\n[data]\nvolume-id = ERRSCAN\n"
                      "file = README.TXT text=read me\nfile = BIG.BIN size=18000000\n");
}

const BuiltImage* MixedDisc() {
    return BuildImage("errmixed",
                      "layout = mixed\n[data]\nvolume-id = MIXED\nfile = A.TXT text=a\n"
                      "[audio]\npregap = 150\nlength = 30s\n");
}

const BuiltImage* AudioDisc() {
    return BuildImage("erraudio", "layout = audio\n[audio]\nlength = 20s\n");
}

void EmulatedDiscTest::SetUp() {
    if (!kel::test::haveProgram("xorriso")) {
        GTEST_SKIP() << "xorriso (Debian package xorriso) is needed to build data discs";
    }
    ::setenv("KEL_RUNTIME_DIR", (folder_ / "runtime").c_str(), 1);
    ::setenv("KEL_REGISTRY_DIR", (folder_ / "registry").c_str(), 1);
    std::filesystem::create_directories(folder_ / "runtime");
    // The settings key is named after the product the program gives first.
    RegistryKey().Open("MORVALE");
    SetDatabaseFileName({});
    Options() = OptionsBlock{};
    Options().errorLogFile = (folder_ / "ERRORLOG.TXT").string();
    // Tests that switch debug mode on must not leave a log beside the program.
    SetDebugLogPath(folder_ / "MORVALE.DBG");
    StopScan() = false;
    CloseRequested() = false;
    SetMessageResponder([this](int id, std::uint16_t, const std::string&) {
        messages.push_back(id);
        return answer::kOk;
    });
}

void EmulatedDiscTest::TearDown() {
    SetDebugLogPath({});
    SetCurrentDevice(nullptr);
    clearTrackList();
    SetMessageResponder({});
    device_.reset();
}

void EmulatedDiscTest::insert(const BuiltImage& image, const std::string& sections) {
    const std::filesystem::path descriptor = folder_ / "drive.emu";
    std::ofstream(descriptor) << "[disc]\nimage = " << image.cue.string()
                              << "\n[inquiry]\nvendor = ACME\nproduct = CDROM-4000\n"
                              << sections;
    device_ = EmulatedDevice(descriptor);
    device_->messageCallback = [this](const DeviceMessage& message) {
        messages.push_back(message.id);
        return MessageAnswer::Ok;
    };
    device_->profile->errorCallback = device_->messageCallback;
    ASSERT_TRUE(device_->FindFirst());
    ASSERT_TRUE(device_->Open());
    device_->TestUnitReady();  // a fresh drive reports the disc's arrival once
    SetCurrentDevice(device_.get());
    buildTrackList(image);
}

void EmulatedDiscTest::buildTrackList(const BuiltImage& image) {
    clearTrackList();
    for (std::size_t i = 0; i < image.plan.tracks.size(); ++i) {
        const mkdisc::TrackPlacement& placed = image.plan.tracks[i];
        auto record = std::make_unique<TrackInfo>();
        record->start = placed.start;
        record->end = placed.end;
        record->track = static_cast<std::uint8_t>(placed.number);
        record->session = static_cast<std::uint8_t>(placed.session);
        record->control = image.recipe.tracks[i].kind == mkdisc::TrackKind::Data ? 0x14 : 0x10;
        records_.push_back(std::move(record));
    }
    auto leadOut = std::make_unique<TrackInfo>();
    leadOut->start = image.plan.leadOut;
    leadOut->track = kLeadOutTrack;
    leadOut->control = 0x14;
    records_.push_back(std::move(leadOut));
    for (std::size_t i = 0; i < records_.size(); ++i) {
        records_[i]->prev = i > 0 ? records_[i - 1].get() : nullptr;
        records_[i]->next = i + 1 < records_.size() ? records_[i + 1].get() : nullptr;
    }
    Tracks() = TrackList{records_.front().get(), records_.back().get()};
}

void EmulatedDiscTest::clearTrackList() {
    Tracks() = TrackList{};
    records_.clear();
}

}  // namespace kel::diag::testing
