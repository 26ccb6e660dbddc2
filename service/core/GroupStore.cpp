#include "service/core/GroupStore.h"

#include <map>

namespace orb {

namespace {

DbStatus notFoundWhenNone(Database& db, DbStatus s) {
    return s == DbStatus::Ok && db.changes() == 0 ? DbStatus::NotFound : s;
}

DbStatus setMembers(Database& db, int64_t group, const std::vector<int64_t>& signs) {
    DbStatus s = db.prepare("DELETE FROM sign_groups WHERE group_id = ?").bindAll(group).run();
    for (int64_t sign : signs) {
        if (s != DbStatus::Ok) break;
        s = db.prepare("INSERT OR IGNORE INTO sign_groups (sign_id, group_id) VALUES (?, ?)")
                .bindAll(sign, group)
                .run();
    }
    // A sign that does not exist fails the foreign key.
    return s == DbStatus::Conflict ? DbStatus::NotFound : s;
}

}  // namespace

DbStatus GroupStore::ensureGroups(Database& db, const std::vector<std::string>& names, const Actor& actor,
                                  std::vector<int64_t>& ids) {
    ids.clear();
    for (const std::string& name : names) {
        Statement find = db.prepare("SELECT id FROM groups WHERE name = ?").bindAll(name);
        if (find.step()) {
            ids.push_back(find.integer(0));
            continue;
        }
        if (find.status() != DbStatus::Ok) return find.status();
        DbStatus s =
            db.prepare("INSERT INTO groups (name, created) VALUES (?, ?)").bindAll(name, actor.time).run();
        if (s != DbStatus::Ok) return s;
        ids.push_back(db.lastInsertId());
        s = AuditLog::append(db,
                             actor.audit("group.create", "group " + std::to_string(ids.back()), "ok", name));
        if (s != DbStatus::Ok) return s;
    }
    return DbStatus::Ok;
}

DbStatus GroupStore::setSignGroups(Database& db, int64_t sign, const std::vector<int64_t>& groupIds) {
    DbStatus s = db.prepare("DELETE FROM sign_groups WHERE sign_id = ?").bindAll(sign).run();
    for (int64_t group : groupIds) {
        if (s != DbStatus::Ok) break;
        s = db.prepare("INSERT OR IGNORE INTO sign_groups (sign_id, group_id) VALUES (?, ?)")
                .bindAll(sign, group)
                .run();
    }
    return s;
}

DbStatus GroupStore::create(const std::string& name, const std::vector<int64_t>& signs, const Actor& actor,
                            int64_t& id) {
    return inTransaction(db_, [&] {
        DbStatus s =
            db_.prepare("INSERT INTO groups (name, created) VALUES (?, ?)").bindAll(name, actor.time).run();
        if (s != DbStatus::Ok) return s;
        id = db_.lastInsertId();
        if ((s = setMembers(db_, id, signs)) != DbStatus::Ok) return s;
        return AuditLog::append(db_, actor.audit("group.create", "group " + std::to_string(id), "ok", name));
    });
}

DbStatus GroupStore::update(int64_t id, const std::optional<std::string>& name,
                            const std::optional<std::vector<int64_t>>& signs, const Actor& actor) {
    return inTransaction(db_, [&] {
        Statement find = db_.prepare("SELECT name FROM groups WHERE id = ?").bindAll(id);
        if (!find.step()) return find.status() == DbStatus::Ok ? DbStatus::NotFound : find.status();
        DbStatus s = DbStatus::Ok;
        if (name) s = db_.prepare("UPDATE groups SET name = ? WHERE id = ?").bindAll(*name, id).run();
        if (s == DbStatus::Ok && signs) s = setMembers(db_, id, *signs);
        if (s != DbStatus::Ok) return s;
        std::string detail = name ? "name " + *name : std::string();
        if (signs) detail += (detail.empty() ? "" : "; ") + std::to_string(signs->size()) + " signs";
        return AuditLog::append(db_,
                                actor.audit("group.update", "group " + std::to_string(id), "ok", detail));
    });
}

DbStatus GroupStore::remove(int64_t id, const Actor& actor) {
    return inTransaction(db_, [&] {
        const DbStatus s =
            notFoundWhenNone(db_, db_.prepare("DELETE FROM groups WHERE id = ?").bindAll(id).run());
        if (s != DbStatus::Ok) return s;
        return AuditLog::append(db_, actor.audit("group.delete", "group " + std::to_string(id)));
    });
}

DbStatus GroupStore::get(int64_t id, GroupRecord& out) {
    std::vector<GroupRecord> all;
    if (const DbStatus s = list(all); s != DbStatus::Ok) return s;
    for (GroupRecord& g : all)
        if (g.id == id) {
            out = std::move(g);
            return DbStatus::Ok;
        }
    return DbStatus::NotFound;
}

DbStatus GroupStore::list(std::vector<GroupRecord>& out) {
    std::lock_guard lock(db_.mutex());
    out.clear();
    std::map<int64_t, size_t> at;
    Statement groups = db_.prepare("SELECT id, name, created FROM groups ORDER BY id");
    while (groups.step()) {
        at[groups.integer(0)] = out.size();
        out.push_back({groups.integer(0), groups.text(1), {}, groups.text(2)});
    }
    if (groups.status() != DbStatus::Ok) return groups.status();
    Statement members = db_.prepare("SELECT group_id, sign_id FROM sign_groups ORDER BY group_id, sign_id");
    while (members.step()) {
        const auto it = at.find(members.integer(0));
        if (it != at.end()) out[it->second].signs.push_back(members.integer(1));
    }
    return members.status();
}

}  // namespace orb
