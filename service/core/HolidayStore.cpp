#include "service/core/HolidayStore.h"

namespace orb {

namespace {

std::string dayTarget(int64_t id) {
    return "designated day " + std::to_string(id);
}

std::string dayDetail(const DesignatedDay& d) {
    return d.date.text() + " " + d.name + (d.official ? " (official)" : "");
}

}  // namespace

DbStatus HolidayStore::list(std::vector<DesignatedRecord>& out) {
    std::lock_guard lock(db_.mutex());
    out.clear();
    Statement st =
        db_.prepare("SELECT id, date, name, official, created FROM designated_days ORDER BY date, id");
    while (st.step()) {
        const auto date = parseCalendarDate(st.text(1));
        if (!date) continue;  // the table's dates are written checked
        out.push_back({st.integer(0), {*date, st.text(2), st.integer(3) != 0}, st.text(4)});
    }
    return st.status();
}

DbStatus HolidayStore::add(DesignatedRecord& d, const Actor& actor) {
    const DbStatus s = inTransaction(db_, [&] {
        Statement same = db_.prepare("SELECT 1 FROM designated_days WHERE date = ? AND name = ?")
                             .bindAll(d.day.date.text(), d.day.name);
        if (same.step()) return DbStatus::Conflict;
        if (same.status() != DbStatus::Ok) return same.status();
        const DbStatus w =
            db_.prepare("INSERT INTO designated_days (date, name, official, created) VALUES (?, ?, ?, ?)")
                .bindAll(d.day.date.text(), d.day.name, d.day.official ? 1 : 0, actor.time)
                .run();
        if (w != DbStatus::Ok) return w;
        d.id = db_.lastInsertId();
        d.created = actor.time;
        return AuditLog::append(db_, actor.audit("holiday.create", dayTarget(d.id), "ok", dayDetail(d.day)));
    });
    if (s == DbStatus::Ok) changed();
    return s;
}

DbStatus HolidayStore::remove(int64_t id, const Actor& actor) {
    const DbStatus s = inTransaction(db_, [&] {
        Statement old =
            db_.prepare("SELECT date, name, official FROM designated_days WHERE id = ?").bindAll(id);
        if (!old.step()) return old.status() == DbStatus::Ok ? DbStatus::NotFound : old.status();
        const std::string detail =
            old.text(0) + " " + old.text(1) + (old.integer(2) != 0 ? " (official)" : "");
        const DbStatus w = db_.prepare("DELETE FROM designated_days WHERE id = ?").bindAll(id).run();
        if (w != DbStatus::Ok) return w;
        return AuditLog::append(db_, actor.audit("holiday.delete", dayTarget(id), "ok", detail));
    });
    if (s == DbStatus::Ok) changed();
    return s;
}

std::shared_ptr<const HolidayCalendar> HolidayStore::calendar() {
    std::lock_guard lock(mutex_);
    if (calendar_) return calendar_;
    std::vector<DesignatedRecord> records;
    std::vector<DesignatedDay> days;
    const bool read = list(records) == DbStatus::Ok;
    for (DesignatedRecord& r : records) days.push_back(std::move(r.day));
    auto built = std::make_shared<const HolidayCalendar>(std::move(days));
    // A failed read is not kept: the next call reads again.
    if (read) calendar_ = built;
    return built;
}

void HolidayStore::changed() {
    // Taken after the change committed, so a reader that built from the old list meanwhile has
    // stored it already and it is dropped here.
    std::lock_guard lock(mutex_);
    calendar_.reset();
}

}  // namespace orb
