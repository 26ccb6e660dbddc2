#pragma once
// The days the admin adds to the holidays, and the holiday calendar every plan uses, kept current:
// it is rebuilt after each change to the list, and readers on any thread hold the one they got.
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "service/calendar/KoreanHolidays.h"
#include "service/core/AuditLog.h"
#include "service/core/Database.h"

namespace orb {

struct DesignatedRecord {
    int64_t id = 0;
    DesignatedDay day;
    std::string created;
};

class HolidayStore {
  public:
    explicit HolidayStore(Database& db) : db_(db) {}

    // By date, then id.
    DbStatus list(std::vector<DesignatedRecord>& out);
    // Stores D (its id 0) and sets its id and created time; Conflict when a day of the same date
    // and name exists.
    DbStatus add(DesignatedRecord& d, const Actor& actor);
    DbStatus remove(int64_t id, const Actor& actor);

    // The Korean holidays with the designated days as stored now.
    std::shared_ptr<const HolidayCalendar> calendar();

  private:
    void changed();

    Database& db_;
    std::mutex mutex_;
    std::shared_ptr<const HolidayCalendar> calendar_;  // null until read, and after a change
};

}  // namespace orb
