// The number, date and time texts of the compare results.
#pragma once

#include <QDate>
#include <QDateTime>
#include <QString>
#include <QTime>
#include <cstdint>
#include <string>

namespace kel::compare {

// `number` as plain decimal text with `pad` in front until it is `width`
// characters long; never cut.
std::string PadNumber(std::int64_t number, int width, char pad);

// "H:MM:SS:ms" of a run: hours padded with blanks to 2, minutes and seconds
// with zeros to 2, milliseconds plain. A negative span (the clock was set
// back) counts as 0.
std::string TotalTimeText(std::int64_t milliseconds);

// The date and time as the user's locale writes them short.
QString DateText(const QDate& date);
QString TimeText(const QTime& time);

// The date as a whole day number, days since 30 December 1899: the default
// name of a saved result.
std::int64_t DayNumber(const QDate& date);

}  // namespace kel::compare
