#include "diag/tools/report/report_header.h"

#include <pwd.h>
#include <sys/utsname.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace kel::diag::report {
namespace {

std::string loginName() {
    std::vector<char> buffer(16384);
    passwd entry{};
    passwd* found = nullptr;
    if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 &&
        found != nullptr && found->pw_name != nullptr) {
        return found->pw_name;
    }
    const char* user = std::getenv("USER");
    return user != nullptr ? user : "";
}

}  // namespace

ReportIdentity ReadReportIdentity(std::string_view programVersion) {
    ReportIdentity identity;
    utsname system{};
    if (::uname(&system) == 0) {
        CopyCut(identity.computerName, system.nodename);
    }
    CopyCut(identity.userName, loginName());
    CopyCut(identity.version, programVersion);
    return identity;
}

void SystemTimeFields(const timespec& time, std::uint16_t (&fields)[8]) {
    const std::int64_t seconds = time.tv_sec;
    std::int64_t days = seconds / 86400;
    std::int64_t secondOfDay = seconds % 86400;
    if (secondOfDay < 0) {
        secondOfDay += 86400;
        --days;
    }
    const std::int64_t weekday = ((days % 7) + 11) % 7;  // 1970-01-01 was a Thursday
    // Days to civil date in the proleptic Gregorian calendar, counting
    // eras of 400 years from 0000-03-01 so that leap days end each year.
    const std::int64_t z = days + 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const std::int64_t dayOfEra = z - era * 146097;
    const std::int64_t yearOfEra =
        (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const std::int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const std::int64_t monthFromMarch = (5 * dayOfYear + 2) / 153;
    const std::int64_t day = dayOfYear - (153 * monthFromMarch + 2) / 5 + 1;
    const std::int64_t month = monthFromMarch < 10 ? monthFromMarch + 3 : monthFromMarch - 9;
    const std::int64_t year = yearOfEra + era * 400 + (month <= 2 ? 1 : 0);

    fields[0] = static_cast<std::uint16_t>(year);
    fields[1] = static_cast<std::uint16_t>(month);
    fields[2] = static_cast<std::uint16_t>(weekday);
    fields[3] = static_cast<std::uint16_t>(day);
    fields[4] = static_cast<std::uint16_t>(secondOfDay / 3600);
    fields[5] = static_cast<std::uint16_t>(secondOfDay / 60 % 60);
    fields[6] = static_cast<std::uint16_t>(secondOfDay % 60);
    fields[7] = static_cast<std::uint16_t>(time.tv_nsec / 1000000);
}

ReportHeader MakeReportHeader(const ReportIdentity& identity, const timespec& time) {
    ReportHeader header;
    std::memcpy(header.computerName, identity.computerName, sizeof header.computerName);
    std::memcpy(header.userName, identity.userName, sizeof header.userName);
    std::memcpy(header.version, identity.version, sizeof header.version);
    SystemTimeFields(time, header.systemTime);
    return header;
}

}  // namespace kel::diag::report
