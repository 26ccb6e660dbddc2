// The audit log (admins only), newest first, filtered by the query.
#include "image/DecimalNumber.h"
#include "service/http/ApiError.h"
#include "service/http/ApiJson.h"
#include "service/http/ApiRoute.h"

namespace orb::api {

namespace {

void queryAudit(ApiCall& call) {
    if (!onlyParams(call, {"user", "action", "target", "result", "from", "to", "before", "limit"})) return;
    AuditFilter f;
    const auto text = [&](const char* name) {
        return call.req.has_param(name) ? std::optional(call.req.get_param_value(name)) : std::nullopt;
    };
    f.user = text("user");
    f.action = text("action");
    f.target = text("target");
    f.result = text("result");
    for (const char* name : {"from", "to"}) {
        const auto value = text(name);
        LocalTimestamp t;
        if (value && !parseIsoText(*value, t))
            return sendError(call.res, 400, code::kInvalid,
                             std::string(name) + ": \"YYYY-MM-DDTHH:MM:SS[.mmm]\"");
        if (value) (std::string(name) == "from" ? f.from : f.to) = toIsoText(t);
    }
    if (const auto before = text("before")) {
        const auto v = parseDecimal(*before, 1, INT64_MAX);
        if (!v) return sendError(call.res, 400, code::kInvalid, "before: an entry id");
        f.before = static_cast<int64_t>(*v);
    }
    if (const auto limit = text("limit")) {
        const auto v = parseDecimal(*limit, 1, 1000);
        if (!v) return sendError(call.res, 400, code::kInvalid, "limit: 1 to 1000");
        f.limit = static_cast<int>(*v);
    }
    std::vector<AuditRecord> rows;
    if (!readOk(call, call.net.store.audit.query(f, rows), "the audit log")) return;
    nlohmann::json out = nlohmann::json::array();
    for (const AuditRecord& r : rows) out.push_back(auditJson(r));
    sendJson(call.res, 200, out);
}

}  // namespace

void addAuditRoutes(std::vector<ApiRoute>& routes) {
    routes.push_back({"GET", "/api/v1/audit", Role::Admin, BodyKind::None, queryAudit});
}

}  // namespace orb::api
