#include "platform/profile/ini_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace fs = std::filesystem;

namespace {

using kel::profile::IniFile;

class IniFileTest : public testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() /
               ("kel-ini-" + std::to_string(::getpid()) + "-" +
                testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
        file_ = dir_ / "KEL.INI";
    }
    void TearDown() override { fs::remove_all(dir_); }

    std::string contents() const {
        std::ifstream in(file_, std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        return text.str();
    }
    void put(const std::string& text) const {
        std::ofstream(file_, std::ios::binary | std::ios::trunc) << text;
    }
    std::size_t entriesInFolder() const {
        return static_cast<std::size_t>(
            std::distance(fs::directory_iterator(dir_), fs::directory_iterator()));
    }

    fs::path dir_;
    fs::path file_;
};

TEST_F(IniFileTest, MissingFileGivesDefaultsAndIsCreatedByTheFirstWrite) {
    IniFile ini(file_);
    EXPECT_EQ(ini.readInteger("COMPPARM", "drive", 1), 1);
    EXPECT_TRUE(ini.readBool("COMPPARM", "showhints", true));
    EXPECT_EQ(ini.readString("COMPPARM", "x", "def"), "def");
    EXPECT_TRUE(ini.sections().empty());
    EXPECT_FALSE(fs::exists(file_));

    ASSERT_TRUE(ini.writeBool("COMPPARM", "ignoresync", false));
    EXPECT_EQ(contents(), "[COMPPARM]\nignoresync=0\n");
    struct stat st {};
    ASSERT_EQ(::stat(file_.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0644u);
}

TEST_F(IniFileTest, TheCompareSettingsRoundTripAsOnesAndZeros) {
    {
        IniFile ini(file_);
        ASSERT_TRUE(ini.writeInteger("COMPPARM", "drive", 1));
        ASSERT_TRUE(ini.writeBool("COMPPARM", "showhints", true));
        ASSERT_TRUE(ini.writeBool("COMPPARM", "ignoresync", false));
        ASSERT_TRUE(ini.writeBool("COMPPARM", "Enable0", true));
        ASSERT_TRUE(ini.writeBool("COMPPARM", "Enable1", true));
        ASSERT_TRUE(ini.writeInteger("COMPPARM", "Master", 0));
    }
    EXPECT_EQ(contents(),
              "[COMPPARM]\ndrive=1\nshowhints=1\nignoresync=0\nEnable0=1\nEnable1=1\nMaster=0\n");
    IniFile again(file_);
    EXPECT_EQ(again.readInteger("compparm", "DRIVE", 7), 1);
    EXPECT_FALSE(again.readBool("compparm", "IgnoreSync", true));
    EXPECT_TRUE(again.readBool("compparm", "enable1", false));
    EXPECT_EQ(again.keys("compparm").size(), 6u);
}

TEST_F(IniFileTest, BooleansAndIntegersAreReadLeniently) {
    put("[s]\nb2=2\nbneg=-1\nbjunk=yes\nhex=0x20\nsp=  12abc\n");
    IniFile ini(file_);
    EXPECT_TRUE(ini.readBool("s", "b2", false));
    EXPECT_TRUE(ini.readBool("s", "bneg", false));
    EXPECT_TRUE(ini.readBool("s", "bjunk", true));  // not a number: the default
    EXPECT_FALSE(ini.readBool("s", "bjunk", false));
    EXPECT_EQ(ini.readInteger("s", "hex", 0), 32);
    EXPECT_EQ(ini.readInteger("s", "sp", 0), 12);
}

TEST_F(IniFileTest, EachWriteReachesTheDiskAndKeepsOtherWritersChanges) {
    IniFile first(file_);
    IniFile second(file_);
    ASSERT_TRUE(first.writeString("s", "a", "1"));
    EXPECT_EQ(second.readString("s", "a", ""), "1");  // no flush or close needed
    ASSERT_TRUE(second.writeString("s", "b", "2"));
    ASSERT_TRUE(first.writeString("s", "c", "3"));  // must not drop second's "b"
    EXPECT_EQ(contents(), "[s]\na=1\nb=2\nc=3\n");
    EXPECT_EQ(entriesInFolder(), 1u);  // no temporary file left behind
}

TEST_F(IniFileTest, AWriteRemovesTheTemporariesOfWritersThatDied) {
    pid_t gone = ::fork();
    if (gone == 0) {
        ::_exit(0);
    }
    ASSERT_GT(gone, 0);
    ::waitpid(gone, nullptr, 0);
    const fs::path dead = dir_ / (".KEL.INI." + std::to_string(gone) + ".a1B2c3");
    const fs::path living = dir_ / (".KEL.INI." + std::to_string(::getppid()) + ".d4E5f6");
    const fs::path otherFile = dir_ / (".OTHER.INI." + std::to_string(gone) + ".g7H8i9");
    for (const fs::path& leftover : {dead, living, otherFile}) {
        std::ofstream(leftover) << "[half";
    }
    ASSERT_TRUE(IniFile(file_).writeString("s", "a", "1"));
    EXPECT_FALSE(fs::exists(dead));
    EXPECT_TRUE(fs::exists(living));  // still being written
    EXPECT_TRUE(fs::exists(otherFile));
    EXPECT_EQ(entriesInFolder(), 3u);
}

TEST_F(IniFileTest, WritersInTwoProcessesAtOnceLoseNothing) {
    constexpr int kKeys = 60;
    int go[2];
    ASSERT_EQ(::pipe(go), 0);
    std::vector<pid_t> children;
    for (int w = 0; w < 2; ++w) {
        pid_t pid = ::fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            ::close(go[1]);
            char start;
            bool ok = ::read(go[0], &start, 1) == 0;  // both start when the pipe closes
            IniFile ini(file_);
            for (int i = 0; ok && i < kKeys; ++i) {
                ok = ini.writeInteger("s", "w" + std::to_string(w) + "k" + std::to_string(i), i);
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
    IniFile ini(file_);
    EXPECT_EQ(ini.keys("s").size(), 2u * kKeys);
    for (int w = 0; w < 2; ++w) {
        for (int i = 0; i < kKeys; ++i) {
            EXPECT_EQ(ini.readInteger("s", "w" + std::to_string(w) + "k" + std::to_string(i), -1),
                      i);
        }
    }
}

TEST_F(IniFileTest, ReadsFollowTheFileWhenSomeoneElseRewritesIt) {
    put("[s]\nk=old\n");
    IniFile ini(file_);
    EXPECT_EQ(ini.readString("s", "k", ""), "old");
    // Same size, so only the changed identity (a new inode) gives it away.
    fs::path other = dir_ / "other";
    std::ofstream(other) << "[s]\nk=new\n";
    fs::rename(other, file_);
    EXPECT_EQ(ini.readString("s", "k", ""), "new");
}

TEST_F(IniFileTest, MalformedLinesAreLoggedWithFileAndLineAndSurviveAWrite) {
    put("[s]\ngarbage line\nk=1\n");
    IniFile ini(file_);
    testing::internal::CaptureStderr();
    EXPECT_EQ(ini.readInteger("s", "k", 0), 1);
    std::string log = testing::internal::GetCapturedStderr();
    EXPECT_NE(log.find(file_.string() + ":2:"), std::string::npos) << log;
    ASSERT_TRUE(ini.writeInteger("s", "k", 2));
    EXPECT_EQ(contents(), "[s]\ngarbage line\nk=2\n");
}

TEST_F(IniFileTest, EraseRewritesOnlyWhenSomethingGoes) {
    put("[a]\nx=1\n[b]\ny=2\n");
    IniFile ini(file_);
    ASSERT_TRUE(ini.eraseKey("A", "X"));
    EXPECT_EQ(contents(), "[a]\n[b]\ny=2\n");
    ASSERT_TRUE(ini.eraseSection("B"));
    EXPECT_EQ(contents(), "[a]\n");
    EXPECT_EQ(ini.sections(), std::vector<std::string>{"a"});
    struct stat before {};
    ASSERT_EQ(::stat(file_.c_str(), &before), 0);
    EXPECT_TRUE(ini.eraseSection("missing"));
    struct stat after {};
    ASSERT_EQ(::stat(file_.c_str(), &after), 0);
    EXPECT_EQ(before.st_ino, after.st_ino);
}

TEST_F(IniFileTest, ErasingFromAMissingFileCreatesNothing) {
    IniFile ini(file_);
    EXPECT_TRUE(ini.eraseKey("s", "k"));
    EXPECT_TRUE(ini.eraseSection("s"));
    EXPECT_EQ(entriesInFolder(), 0u);
}

TEST_F(IniFileTest, WritesThatCannotSucceedLeaveTheFileAlone) {
    put("[s]\nk=1\n");
    IniFile ini(file_);
    testing::internal::CaptureStderr();
    EXPECT_FALSE(ini.writeString("s", "k", "two\nlines"));
    EXPECT_FALSE(ini.writeString("s", "a=b", "1"));
    EXPECT_FALSE(ini.writeString("bad]", "k", "1"));
    EXPECT_FALSE(testing::internal::GetCapturedStderr().empty());
    EXPECT_EQ(contents(), "[s]\nk=1\n");

    // A path that is a folder cannot be read, so it must not be "rewritten".
    fs::create_directories(dir_ / "folder.ini");
    IniFile folder(dir_ / "folder.ini");
    testing::internal::CaptureStderr();
    EXPECT_EQ(folder.readInteger("s", "k", 5), 5);
    EXPECT_FALSE(folder.writeInteger("s", "k", 1));
    testing::internal::GetCapturedStderr();
    EXPECT_TRUE(fs::is_directory(dir_ / "folder.ini"));

    IniFile nowhere(dir_ / "no" / "such" / "folder.ini");
    testing::internal::CaptureStderr();
    EXPECT_FALSE(nowhere.writeInteger("s", "k", 1));
    EXPECT_NE(testing::internal::GetCapturedStderr().find("cannot write"), std::string::npos);
}

TEST_F(IniFileTest, AWriteKeepsTheModeOfAnExistingFile) {
    put("[s]\n");
    fs::permissions(file_, fs::perms::owner_read | fs::perms::owner_write);
    IniFile ini(file_);
    ASSERT_TRUE(ini.writeInteger("s", "k", 1));
    EXPECT_EQ(fs::status(file_).permissions(), fs::perms::owner_read | fs::perms::owner_write);
}

}  // namespace
