#include "service/core/SignStore.h"

#include <map>

#include "service/core/GroupStore.h"

namespace orb {

const char* toText(SignState s) {
    switch (s) {
        case SignState::Online:
            return "online";
        case SignState::Unreachable:
            return "unreachable";
        case SignState::OtherModel:
            return "other-model";
        case SignState::Busy:
            return "busy";
        case SignState::Differs:
            return "differs";
        case SignState::Unknown:
            return "unknown";
    }
    return "unknown";
}

namespace {

SignState stateFromText(const std::string& text) {
    for (SignState s : {SignState::Online, SignState::Unreachable, SignState::OtherModel, SignState::Differs})
        if (text == toText(s)) return s;
    return SignState::Unknown;
}

std::optional<int> optionalInt(const Statement& st, int col) {
    if (st.isNull(col)) return std::nullopt;
    return static_cast<int>(st.integer(col));
}

SignHolding holdingFrom(const Statement& st, int at) {
    SignHolding h;
    if (st.isNull(at)) return h;
    h.kind = st.text(at) == "program" ? SignHolding::Program : SignHolding::Empty;
    h.program = st.integer(at + 1);
    h.version = static_cast<int>(st.integer(at + 2));
    h.since = st.text(at + 3);
    h.verified = st.text(at + 4);
    return h;
}

SignSettingsRecord settingsFrom(const Statement& st, int at) {
    SignSettingsRecord g;
    g.width = optionalInt(st, at);
    g.height = optionalInt(st, at + 1);
    g.sizeAt = st.optionalText(at + 2);
    g.clockOffsetMs = st.optionalInteger(at + 3);
    g.clockAt = st.optionalText(at + 4);
    if (!st.isNull(at + 5)) g.onOffEnabled = st.integer(at + 5) != 0;
    g.onTime = st.optionalText(at + 6);
    g.offTime = st.optionalText(at + 7);
    g.onOffAt = st.optionalText(at + 8);
    g.windowMode = optionalInt(st, at + 9);
    g.windowAt = st.optionalText(at + 10);
    g.brightness = optionalInt(st, at + 11);
    g.brightnessAt = st.optionalText(at + 12);
    return g;
}

// The signs with id ONLY (all when unset), by id; the caller holds the mutex.
DbStatus readSigns(Database& db, std::optional<int64_t> only, std::vector<SignRecord>& out) {
    out.clear();
    Statement st = db.prepare(
        "SELECT s.id, s.name, s.link, s.model, s.width, s.height, s.location, s.notes, s.created,"
        " h.kind, h.program_id, h.version, h.since, h.verified, st.state, st.last_answer,"
        " g.size_width, g.size_height, g.size_at, g.clock_offset_ms, g.clock_at, g.onoff_enabled, g.onoff_on,"
        " g.onoff_off, g.onoff_at, g.window_mode, g.window_at, g.brightness, g.brightness_at,"
        " (SELECT min(js.job_id) FROM job_signs js WHERE js.sign_id = s.id AND js.state IN ('queued', "
        "'running')),"
        " EXISTS (SELECT 1 FROM job_signs js WHERE js.sign_id = s.id AND js.state = 'running'),"
        " s.latitude, s.longitude"
        " FROM signs s LEFT JOIN sign_holdings h ON h.sign_id = s.id LEFT JOIN sign_states st ON st.sign_id "
        "= s.id"
        " LEFT JOIN sign_settings g ON g.sign_id = s.id WHERE ?1 IS NULL OR s.id = ?1 ORDER BY s.id");
    st.bindAll(only);
    std::map<int64_t, size_t> at;
    while (st.step()) {
        SignRecord r;
        r.id = st.integer(0);
        r.name = st.text(1);
        r.link = st.text(2);
        r.model = st.text(3);
        r.width = static_cast<int>(st.integer(4));
        r.height = static_cast<int>(st.integer(5));
        r.location = st.text(6);
        r.notes = st.text(7);
        r.created = st.text(8);
        r.holding = holdingFrom(st, 9);
        r.state = st.isNull(14) ? SignState::Unknown : stateFromText(st.text(14));
        r.lastAnswer = st.optionalText(15);
        r.settings = settingsFrom(st, 16);
        r.busyJob = st.optionalInteger(29);
        if (st.integer(30) != 0) r.state = SignState::Busy;
        if (!st.isNull(31) && !st.isNull(32)) r.coordinates = SignCoordinates{st.real(31), st.real(32)};
        at[r.id] = out.size();
        out.push_back(std::move(r));
    }
    if (st.status() != DbStatus::Ok) return st.status();
    Statement groups = db.prepare(
        "SELECT sg.sign_id, g.name FROM sign_groups sg JOIN groups g ON g.id = sg.group_id"
        " WHERE ?1 IS NULL OR sg.sign_id = ?1 ORDER BY sg.sign_id, g.name");
    groups.bindAll(only);
    while (groups.step()) {
        const auto it = at.find(groups.integer(0));
        if (it != at.end()) out[it->second].groups.push_back(groups.text(1));
    }
    return groups.status();
}

DbStatus notFoundWhenNone(Database& db, DbStatus s) {
    return s == DbStatus::Ok && db.changes() == 0 ? DbStatus::NotFound : s;
}

std::optional<double> latitudeOf(const std::optional<SignCoordinates>& c) {
    return c ? std::optional(c->latitude) : std::nullopt;
}
std::optional<double> longitudeOf(const std::optional<SignCoordinates>& c) {
    return c ? std::optional(c->longitude) : std::nullopt;
}

std::string signTarget(int64_t id) {
    return "sign " + std::to_string(id);
}

}  // namespace

DbStatus SignStore::create(const SignInput& in, const Actor& actor, int64_t& id) {
    return inTransaction(db_, [&] {
        DbStatus s =
            db_.prepare(
                   "INSERT INTO signs (name, link, model, width, height, location, notes, created, latitude,"
                   " longitude) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?)")
                .bindAll(in.name, in.link, in.model, in.width, in.height, in.location, in.notes, actor.time,
                         latitudeOf(in.coordinates), longitudeOf(in.coordinates))
                .run();
        if (s != DbStatus::Ok) return s;
        id = db_.lastInsertId();
        std::vector<int64_t> groups;
        if ((s = GroupStore::ensureGroups(db_, in.groups, actor, groups)) != DbStatus::Ok) return s;
        if ((s = GroupStore::setSignGroups(db_, id, groups)) != DbStatus::Ok) return s;
        return AuditLog::append(db_,
                                actor.audit("sign.create", signTarget(id), "ok", in.name + " " + in.link));
    });
}

DbStatus SignStore::update(int64_t id, const SignPatch& p, const Actor& actor) {
    return inTransaction(db_, [&] {
        // One statement: a field left NULL keeps its value.
        DbStatus s = notFoundWhenNone(
            db_,
            db_.prepare(
                   "UPDATE signs SET name = coalesce(?2, name), link = coalesce(?3, link),"
                   " model = coalesce(?4, model), width = coalesce(?5, width), height = coalesce(?6, height),"
                   " location = coalesce(?7, location), notes = coalesce(?8, notes) WHERE id = ?1")
                .bindAll(id, p.name, p.link, p.model, p.width, p.height, p.location, p.notes)
                .run());
        if (s != DbStatus::Ok) return s;
        if (p.coordinates && (s = db_.prepare("UPDATE signs SET latitude = ?2, longitude = ?3 WHERE id = ?1")
                                      .bindAll(id, latitudeOf(*p.coordinates), longitudeOf(*p.coordinates))
                                      .run()) != DbStatus::Ok)
            return s;
        if (p.groups) {
            std::vector<int64_t> groups;
            if ((s = GroupStore::ensureGroups(db_, *p.groups, actor, groups)) != DbStatus::Ok) return s;
            if ((s = GroupStore::setSignGroups(db_, id, groups)) != DbStatus::Ok) return s;
        }
        return AuditLog::append(db_, actor.audit("sign.update", signTarget(id), "ok", p.link ? *p.link : ""));
    });
}

DbStatus SignStore::remove(int64_t id, const Actor& actor) {
    return inTransaction(db_, [&] {
        Statement busy =
            db_.prepare("SELECT 1 FROM job_signs WHERE sign_id = ? AND state IN ('queued', 'running')")
                .bindAll(id);
        if (busy.step()) return DbStatus::Conflict;
        if (busy.status() != DbStatus::Ok) return busy.status();
        const DbStatus s =
            notFoundWhenNone(db_, db_.prepare("DELETE FROM signs WHERE id = ?").bindAll(id).run());
        if (s != DbStatus::Ok) return s;
        return AuditLog::append(db_, actor.audit("sign.delete", signTarget(id)));
    });
}

DbStatus SignStore::get(int64_t id, SignRecord& out) {
    std::lock_guard lock(db_.mutex());
    std::vector<SignRecord> one;
    if (const DbStatus s = readSigns(db_, id, one); s != DbStatus::Ok) return s;
    if (one.empty()) return DbStatus::NotFound;
    out = std::move(one.front());
    return DbStatus::Ok;
}

DbStatus SignStore::list(std::vector<SignRecord>& out) {
    std::lock_guard lock(db_.mutex());
    return readSigns(db_, std::nullopt, out);
}

DbStatus SignStore::existing(const std::vector<int64_t>& ids, int64_t& missing) {
    std::lock_guard lock(db_.mutex());
    for (int64_t id : ids) {
        Statement st = db_.prepare("SELECT 1 FROM signs WHERE id = ?").bindAll(id);
        if (st.step()) continue;
        if (st.status() != DbStatus::Ok) return st.status();
        missing = id;
        return DbStatus::NotFound;
    }
    return DbStatus::Ok;
}

DbStatus SignStore::writeHolding(Database& db, int64_t id, const SignHolding& h, const Actor& actor) {
    if (h.kind == SignHolding::Unknown) return clearHolding(db, id, actor);
    const bool program = h.kind == SignHolding::Program;
    const DbStatus s =
        db.prepare(
              "INSERT OR REPLACE INTO sign_holdings (sign_id, kind, program_id, version, since, verified)"
              " VALUES (?, ?, ?, ?, ?, ?)")
            .bindAll(id, program ? "program" : "empty", program ? std::optional(h.program) : std::nullopt,
                     program ? std::optional(h.version) : std::nullopt, h.since, h.verified)
            .run();
    if (s != DbStatus::Ok) return s;
    const std::string what = program ? "program " + std::to_string(h.program) + " version " +
                                           std::to_string(h.version) + " since " + h.since
                                     : "nothing";
    return AuditLog::append(db, actor.audit("sign.holds", signTarget(id), "ok", what));
}

DbStatus SignStore::clearHolding(Database& db, int64_t id, const Actor& actor) {
    const DbStatus s = db.prepare("DELETE FROM sign_holdings WHERE sign_id = ?").bindAll(id).run();
    if (s != DbStatus::Ok || db.changes() == 0) return s;
    return AuditLog::append(db, actor.audit("sign.holds", signTarget(id), "ok", "unknown"));
}

DbStatus SignStore::writeSettings(Database& db, int64_t id, const SignSettingsRecord& g, const Actor& actor) {
    DbStatus s = db.prepare("INSERT OR IGNORE INTO sign_settings (sign_id) VALUES (?)").bindAll(id).run();
    if (s != DbStatus::Ok) return s;
    // Only what was given changes; the rest keeps its value and time.
    s = db.prepare(
              "UPDATE sign_settings SET"
              " size_width = iif(?3 IS NULL, size_width, ?2), size_height = iif(?3 IS NULL, size_height, ?4),"
              " size_at = coalesce(?3, size_at),"
              " clock_offset_ms = iif(?6 IS NULL, clock_offset_ms, ?5), clock_at = coalesce(?6, clock_at),"
              " onoff_enabled = iif(?10 IS NULL, onoff_enabled, ?7), onoff_on = iif(?10 IS NULL, onoff_on, "
              "?8),"
              " onoff_off = iif(?10 IS NULL, onoff_off, ?9), onoff_at = coalesce(?10, onoff_at),"
              " window_mode = iif(?12 IS NULL, window_mode, ?11), window_at = coalesce(?12, window_at),"
              " brightness = iif(?14 IS NULL, brightness, ?13), brightness_at = coalesce(?14, brightness_at)"
              " WHERE sign_id = ?1")
            .bindAll(id, g.width, g.sizeAt, g.height, g.clockOffsetMs, g.clockAt, g.onOffEnabled, g.onTime,
                     g.offTime, g.onOffAt, g.windowMode, g.windowAt, g.brightness, g.brightnessAt)
            .run();
    if (s != DbStatus::Ok) return s;
    std::string what;
    if (g.sizeAt)
        what +=
            "size " + std::to_string(g.width.value_or(0)) + "x" + std::to_string(g.height.value_or(0)) + "; ";
    if (g.clockAt) what += "clock; ";
    if (g.onOffAt)
        what += std::string("onoff ") + (g.onOffEnabled.value_or(false) ? "on " : "off ") +
                g.onTime.value_or("") + "-" + g.offTime.value_or("") + "; ";
    if (g.windowAt) what += "window " + std::to_string(g.windowMode.value_or(0)) + "; ";
    if (g.brightnessAt) what += "brightness " + std::to_string(g.brightness.value_or(0) + 1) + "; ";
    if (!what.empty()) what.resize(what.size() - 2);
    return AuditLog::append(db, actor.audit("sign.settings", signTarget(id), "ok", what));
}

DbStatus SignStore::recordHolding(int64_t id, const SignHolding& h, const Actor& actor) {
    return inTransaction(db_, [&] { return writeHolding(db_, id, h, actor); });
}

DbStatus SignStore::forgetHolding(int64_t id, const Actor& actor) {
    return inTransaction(db_, [&] { return clearHolding(db_, id, actor); });
}

DbStatus SignStore::recordSettings(int64_t id, const SignSettingsRecord& g, const Actor& actor) {
    return inTransaction(db_, [&] { return writeSettings(db_, id, g, actor); });
}

DbStatus SignStore::noteAnswers(const std::vector<std::pair<int64_t, std::string>>& answers) {
    return inTransaction(db_, [&] {
        for (const auto& [id, at] : answers) {
            const DbStatus s = db_.prepare(
                                      "UPDATE sign_states SET last_answer = ?2"
                                      " WHERE sign_id = ?1 AND (last_answer IS NULL OR last_answer < ?2)")
                                   .bindAll(id, at)
                                   .run();
            if (s != DbStatus::Ok) return s;
        }
        return DbStatus::Ok;
    });
}

DbStatus SignStore::observe(int64_t id, const SignObservation& seen, const Actor& actor, bool& changed) {
    changed = false;
    return inTransaction(db_, [&] {
        Statement old = db_.prepare("SELECT state FROM sign_states WHERE sign_id = ?").bindAll(id);
        const std::string before = old.step() ? old.text(0) : std::string(toText(SignState::Unknown));
        if (old.status() != DbStatus::Ok) return old.status();
        const std::string now = toText(seen.state);
        const DbStatus s =
            db_.prepare(
                   "INSERT INTO sign_states (sign_id, state, last_answer, changed) VALUES (?1, ?2, ?3, ?4)"
                   " ON CONFLICT (sign_id) DO UPDATE SET state = ?2, last_answer = coalesce(?3, last_answer),"
                   " changed = iif(state = ?2, changed, ?4)")
                .bindAll(id, now, seen.answeredAt, actor.time)
                .run();
        if (s != DbStatus::Ok || before == now) return s;
        changed = true;
        return AuditLog::append(db_, actor.audit("sign.state", signTarget(id), now, "was " + before));
    });
}

}  // namespace orb
