#pragma once
// Sunrise and sunset at a place, by the equations of NOAA's solar calculator (Meeus, Astronomical
// Algorithms): the sun's declination and the equation of time at the moment itself (computed at
// local noon, then again at the first estimate), and the hour angle at which the top of the sun
// touches a sea-level horizon (zenith 90.833°: 34' of refraction and 16' of half diameter), as
// the almanac's sunrise and sunset are defined. Good to about a minute at middle latitudes.
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "service/calendar/CalendarDate.h"

namespace orb {

struct GeoLocation {
    double latitude = 37.5665;    // degrees, north positive
    double longitude = 126.9780;  // degrees, east positive
    std::string timeZone = "Asia/Seoul";
};

struct SunTimes {
    // Seconds after the local midnight of the day; nothing when the sun does not rise or set
    // that day (polar day or night).
    std::optional<double> sunrise;
    std::optional<double> sunset;
};

// The sun times of one place, day after day; its time zone is looked up once.
class SunCalculator {
  public:
    explicit SunCalculator(GeoLocation where);
    SunCalculator(SunCalculator&&) noexcept;
    ~SunCalculator();

    SunTimes on(const CalendarDate& day) const;
    // The zone's offset from UTC in minutes at local noon of DAY, daylight saving included; 0
    // (UTC) for a zone ICU does not know.
    int utcOffsetMinutes(const CalendarDate& day) const;
    bool knownZone() const;

  private:
    struct Zone;
    GeoLocation where_;
    std::unique_ptr<Zone> zone_;
};

inline SunTimes sunTimes(const CalendarDate& day, const GeoLocation& where) {
    return SunCalculator(where).on(day);
}

// The sun times of every day of YEAR at a place (index: day of the year from 0), computed once
// and kept for all callers: signs mostly share a few places. Safe to call from several threads.
std::shared_ptr<const std::vector<SunTimes>> sunTimesOfYear(const GeoLocation& where, int year);

}  // namespace orb
