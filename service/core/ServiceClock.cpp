#include "service/core/ServiceClock.h"

#include <time.h>

#include <cmath>
#include <cstdio>

namespace orb {

std::string toIsoText(const LocalTimestamp& t) {
    char text[40];
    const LocalDateTime& d = t.time;
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%03d", d.year, d.month, d.day, d.hour,
                  d.minute, d.second, t.millisecond);
    return text;
}

namespace {

// N digits at TEXT[AT]; false when they are not all digits.
bool digitsAt(std::string_view text, size_t at, size_t n, int& out) {
    if (at + n > text.size()) return false;
    int v = 0;
    for (size_t i = at; i < at + n; ++i) {
        if (text[i] < '0' || text[i] > '9') return false;
        v = v * 10 + (text[i] - '0');
    }
    out = v;
    return true;
}

}  // namespace

bool parseIsoText(std::string_view text, LocalTimestamp& out) {
    LocalTimestamp t;
    LocalDateTime& d = t.time;
    if (text.size() < 19 || text[4] != '-' || text[7] != '-' || text[10] != 'T' || text[13] != ':' ||
        text[16] != ':')
        return false;
    if (!digitsAt(text, 0, 4, d.year) || !digitsAt(text, 5, 2, d.month) || !digitsAt(text, 8, 2, d.day) ||
        !digitsAt(text, 11, 2, d.hour) || !digitsAt(text, 14, 2, d.minute) ||
        !digitsAt(text, 17, 2, d.second))
        return false;
    if (text.size() > 19) {
        const size_t n = text.size() - 20;
        if (text[19] != '.' || n < 1 || n > 3 || !digitsAt(text, 20, n, t.millisecond)) return false;
        for (size_t i = n; i < 3; ++i) t.millisecond *= 10;
    }
    if (!isCalendarDate(d.year, d.month, d.day) || d.hour > 23 || d.minute > 59 || d.second > 59)
        return false;
    out = t;
    return true;
}

int64_t toMillis(const LocalTimestamp& t) {
    using namespace std::chrono;
    const LocalDateTime& d = t.time;
    const sys_days day{year(d.year) / month(static_cast<unsigned>(d.month)) /
                       std::chrono::day(static_cast<unsigned>(d.day))};
    const int64_t seconds =
        int64_t{day.time_since_epoch().count()} * 86400 + d.hour * 3600 + d.minute * 60 + d.second;
    return seconds * 1000 + t.millisecond;
}

LocalTimestamp fromMillis(int64_t ms) {
    using namespace std::chrono;
    int64_t days = ms / 86400000;
    int64_t rest = ms % 86400000;
    if (rest < 0) rest += 86400000, --days;
    const year_month_day ymd{sys_days{std::chrono::days{days}}};
    LocalTimestamp t;
    t.time = {static_cast<int>(ymd.year()),
              static_cast<int>(static_cast<unsigned>(ymd.month())),
              static_cast<int>(static_cast<unsigned>(ymd.day())),
              static_cast<int>(rest / 3600000),
              static_cast<int>(rest / 60000 % 60),
              static_cast<int>(rest / 1000 % 60)};
    t.millisecond = static_cast<int>(rest % 1000);
    return t;
}

ServiceClock::ServiceClock() : origin_(std::chrono::steady_clock::now()) {}

ServiceClock::ServiceClock(const LocalTimestamp& start, double rate)
    : testing_(true), startMs_(toMillis(start)), rate_(rate), origin_(std::chrono::steady_clock::now()) {}

LocalTimestamp ServiceClock::now() const {
    if (testing_) {
        const double elapsed =
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - origin_).count();
        return fromMillis(startMs_ + shiftMs_ + static_cast<int64_t>(std::floor(elapsed * rate_)));
    }
    timespec ts{};
    ::clock_gettime(CLOCK_REALTIME, &ts);
    std::tm tm{};
    ::localtime_r(&ts.tv_sec, &tm);
    LocalTimestamp t;
    t.time = {tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday,
              tm.tm_hour,        tm.tm_min,     tm.tm_sec > 59 ? 59 : tm.tm_sec};
    t.millisecond = static_cast<int>(ts.tv_nsec / 1000000);
    return t;
}

}  // namespace orb
