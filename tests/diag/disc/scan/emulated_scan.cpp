#include "emulated_scan.h"

#include <cstdlib>

#include "diag/device/device_access.h"
#include "diag/device/device_database.h"
#include "diag/disc/disc_info.h"
#include "diag/disc/scan/scan_disc.h"
#include "diag/disc/scan/scan_hooks.h"
#include "diag/state/options.h"
#include "diag/state/pane_hooks.h"
#include "diag/state/program_flags.h"
#include "diag/tools/debug_log.h"
#include "diag/ui/guides.h"
#include "diag/ui/messages.h"
#include "diag/ui/progress_dialog.h"
#include "scan_test_app.h"
#include "tests/diag/support/emulated_disc.h"
#include "tests/support/have_program.h"

namespace kel::diag::testing {
namespace fs = std::filesystem;

void EmulatedScan::SetUp() {
    if (!kel::test::haveProgram("xorriso")) {
        GTEST_SKIP() << "xorriso is not installed (Debian package xorriso)";
    }
    fs::create_directories(folder_ / "runtime");
    ::setenv("KEL_RUNTIME_DIR", (folder_ / "runtime").c_str(), 1);
    ::setenv("KEL_REGISTRY_DIR", (folder_ / "registry").c_str(), 1);
    ::setenv("KEL_AUDIO_OUT", (folder_ / "sound.wav").c_str(), 1);
    ScanTestApp();
    Options() = OptionsBlock{};
    logSwitches().debugMode = false;
    SetDatabaseFileName({});
    SetTrackInfoWaitClock(std::make_shared<NoWaitClock>());
    SetMessageContext(nullptr, "Quillon");
    SetGuideFlags(~0u);
    SetMessageResponder([this](int id, std::uint16_t, const std::string& text) {
        std::lock_guard lock(mutex_);
        messages_.push_back({id, text});
        return id == 254 ? 0 : answer::kOk;
    });
    PaneHooks panes;
    panes.statusText = [this](std::string_view text) {
        std::lock_guard lock(mutex_);
        statusTexts_.emplace_back(text);
    };
    panes.insertTreeNode = [this](FileNode& node) {
        {
            std::lock_guard lock(mutex_);
            inserted_.push_back(&node);
            progressShown_ = progressShown_ || ProgressDialogShown();
        }
        if (onInsert_) {
            onInsert_(node);
        }
    };
    SetPaneHooks(std::move(panes));
    ScanHooks hooks;
    hooks.selectTreeNode = [this](FileNode& node) { selected_ = &node; };
    hooks.setWindowTitle = [this](const std::string& title) { titles_.push_back(title); };
    hooks.reportFault = [this](const std::string& what) { faults_.push_back(what); };
    SetScanHooks(std::move(hooks));
    SetProgressCancelHandler([] {
        if (CdDevice* device = CurrentDevice()) {
            device->SetCancel();
        }
    });
}

void EmulatedScan::TearDown() {
    ReleaseDiscInfo();
    SetCurrentDevice(nullptr);
    device_.reset();
    SetProgressCancelHandler({});
    SetScanHooks({});
    SetPaneHooks({});
    SetMessageResponder({});
    SetTrackInfoWaitClock(nullptr);
    BusyFlag() = false;
    ::unsetenv("KEL_RUNTIME_DIR");
}

void EmulatedScan::insert(const std::string& recipe) {
    const auto built = BuildDisc(recipe, folder_ / "disc.recipe", folder_ / "out");
    ASSERT_TRUE(built) << "mkdisc failed";
    plan_ = built->plan;
    insertImage(built->descriptor);
}

void EmulatedScan::insertImage(const fs::path& descriptor) {
    SetCurrentDevice(nullptr);
    device_ = EmulatedDevice(descriptor);
    device_->messageCallback = [this](const DeviceMessage& message) {
        std::lock_guard lock(mutex_);
        std::string text = "device";
        for (const MessageValue& value : message.args) {
            text += ' ';
            text += std::holds_alternative<std::string>(value)
                        ? std::get<std::string>(value)
                        : std::to_string(std::get<std::int64_t>(value));
        }
        messages_.push_back({message.id, text});
        return MessageAnswer::Cancel;
    };
    device_->profile->errorCallback = device_->messageCallback;
    ASSERT_TRUE(device_->FindFirst());
    ASSERT_TRUE(device_->Open());
    // The medium change's unit attention is the drive's first answer.
    device_->TestUnitReady();
    SetCurrentDevice(device_.get());
}

void EmulatedScan::scan() {
    ASSERT_TRUE(StartScanDisc());
    while (BusyFlag()) {
        QApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    // What the scan posted last (the progress dialog's close) is served too.
    QApplication::processEvents();
}

std::vector<int> EmulatedScan::messageIds() {
    std::lock_guard lock(mutex_);
    std::vector<int> ids;
    for (const auto& message : messages_) {
        ids.push_back(message.first);
    }
    return ids;
}

std::string EmulatedScan::messageText(int id) {
    std::lock_guard lock(mutex_);
    for (const auto& message : messages_) {
        if (message.first == id) {
            return message.second;
        }
    }
    return {};
}

std::vector<std::string> EmulatedScan::statusTexts() {
    std::lock_guard lock(mutex_);
    return statusTexts_;
}

std::vector<std::string> EmulatedScan::insertedNames() {
    std::lock_guard lock(mutex_);
    std::vector<std::string> names;
    for (const FileNode* node : inserted_) {
        names.emplace_back(node->name);
    }
    return names;
}

}  // namespace kel::diag::testing
