#pragma once
// Groups of signs; a sign may be in several. Jobs name them as targets.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "service/core/AuditLog.h"
#include "service/core/Database.h"

namespace orb {

struct GroupRecord {
    int64_t id = 0;
    std::string name;
    std::vector<int64_t> signs;  // sorted
    std::string created;
};

class GroupStore {
  public:
    explicit GroupStore(Database& db) : db_(db) {}

    // Conflict when the name is taken; NotFound when one of SIGNS does not exist.
    DbStatus create(const std::string& name, const std::vector<int64_t>& signs, const Actor& actor,
                    int64_t& id);
    // Renames and/or replaces the members.
    DbStatus update(int64_t id, const std::optional<std::string>& name,
                    const std::optional<std::vector<int64_t>>& signs, const Actor& actor);
    DbStatus remove(int64_t id, const Actor& actor);
    DbStatus get(int64_t id, GroupRecord& out);
    DbStatus list(std::vector<GroupRecord>& out);

    // The ids of the groups named, created when missing; inside the caller's transaction.
    static DbStatus ensureGroups(Database& db, const std::vector<std::string>& names, const Actor& actor,
                                 std::vector<int64_t>& ids);
    // Replaces SIGN's groups by GROUPIDS; inside the caller's transaction.
    static DbStatus setSignGroups(Database& db, int64_t sign, const std::vector<int64_t>& groupIds);

  private:
    Database& db_;
};

}  // namespace orb
