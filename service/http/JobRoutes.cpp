// Jobs: push a program, send a setting or pull the programs back, to signs, groups or all; list,
// one, cancel.
#include "image/DecimalNumber.h"
#include "service/http/ApiError.h"
#include "service/http/ApiJson.h"
#include "service/http/ApiRoute.h"

namespace orb::api {

namespace {

// Each action's fields: the targets, then its own parameters.
#define ORB_JOB_TARGETS                                                    \
    {"action", JsonType::String, true}, {"signs", JsonType::IntegerArray}, \
        {"groups", JsonType::StringArray}, {                               \
        "all", JsonType::Boolean                                           \
    }
constexpr FieldRule kPush[] = {
    ORB_JOB_TARGETS, {"program", JsonType::Integer, true}, {"version", JsonType::Integer}};
constexpr FieldRule kSize[] = {
    ORB_JOB_TARGETS, {"width", JsonType::Integer, true}, {"height", JsonType::Integer, true}};
constexpr FieldRule kClock[] = {ORB_JOB_TARGETS};
constexpr FieldRule kOnOff[] = {ORB_JOB_TARGETS,
                                {"enabled", JsonType::Boolean, true},
                                {"on", JsonType::String, true},
                                {"off", JsonType::String, true}};
constexpr FieldRule kWindow[] = {ORB_JOB_TARGETS, {"mode", JsonType::Integer, true}};
constexpr FieldRule kBrightness[] = {ORB_JOB_TARGETS, {"level", JsonType::Integer, true}};
constexpr FieldRule kPull[] = {ORB_JOB_TARGETS, {"program", JsonType::Integer}};
#undef ORB_JOB_TARGETS

std::span<const FieldRule> rulesFor(JobAction action) {
    switch (action) {
        case JobAction::Push:
            return kPush;
        case JobAction::Size:
            return kSize;
        case JobAction::Clock:
            return kClock;
        case JobAction::OnOff:
            return kOnOff;
        case JobAction::Window:
            return kWindow;
        case JobAction::Brightness:
            return kBrightness;
        case JobAction::Pull:
            return kPull;
    }
    return kClock;
}

// A parameter within what an int holds; the core checks the real range.
int smallInt(const nlohmann::json& body, const char* name) {
    return static_cast<int>(std::clamp<int64_t>(integerField(body, name).value_or(-1), -1, INT32_MAX));
}

// The request from a body already checked against its action's fields.
JobRequest jobRequest(JobAction action, const nlohmann::json& body) {
    JobRequest r;
    r.action = action;
    r.signs = integersField(body, "signs").value_or(std::vector<int64_t>{});
    r.groups = stringsField(body, "groups").value_or(std::vector<std::string>{});
    r.all = booleanField(body, "all").value_or(false);
    JobParams& p = r.params;
    p.program = integerField(body, "program").value_or(0);
    p.version = body.contains("version") ? std::max(smallInt(body, "version"), -1) : 0;
    p.width = smallInt(body, "width");
    p.height = smallInt(body, "height");
    p.enabled = booleanField(body, "enabled").value_or(false);
    p.onTime = stringField(body, "on").value_or("");
    p.offTime = stringField(body, "off").value_or("");
    p.mode = smallInt(body, "mode");
    p.level = smallInt(body, "level") - 1;  // 1..10 as the menu shows it; the sign takes 0..9
    return r;
}

void createJob(ApiCall& call) {
    nlohmann::json body;
    if (const BodyError e = parseJsonText(call.body, body))
        return sendError(call.res, 400, code::kBadRequest, e.message);
    // The action first: it decides which other fields belong.
    const auto actionText = body.is_object() ? stringField(body, "action") : std::nullopt;
    const auto action = actionText ? parseJobAction(*actionText) : std::nullopt;
    if (!action)
        return sendError(
            call.res, 400, code::kInvalid,
            "action: one of \"push\", \"size\", \"clock\", \"onoff\", \"window\", \"brightness\", \"pull\"");
    if (const BodyError e = checkJsonObject(body, rulesFor(*action), ""))
        return sendError(call.res, 400, code::kInvalid, e.message);
    const JobRequest request = jobRequest(*action, body);
    if (*action == JobAction::Push && request.params.version < 0)
        return sendError(call.res, 422, code::kInvalid, "version: 1 or more (0 or left out: the latest)");
    JobCreated created;
    if (!succeeded(call, call.net.createJob(request, call.actor, created))) return;
    nlohmann::json held = nlohmann::json::array();
    for (const HeldSign& h : created.held) held.push_back({{"sign", h.sign}, {"job", h.job}});
    call.res.set_header("Location", "/api/v1/jobs/" + std::to_string(created.id));
    sendJson(call.res, 201, {{"id", created.id}, {"held", held}});
}

void listJobs(ApiCall& call) {
    if (!onlyParams(call, {"state", "before", "limit"})) return;
    JobFilter filter;
    if (call.req.has_param("state")) {
        filter.state = parseJobState(call.req.get_param_value("state"));
        if (!filter.state) return sendError(call.res, 400, code::kInvalid, "state: a job state");
    }
    if (call.req.has_param("before")) {
        const auto v = parseDecimal(call.req.get_param_value("before"), 1, INT64_MAX);
        if (!v) return sendError(call.res, 400, code::kInvalid, "before: a job id");
        filter.before = static_cast<int64_t>(*v);
    }
    if (call.req.has_param("limit")) {
        const auto v = parseDecimal(call.req.get_param_value("limit"), 1, 1000);
        if (!v) return sendError(call.res, 400, code::kInvalid, "limit: 1 to 1000");
        filter.limit = static_cast<int>(*v);
    }
    std::vector<JobRecord> jobs;
    if (!readOk(call, call.net.store.jobs.list(filter, jobs), "the jobs")) return;
    nlohmann::json out = nlohmann::json::array();
    for (const JobRecord& j : jobs) out.push_back(jobJson(j, false));
    sendJson(call.res, 200, out);
}

void getJob(ApiCall& call) {
    const int64_t id = call.pathId(1);
    JobRecord job;
    if (!readOk(call, call.net.store.jobs.get(id, job), "job " + std::to_string(id))) return;
    sendJson(call.res, 200, jobJson(job, true));
}

void cancelJob(ApiCall& call) {
    const int64_t id = call.pathId(1);
    if (!succeeded(call, call.net.cancelJob(id, call.actor))) return;
    JobRecord job;
    if (!readOk(call, call.net.store.jobs.get(id, job), "job " + std::to_string(id))) return;
    sendJson(call.res, 200, jobJson(job, true));
}

}  // namespace

void addJobRoutes(std::vector<ApiRoute>& routes) {
    routes.push_back({"GET", "/api/v1/jobs", Role::Viewer, BodyKind::None, listJobs});
    routes.push_back({"POST", "/api/v1/jobs", Role::Operator, BodyKind::Json, createJob});
    routes.push_back({"GET", "/api/v1/jobs/{id}", Role::Viewer, BodyKind::None, getJob});
    routes.push_back({"POST", "/api/v1/jobs/{id}/cancel", Role::Operator, BodyKind::None, cancelJob});
}

}  // namespace orb::api
