#pragma once
// The audit log: who did what to which target, when, and how it ended. Every change the service
// makes and every command it sends to a sign leaves a row, written in the same transaction as the
// change itself.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "service/core/Database.h"

namespace orb {

struct AuditRecord {
    int64_t id = 0;
    std::string time;    // the service clock's "YYYY-MM-DDTHH:MM:SS.mmm"
    std::string user;    // a user's name, or "orbd" for what the service does by itself
    std::string action;  // "sign.create", "job.push", "login", "sign.state", ...
    std::string target;  // "sign 3", "group 2", "job 7", "user alice", ...
    std::string result;  // "ok", "failed", "refused", or a state
    std::string detail;
};

// Who does something and when: each change's audit row is made from it.
struct Actor {
    std::string user;
    std::string time;  // the service clock when the request came

    AuditRecord audit(std::string action, std::string target, std::string result = "ok",
                      std::string detail = {}) const {
        return {0, time, user, std::move(action), std::move(target), std::move(result), std::move(detail)};
    }
};

struct AuditFilter {
    std::optional<std::string> user, action, target, result;
    std::optional<std::string> from, to;  // times, inclusive
    std::optional<int64_t> before;        // ids below this one (paging back)
    int limit = 100;                      // 1..1000
};

class AuditLog {
  public:
    explicit AuditLog(Database& db) : db_(db) {}

    // Writes RECORD inside the caller's transaction; the caller holds the database's mutex.
    static DbStatus append(Database& db, const AuditRecord& record);
    // Writes RECORD in a transaction of its own.
    DbStatus record(const AuditRecord& record);

    // Newest first.
    DbStatus query(const AuditFilter& filter, std::vector<AuditRecord>& out);

  private:
    Database& db_;
};

}  // namespace orb
