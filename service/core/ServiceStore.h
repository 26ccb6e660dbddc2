#pragma once
// Everything the service keeps, opened together from its data folder: the folder's lock, the
// database (migrated to this build's schema) and the content store beside it, and the areas
// that read and write them.
#include <string>

#include "service/core/AuditLog.h"
#include "service/core/CalendarStore.h"
#include "service/core/ContentStore.h"
#include "service/core/DataFolder.h"
#include "service/core/Database.h"
#include "service/core/GroupStore.h"
#include "service/core/JobStore.h"
#include "service/core/ProgramStore.h"
#include "service/core/ServiceClock.h"
#include "service/core/ServiceSettings.h"
#include "service/core/SignStore.h"
#include "service/core/TakeoverStore.h"
#include "service/core/UserStore.h"

namespace orb {

class ServiceStore {
  public:
    ServiceStore() = default;
    ServiceStore(const ServiceStore&) = delete;
    ServiceStore& operator=(const ServiceStore&) = delete;

    // How the folder is opened: by the service, which holds its lock and records its start in
    // the audit log (proving the database writable), or by a command beside it (adding a user or
    // a token), which SQLite lets write alongside a running service.
    enum class Use { Service, Command };

    // Opens FOLDER (see DataFolder), its database and content store. False with ERROR set to a
    // message that names the folder or file at fault; nothing found there is changed then.
    bool open(const std::string& folder, const ServiceClock& clock, std::string& error,
              Use use = Use::Service);

    DataFolder folder;
    Database db;
    ContentStore content;
    AuditLog audit{db};
    UserStore users{db};
    SignStore signs{db};
    GroupStore groups{db};
    ProgramStore programs{db};
    JobStore jobs{db};
    SettingsStore settings{db};
    CalendarStore calendar{db};
    TakeoverStore takeovers{db};
};

}  // namespace orb
