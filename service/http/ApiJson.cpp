#include "service/http/ApiJson.h"

namespace orb::api {

using nlohmann::json;

namespace {

template <class T>
json orNull(const std::optional<T>& v) {
    return v ? json(*v) : json(nullptr);
}

json settingsJson(const SignSettingsRecord& g) {
    json out = json::object();
    out["size"] =
        g.sizeAt ? json{{"width", g.width.value_or(0)}, {"height", g.height.value_or(0)}, {"at", *g.sizeAt}}
                 : json(nullptr);
    out["clock"] =
        g.clockAt ? json{{"offsetMs", g.clockOffsetMs.value_or(0)}, {"at", *g.clockAt}} : json(nullptr);
    out["onOff"] = g.onOffAt ? json{{"enabled", g.onOffEnabled.value_or(false)},
                                    {"on", g.onTime.value_or("")},
                                    {"off", g.offTime.value_or("")},
                                    {"at", *g.onOffAt}}
                             : json(nullptr);
    out["displayWindow"] =
        g.windowAt ? json{{"mode", g.windowMode.value_or(0)}, {"at", *g.windowAt}} : json(nullptr);
    // 1..10, as the menu shows it.
    out["brightness"] = g.brightnessAt
                            ? json{{"level", g.brightness.value_or(0) + 1}, {"at", *g.brightnessAt}}
                            : json(nullptr);
    return out;
}

const char* holdingText(SignHolding::Kind k) {
    switch (k) {
        case SignHolding::Program:
            return "program";
        case SignHolding::Empty:
            return "empty";
        case SignHolding::Unknown:
            break;
    }
    return "unknown";
}

}  // namespace

json signJson(const SignRecord& s) {
    json holds = nullptr;
    if (s.holding.kind == SignHolding::Program)
        holds = {{"program", s.holding.program},
                 {"version", s.holding.version},
                 {"since", s.holding.since},
                 {"verified", s.holding.verified}};
    return {{"id", s.id},
            {"name", s.name},
            {"link", s.link},
            {"model", s.model},
            {"width", s.width},
            {"height", s.height},
            {"location", s.location},
            {"notes", s.notes},
            {"latitude", s.coordinates ? json(s.coordinates->latitude) : json(nullptr)},
            {"longitude", s.coordinates ? json(s.coordinates->longitude) : json(nullptr)},
            {"groups", s.groups},
            {"state", toText(s.state)},
            {"lastAnswer", orNull(s.lastAnswer)},
            {"busyJob", orNull(s.busyJob)},
            {"holding", holdingText(s.holding.kind)},
            {"holds", holds},
            {"settings", settingsJson(s.settings)},
            {"created", s.created}};
}

json groupJson(const GroupRecord& g) {
    return {{"id", g.id}, {"name", g.name}, {"signs", g.signs}, {"created", g.created}};
}

json versionSummaryJson(const ProgramVersionSummary& v) {
    return {
        {"version", v.version}, {"items", v.itemCount}, {"createdBy", v.createdBy}, {"created", v.created}};
}

json programJson(const ProgramRecord& p) {
    json versions = json::array();
    for (const ProgramVersionSummary& v : p.versions) versions.push_back(versionSummaryJson(v));
    return {{"id", p.id},
            {"name", p.name},
            {"created", p.created},
            {"latest", p.versions.empty() ? 0 : p.versions.back().version},
            {"versions", versions}};
}

json jobJson(const JobRecord& j, bool withSigns) {
    json out = {{"id", j.id},
                {"action", toText(j.action)},
                {"target", j.target},
                {"state", toText(j.state)},
                {"createdBy", j.createdBy},
                {"created", j.created},
                {"started", orNull(j.started)},
                {"finished", orNull(j.finished)}};
    const JobParams& p = j.params;
    switch (j.action) {
        case JobAction::Push:
            out["program"] = p.program;
            out["version"] = p.version;
            break;
        case JobAction::Size:
            out["width"] = p.width;
            out["height"] = p.height;
            break;
        case JobAction::Clock:
            break;
        case JobAction::OnOff:
            out["enabled"] = p.enabled;
            out["on"] = p.onTime;
            out["off"] = p.offTime;
            break;
        case JobAction::Window:
            out["mode"] = p.mode;
            break;
        case JobAction::Brightness:
            out["level"] = p.level + 1;
            break;
        case JobAction::Pull:
            if (p.program != 0) out["program"] = p.program;
            break;
    }
    if (withSigns) {
        json signs = json::array();
        for (const JobSignRecord& s : j.signs)
            signs.push_back({{"sign", s.sign},
                             {"state", toText(s.state)},
                             {"message", s.message},
                             {"attempt", s.attempt},
                             {"done", s.done},
                             {"total", s.total},
                             {"updated", s.updated}});
        out["signs"] = signs;
    }
    return out;
}

json userJson(const UserRecord& u) {
    return {{"id", u.id}, {"name", u.name}, {"role", toText(u.role)}, {"created", u.created}};
}

json auditJson(const AuditRecord& a) {
    return {{"id", a.id},         {"time", a.time},     {"user", a.user},    {"action", a.action},
            {"target", a.target}, {"result", a.result}, {"detail", a.detail}};
}

}  // namespace orb::api
