#include "service/core/TakeoverStore.h"

#include <algorithm>
#include <nlohmann/json.hpp>

#include "service/core/ServiceClock.h"

namespace orb {

namespace {

using json = nlohmann::json;

std::string takeoverTarget(int64_t id) {
    return "takeover " + std::to_string(id);
}

std::string signsText(const std::vector<int64_t>& signs) {
    std::string out;
    for (int64_t s : signs) out += (out.empty() ? "signs " : ",") + std::to_string(s);
    return out.empty() ? "no sign" : out;
}

std::optional<AckState> ackStateOf(const std::string& text) {
    for (AckState s : {AckState::Pending, AckState::Done, AckState::Failed})
        if (text == toText(s)) return s;
    return std::nullopt;
}

template <typename T>
std::vector<T> listColumn(const std::string& text) {
    const json j = json::parse(text, nullptr, false);
    std::vector<T> out;
    if (!j.is_array()) return out;
    for (const json& v : j)
        if (v.is_number_integer() || v.is_string()) out.push_back(v.get<T>());
    return out;
}

constexpr const char* kTakeoverColumns =
    "SELECT id, text, colour, effect, program_id, version, signs, groups, until, created, created_by,"
    " ended, ended_by, (SELECT name FROM programs WHERE programs.id = program_id) FROM takeovers";

Takeover takeoverOf(const Statement& st) {
    Takeover t;
    t.id = st.integer(0);
    t.text = st.optionalText(1), t.colour = st.optionalText(2), t.effect = st.optionalText(3);
    t.program = st.integer(4);
    t.version = static_cast<int>(st.integer(5));
    t.signs = listColumn<int64_t>(st.text(6));
    t.groups = listColumn<std::string>(st.text(7));
    t.until = st.optionalText(8);
    t.created = st.text(9), t.createdBy = st.text(10);
    t.ended = st.optionalText(11), t.endedBy = st.optionalText(12);
    t.programName = st.text(13);
    return t;
}

DbStatus notFoundWhenNone(Database& db, DbStatus s) {
    return s == DbStatus::Ok && db.changes() == 0 ? DbStatus::NotFound : s;
}

}  // namespace

std::string takeoverProgramName(int64_t id) {
    return "긴급 알림 " + std::to_string(id);
}

namespace {

std::optional<int64_t> minuteOf(const std::string& text, bool roundUp) {
    LocalTimestamp t;
    if (!parseIsoText(text, t)) return std::nullopt;
    const int64_t ms = toMillis(t);
    return ms / 60000 + (roundUp && ms % 60000 != 0 ? 1 : 0);
}

}  // namespace

std::vector<PlanTakeover> planTakeoversOf(int64_t sign, const std::vector<Takeover>& takeovers) {
    std::vector<PlanTakeover> out;
    for (const Takeover& t : takeovers) {
        if (std::none_of(t.acks.begin(), t.acks.end(),
                         [sign](const TakeoverAck& a) { return a.sign == sign; }))
            continue;
        const std::optional<int64_t> from = minuteOf(t.created, false);
        if (!from) continue;
        PlanTakeover p{t.id, t.program, *from, {}};
        if (t.ended) p.to = minuteOf(*t.ended, false);
        if (t.until) {
            const std::optional<int64_t> until = minuteOf(*t.until, true);
            if (until && (!p.to || *until < *p.to)) p.to = until;
        }
        out.push_back(p);
    }
    return out;
}

const char* toText(AckState s) {
    switch (s) {
        case AckState::Pending:
            return "pending";
        case AckState::Done:
            return "done";
        case AckState::Failed:
            return "failed";
    }
    return "pending";
}

DbStatus TakeoverStore::create(Takeover& t, const std::vector<int64_t>& signs, const Actor& actor) {
    return inTransaction(db_, [&] {
        const DbStatus s =
            db_.prepare(
                   "INSERT INTO takeovers (text, colour, effect, program_id, version, signs, groups, until,"
                   " created, created_by) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?)")
                .bindAll(t.text, t.colour, t.effect, t.program, t.version, json(t.signs).dump(),
                         json(t.groups).dump(), t.until, actor.time, actor.user)
                .run();
        if (s != DbStatus::Ok) return s;
        t.id = db_.lastInsertId();
        t.created = actor.time, t.createdBy = actor.user;
        if (t.text) {
            const DbStatus n = db_.prepare("UPDATE programs SET name = ? WHERE id = ?")
                                   .bindAll(takeoverProgramName(t.id), t.program)
                                   .run();
            if (n != DbStatus::Ok) return n;
        }
        // What each sign held before: under another takeover not yet followed by what comes after
        // it, what it held before that one (never the other's notice).
        for (int64_t sign : signs) {
            const DbStatus a = db_.prepare(
                                      "INSERT INTO takeover_signs (takeover_id, sign_id, state, "
                                      "prior_program, prior_version, prior_window)"
                                      " SELECT ?1, ?2, 'pending', iif(e.sign_id IS NULL, h.program_id, "
                                      "e.prior_program), iif(e.sign_id IS NULL, h.version, e.prior_version),"
                                      " iif(e.sign_id IS NULL, g.window_mode, e.prior_window) FROM signs s"
                                      " LEFT JOIN sign_holdings h ON h.sign_id = s.id AND h.kind = 'program'"
                                      " LEFT JOIN sign_settings g ON g.sign_id = s.id"
                                      " LEFT JOIN (SELECT sign_id, prior_program, prior_version, prior_window"
                                      " FROM takeover_signs WHERE sign_id = ?2 AND restored = 0 AND "
                                      "takeover_id <> ?1 ORDER BY takeover_id LIMIT 1) e ON e.sign_id = s.id"
                                      " WHERE s.id = ?2")
                                   .bindAll(t.id, sign)
                                   .run();
            if (a != DbStatus::Ok) return a;
            if (db_.changes() == 0) return DbStatus::Conflict;
        }
        std::string detail = "program " + std::to_string(t.program) + " version " +
                             std::to_string(t.version) + " to " + signsText(signs) + "; until " +
                             t.until.value_or("ended");
        if (t.text) detail += "; text \"" + *t.text + "\"";
        return AuditLog::append(db_, actor.audit("takeover.create", takeoverTarget(t.id), "ok", detail));
    });
}

DbStatus TakeoverStore::readAcks(int64_t id, std::vector<TakeoverAck>& out) {
    Statement st = db_.prepare(
                          "SELECT a.sign_id, s.name, a.state, a.at, a.message, a.job_id, a.prior_program,"
                          " a.prior_version, a.restored, a.prior_window"
                          " FROM takeover_signs a JOIN signs s ON s.id = a.sign_id"
                          " WHERE a.takeover_id = ? ORDER BY a.sign_id")
                       .bindAll(id);
    while (st.step()) {
        TakeoverAck a;
        a.sign = st.integer(0);
        a.name = st.text(1);
        a.state = ackStateOf(st.text(2)).value_or(AckState::Pending);
        a.at = st.optionalText(3);
        a.message = st.text(4);
        a.job = st.optionalInteger(5).value_or(0);
        a.priorProgram = st.optionalInteger(6).value_or(0);
        a.priorVersion = static_cast<int>(st.optionalInteger(7).value_or(0));
        a.restored = st.integer(8) != 0;
        const std::optional<int64_t> window = st.optionalInteger(9);
        if (window) a.priorWindow = static_cast<int>(*window);
        out.push_back(std::move(a));
    }
    return st.status();
}

DbStatus TakeoverStore::get(int64_t id, Takeover& out) {
    std::lock_guard lock(db_.mutex());
    Statement st = db_.prepare(std::string(kTakeoverColumns) + " WHERE id = ?").bindAll(id);
    if (!st.step()) return st.status() == DbStatus::Ok ? DbStatus::NotFound : st.status();
    out = takeoverOf(st);
    return readAcks(id, out.acks);
}

DbStatus TakeoverStore::list(bool notEndedOnly, std::vector<Takeover>& out) {
    std::lock_guard lock(db_.mutex());
    out.clear();
    {
        Statement st =
            db_.prepare(std::string(kTakeoverColumns) + " WHERE ?1 = 0 OR ended IS NULL ORDER BY id DESC")
                .bindAll(notEndedOnly);
        while (st.step()) out.push_back(takeoverOf(st));
        if (st.status() != DbStatus::Ok) return st.status();
    }
    for (Takeover& t : out)
        if (const DbStatus s = readAcks(t.id, t.acks); s != DbStatus::Ok) return s;
    return DbStatus::Ok;
}

DbStatus TakeoverStore::end(int64_t id, const Actor& actor, const std::string& why) {
    return inTransaction(db_, [&] {
        Statement st = db_.prepare("SELECT ended FROM takeovers WHERE id = ?").bindAll(id);
        if (!st.step()) return st.status() == DbStatus::Ok ? DbStatus::NotFound : st.status();
        if (!st.isNull(0)) return DbStatus::Conflict;
        const DbStatus s = db_.prepare("UPDATE takeovers SET ended = ?, ended_by = ? WHERE id = ?")
                               .bindAll(actor.time, actor.user, id)
                               .run();
        if (s != DbStatus::Ok) return s;
        return AuditLog::append(db_, actor.audit("takeover.end", takeoverTarget(id), "ok", why));
    });
}

DbStatus TakeoverStore::startAck(int64_t id, int64_t sign, int64_t job) {
    std::lock_guard lock(db_.mutex());
    const DbStatus s =
        db_.prepare(
               "UPDATE takeover_signs SET state = 'pending', job_id = ?, at = NULL, message = ''"
               " WHERE takeover_id = ? AND sign_id = ?")
            .bindAll(job, id, sign)
            .run();
    return notFoundWhenNone(db_, s);
}

DbStatus TakeoverStore::finishAck(int64_t id, int64_t sign, bool done, const std::string& at,
                                  const std::string& message, const Actor& actor) {
    return inTransaction(db_, [&] {
        const DbStatus s =
            db_.prepare(
                   "UPDATE takeover_signs SET state = ?, at = ?, message = ? WHERE takeover_id = ? AND"
                   " sign_id = ?")
                .bindAll(done ? "done" : "failed", done ? std::optional<std::string>(at) : std::nullopt,
                         message, id, sign)
                .run();
        if (notFoundWhenNone(db_, s) != DbStatus::Ok) return notFoundWhenNone(db_, s);
        const std::string detail =
            "sign " + std::to_string(sign) + (done ? ": shown, verified at " + at : ": " + message);
        return AuditLog::append(
            db_, actor.audit("takeover.ack", takeoverTarget(id), done ? "ok" : "failed", detail));
    });
}

std::string TakeoverStore::usersOfProgram(int64_t program) {
    std::lock_guard lock(db_.mutex());
    Statement st = db_.prepare("SELECT id FROM takeovers WHERE program_id = ? ORDER BY id").bindAll(program);
    std::vector<int64_t> ids;
    while (st.step()) ids.push_back(st.integer(0));
    std::string out = ids.size() > 1 ? "takeovers " : ids.empty() ? "" : "takeover ";
    for (size_t i = 0; i < ids.size(); ++i) out += (i ? ", " : "") + std::to_string(ids[i]);
    return out;
}

DbStatus TakeoverStore::markRestored(int64_t id, int64_t sign, const std::string& detail,
                                     const Actor& actor) {
    return inTransaction(db_, [&] {
        const DbStatus s =
            db_.prepare("UPDATE takeover_signs SET restored = 1 WHERE takeover_id = ? AND sign_id = ?")
                .bindAll(id, sign)
                .run();
        if (notFoundWhenNone(db_, s) != DbStatus::Ok) return notFoundWhenNone(db_, s);
        return AuditLog::append(db_, actor.audit("takeover.restore", "sign " + std::to_string(sign), "ok",
                                                 takeoverTarget(id) + ": " + detail));
    });
}

}  // namespace orb
