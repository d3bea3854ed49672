#include "platform/base/paths.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>

namespace fs = std::filesystem;

namespace {

struct ScopedEnv {
    std::string name;
    ScopedEnv(const char* n, const std::string& value) : name(n) { ::setenv(n, value.c_str(), 1); }
    ~ScopedEnv() { ::unsetenv(name.c_str()); }
};

fs::path freshDir(const std::string& tag) {
    fs::path dir = fs::temp_directory_path() / ("kel-paths-" + tag + std::to_string(::getpid()));
    fs::remove_all(dir);
    return dir;
}

}  // namespace

TEST(Paths, RuntimeDirHonoursOverrideAndIsPrivate) {
    fs::path dir = freshDir("rt") / "nested";
    ScopedEnv env("KEL_RUNTIME_DIR", dir.string());
    EXPECT_EQ(kel::paths::runtimeDir(), dir);
    ASSERT_TRUE(fs::is_directory(dir));
    struct stat st {};
    ASSERT_EQ(::stat(dir.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    fs::remove_all(dir.parent_path());
}

TEST(Paths, BesideProgramUsesTheProgramFolderWhenWritable) {
    // The test binary's folder is the build tree, which is writable.
    fs::path file = kel::paths::besideProgram("KEL.INI");
    EXPECT_EQ(file.filename(), "KEL.INI");
    EXPECT_EQ(file.parent_path(), kel::paths::programDir());
}

TEST(Paths, ConfigDirFollowsXdgConfigHome) {
    ScopedEnv env("XDG_CONFIG_HOME", "/some/where");
    EXPECT_EQ(kel::paths::configDir(), fs::path("/some/where/kel"));
}
