// The device layer's messages as the program shows them: every id it raises
// is in the string table, and arguments and buttons reach ShowMessage.
#include <gtest/gtest.h>

#include "diag/device/program_callbacks.h"
#include "diag/ui/messages.h"
#include "diag/ui/string_table.h"

namespace kel::diag {
namespace {

TEST(ProgramCallbacks, EveryDeviceMessageIdIsInTheStringTable) {
    for (int id :
         {3004, 3007, 3008, 3009, 3010, 3011, 3012, 3201, 3202, 3203, 3204, 3205, 3206, 3207}) {
        EXPECT_TRUE(StringTableEntry(id)) << id;
    }
    StringSource strings = programStrings();
    EXPECT_EQ(strings(8000 + 0x11), "Unrecoverable read error");
    EXPECT_FALSE(strings(8000 + 0x12));
}

TEST(ProgramCallbacks, MessagesKeepTheirArgumentsAndButtons) {
    int shownId = 0;
    std::uint16_t shownStyle = 0xFFFF;
    std::string shownText;
    SetMessageResponder([&](int id, std::uint16_t styleWord, const std::string& text) {
        shownId = id;
        shownStyle = styleWord;
        shownText = text;
        return answer::kCancel;
    });
    MessageCallback show = programMessageCallback();
    EXPECT_EQ(show(DeviceMessage{3010, MessageButtons::OkCancel, {std::string("ACME CDROM-4000")}}),
              MessageAnswer::Cancel);
    EXPECT_EQ(shownId, 3010);
    EXPECT_EQ(shownStyle, style::kOkCancel);
    EXPECT_EQ(shownText.rfind("There is no media in the ACME CDROM-4000 device.", 0), 0u)
        << shownText;

    SetMessageResponder([&](int id, std::uint16_t styleWord, const std::string& text) {
        shownId = id;
        shownStyle = styleWord;
        shownText = text;
        return answer::kOk;
    });
    EXPECT_EQ(
        show(DeviceMessage{3007,
                           MessageButtons::Ok,
                           {std::int64_t{20}, std::string("ACME"), std::string("Sense=11 00")}}),
        MessageAnswer::Ok);
    EXPECT_EQ(shownStyle, style::kOk);
    EXPECT_EQ(shownText, "Error reading sector 20 from ACME\nSense=11 00");
    SetMessageResponder({});
}

}  // namespace
}  // namespace kel::diag
