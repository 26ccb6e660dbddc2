#include "service/core/UserStore.h"

namespace orb {

namespace {

UserRecord userFrom(const Statement& st, int at) {
    return {st.integer(at), st.text(at + 1), parseRole(st.text(at + 2)).value_or(Role::Viewer),
            st.text(at + 3)};
}

// NotFound when the statement just run changed no row.
DbStatus changed(Database& db, DbStatus s) {
    return s == DbStatus::Ok && db.changes() == 0 ? DbStatus::NotFound : s;
}

}  // namespace

DbStatus UserStore::add(const std::string& name, Role role, const std::string& passwordHash,
                        const Actor& actor, int64_t& id) {
    return inTransaction(db_, [&] {
        const DbStatus s =
            db_.prepare("INSERT INTO users (name, role, password_hash, created) VALUES (?, ?, ?, ?)")
                .bindAll(name, toText(role), passwordHash, actor.time)
                .run();
        if (s != DbStatus::Ok) return s;
        id = db_.lastInsertId();
        return AuditLog::append(db_, actor.audit("user.add", "user " + name, "ok", toText(role)));
    });
}

DbStatus UserStore::list(std::vector<UserRecord>& out) {
    std::lock_guard lock(db_.mutex());
    Statement st = db_.prepare("SELECT id, name, role, created FROM users ORDER BY name");
    out.clear();
    while (st.step()) out.push_back(userFrom(st, 0));
    return st.status();
}

DbStatus UserStore::get(int64_t id, UserRecord& out) {
    std::lock_guard lock(db_.mutex());
    Statement st = db_.prepare("SELECT id, name, role, created FROM users WHERE id = ?").bindAll(id);
    if (!st.step()) return st.status() == DbStatus::Ok ? DbStatus::NotFound : st.status();
    out = userFrom(st, 0);
    return DbStatus::Ok;
}

DbStatus UserStore::findByName(const std::string& name, UserRecord& out, std::string& passwordHash) {
    std::lock_guard lock(db_.mutex());
    Statement st =
        db_.prepare("SELECT id, name, role, created, password_hash FROM users WHERE name = ?").bindAll(name);
    if (!st.step()) return st.status() == DbStatus::Ok ? DbStatus::NotFound : st.status();
    out = userFrom(st, 0);
    passwordHash = st.text(4);
    return DbStatus::Ok;
}

DbStatus UserStore::setRole(int64_t id, Role role, const Actor& actor) {
    return inTransaction(db_, [&] {
        const DbStatus s = changed(
            db_, db_.prepare("UPDATE users SET role = ? WHERE id = ?").bindAll(toText(role), id).run());
        if (s != DbStatus::Ok) return s;
        return AuditLog::append(db_,
                                actor.audit("user.role", "user " + std::to_string(id), "ok", toText(role)));
    });
}

DbStatus UserStore::setPassword(int64_t id, const std::string& passwordHash, const Actor& actor) {
    return inTransaction(db_, [&] {
        DbStatus s = changed(
            db_,
            db_.prepare("UPDATE users SET password_hash = ? WHERE id = ?").bindAll(passwordHash, id).run());
        // A new password ends the sessions the old one opened.
        if (s == DbStatus::Ok) s = db_.prepare("DELETE FROM sessions WHERE user_id = ?").bindAll(id).run();
        if (s != DbStatus::Ok) return s;
        return AuditLog::append(db_, actor.audit("user.password", "user " + std::to_string(id)));
    });
}

DbStatus UserStore::remove(int64_t id, const Actor& actor) {
    return inTransaction(db_, [&] {
        const DbStatus s = changed(db_, db_.prepare("DELETE FROM users WHERE id = ?").bindAll(id).run());
        if (s != DbStatus::Ok) return s;
        return AuditLog::append(db_, actor.audit("user.delete", "user " + std::to_string(id)));
    });
}

DbStatus UserStore::adminCount(int& out) {
    std::lock_guard lock(db_.mutex());
    Statement st = db_.prepare("SELECT count(*) FROM users WHERE role = 'admin'");
    out = st.step() ? static_cast<int>(st.integer(0)) : 0;
    return st.status();
}

DbStatus UserStore::addToken(int64_t userId, std::span<const uint8_t> tokenHash,
                             const std::optional<std::string>& expires, const Actor& actor) {
    return inTransaction(db_, [&] {
        const DbStatus s =
            db_.prepare("INSERT INTO api_tokens (user_id, token_hash, created, expires) VALUES (?, ?, ?, ?)")
                .bindAll(userId, tokenHash, actor.time, expires)
                .run();
        if (s != DbStatus::Ok) return s;
        return AuditLog::append(db_, actor.audit("token.add", "user " + std::to_string(userId), "ok",
                                                 expires ? "expires " + *expires : std::string()));
    });
}

DbStatus UserStore::userForToken(std::span<const uint8_t> tokenHash, const std::string& now,
                                 UserRecord& out) {
    std::lock_guard lock(db_.mutex());
    Statement st =
        db_.prepare(
               "SELECT u.id, u.name, u.role, u.created FROM api_tokens t JOIN users u ON u.id = t.user_id"
               " WHERE t.token_hash = ? AND (t.expires IS NULL OR t.expires > ?)")
            .bindAll(tokenHash, now);
    if (!st.step()) return st.status() == DbStatus::Ok ? DbStatus::NotFound : st.status();
    out = userFrom(st, 0);
    return DbStatus::Ok;
}

DbStatus UserStore::addSession(int64_t userId, std::span<const uint8_t> idHash, const std::string& csrf,
                               const std::string& expires, const Actor& actor) {
    return inTransaction(db_, [&] {
        const DbStatus s = db_.prepare(
                                  "INSERT INTO sessions (user_id, token_hash, csrf, created, expires) VALUES "
                                  "(?, ?, ?, ?, ?)")
                               .bindAll(userId, idHash, csrf, actor.time, expires)
                               .run();
        if (s != DbStatus::Ok) return s;
        return AuditLog::append(db_, actor.audit("login", "user " + actor.user));
    });
}

DbStatus UserStore::userForSession(std::span<const uint8_t> idHash, const std::string& now, UserRecord& out,
                                   std::string& csrf, std::string& expires) {
    std::lock_guard lock(db_.mutex());
    Statement st = db_.prepare(
                          "SELECT u.id, u.name, u.role, u.created, s.csrf, s.expires FROM sessions s"
                          " JOIN users u ON u.id = s.user_id WHERE s.token_hash = ? AND s.expires > ?")
                       .bindAll(idHash, now);
    if (!st.step()) return st.status() == DbStatus::Ok ? DbStatus::NotFound : st.status();
    out = userFrom(st, 0);
    csrf = st.text(4);
    expires = st.text(5);
    return DbStatus::Ok;
}

DbStatus UserStore::removeSession(std::span<const uint8_t> idHash, const Actor& actor) {
    return inTransaction(db_, [&] {
        const DbStatus s =
            changed(db_, db_.prepare("DELETE FROM sessions WHERE token_hash = ?").bindAll(idHash).run());
        if (s != DbStatus::Ok) return s;
        return AuditLog::append(db_, actor.audit("logout", "user " + actor.user));
    });
}

DbStatus UserStore::removeExpiredSessions(const std::string& now) {
    return inTransaction(
        db_, [&] { return db_.prepare("DELETE FROM sessions WHERE expires <= ?").bindAll(now).run(); });
}

}  // namespace orb
