#pragma once
// Users, their API tokens and their sessions. Only hashes of passwords, tokens and session ids
// are stored; the secrets themselves are made and checked by Auth.
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "service/core/AuditLog.h"
#include "service/core/Database.h"
#include "service/core/Role.h"

namespace orb {

struct UserRecord {
    int64_t id = 0;
    std::string name;
    Role role = Role::Viewer;
    std::string created;
};

class UserStore {
  public:
    explicit UserStore(Database& db) : db_(db) {}

    // Conflict when the name is taken.
    DbStatus add(const std::string& name, Role role, const std::string& passwordHash, const Actor& actor,
                 int64_t& id);
    DbStatus list(std::vector<UserRecord>& out);
    DbStatus get(int64_t id, UserRecord& out);
    DbStatus findByName(const std::string& name, UserRecord& out, std::string& passwordHash);
    DbStatus setRole(int64_t id, Role role, const Actor& actor);
    DbStatus setPassword(int64_t id, const std::string& passwordHash, const Actor& actor);
    // Removes the user with its tokens and sessions.
    DbStatus remove(int64_t id, const Actor& actor);
    // How many admins there are (the last one is not removed or demoted).
    DbStatus adminCount(int& out);

    DbStatus addToken(int64_t userId, std::span<const uint8_t> tokenHash,
                      const std::optional<std::string>& expires, const Actor& actor);
    // The user whose token or session has HASH and has not expired at NOW; NotFound otherwise.
    DbStatus userForToken(std::span<const uint8_t> tokenHash, const std::string& now, UserRecord& out);

    DbStatus addSession(int64_t userId, std::span<const uint8_t> idHash, const std::string& csrf,
                        const std::string& expires, const Actor& actor);
    DbStatus userForSession(std::span<const uint8_t> idHash, const std::string& now, UserRecord& out,
                            std::string& csrf, std::string& expires);
    DbStatus removeSession(std::span<const uint8_t> idHash, const Actor& actor);
    DbStatus removeExpiredSessions(const std::string& now);

  private:
    Database& db_;
};

}  // namespace orb
