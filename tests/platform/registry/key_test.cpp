#include "platform/registry/key.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/registry/hive.h"
#include "platform/registry/hive_file.h"
#include "registry_fixture.h"

namespace fs = std::filesystem;

namespace {

using namespace kel::registry;

constexpr std::string_view kProgramKey = "Software\\Kelvane\\MORVALE";

Key mustCreate(Root root, std::string_view path) {
    Result<Key> key = Key::create(root, path);
    EXPECT_TRUE(key) << describe(key.status());
    return std::move(key).value();
}

std::string fileText(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

using KeyBasics = RegistryTest;

TEST_F(KeyBasics, CreateMakesTheParentsAndOpenExistingFindsOnlyWhatExists) {
    EXPECT_EQ(Key::openExisting(Root::CurrentUser, "Software").status(), Status::NotFound);
    mustCreate(Root::CurrentUser, kProgramKey);
    Result<Key> parent = Key::openExisting(Root::CurrentUser, "software\\kelvane");
    ASSERT_TRUE(parent);
    EXPECT_EQ(parent.value().path(), "Software\\Kelvane");  // the case it was created with
    EXPECT_EQ(parent.value().openSubkey("Nope").status(), Status::NotFound);
    Result<Key> child = parent.value().createSubkey("MORVALE\\ErrorSum");
    ASSERT_TRUE(child);
    EXPECT_EQ(child.value().path(), "Software\\Kelvane\\MORVALE\\ErrorSum");
    EXPECT_TRUE(Key::openExisting(Root::CurrentUser, "").ok());  // the root itself
}

TEST_F(KeyBasics, BadPathsAreRefused) {
    for (std::string_view path : {"\\Software", "Software\\\\x", "Software\\", "a\\b\\"}) {
        EXPECT_EQ(Key::create(Root::CurrentUser, path).status(), Status::InvalidName) << path;
    }
    EXPECT_EQ(Key::create(Root::CurrentUser, std::string(256, 'k')).status(), Status::InvalidName);
}

TEST_F(KeyBasics, ValuesKeepTheirTypeAndNamesAreCaseless) {
    Key key = mustCreate(Root::CurrentUser, kProgramKey);
    ASSERT_EQ(key.writeDword("UseASPIOnly", 1), Status::Ok);
    ASSERT_EQ(key.writeString("ErrorRecovered", "%d,%d"), Status::Ok);
    const std::vector<std::uint8_t> bytes{1, 0, 255};
    ASSERT_EQ(key.writeBinary("Place", bytes), Status::Ok);

    Key again = mustCreate(Root::CurrentUser, "SOFTWARE\\kelvane\\morvale");
    EXPECT_EQ(again.readDword("useaspionly"), 1u);
    EXPECT_EQ(again.readString("ERRORRECOVERED"), "%d,%d");
    EXPECT_EQ(again.readBinary("place"), bytes);
    // Reading with the wrong type is "not there" for the typed readers.
    EXPECT_EQ(again.readString("UseASPIOnly"), std::nullopt);
    EXPECT_EQ(again.readDword("Place"), std::nullopt);
    EXPECT_EQ(again.readDword("Missing"), std::nullopt);
    EXPECT_EQ(again.read("Missing").status(), Status::NotFound);
    EXPECT_TRUE(std::holds_alternative<std::uint32_t>(again.read("UseAspiOnly").value()));

    // Rewriting changes type and value but keeps the name's first spelling.
    ASSERT_EQ(again.writeString("USEASPIONLY", "yes"), Status::Ok);
    EXPECT_EQ(key.readString("UseASPIOnly"), "yes");
    EXPECT_EQ(key.valueNameAt(0).value(), "UseASPIOnly");
}

TEST_F(KeyBasics, TheDefaultValueOfAKeyHasTheEmptyName) {
    Key sound = mustCreate(Root::CurrentUser,
                           "AppEvents\\Schemes\\Apps\\QuillonApp\\MORVALE-Message\\.Current");
    EXPECT_EQ(sound.readString(""), std::nullopt);
    ASSERT_EQ(sound.writeString("", "/usr/share/sounds/ding.wav"), Status::Ok);
    EXPECT_EQ(sound.readString(""), "/usr/share/sounds/ding.wav");
}

TEST_F(KeyBasics, DeletingValuesAndTrees) {
    Key key = mustCreate(Root::CurrentUser, kProgramKey);
    ASSERT_EQ(key.writeDword("a", 1), Status::Ok);
    EXPECT_EQ(key.deleteValue("A"), Status::Ok);
    EXPECT_EQ(key.deleteValue("a"), Status::NotFound);
    ASSERT_TRUE(key.createSubkey("ErrorSum\\2024\\March"));
    ASSERT_TRUE(key.createSubkey("Keep"));
    Key deep = key.openSubkey("errorsum\\2024").value();
    EXPECT_EQ(key.deleteSubkeyTree("ERRORSUM"), Status::Ok);
    EXPECT_EQ(key.openSubkey("ErrorSum").status(), Status::NotFound);
    EXPECT_TRUE(key.openSubkey("Keep"));
    // A handle to a key that is gone answers "not found", it does not revive it.
    EXPECT_EQ(deep.writeDword("x", 1), Status::NotFound);
    EXPECT_EQ(deep.subkeyNameAt(0).status(), Status::NotFound);
    EXPECT_EQ(key.openSubkey("ErrorSum").status(), Status::NotFound);
    EXPECT_EQ(key.deleteSubkeyTree("ErrorSum"), Status::NotFound);
    EXPECT_EQ(key.deleteSubkeyTree(""), Status::InvalidName);
}

TEST_F(KeyBasics, EnumerationByIndexIsStable) {
    Key key = mustCreate(Root::LocalMachine, "SYSTEM\\CurrentControlSet\\Enum\\IDE");
    for (std::string_view name : {"delta", "Alpha", "charlie", "Bravo"}) {
        ASSERT_TRUE(key.createSubkey(name));
    }
    for (std::string_view name : {"z", "DeviceDesc", "a"}) {
        ASSERT_EQ(key.writeDword(name, 0), Status::Ok);
    }
    std::vector<std::string> subkeys, values;
    for (std::size_t i = 0;; ++i) {
        Result<std::string> name = key.subkeyNameAt(i);
        if (!name) {
            EXPECT_EQ(name.status(), Status::EndOfList);
            break;
        }
        subkeys.push_back(name.value());
    }
    for (std::size_t i = 0;; ++i) {
        Result<std::string> name = key.valueNameAt(i);
        if (!name) {
            EXPECT_EQ(name.status(), Status::EndOfList);
            break;
        }
        values.push_back(name.value());
    }
    EXPECT_EQ(subkeys, (std::vector<std::string>{"Alpha", "Bravo", "charlie", "delta"}));
    EXPECT_EQ(values, (std::vector<std::string>{"z", "DeviceDesc", "a"}));
}

TEST_F(KeyBasics, RootsAreSeparateFilesAndMachineKeysCanBeSeeded) {
    Key machine = mustCreate(Root::LocalMachine, "SYSTEM\\CurrentControlSet\\Enum\\IDE\\Disk1\\0");
    ASSERT_EQ(machine.writeString("DeviceDesc", "disk drive"), Status::Ok);
    ASSERT_EQ(machine.writeString("FriendlyName", "EMU HARDDISK"), Status::Ok);
    EXPECT_EQ(Key::openExisting(Root::CurrentUser, "SYSTEM").status(), Status::NotFound);
    EXPECT_TRUE(fs::exists(dir_ / "local-machine.reg"));
    EXPECT_EQ(hiveFilePath(Root::LocalMachine), dir_ / "local-machine.reg");
    // What a scan of the machine root sees: first bus subkey, then its first instance.
    Key bus = Key::openExisting(Root::LocalMachine, "SYSTEM\\CurrentControlSet\\Enum\\IDE").value();
    Key device = bus.openSubkey(bus.subkeyNameAt(0).value()).value();
    Key instance = device.openSubkey(device.subkeyNameAt(0).value()).value();
    EXPECT_EQ(instance.readString("FriendlyName"), "EMU HARDDISK");
}

TEST_F(KeyBasics, LimitsAreEnforcedBeforeAnythingIsWritten) {
    Key key = mustCreate(Root::CurrentUser, kProgramKey);
    std::vector<std::uint8_t> huge(kMaxValueBytes + 1);
    EXPECT_EQ(key.writeBinary("big", huge), Status::TooLarge);
    EXPECT_EQ(key.writeDword(std::string(16384, 'n'), 1), Status::InvalidName);
    EXPECT_EQ(key.read("big").status(), Status::NotFound);
}

using CorruptFile = RegistryTest;

TEST_F(CorruptFile, IsReportedWithFileAndLineAndKeptAside) {
    Key key = mustCreate(Root::CurrentUser, kProgramKey);
    ASSERT_EQ(key.writeDword("kept", 1), Status::Ok);
    fs::path file = hiveFilePath(Root::CurrentUser);
    std::string damaged = fileText(file) + "value \"x\" dword twelve\n";
    std::ofstream(file, std::ios::trunc) << damaged;

    testing::internal::CaptureStderr();
    EXPECT_EQ(key.readDword("kept"), std::nullopt);
    std::string log = testing::internal::GetCapturedStderr();
    EXPECT_NE(log.find(file.string() + ":6:"), std::string::npos) << log;
    fs::path aside = file;
    aside += ".corrupt";
    EXPECT_NE(log.find(aside.string()), std::string::npos) << log;
    EXPECT_EQ(fileText(aside), damaged);
    EXPECT_FALSE(fs::exists(file));

    // The store goes on, and a second corrupt file does not replace the first.
    Key fresh = mustCreate(Root::CurrentUser, kProgramKey);
    ASSERT_EQ(fresh.writeDword("new", 2), Status::Ok);
    std::ofstream(file, std::ios::trunc) << "not a registry file\n";
    testing::internal::CaptureStderr();
    EXPECT_EQ(fresh.writeDword("new", 3), Status::Corrupt);
    testing::internal::GetCapturedStderr();
    fs::path second = file;
    second += ".corrupt-1";
    EXPECT_EQ(fileText(second), "not a registry file\n");
    EXPECT_EQ(fileText(aside), damaged);
}

}  // namespace
