#include "service/core/ServiceSettings.h"

#include <cstdlib>

namespace orb {

const std::vector<SettingKey>& settingKeys() {
    static const std::vector<SettingKey> keys = {
        {"max_links", 1, 256, &ServiceSettings::maxLinks},
        {"tries", 1, 20, &ServiceSettings::tries},
        {"first_retry_ms", 0, 3600000, &ServiceSettings::firstRetryMs},
        {"retry_factor", 1, 10, &ServiceSettings::retryFactor},
        {"max_retry_ms", 0, 3600000, &ServiceSettings::maxRetryMs},
        {"check_seconds", 1, 86400, &ServiceSettings::checkSeconds},
        {"holding_check_seconds", 1, 7 * 86400, &ServiceSettings::holdingCheckSeconds},
        {"session_minutes", 1, 30 * 24 * 60, &ServiceSettings::sessionMinutes},
        {"clock_minute", 0, 24 * 60 - 1, &ServiceSettings::clockMinute},
    };
    return keys;
}

DbStatus SettingsStore::load(ServiceSettings& out) {
    std::lock_guard lock(db_.mutex());
    out = ServiceSettings{};
    Statement st = db_.prepare("SELECT key, value FROM settings");
    while (st.step()) {
        const std::string key = st.text(0);
        const std::string text = st.text(1);
        for (const SettingKey& k : settingKeys()) {
            if (key != k.key) continue;
            char* end = nullptr;
            const long v = std::strtol(text.c_str(), &end, 10);
            // A value out of range (written by hand) keeps the default.
            if (end && *end == 0 && !text.empty() && v >= k.min && v <= k.max)
                out.*k.field = static_cast<int>(v);
        }
    }
    return st.status();
}

DbStatus SettingsStore::set(const std::string& key, int value, const Actor& actor) {
    const SettingKey* found = nullptr;
    for (const SettingKey& k : settingKeys())
        if (key == k.key) found = &k;
    if (!found) return DbStatus::NotFound;
    if (value < found->min || value > found->max) return DbStatus::Conflict;
    return inTransaction(db_, [&] {
        const DbStatus s = db_.prepare("INSERT OR REPLACE INTO settings (key, value) VALUES (?, ?)")
                               .bindAll(key, std::to_string(value))
                               .run();
        if (s != DbStatus::Ok) return s;
        return AuditLog::append(db_, actor.audit("setting", key, "ok", std::to_string(value)));
    });
}

}  // namespace orb
