#include "service/core/ProgramStore.h"

#include <map>

namespace orb {

namespace {
std::string programTarget(int64_t id) {
    return "program " + std::to_string(id);
}
}  // namespace

DbStatus ProgramStore::insertVersion(int64_t id, int version, const ProgramVersionInput& in,
                                     const Actor& actor) {
    DbStatus s = db_.prepare(
                        "INSERT INTO program_versions (program_id, version, json, store, item_count, "
                        "created_by, created)"
                        " VALUES (?, ?, ?, ?, ?, ?, ?)")
                     .bindAll(id, version, in.json, std::span<const uint8_t>(in.store), in.itemCount,
                              actor.user, actor.time)
                     .run();
    for (const ProgramFile& f : in.files) {
        if (s != DbStatus::Ok) return s;
        s = db_.prepare("INSERT INTO program_files (program_id, version, name, hash) VALUES (?, ?, ?, ?)")
                .bindAll(id, version, f.name, f.stored)
                .run();
    }
    if (s != DbStatus::Ok) return s;
    return AuditLog::append(db_, actor.audit("program.version", programTarget(id), "ok",
                                             "version " + std::to_string(version) + ", " +
                                                 std::to_string(in.itemCount) + " items"));
}

DbStatus ProgramStore::add(const std::string& name, const ProgramVersionInput& in, const Actor& actor,
                           int64_t& id) {
    return inTransaction(db_, [&] {
        const DbStatus s =
            db_.prepare("INSERT INTO programs (name, created) VALUES (?, ?)").bindAll(name, actor.time).run();
        if (s != DbStatus::Ok) return s;
        id = db_.lastInsertId();
        return insertVersion(id, 1, in, actor);
    });
}

DbStatus ProgramStore::addVersion(int64_t id, const ProgramVersionInput& in, const Actor& actor,
                                  int& version) {
    return inTransaction(db_, [&] {
        Statement st = db_.prepare(
                              "SELECT (SELECT max(version) FROM program_versions WHERE program_id = p.id)"
                              " FROM programs p WHERE p.id = ?")
                           .bindAll(id);
        if (!st.step()) return st.status() == DbStatus::Ok ? DbStatus::NotFound : st.status();
        version = static_cast<int>(st.integer(0)) + 1;
        return insertVersion(id, version, in, actor);
    });
}

namespace {

// Programs with id ONLY (all when unset); the caller holds the mutex.
DbStatus readPrograms(Database& db, std::optional<int64_t> only, std::vector<ProgramRecord>& out) {
    out.clear();
    std::map<int64_t, size_t> at;
    Statement st =
        db.prepare("SELECT id, name, created FROM programs WHERE ?1 IS NULL OR id = ?1 ORDER BY id");
    st.bindAll(only);
    while (st.step()) {
        at[st.integer(0)] = out.size();
        out.push_back({st.integer(0), st.text(1), st.text(2), {}});
    }
    if (st.status() != DbStatus::Ok) return st.status();
    Statement versions = db.prepare(
        "SELECT program_id, version, item_count, created_by, created FROM program_versions"
        " WHERE ?1 IS NULL OR program_id = ?1 ORDER BY program_id, version");
    versions.bindAll(only);
    while (versions.step()) {
        const auto it = at.find(versions.integer(0));
        if (it == at.end()) continue;
        out[it->second].versions.push_back({static_cast<int>(versions.integer(1)),
                                            static_cast<int>(versions.integer(2)), versions.text(3),
                                            versions.text(4)});
    }
    return versions.status();
}

}  // namespace

DbStatus ProgramStore::list(std::vector<ProgramRecord>& out) {
    std::lock_guard lock(db_.mutex());
    return readPrograms(db_, std::nullopt, out);
}

DbStatus ProgramStore::latestVersions(std::map<int64_t, int>& out) {
    std::lock_guard lock(db_.mutex());
    out.clear();
    Statement st = db_.prepare("SELECT program_id, max(version) FROM program_versions GROUP BY program_id");
    while (st.step()) out[st.integer(0)] = static_cast<int>(st.integer(1));
    return st.status();
}

DbStatus ProgramStore::get(int64_t id, ProgramRecord& out) {
    std::lock_guard lock(db_.mutex());
    std::vector<ProgramRecord> one;
    if (const DbStatus s = readPrograms(db_, id, one); s != DbStatus::Ok) return s;
    if (one.empty()) return DbStatus::NotFound;
    out = std::move(one.front());
    return DbStatus::Ok;
}

DbStatus ProgramStore::version(int64_t id, int version, ProgramVersionRecord& out) {
    std::lock_guard lock(db_.mutex());
    Statement st = db_.prepare(
                          "SELECT version, json, store, item_count, created_by, created FROM program_versions"
                          " WHERE program_id = ?1 AND (version = ?2 OR (?2 = 0 AND version ="
                          " (SELECT max(version) FROM program_versions WHERE program_id = ?1)))")
                       .bindAll(id, version);
    if (!st.step()) return st.status() == DbStatus::Ok ? DbStatus::NotFound : st.status();
    out.program = id;
    out.version = static_cast<int>(st.integer(0));
    out.json = st.text(1);
    out.store = st.blob(2);
    out.itemCount = static_cast<int>(st.integer(3));
    out.createdBy = st.text(4);
    out.created = st.text(5);
    out.files.clear();
    Statement files =
        db_.prepare("SELECT name, hash FROM program_files WHERE program_id = ? AND version = ? ORDER BY name")
            .bindAll(id, out.version);
    while (files.step()) out.files.push_back({files.text(0), files.text(1)});
    return files.status();
}

DbStatus ProgramStore::remove(int64_t id, const Actor& actor, std::vector<std::string>& unused) {
    unused.clear();
    return inTransaction(db_, [&] {
        Statement used =
            db_.prepare(
                   "SELECT 1 FROM sign_holdings WHERE program_id = ?1 UNION ALL SELECT 1 FROM jobs"
                   " WHERE program_id = ?1 AND state IN ('queued', 'running')")
                .bindAll(id);
        if (used.step()) return DbStatus::Conflict;
        if (used.status() != DbStatus::Ok) return used.status();
        Statement files =
            db_.prepare(
                   "SELECT DISTINCT hash FROM program_files f WHERE program_id = ?1 AND NOT EXISTS"
                   " (SELECT 1 FROM program_files o WHERE o.hash = f.hash AND o.program_id <> ?1)")
                .bindAll(id);
        while (files.step()) unused.push_back(files.text(0));
        if (files.status() != DbStatus::Ok) return files.status();
        DbStatus s = db_.prepare("DELETE FROM programs WHERE id = ?").bindAll(id).run();
        if (s == DbStatus::Ok && db_.changes() == 0) s = DbStatus::NotFound;
        if (s != DbStatus::Ok) return s;
        return AuditLog::append(db_, actor.audit("program.delete", programTarget(id)));
    });
}

}  // namespace orb
