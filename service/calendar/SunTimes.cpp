#include "service/calendar/SunTimes.h"

#include <unicode/timezone.h>

#include <cmath>
#include <map>
#include <memory>
#include <mutex>
#include <numbers>
#include <tuple>

namespace orb {

namespace {

double radians(double degrees) {
    return degrees * std::numbers::pi / 180.0;
}

double degrees(double radians) {
    return radians * 180.0 / std::numbers::pi;
}

struct SolarPosition {
    double declination;     // radians
    double equationOfTime;  // minutes
};

// At the Julian day JD (UT).
SolarPosition solarPosition(double jd) {
    const double t = (jd - 2451545.0) / 36525.0;  // Julian centuries since J2000.0
    const double meanLongitude = std::fmod(280.46646 + t * (36000.76983 + t * 0.0003032), 360.0);
    const double meanAnomaly = 357.52911 + t * (35999.05029 - 0.0001537 * t);
    const double eccentricity = 0.016708634 - t * (0.000042037 + 0.0000001267 * t);
    const double m = radians(meanAnomaly);
    const double centre = std::sin(m) * (1.914602 - t * (0.004817 + 0.000014 * t)) +
                          std::sin(2 * m) * (0.019993 - 0.000101 * t) + std::sin(3 * m) * 0.000289;
    const double omega = radians(125.04 - 1934.136 * t);
    const double apparentLongitude = radians(meanLongitude + centre - 0.00569 - 0.00478 * std::sin(omega));
    const double meanObliquity =
        23.0 + (26.0 + (21.448 - t * (46.815 + t * (0.00059 - t * 0.001813))) / 60.0) / 60.0;
    const double obliquity = radians(meanObliquity + 0.00256 * std::cos(omega));
    const double y = std::pow(std::tan(obliquity / 2), 2);
    const double l0 = radians(meanLongitude);
    const double e = eccentricity;
    const double eot = y * std::sin(2 * l0) - 2 * e * std::sin(m) +
                       4 * e * y * std::sin(m) * std::cos(2 * l0) - 0.5 * y * y * std::sin(4 * l0) -
                       1.25 * e * e * std::sin(2 * m);
    return {std::asin(std::sin(obliquity) * std::sin(apparentLongitude)), 4.0 * degrees(eot)};
}

// The Julian day of 00:00 UT of a Gregorian date.
double julianDay(const CalendarDate& d) {
    return 2440587.5 + static_cast<double>(d.dayNumber());
}

// Minutes after local midnight of sunrise (RISING) or sunset, iterated from local noon;
// nothing when the sun stays above or below the horizon.
std::optional<double> sunEvent(const CalendarDate& day, const GeoLocation& where, int offsetMinutes,
                               bool rising) {
    const double lat = radians(where.latitude);
    const double zenith = radians(90.833);
    double minutes = 720.0;
    for (int pass = 0; pass < 2; ++pass) {
        const SolarPosition p = solarPosition(julianDay(day) + (minutes - offsetMinutes) / 1440.0);
        const double cosHourAngle = std::cos(zenith) / (std::cos(lat) * std::cos(p.declination)) -
                                    std::tan(lat) * std::tan(p.declination);
        if (cosHourAngle < -1.0 || cosHourAngle > 1.0) return std::nullopt;
        const double hourAngle = degrees(std::acos(cosHourAngle));
        const double noon = 720.0 - 4.0 * where.longitude - p.equationOfTime + offsetMinutes;
        minutes = rising ? noon - 4.0 * hourAngle : noon + 4.0 * hourAngle;
    }
    return minutes;
}

}  // namespace

struct SunCalculator::Zone {
    std::unique_ptr<icu::TimeZone> zone;
};

SunCalculator::SunCalculator(GeoLocation where) : where_(std::move(where)), zone_(std::make_unique<Zone>()) {
    zone_->zone.reset(icu::TimeZone::createTimeZone(icu::UnicodeString::fromUTF8(where_.timeZone)));
    if (zone_->zone && *zone_->zone == icu::TimeZone::getUnknown()) zone_->zone.reset();
}

SunCalculator::SunCalculator(SunCalculator&&) noexcept = default;
SunCalculator::~SunCalculator() = default;

bool SunCalculator::knownZone() const {
    return zone_->zone != nullptr;
}

int SunCalculator::utcOffsetMinutes(const CalendarDate& day) const {
    if (!zone_->zone) return 0;
    UErrorCode status = U_ZERO_ERROR;
    int32_t raw = 0, dst = 0;
    // With `local` set ICU reads the time as the zone's own: this is local noon.
    const UDate noon = (static_cast<double>(day.dayNumber()) * 86400.0 + 12 * 3600.0) * 1000.0;
    zone_->zone->getOffset(noon, true, raw, dst, status);
    return U_FAILURE(status) ? 0 : (raw + dst) / 60000;
}

SunTimes SunCalculator::on(const CalendarDate& day) const {
    const int offset = utcOffsetMinutes(day);
    SunTimes out;
    if (const auto rise = sunEvent(day, where_, offset, true)) out.sunrise = *rise * 60.0;
    if (const auto set = sunEvent(day, where_, offset, false)) out.sunset = *set * 60.0;
    return out;
}

std::shared_ptr<const std::vector<SunTimes>> sunTimesOfYear(const GeoLocation& where, int year) {
    using Key = std::tuple<double, double, std::string, int>;
    static std::mutex mutex;
    static std::map<Key, std::shared_ptr<const std::vector<SunTimes>>> years;
    constexpr size_t kKept = 1024;  // places x years; past it the table starts over
    const Key key{where.latitude, where.longitude, where.timeZone, year};
    {
        const std::lock_guard lock(mutex);
        if (const auto found = years.find(key); found != years.end()) return found->second;
    }
    const SunCalculator sun(where);
    auto days = std::make_shared<std::vector<SunTimes>>();
    const CalendarDate first{year, 1, 1};
    for (CalendarDate d = first; d.year == year; d = d.plusDays(1)) days->push_back(sun.on(d));
    const std::lock_guard lock(mutex);
    if (years.size() >= kKept) years.clear();
    return years.try_emplace(key, std::move(days)).first->second;
}

}  // namespace orb
