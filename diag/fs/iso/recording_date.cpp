// Dates of directory entries as the list pane and the folder listing show them.
#include <QDate>
#include <QLocale>
#include <QTime>
#include <system_error>

#include "diag/fs/readers.h"
#include "diag/tools/format_text.h"
#include "diag/ui/messages.h"

namespace kel::diag {
namespace {

constexpr std::size_t kMaxClockText = 32;

}  // namespace

std::string FormatRecordingDate(std::span<const std::uint8_t, 7> date) {
    if (date[0] == 0) {
        return "-- N/A --";
    }
    const QDate day(1900 + date[0], date[1], date[2]);
    const QTime time(date[3], date[4], date[5]);
    if (!day.isValid() || !time.isValid()) {
        ShowMessage(113, std::generic_category().message(EINVAL));
        return {};
    }
    std::string text = QLocale::system().toString(day, QLocale::ShortFormat).toStdString();
    const FormatArg args[] = {date[3], date[4], date[5]};
    std::string clock = FormatText("  %d:%02d:%02d", args, kMaxClockText);
    // Times line up in a column: a two-digit hour takes one of the two blanks.
    if (date[3] >= 10) {
        clock.erase(0, 1);
    }
    return text + clock;
}

}  // namespace kel::diag
