// Programs: upload a bundle (a new program, or a program's next version), list, one (its latest
// version's items as the editor lists them), a version, its bundle, delete.
#include "editor/core/ListRow.h"
#include "editor/core/ProgramJson.h"
#include "image/DecimalNumber.h"
#include "service/core/SignFrames.h"
#include "service/http/ApiError.h"
#include "service/http/ApiJson.h"
#include "service/http/ApiRoute.h"

namespace orb::api {

namespace {

// The version's items, one array of the list's nine column texts each. They come from the
// program as uploaded, so that pictures show under the names the bundle gave them rather than
// their content-store names.
nlohmann::json itemsJson(const ProgramVersionRecord& v) {
    nlohmann::json items = nlohmann::json::array();
    ItemStore store;
    JsonImportOptions options;
    options.fileExists = [](const std::string&) { return true; };
    std::vector<ListRow> rows;
    if (!hasErrors(importProgramJson(v.json, options, store)) && readListRows(store, rows) == IoResult::Ok)
        for (const ListRow& row : rows) items.push_back(row.columns);
    return items;
}

nlohmann::json columnsJson() {
    nlohmann::json out = nlohmann::json::array();
    for (const ListColumn& c : kListColumns) out.push_back(c.heading);
    return out;
}

nlohmann::json versionJson(const ProgramVersionRecord& v) {
    nlohmann::json files = nlohmann::json::array();
    for (const ProgramFile& f : v.files) files.push_back({{"name", f.name}, {"hash", f.stored}});
    return {{"program", v.program},     {"version", v.version}, {"items", v.itemCount},
            {"createdBy", v.createdBy}, {"created", v.created}, {"columns", columnsJson()},
            {"rows", itemsJson(v)},     {"files", files}};
}

void listPrograms(ApiCall& call) {
    if (!onlyParams(call, {})) return;
    std::vector<ProgramRecord> programs;
    if (!readOk(call, call.net.store.programs.list(programs), "the programs")) return;
    nlohmann::json out = nlohmann::json::array();
    for (const ProgramRecord& p : programs) out.push_back(programJson(p));
    sendJson(call.res, 200, out);
}

void getProgram(ApiCall& call) {
    const int64_t id = call.pathId(1);
    ProgramRecord program;
    ProgramVersionRecord latest;
    if (!readOk(call, call.net.store.programs.get(id, program), "program " + std::to_string(id))) return;
    if (!readOk(call, call.net.store.programs.version(id, 0, latest), "program " + std::to_string(id)))
        return;
    nlohmann::json out = programJson(program);
    out["current"] = versionJson(latest);
    sendJson(call.res, 200, out);
}

void getVersion(ApiCall& call) {
    const int64_t id = call.pathId(1);
    const int64_t version = call.pathId(2);
    ProgramVersionRecord v;
    const std::string what = "program " + std::to_string(id) + " version " + std::to_string(version);
    if (version < 1 || version > INT32_MAX)
        return sendError(call.res, 404, code::kNotFound, what + " does not exist");
    if (!readOk(call, call.net.store.programs.version(id, static_cast<int>(version), v), what)) return;
    sendJson(call.res, 200, versionJson(v));
}

std::span<const uint8_t> bodyBytes(const ApiCall& call) {
    return {reinterpret_cast<const uint8_t*>(call.body.data()), call.body.size()};
}

void sendCreated(ApiCall& call, int64_t id, int version, const std::vector<std::string>& warnings) {
    call.res.set_header("Location",
                        "/api/v1/programs/" + std::to_string(id) + "/versions/" + std::to_string(version));
    sendJson(call.res, 201, {{"id", id}, {"version", version}, {"warnings", warnings}});
}

void uploadProgram(ApiCall& call) {
    if (!onlyParams(call, {"name"})) return;
    const std::string name = call.req.has_param("name") ? call.req.get_param_value("name") : "untitled";
    int64_t id = 0;
    int version = 0;
    std::vector<std::string> warnings;
    if (!succeeded(call, call.net.addProgram(bodyBytes(call), name, std::nullopt, call.actor, id, version,
                                             warnings)))
        return;
    sendCreated(call, id, version, warnings);
}

void uploadVersion(ApiCall& call) {
    if (!onlyParams(call, {})) return;
    int64_t id = call.pathId(1);
    int version = 0;
    std::vector<std::string> warnings;
    if (!succeeded(call, call.net.addProgram(bodyBytes(call), "", id, call.actor, id, version, warnings)))
        return;
    sendCreated(call, id, version, warnings);
}

void downloadBundle(ApiCall& call) {
    const int64_t id = call.pathId(1);
    const int64_t version = call.pathId(2);
    if (version < 1 || version > INT32_MAX)
        return sendError(call.res, 404, code::kNotFound,
                         "program " + std::to_string(id) + " has no such version");
    std::vector<uint8_t> zip;
    if (!succeeded(call, call.net.programBundle(id, static_cast<int>(version), zip))) return;
    call.res.status = 200;
    call.res.set_header("Content-Disposition", "attachment; filename=\"program-" + std::to_string(id) + "-" +
                                                   std::to_string(version) + ".zip\"");
    call.res.set_content(std::string(zip.begin(), zip.end()), "application/zip");
}

// The query parameter NAME as a number (DEFAULT when missing); nothing, with the error sent, when it
// is not one of LOW..HIGH.
std::optional<int> numberParam(ApiCall& call, const char* name, int fallback, int low, int high) {
    if (!call.req.has_param(name)) return fallback;
    const auto n =
        parseDecimal(call.req.get_param_value(name), static_cast<uint64_t>(low), static_cast<uint64_t>(high));
    if (!n) {
        sendError(call.res, 422, code::kInvalid,
                  std::string(name) + ": " + std::to_string(low) + " to " + std::to_string(high));
        return std::nullopt;
    }
    return static_cast<int>(*n);
}

void previewVersion(ApiCall& call) {
    if (!onlyParams(call, {"at", "width", "height", "seconds", "scale"})) return;
    PreviewRequest p;
    p.program = call.pathId(1);
    const int64_t version = call.pathId(2);
    if (version < 1 || version > INT32_MAX)
        return sendError(call.res, 404, code::kNotFound,
                         "program " + std::to_string(p.program) + " has no such version");
    p.version = static_cast<int>(version);
    if (!call.req.has_param("at") || !parseIsoText(call.req.get_param_value("at"), p.at))
        return sendError(call.res, 422, code::kInvalid,
                         "at: YYYY-MM-DDTHH:MM:SS[.mmm], the sign's local time");
    const auto width = numberParam(call, "width", 6, 5, 40);
    const auto height = width ? numberParam(call, "height", 1, 1, 8) : std::nullopt;
    const auto seconds = height ? numberParam(call, "seconds", 10, 1, 60) : std::nullopt;
    const auto scale = seconds ? numberParam(call, "scale", 2, 1, 8) : std::nullopt;
    if (!scale) return;
    p.width = *width, p.height = *height, p.seconds = *seconds, p.scale = *scale;
    if (!call.net.frames) return sendError(call.res, 503, code::kUnavailable, "previews are not served");
    std::vector<uint8_t> gif;
    if (!succeeded(call, call.net.frames->previewGif(p, gif))) return;
    call.res.status = 200;
    call.res.set_content(std::string(gif.begin(), gif.end()), "image/gif");
}

void deleteProgram(ApiCall& call) {
    if (!succeeded(call, call.net.deleteProgram(call.pathId(1), call.actor))) return;
    call.res.status = 204;
}

}  // namespace

void addProgramRoutes(std::vector<ApiRoute>& routes) {
    routes.push_back({"GET", "/api/v1/programs", Role::Viewer, BodyKind::None, listPrograms});
    routes.push_back({"POST", "/api/v1/programs", Role::Operator, BodyKind::Zip, uploadProgram});
    routes.push_back(
        {"POST", "/api/v1/programs/{id}/versions", Role::Operator, BodyKind::Zip, uploadVersion});
    routes.push_back({"GET", "/api/v1/programs/{id}/versions/{version}/bundle", Role::Viewer, BodyKind::None,
                      downloadBundle});
    routes.push_back({"GET", "/api/v1/programs/{id}/versions/{version}/preview", Role::Viewer, BodyKind::None,
                      previewVersion});
    routes.push_back({"GET", "/api/v1/programs/{id}", Role::Viewer, BodyKind::None, getProgram});
    routes.push_back({"DELETE", "/api/v1/programs/{id}", Role::Operator, BodyKind::None, deleteProgram});
    routes.push_back(
        {"GET", "/api/v1/programs/{id}/versions/{version}", Role::Viewer, BodyKind::None, getVersion});
}

}  // namespace orb::api
