// Programs: list, one (its latest version's items as the editor lists them), a version, delete.
#include "editor/core/ListRow.h"
#include "service/http/ApiError.h"
#include "service/http/ApiJson.h"
#include "service/http/ApiRoute.h"

namespace orb::api {

namespace {

// The version's items, one array of the list's nine column texts each, with the headings.
nlohmann::json itemsJson(const ProgramVersionRecord& v) {
    nlohmann::json items = nlohmann::json::array();
    ItemStore store;
    std::vector<ListRow> rows;
    if (v.store.size() == ItemStore::kFileSize &&
        store.writeAll(std::span<const uint8_t, ItemStore::kFileSize>(
            v.store.data(), ItemStore::kFileSize)) == IoResult::Ok &&
        readListRows(store, rows) == IoResult::Ok)
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

void deleteProgram(ApiCall& call) {
    if (!succeeded(call, call.net.deleteProgram(call.pathId(1), call.actor))) return;
    call.res.status = 204;
}

}  // namespace

void addProgramRoutes(std::vector<ApiRoute>& routes) {
    routes.push_back({"GET", "/api/v1/programs", Role::Viewer, BodyKind::None, listPrograms});
    routes.push_back({"GET", "/api/v1/programs/{id}", Role::Viewer, BodyKind::None, getProgram});
    routes.push_back({"DELETE", "/api/v1/programs/{id}", Role::Operator, BodyKind::None, deleteProgram});
    routes.push_back(
        {"GET", "/api/v1/programs/{id}/versions/{version}", Role::Viewer, BodyKind::None, getVersion});
}

}  // namespace orb::api
