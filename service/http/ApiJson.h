#pragma once
// The JSON forms the API gives of stored records.
#include <nlohmann/json.hpp>

#include "service/core/AuditLog.h"
#include "service/core/GroupStore.h"
#include "service/core/JobStore.h"
#include "service/core/ProgramStore.h"
#include "service/core/SignStore.h"
#include "service/core/UserStore.h"

namespace orb::api {

// {"id", "name", "link", "model", "width", "height", "location", "notes", "groups", "state",
//  "lastAnswer", "busyJob", "holding", "holds", "settings", "created"}; "holds" is null or
// {"program", "version", "since", "verified"}, "holding" "program", "empty" or "unknown".
nlohmann::json signJson(const SignRecord& sign);
nlohmann::json groupJson(const GroupRecord& group);
nlohmann::json programJson(const ProgramRecord& program);
nlohmann::json versionSummaryJson(const ProgramVersionSummary& version);
// {"id", "action", parameters of the action, "target", "state", "createdBy", "created",
//  "started", "finished", and with SIGNS "signs": [{"sign", "state", "message", "attempt", "done",
//  "total", "updated"}, ...]}.
nlohmann::json jobJson(const JobRecord& job, bool withSigns);
nlohmann::json userJson(const UserRecord& user);
nlohmann::json auditJson(const AuditRecord& record);

}  // namespace orb::api
