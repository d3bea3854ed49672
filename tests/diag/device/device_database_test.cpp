// The database file: a missing one, updates from two processes at once, a
// lock left by a dead process, the error messages.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <vector>

#include "diag/device/device_database.h"
#include "diag/device/device_database_text.h"
#include "platform/profile/replace_lock.h"
#include "temp_folder.h"
#include "tests/diag/tools/exports/file_size_limit.h"

namespace kel::diag {
namespace {

using testing::FileSizeLimit;
using testing::readFile;
using testing::TempFolder;
using testing::writeFile;

class DeviceDatabase : public ::testing::Test {
protected:
    void SetUp() override {
        file_ = folder_ / kDeviceDatabaseName;
        SetDatabaseFileName(file_);
    }
    void TearDown() override { SetDatabaseFileName({}); }

    DeviceProfile profile(std::string name) {
        DeviceProfile p;
        p.resetToDefaults();
        p.name = std::move(name);
        p.errorCallback = [this](const DeviceMessage& m) {
            messages_.push_back(m);
            return MessageAnswer::Ok;
        };
        return p;
    }

    TempFolder folder_;
    std::filesystem::path file_;
    std::vector<DeviceMessage> messages_;
};

TEST_F(DeviceDatabase, MissingFileIsEmptyAndTheFirstUpdateCreatesIt) {
    DeviceProfile p = profile("ACME CD-9");
    EXPECT_TRUE(LoadProfile(p));
    EXPECT_EQ(p.SpeedCode, 0xFF);
    EXPECT_FALSE(std::filesystem::exists(file_)) << "loading creates nothing";
    p.Mode10 = 1;
    ASSERT_TRUE(UpdateDatabase(p));
    EXPECT_EQ(readFile(file_), "\r\n[ACME]\r\n\tCD-9:" + keywordList(p));
    DeviceProfile back = profile("acme cd-9");
    ASSERT_TRUE(LoadProfile(back));
    EXPECT_EQ(back.Mode10, 1);
    EXPECT_TRUE(messages_.empty());
    // Only the database itself is left: the replacement leaves no temporary file.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder_.path()), {}), 1);
}

TEST_F(DeviceDatabase, NoFileNameLoadsDefaultsAndRefusesUpdates) {
    SetDatabaseFileName({});
    DeviceProfile p = profile("ACME CD-9");
    EXPECT_TRUE(LoadProfile(p));
    EXPECT_FALSE(UpdateDatabase(p));
}

// A program folder the user cannot write: its installed database is read
// until the user's own copy exists, and the first update carries every
// installed entry over into that copy.
TEST_F(DeviceDatabase, InstalledDatabaseStandsForTheUsersCopyUntilTheFirstUpdate) {
    const std::filesystem::path programFolder = folder_ / "program";
    std::filesystem::create_directory(programFolder);
    const std::filesystem::path installed = programFolder / kDeviceDatabaseName;
    const std::string installedText =
        "[ACME]\r\n\tCD-9:Mode10,TrkInfo=82\r\n[OTHER]\r\n\tX:Raw\r\n";
    writeFile(installed, installedText);
    SetDatabaseFileName(file_, installed);
    DeviceProfile p = profile("ACME CD-9");
    ASSERT_TRUE(LoadProfile(p));
    EXPECT_EQ(p.Mode10, 1);
    EXPECT_EQ(p.TrkInfo, 82);
    p.Raw = 1;
    ASSERT_TRUE(UpdateDatabase(p));
    EXPECT_TRUE(messages_.empty());
    const std::string copy = readFile(file_);
    EXPECT_NE(copy.find("[OTHER]\r\n\tX:Raw\r\n"), std::string::npos) << copy;
    EXPECT_NE(copy.find("\tCD-9:" + keywordList(p)), std::string::npos) << copy;
    EXPECT_EQ(readFile(installed), installedText);
    // From now on the user's copy is the database.
    writeFile(file_, "[ACME]\r\n\tCD-9:NoBlkSet\r\n");
    DeviceProfile later = profile("ACME CD-9");
    ASSERT_TRUE(LoadProfile(later));
    EXPECT_EQ(later.NoBlkSet, 1);
    EXPECT_EQ(later.Mode10, 0);
}

TEST_F(DeviceDatabase, CorruptEntryShowsMessage3201AndFailsTheLoad) {
    writeFile(file_, "[ACME]\r\n\tCD-9:CDDALen=12x\r\n");
    DeviceProfile p = profile("ACME CD-9");
    EXPECT_FALSE(LoadProfile(p));
    ASSERT_EQ(messages_.size(), 1u);
    EXPECT_EQ(messages_[0].id, 3201);
    EXPECT_EQ(messages_[0].args,
              (std::vector<MessageValue>{std::string("CDDALen"), std::string("CD-9")}));
    // The drive's own bad list is simply replaced by an update...
    EXPECT_TRUE(UpdateDatabase(p));
    EXPECT_TRUE(LoadProfile(p));
    // ...but a database whose structure cannot be read is not written over.
    std::string broken = "[" + std::string(41, 'X') + "]\r\n";
    writeFile(file_, broken);
    messages_.clear();
    EXPECT_FALSE(UpdateDatabase(p));
    EXPECT_EQ(readFile(file_), broken);
    ASSERT_EQ(messages_.size(), 1u);
    EXPECT_EQ(messages_[0].id, 3201);
}

// A file that cannot be opened, and one that opens but cannot be read.
TEST_F(DeviceDatabase, LoadFailuresShowTheirOwnMessages) {
    std::filesystem::create_symlink(file_, file_);  // a loop: no open follows it
    DeviceProfile p = profile("ACME CD-9");
    EXPECT_FALSE(LoadProfile(p));
    std::filesystem::remove(file_);
    std::filesystem::create_directory(file_);
    EXPECT_FALSE(LoadProfile(p));
    std::filesystem::remove(file_);
    writeFile(file_, std::string(4 * 1024 * 1024 + 1, ' '));
    EXPECT_FALSE(LoadProfile(p));
    ASSERT_EQ(messages_.size(), 3u);
    EXPECT_EQ(messages_[0].id, 3203);
    EXPECT_EQ(std::get<std::string>(messages_[0].args.at(0)), file_.string());
    EXPECT_EQ(messages_[1].id, 3205);
    EXPECT_EQ(std::get<std::string>(messages_[1].args.at(0)), file_.string());
    EXPECT_EQ(messages_[2].id, 3206);
}

// While alive, the folder's entries cannot change: read-only for a user, and
// immutable for root, whom permissions do not stop.
class FrozenFolder {
public:
    explicit FrozenFolder(std::filesystem::path folder) : folder_(std::move(folder)) {
        std::filesystem::permissions(
            folder_, std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
        if (::geteuid() == 0) {
            run("chattr +i");
        }
    }
    ~FrozenFolder() {
        if (::geteuid() == 0) {
            run("chattr -i");
        }
        std::filesystem::permissions(folder_, std::filesystem::perms::owner_all);
    }
    FrozenFolder(const FrozenFolder&) = delete;
    FrozenFolder& operator=(const FrozenFolder&) = delete;

private:
    void run(const std::string& command) {
        ASSERT_EQ(std::system((command + " '" + folder_.string() + "'").c_str()), 0) << command;
    }
    std::filesystem::path folder_;
};

// The update goes through "ASPIDEV.$$$": a temporary file that cannot be
// made (3204), written (3207) or put in the database's place (3202).
TEST_F(DeviceDatabase, UpdateFailuresShowTheirOwnMessages) {
    const std::string before = "[OTHER]\r\n\tDRIVE:Mode10\r\n";
    writeFile(file_, before);
    const std::filesystem::path temporary = folder_ / "ASPIDEV.$$$";
    DeviceProfile p = profile("ACME CD-9");

    std::filesystem::create_directory(temporary);
    EXPECT_FALSE(UpdateDatabase(p));
    std::filesystem::remove(temporary);
    {
        FileSizeLimit full(8);
        EXPECT_FALSE(UpdateDatabase(p));
    }
    EXPECT_EQ(readFile(file_), before) << "the database is as it was";
    EXPECT_FALSE(std::filesystem::exists(temporary));

    writeFile(temporary, "");
    {
        FrozenFolder frozen(folder_.path());
        EXPECT_TRUE(UpdateDatabase(p)) << "the update is made, under the temporary name";
    }
    EXPECT_EQ(readFile(file_), before);
    EXPECT_NE(readFile(temporary).find("[ACME]"), std::string::npos);

    ASSERT_EQ(messages_.size(), 3u);
    EXPECT_EQ(messages_[0].id, 3204);
    EXPECT_EQ(std::get<std::string>(messages_[0].args.at(0)), temporary.string());
    EXPECT_EQ(messages_[1].id, 3207);
    EXPECT_EQ(std::get<std::string>(messages_[1].args.at(0)), temporary.string());
    EXPECT_EQ(messages_[2].id, 3202);
    EXPECT_EQ(std::get<std::string>(messages_[2].args.at(0)), temporary.string());
    EXPECT_EQ(std::get<std::string>(messages_[2].args.at(1)), file_.string());
}

TEST_F(DeviceDatabase, TwoProcessesUpdatingAtOnceLoseNothing) {
    constexpr int kDrivesEach = 40;
    int go[2];
    ASSERT_EQ(::pipe(go), 0);
    std::vector<pid_t> children;
    for (int writer = 0; writer < 2; ++writer) {
        pid_t pid = ::fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            ::close(go[1]);
            char start;
            bool ok = ::read(go[0], &start, 1) == 0;
            for (int i = 0; ok && i < kDrivesEach; ++i) {
                DeviceProfile p = profile("V" + std::to_string(i % 3) + " P" +
                                          std::to_string(writer) + "-" + std::to_string(i));
                p.CDDACmd = static_cast<std::uint8_t>(i);
                ok = UpdateDatabase(p);
            }
            ::_exit(ok ? 0 : 1);
        }
        children.push_back(pid);
    }
    ::close(go[0]);
    ::close(go[1]);
    for (pid_t pid : children) {
        int status = 0;
        ASSERT_EQ(::waitpid(pid, &status, 0), pid);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    for (int writer = 0; writer < 2; ++writer) {
        for (int i = 0; i < kDrivesEach; ++i) {
            DeviceProfile p = profile("V" + std::to_string(i % 3) + " P" + std::to_string(writer) +
                                      "-" + std::to_string(i));
            p.CDDACmd = 0xEE;
            ASSERT_TRUE(LoadProfile(p));
            EXPECT_EQ(p.CDDACmd, i) << p.name;
        }
    }
}

TEST_F(DeviceDatabase, LockOfADeadProcessDoesNotBlock) {
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        profile::ReplaceLock lock(file_, 0644);
        char held = lock.held() ? 'y' : 'n';
        (void)!::write(ready[1], &held, 1);
        ::pause();  // killed while holding the lock
        ::_exit(0);
    }
    char held = 0;
    ASSERT_EQ(::read(ready[0], &held, 1), 1);
    ASSERT_EQ(held, 'y');
    ::kill(pid, SIGKILL);
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    DeviceProfile p = profile("ACME CD-9");
    EXPECT_TRUE(UpdateDatabase(p));
    ::close(ready[0]);
    ::close(ready[1]);
}

}  // namespace
}  // namespace kel::diag
