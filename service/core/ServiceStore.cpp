#include "service/core/ServiceStore.h"

#include "service/core/Schema.h"

namespace orb {

bool ServiceStore::open(const std::string& path, const ServiceClock& clock, std::string& error, Use use) {
    if (!folder.open(path, use == Use::Service, error)) return false;
    const DbOpenResult opened = db.open(folder.databasePath());
    if (!opened.ok) {
        error = opened.message;
        return false;
    }
    if (!migrateSchema(db, error)) return false;
    if (!content.open(folder.contentPath(), error)) return false;
    if (use == Use::Command) return true;
    const Actor service{"orbd", toIsoText(clock.now())};
    if (const DbStatus s = audit.record(service.audit("orbd.start", "orbd")); s != DbStatus::Ok) {
        error = db.path() + ": cannot be written (" + toText(s) + ")";
        return false;
    }
    return true;
}

}  // namespace orb
