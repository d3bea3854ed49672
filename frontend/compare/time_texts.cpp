#include "frontend/compare/time_texts.h"

#include <QLocale>

namespace kel::compare {

std::string PadNumber(std::int64_t number, int width, char pad) {
    std::string text = std::to_string(number);
    if (static_cast<int>(text.size()) < width) {
        text.insert(0, static_cast<std::size_t>(width) - text.size(), pad);
    }
    return text;
}

std::string TotalTimeText(std::int64_t milliseconds) {
    std::int64_t ms = milliseconds < 0 ? 0 : milliseconds;
    std::int64_t hours = ms / 3'600'000;
    std::int64_t minutes = ms / 60'000 % 60;
    std::int64_t seconds = ms / 1000 % 60;
    return PadNumber(hours, 2, ' ') + ":" + PadNumber(minutes, 2, '0') + ":" +
           PadNumber(seconds, 2, '0') + ":" + std::to_string(ms % 1000);
}

QString DateText(const QDate& date) {
    return QLocale::system().toString(date, QLocale::ShortFormat);
}

QString TimeText(const QTime& time) {
    return time.toString(QStringLiteral("HH:mm:ss"));
}

std::int64_t DayNumber(const QDate& date) {
    return QDate(1899, 12, 30).daysTo(date);
}

}  // namespace kel::compare
