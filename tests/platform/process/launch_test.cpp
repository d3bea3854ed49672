#include "platform/process/launch.h"

#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <map>
#include <thread>

#include "platform/base/paths.h"
#include "tests/support/temp_folder.h"

namespace kel::process {
namespace fs = std::filesystem;
namespace {

// What the helper program wrote: its single values, and its arguments in order.
struct Record {
    std::map<std::string, std::string> values;
    std::vector<std::string> args;
};

class Launch : public testing::Test {
protected:
    Launch() : recordFile(scratch.path() / "record") {
        ::setenv("KEL_TEST_RECORD", recordFile.c_str(), 1);
        const char* path = std::getenv("PATH");
        savedPath = path ? path : "";
    }
    ~Launch() override {
        ::unsetenv("KEL_TEST_RECORD");
        ::setenv("PATH", savedPath.c_str(), 1);
    }

    // Waits for the helper to write its record (it may run on after we return).
    Record awaitRecord() {
        Record record;
        auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (!fs::exists(recordFile) && std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        std::ifstream in(recordFile);
        for (std::string line; std::getline(in, line);) {
            std::size_t equals = line.find('=');
            if (equals == std::string::npos) {
                continue;
            }
            std::string key = line.substr(0, equals), value = line.substr(equals + 1);
            if (key == "arg") {
                record.args.push_back(value);
            } else {
                record.values[key] = value;
            }
        }
        return record;
    }

    // xdg-open stands in for itself: the helper records what it was asked to open.
    void fakeDesktopOpener() {
        fs::create_directories(scratch.path() / "bin");
        fs::create_symlink(paths::programDir() / "process_recorder",
                           scratch.path() / "bin" / "xdg-open");
        ::setenv("PATH", (scratch.path() / "bin").c_str(), 1);
    }

    // The scratch folder as a C: path with desktop separators.
    std::string onDriveC(std::string_view relative) {
        std::string text = "C:" + (scratch.path() / relative).string();
        std::replace(text.begin(), text.end(), '/', '\\');
        return text;
    }

    test::TempFolder scratch;
    fs::path recordFile;
    std::string savedPath;
};

TEST_F(Launch, StartsTheProgramBesideUsIgnoringCaseAndEnding) {
    int result = startProgram("Process_Recorder.Exe first \"two words\" say\\\"hi\\\" \"\"");
    EXPECT_GE(result, 32);
    Record record = awaitRecord();
    EXPECT_EQ(record.args, (std::vector<std::string>{"first", "two words", "say\"hi\"", ""}));
    EXPECT_EQ(record.values["stdin"], "/dev/null");
    EXPECT_EQ(record.values["cwd"], fs::current_path().string());
    // Its own session: it does not go down with our terminal or process group.
    EXPECT_NE(record.values["sid"], std::to_string(::getsid(0)));
}

TEST_F(Launch, LeavesNoChildToReap) {
    ASSERT_GE(startProgram("PROCESS_RECORDER"), 32);
    awaitRecord();
    errno = 0;
    EXPECT_EQ(::waitpid(-1, nullptr, WNOHANG), -1);
    EXPECT_EQ(errno, ECHILD);
}

// The starter exits at once; the program it started records 300 ms later that
// its starter is gone.
TEST_F(Launch, StartedProgramOutlivesItsStarter) {
    ASSERT_GE(startProgram("process_recorder --spawn process_recorder.exe"), 32);
    Record record = awaitRecord();
    EXPECT_EQ(record.values["watched"], "gone");
    EXPECT_EQ(record.args, std::vector<std::string>{"survived"});
}

// A log file that cannot be made (its folder is a file here) costs the
// program its output, not its start.
TEST_F(Launch, ProgramRunsWithoutALogThatCannotBeMade) {
    scratch.write("not-a-folder", "plain text");
    SpawnExtras extras;
    extras.outputFile = scratch.path() / "not-a-folder" / "program.log";
    ASSERT_GE(startProgram("PROCESS_RECORDER", extras), 32);
    EXPECT_EQ(awaitRecord().values["stdin"], "/dev/null");
}

TEST_F(Launch, StartFailuresGiveTheDesktopCodes) {
    scratch.write("notes.txt", "plain text");
    fs::create_directories(scratch.path() / "folder");
    EXPECT_EQ(startProgram(""), code::kFileNotFound);
    EXPECT_EQ(startProgram("no_such_program.exe arg"), code::kFileNotFound);
    EXPECT_EQ(startProgram("no_folder\\program.exe"), code::kPathNotFound);
    EXPECT_EQ(startProgram(onDriveC("notes.txt")), code::kBadFormat);
    EXPECT_EQ(startProgram(onDriveC("FOLDER")), code::kAccessDenied);
    EXPECT_EQ(startProgram("Q:\\setup.exe"), code::kPathNotFound);
}

TEST_F(Launch, ExecutableFileThatIsNoProgramIsBadFormat) {
    fs::path fake = scratch.write("SETUP.EXE", "MZ\x90\x00 not for this system");
    fs::permissions(fake, fs::perms::owner_all);
    EXPECT_EQ(startProgram(onDriveC("setup.exe")), code::kBadFormat);
    // The shell cannot run it either, so it is a document for the desktop to judge.
    fakeDesktopOpener();
    EXPECT_GT(shellOpen(fake.string(), "", ""), 32);
    EXPECT_EQ(awaitRecord().args, std::vector<std::string>{fake});
}

TEST_F(Launch, ShellStartsAProgramWithParametersInItsFolder) {
    fs::path program = paths::programDir() / "PROCESS_RECORDER.EXE";
    int result = shellOpen(program.string(), "0 \"a b\"", scratch.path().string());
    EXPECT_GT(result, 32);
    Record record = awaitRecord();
    EXPECT_EQ(record.args, (std::vector<std::string>{"0", "a b"}));
    EXPECT_EQ(record.values["cwd"], scratch.path().string());
}

TEST_F(Launch, ShellTakesADriveFolderAsWorkingFolder) {
    fs::create_directories(scratch.path() / "Work");
    fs::path program = paths::programDir() / "process_recorder";
    EXPECT_GT(shellOpen(program.string(), "", onDriveC("WORK")), 32);
    EXPECT_EQ(awaitRecord().values["cwd"], (scratch.path() / "Work").string());
}

TEST_F(Launch, ShellHandsDocumentsFoldersAndAddressesToXdgOpen) {
    fakeDesktopOpener();
    scratch.write("Disc/Autorun.inf", "[autorun]");
    EXPECT_GT(shellOpen(onDriveC("disc\\AUTORUN.INF"), "", ""), 32);
    EXPECT_EQ(awaitRecord().args, std::vector<std::string>{(scratch.path() / "Disc/Autorun.inf")});
    fs::remove(recordFile);

    EXPECT_GT(shellOpen(onDriveC("DISC"), "", ""), 32);
    EXPECT_EQ(awaitRecord().args, std::vector<std::string>{(scratch.path() / "Disc")});
    fs::remove(recordFile);

    EXPECT_GT(shellOpen("mailto:support@example.org", "", ""), 32);
    EXPECT_EQ(awaitRecord().args, std::vector<std::string>{"mailto:support@example.org"});
}

TEST_F(Launch, ShellFailuresGiveTheDesktopCodes) {
    fakeDesktopOpener();
    EXPECT_EQ(shellOpen("", "", ""), code::kFileNotFound);
    EXPECT_EQ(shellOpen(onDriveC("missing.txt"), "", ""), code::kFileNotFound);
    EXPECT_EQ(shellOpen(onDriveC("no\\missing.txt"), "", ""), code::kPathNotFound);
    EXPECT_EQ(shellOpen("process_recorder", "", onDriveC("no_folder")), code::kPathNotFound);
}

TEST_F(Launch, WithoutXdgOpenDocumentsHaveNoAssociation) {
    ::setenv("PATH", (scratch.path() / "empty").c_str(), 1);
    fs::path document = scratch.write("readme.txt", "text");
    EXPECT_EQ(shellOpen(document.string(), "", ""), code::kNoAssociation);
    EXPECT_EQ(shellOpen("https://example.org/", "", ""), code::kNoAssociation);
}

}  // namespace
}  // namespace kel::process
