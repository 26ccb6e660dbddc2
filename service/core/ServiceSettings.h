#pragma once
// The service's tunable settings, kept in the database's settings table (key, value as text) so
// that they survive restarts and are changed through the API: the runner's links, tries and
// delays, the health check periods and the session length. A key not in the table has its default.
#include <cstdint>
#include <string>
#include <vector>

#include "service/core/AuditLog.h"
#include "service/core/Database.h"

namespace orb {

struct ServiceSettings {
    int maxLinks = 8;                // signs talked to at once
    int tries = 3;                   // attempts of a failing sign before it ends as failed
    int firstRetryMs = 2000;         // the wait before the second attempt
    int retryFactor = 2;             // each further wait is this many times the one before
    int maxRetryMs = 60000;          // no wait is longer
    int checkSeconds = 60;           // the model check of every sign
    int holdingCheckSeconds = 3600;  // the read-back of item count and table
    int sessionMinutes = 720;        // a login's session
    int clockMinute = 210;           // the quiet minute after 00:00 from which each sign's clock is set daily
};

// One setting: its key, range and place in ServiceSettings.
struct SettingKey {
    const char* key;
    int min, max;
    int ServiceSettings::*field;
};
const std::vector<SettingKey>& settingKeys();

class SettingsStore {
  public:
    explicit SettingsStore(Database& db) : db_(db) {}

    DbStatus load(ServiceSettings& out);
    // NotFound for an unknown key, Conflict for a value outside its range.
    DbStatus set(const std::string& key, int value, const Actor& actor);

  private:
    Database& db_;
};

}  // namespace orb
