// The database's text format: loading with wildcards, the written keyword
// list, the three update cases and the construction errors.
#include <gtest/gtest.h>

#include <string>

#include "diag/device/device_database_text.h"

namespace kel::diag {
namespace {

DeviceProfile drive(std::string name) {
    DeviceProfile p;
    p.resetToDefaults();
    p.name = std::move(name);
    return p;
}

std::string updated(std::string_view text, const DeviceProfile& p) {
    auto result = updatedDatabaseText(text, p);
    EXPECT_TRUE(std::holds_alternative<std::string>(result));
    return std::holds_alternative<std::string>(result) ? std::get<std::string>(result) : "";
}

TEST(DeviceDatabaseText, NamesSplitAtTheFirstBlankWithColonsEscaped) {
    DeviceProfile p = drive("ACME CDROM-4000 V:2");
    EXPECT_EQ(p.vendorKey(), "ACME");
    EXPECT_EQ(p.productKey(), "CDROM-4000 V%2");
    p.name = "A:B";
    EXPECT_EQ(p.vendorKey(), "A%B");
    EXPECT_EQ(p.productKey(), "A%B") << "no blank: the whole description";
}

TEST(DeviceDatabaseText, LoadsEntryWithWildcardsAndCaseInsensitiveNames) {
    std::string text =
        "# drives we know\r\n"
        "[Other]\r\n"
        "\tCDROM-4000:Raw\r\n"
        "[acme]\r\n"
        "\tCDROM-3*:CDDALE\r\n"
        "\t*:Mode10,CDDALen=0x0C,CDDACmd=0xbe,TrkInfo=82,Speed=8,Unknown=3,Bogus\r\n";
    DeviceProfile p = drive("ACME CDROM-4000");
    ASSERT_FALSE(loadProfileText(text, p));
    EXPECT_EQ(p.Mode10, 1);
    EXPECT_EQ(p.CDDALen, 12);
    EXPECT_EQ(p.CDDACmd, 0xBE);
    EXPECT_EQ(p.TrkInfo, 82);
    EXPECT_EQ(p.Speed, 8);
    EXPECT_EQ(p.speedGiven, 1);
    EXPECT_EQ(p.CDDALE, 0) << "CDROM-3* does not match CDROM-4000";
    EXPECT_EQ(p.Raw, 0) << "another vendor's entry";

    DeviceProfile third = drive("ACME cdrom-3x");
    ASSERT_FALSE(loadProfileText(text, third));
    EXPECT_EQ(third.CDDALE, 1);
    EXPECT_EQ(third.Mode10, 0) << "the first matching entry wins";
}

TEST(DeviceDatabaseText, NumbersInCNotationAndClearKeywords) {
    DeviceProfile p = drive("V P");
    p.CDDAMSF = 1;
    p.ModeLen = 1;
    ASSERT_FALSE(
        loadProfileText("[V]\n P:CDDALen=12,RawCmd=0276,NoCDDAMSF,NoModeLen,SpeedCode=0\n", p));
    EXPECT_EQ(p.CDDALen, 12);
    EXPECT_EQ(p.RawCmd, 0xBE) << "leading 0 is octal";
    EXPECT_EQ(p.CDDAMSF, 0);
    EXPECT_EQ(p.ModeLen, 0);
    EXPECT_EQ(p.SpeedCode, 0);
}

TEST(DeviceDatabaseText, BlankLinesCommentsAndCarriageReturnsHideNothing) {
    std::string text = "[V]\r\n\r\n\tA:Raw\r\n   \r\n# later entries\r\n\tP:Mode10\r\n";
    DeviceProfile p = drive("V P");
    ASSERT_FALSE(loadProfileText(text, p));
    EXPECT_EQ(p.Mode10, 1);
    // A line without a colon still ends the section's entries.
    p = drive("V P");
    ASSERT_FALSE(loadProfileText("[V]\nnot an entry\nP:Mode10\n", p));
    EXPECT_EQ(p.Mode10, 0);
    // The CR is not part of the last value.
    p = drive("V P");
    ASSERT_FALSE(loadProfileText("[V]\r\n\tP:CDDALen=12\r\n", p));
    EXPECT_EQ(p.CDDALen, 12);
}

TEST(DeviceDatabaseText, ConstructionErrorsNameTheFault) {
    struct Case {
        const char* text;
        const char* nearText;
        const char* forName;
    };
    const Case cases[] = {
        {"[V]\n\tP:CDDALen=12x\n", "CDDALen", "P"},
        {"[V]\n\tP:CDDALen\n", "CDDALen", "P"},
        {"[V]\n\tP:CDDACmd=256\n", "CDDACmd", "P"},  // not cut to 0
        {"[V]\n\tP:CDDALen=65536\n", "CDDALen", "P"},
        {"[V]\n\tP:TrkInfo=-1\n", "TrkInfo", "P"},
        {"[V]\n\tP:TrkInfo=0x\n", "TrkInfo", "P"},
        {"[V]\n\tP:TrkInfo=09\n", "TrkInfo", "P"},  // 9 is no octal digit
        {"[ABCDEFGHIJKLMNOPQRSTUVWXYZABCDEFGHIJKLMNO]\n", "ABCDEFGHIJKLMNOPQRSTUVWXYZABCDEFGHIJKLM",
         "V"},
        {"[V]\n\tABCDEFGHIJKLMNOPQRSTUVWXYZABCDEFGHIJKLMNO:Raw\n",
         "ABCDEFGHIJKLMNOPQRSTUVWXYZABCDEFGHIJKLM", "P"},
    };
    for (const Case& c : cases) {
        DeviceProfile p = drive("V P");
        std::optional<DatabaseError> error = loadProfileText(c.text, p);
        ASSERT_TRUE(error) << c.text;
        EXPECT_EQ(error->nearText, c.nearText) << c.text;
        EXPECT_EQ(error->forName, c.forName) << c.text;
    }
    DeviceProfile p = drive("V P");
    EXPECT_FALSE(loadProfileText("[V]\n\tP:CDDACmd=255,CDDALen=65535\n", p));
    EXPECT_EQ(p.CDDALen, 65535);
}

TEST(DeviceDatabaseText, KeywordListInTableOrder) {
    DeviceProfile p = drive("V P");
    EXPECT_EQ(
        keywordList(p),
        "NoCDDAMSF,NoCDDAScan,NoModeLen,NoRaw,NoLoadDisc,CDDALen=0,MechType=0,CDDADen=0,"
        "CDDACmd=0,RawCmd=0,TrkInfo=0,LoadEj=0,SubQVal=0,SubRW=0,ErrScan=0,SpeedCode=0xff\r\n");
    p.CDDAScan = p.Raw = p.Mode10 = p.ModeLen = p.LoadDisc = 1;
    p.CDDALen = 12;
    p.CDDACmd = 190;
    p.TrkInfo = 82;
    p.LoadEj = 0x1B;
    p.SpeedCode = 100;
    p.Speed = 101;
    p.speedGiven = 1;
    EXPECT_EQ(keywordList(p),
              "CDDAScan,Mode10,Raw,LoadDisc,NoCDDAMSF,CDDALen=12,MechType=0,CDDADen=0,"
              "CDDACmd=0xbe,RawCmd=0,TrkInfo=82,LoadEj=27,SubQVal=0,SubRW=0,ErrScan=0,"
              "SpeedCode=100,Speed=0x65\r\n");
}

TEST(DeviceDatabaseText, UpdateCases) {
    DeviceProfile p = drive("ACME CD-9");
    p.Mode10 = 1;
    p.ModeLen = 1;
    std::string list = keywordList(p);

    // No section: a blank line, the header and a tab-indented entry at the end.
    EXPECT_EQ(updated("[Other]\r\n\tX:Raw\r\n", p),
              "[Other]\r\n\tX:Raw\r\n\r\n[ACME]\r\n\tCD-9:" + list);
    // Section without the entry: first in its section. A '*' entry is not
    // the drive's own: an exact one is written.
    EXPECT_EQ(updated("[acme]\r\n\t*:Mode10\r\n", p),
              "[acme]\r\n\tCD-9:" + list + "\t*:Mode10\r\n");
    // Exact entry: its list is replaced, the rest kept byte for byte.
    EXPECT_EQ(updated("[ACME]\n  cd-9:Raw,CDDALen=10\n\tCD-10:Raw\n", p),
              "[ACME]\n  cd-9:" + list + "\tCD-10:Raw\n");
    // A header at the very end without a line end.
    EXPECT_EQ(updated("[ACME]", p), "[ACME]\r\n\tCD-9:" + list);

    // A file that ended in a lone CR: the appended CR LF does not make that
    // CR part of the last line (here, a header without its bracket whose
    // name is exactly 40 characters).
    std::string header = "[" + std::string(40, 'H') + "\r";
    std::string appended = updated(header, p);
    DeviceProfile reread = drive("ACME CD-9");
    EXPECT_FALSE(loadProfileText(appended, reread));
    EXPECT_EQ(reread.Mode10, 1);

    // What was written loads back the same.
    std::string text = updated("", p);
    DeviceProfile back = drive("ACME CD-9");
    back.ModeLen = 1;  // as Open sets it before loading: the list only clears it
    ASSERT_FALSE(loadProfileText(text, back));
    EXPECT_EQ(keywordList(back), list);
}

}  // namespace
}  // namespace kel::diag
