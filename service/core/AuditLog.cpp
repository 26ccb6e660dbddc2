#include "service/core/AuditLog.h"

#include <algorithm>

namespace orb {

DbStatus AuditLog::append(Database& db, const AuditRecord& r) {
    return db
        .prepare("INSERT INTO audit (time, user, action, target, result, detail) VALUES (?, ?, ?, ?, ?, ?)")
        .bindAll(r.time, r.user, r.action, r.target, r.result, r.detail)
        .run();
}

DbStatus AuditLog::record(const AuditRecord& r) {
    return inTransaction(db_, [&] { return append(db_, r); });
}

DbStatus AuditLog::query(const AuditFilter& f, std::vector<AuditRecord>& out) {
    std::lock_guard lock(db_.mutex());
    // One statement for every filter: a parameter left NULL matches everything.
    Statement st = db_.prepare(
        "SELECT id, time, user, action, target, result, detail FROM audit"
        " WHERE (?1 IS NULL OR user = ?1) AND (?2 IS NULL OR action = ?2) AND (?3 IS NULL OR target = ?3)"
        " AND (?4 IS NULL OR result = ?4) AND (?5 IS NULL OR time >= ?5) AND (?6 IS NULL OR time <= ?6)"
        " AND (?7 IS NULL OR id < ?7) ORDER BY id DESC LIMIT ?8");
    st.bindAll(f.user, f.action, f.target, f.result, f.from, f.to, f.before,
               int64_t{std::clamp(f.limit, 1, 1000)});
    out.clear();
    while (st.step())
        out.push_back(
            {st.integer(0), st.text(1), st.text(2), st.text(3), st.text(4), st.text(5), st.text(6)});
    return st.status();
}

}  // namespace orb
