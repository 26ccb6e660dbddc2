#pragma once
// The calendar's operations, without HTTP: entries and plans read from their JSON forms, checked
// against what exists, stored (see CalendarStore), and the plan of a sign resolved by the one
// plan resolver the scheduler uses too.
#include <nlohmann/json.hpp>
#include <vector>

#include "service/calendar/CompiledDay.h"
#include "service/calendar/DayPlan.h"
#include "service/calendar/KoreanHolidays.h"
#include "service/core/ServiceResult.h"
#include "service/core/ServiceStore.h"

namespace orb {

// The longest range one plan request resolves.
inline constexpr int kMaxPlanDays = 366;

class NetworkCalendar {
  public:
    explicit NetworkCalendar(ServiceStore& store) : store_(store) {}

    // Stores the entry BODY describes; OUT is the entry as stored.
    ServiceResult createEntry(const nlohmann::json& body, const Actor& actor, CalendarEntry& out);
    // Changes entry ID: the fields BODY holds replace the entry's (null makes a field open); OUT is
    // the entry as stored.
    ServiceResult changeEntry(EntryId id, const nlohmann::json& body, const Actor& actor, CalendarEntry& out);
    ServiceResult removeEntry(EntryId id, const Actor& actor);

    // Plans likewise, for both kinds.
    ServiceResult createPlan(const nlohmann::json& body, const Actor& actor, BrightnessPlan& out);
    ServiceResult createPlan(const nlohmann::json& body, const Actor& actor, OnOffPlan& out);
    ServiceResult changePlan(int64_t id, const nlohmann::json& body, const Actor& actor, BrightnessPlan& out);
    ServiceResult changePlan(int64_t id, const nlohmann::json& body, const Actor& actor, OnOffPlan& out);
    ServiceResult removeBrightnessPlan(int64_t id, const Actor& actor);
    ServiceResult removeOnOffPlan(int64_t id, const Actor& actor);

    // Undoes the calendar change audit row AUDIT records (see CalendarStore::undo); TARGET is what
    // it changed back.
    ServiceResult undo(int64_t audit, const Actor& actor, std::string& target);

    // What sign SIGN plays from FROM to TO (both included, at most kMaxPlanDays), its takeovers
    // over the calendar unless left out.
    ServiceResult planOf(int64_t sign, const CalendarDate& from, const CalendarDate& to,
                         std::vector<DayPlan>& out, bool withTakeovers = true);

    // Sign SIGN's day DATE of the calendar (without takeovers) compiled as the scheduler compiles it (from
    // the latest version of each program): its items, or the fall-back to period pushes and why.
    ServiceResult compiledOf(int64_t sign, const CalendarDate& date, CompiledDay& out);

    // The holidays every plan uses.
    static const HolidayCalendar& holidays();

  private:
    template <typename Plan>
    ServiceResult storePlan(int64_t id, const nlohmann::json& body, const Actor& actor, Plan& out);

    ServiceStore& store_;
};

}  // namespace orb
