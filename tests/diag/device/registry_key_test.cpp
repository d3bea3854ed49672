#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <fstream>

#include "diag/device/registry_key.h"
#include "diag/device/version_info.h"
#include "platform/registry/hive_file.h"
#include "registry_fixture.h"

namespace kel::diag {
namespace {

using registry::Key;
using registry::Root;

class RegistryKeyTest : public testing::RegistryFixture {};

TEST_F(RegistryKeyTest, KeyLayoutFromProductAndCompany) {
    RegistryKey key;
    ASSERT_TRUE(key.Open("MORVALE"));
    key.WriteDword("UseASPIOnly", 1);
    std::string company = version_info::kCompanyName;
    auto user = Key::openExisting(Root::CurrentUser, "Software\\" + company + "\\MORVALE");
    ASSERT_TRUE(user);
    EXPECT_EQ(user.value().readDword("UseASPIOnly"), 1u);

    // A product written with a dot lives under the machine root.
    ASSERT_TRUE(key.Open(".MORVALE", "Other Co"));
    key.WriteString("Path", "x");
    EXPECT_TRUE(Key::openExisting(Root::LocalMachine, "SOFTWARE\\Other Co\\MORVALE"));

    // Without a product the remembered first one is used; the company given
    // last is remembered until a new key object forgets it.
    ASSERT_TRUE(key.Open());
    key.WriteString("Remembered", "yes");
    EXPECT_EQ(Key::openExisting(Root::CurrentUser, "Software\\Other Co\\MORVALE")
                  .value()
                  .readString("Remembered"),
              "yes");
    RegistryKey fresh;
    ASSERT_TRUE(fresh.Open());
    EXPECT_EQ(fresh.ReadDword("UseASPIOnly", 0), 1u) << "back to the version information's company";
}

TEST_F(RegistryKeyTest, ValuesOfTheWrongTypeGiveTheDefault) {
    RegistryKey key;
    ASSERT_TRUE(key.Open("MORVALE"));
    key.WriteString("Text", "hello");
    key.WriteDword("Number", 7);
    key.WriteBool("Flag", true);
    EXPECT_EQ(key.ReadString("Text", "d"), "hello");
    EXPECT_EQ(key.ReadString("Number", "d"), "d");
    EXPECT_EQ(key.ReadDword("Text", 3), 3u);
    EXPECT_EQ(key.ReadDword("Flag", 0), 1u);
    EXPECT_TRUE(key.ReadBool("Number", false));
    EXPECT_FALSE(key.ReadBool("Missing", false));
    // 512 characters and the terminating zero fit; one more does not.
    key.WriteString("Long", std::string(512, 'a'));
    EXPECT_EQ(key.ReadString("Long", "d").size(), 512u);
    key.WriteString("Long", std::string(513, 'a'));
    EXPECT_EQ(key.ReadString("Long", "d"), "d");
}

TEST_F(RegistryKeyTest, BinaryDeleteAndEnumeration) {
    RegistryKey key;
    ASSERT_TRUE(key.Open("MORVALE"));
    auto raw = Key::create(Root::CurrentUser,
                           std::string("Software\\") + version_info::kCompanyName + "\\MORVALE");
    ASSERT_TRUE(raw);
    const std::array<std::uint8_t, 5> bytes = {1, 2, 3, 4, 5};
    raw.value().writeBinary("Blob", bytes);
    std::array<std::uint8_t, 3> small{};
    EXPECT_EQ(key.ReadBinary("Blob", small), 5u) << "the size even when the buffer is short";
    EXPECT_EQ(small, (std::array<std::uint8_t, 3>{1, 2, 3}));
    key.WriteDword("NotBinary", 1);
    EXPECT_EQ(key.ReadBinary("NotBinary", small), 0u);

    std::string name;
    EXPECT_EQ(key.EnumValue(0, name), 4);
    EXPECT_EQ(name, "Blob");
    EXPECT_EQ(key.EnumValue(1, name), 9);
    EXPECT_EQ(key.EnumValue(2, name), 0);

    raw.value().createSubkey("Sub");
    key.Delete("\\Sub");
    EXPECT_FALSE(raw.value().openSubkey("Sub"));
    key.Delete("Blob");
    EXPECT_EQ(key.ReadBinary("Blob", small), 0u);
}

TEST_F(RegistryKeyTest, ClosedKeyReadsDefaultsAndWritesNothing) {
    RegistryKey key;
    EXPECT_FALSE(key.OpenExisting(Root::CurrentUser, "Software\\Nobody\\Here"));
    key.WriteDword("X", 5);
    EXPECT_EQ(key.ReadDword("X", 9), 9u);
    EXPECT_EQ(key.ReadString("X", "d"), "d");
    std::string name;
    EXPECT_EQ(key.EnumValue(0, name), 0);
    EXPECT_FALSE(Key::openExisting(Root::CurrentUser, "Software\\Nobody"));
}

// The run that finds its settings file damaged still keeps its settings: the
// file is set aside and the key made again in a fresh one.
TEST_F(RegistryKeyTest, CorruptFileIsSetAsideAndTheRunKeepsItsSettings) {
    const std::filesystem::path file = registry::hiveFilePath(Root::CurrentUser);
    std::filesystem::create_directories(file.parent_path());
    std::ofstream(file, std::ios::trunc) << "not a registry file\n";
    ::testing::internal::CaptureStderr();
    RegistryKey key;
    const bool opened = key.Open("MORVALE");
    ::testing::internal::GetCapturedStderr();
    ASSERT_TRUE(opened);
    key.WriteDword("UseASPIOnly", 1);
    key.WriteString("TempPath", "/tmp/");
    EXPECT_EQ(key.ReadDword("UseASPIOnly", 0), 1u);
    RegistryKey again;
    ASSERT_TRUE(again.Open("MORVALE"));
    EXPECT_EQ(again.ReadString("TempPath", "d"), "/tmp/") << "written to the file, not lost";
    std::filesystem::path aside = file;
    aside += ".corrupt";
    EXPECT_TRUE(std::filesystem::exists(aside));
}

}  // namespace
}  // namespace kel::diag
