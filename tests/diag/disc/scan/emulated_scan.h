// Discs built by mkdisc in an emulated drive D:, scanned by the real scan
// thread while the test's main thread serves the messages it sends. What
// the scan hands to the main window is recorded: messages and guides, tree
// insertions, status texts, the selected node and the window titles.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <atomic>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "diag/device/spti_device.h"
#include "diag/fs/file_node.h"
#include "tests/support/temp_folder.h"
#include "tools/mkdisc/build_disc.h"

namespace kel::diag::testing {

class EmulatedScan : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Builds the recipe and puts the disc into drive D:.
    void insert(const std::string& recipe);
    // Puts a disc image or descriptor into drive D:.
    void insertImage(const std::filesystem::path& image);
    // Starts the scan and serves the main thread until it has ended.
    void scan();

    std::vector<int> messageIds();
    std::string messageText(int id);
    std::vector<std::string> statusTexts();
    std::vector<std::string> insertedNames();

    // Called on the scan thread for each node handed to the tree pane.
    std::function<void(FileNode&)> onInsert_;

    test::TempFolder folder_;
    mkdisc::DiscPlan plan_;
    std::unique_ptr<SptiDevice> device_;
    std::mutex mutex_;
    std::vector<std::pair<int, std::string>> messages_;
    std::vector<std::string> statusTexts_;
    std::vector<FileNode*> inserted_;
    FileNode* selected_ = nullptr;
    std::vector<std::string> titles_;
    std::vector<std::string> faults_;
    bool progressShown_ = false;
};

}  // namespace kel::diag::testing
