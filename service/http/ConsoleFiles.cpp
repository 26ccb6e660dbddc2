#include "service/http/ConsoleFiles.h"

#include <httplib.h>

#include <climits>
#include <cstdlib>
#include <filesystem>

#include "image/RegularFile.h"
#include "image/WorkingFolder.h"
#include "service/http/ApiError.h"

namespace orb::api {

const char* const kConsolePolicy =
    "default-src 'none'; script-src 'self'; style-src 'self'; img-src 'self'; connect-src 'self'; "
    "font-src 'self'; manifest-src 'self'; base-uri 'none'; form-action 'self'; frame-ancestors 'none'";

namespace {

// No console file is near this; a larger one is not served.
constexpr uint64_t kMaxFileBytes = uint64_t{8} << 20;
constexpr size_t kMaxPathLength = 256;

struct FileKind {
    const char* extension;
    const char* type;
};
constexpr FileKind kKinds[] = {
    {".html", "text/html; charset=utf-8"},
    {".js", "text/javascript; charset=utf-8"},
    {".css", "text/css; charset=utf-8"},
    {".json", "application/json"},
    {".svg", "image/svg+xml"},
    {".png", "image/png"},
    {".ico", "image/x-icon"},
    {".woff2", "font/woff2"},
};

const char* typeOf(const std::string& name) {
    for (const FileKind& k : kKinds) {
        const std::string ext = k.extension;
        if (name.size() > ext.size() && name.compare(name.size() - ext.size(), ext.size(), ext) == 0)
            return k.type;
    }
    return nullptr;
}

bool plainSegment(const std::string& segment) {
    if (segment.empty() || segment.front() == '.') return false;
    for (const char c : segment) {
        const bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                        c == '.' || c == '_' || c == '-';
        if (!ok) return false;
    }
    return true;
}

// The path below the folder for URL_PATH, or "" when it is not a plain one.
std::string relativePath(const std::string& urlPath) {
    if (urlPath == "/") return "index.html";
    if (urlPath.size() > kMaxPathLength || urlPath.empty() || urlPath.front() != '/') return {};
    size_t at = 1;
    while (true) {
        const size_t slash = urlPath.find('/', at);
        const std::string segment = urlPath.substr(at, slash == std::string::npos ? slash : slash - at);
        if (!plainSegment(segment)) return {};
        if (slash == std::string::npos) break;
        at = slash + 1;
    }
    return urlPath.substr(1);
}

std::string canonical(const std::string& path) {
    char resolved[PATH_MAX];
    return ::realpath(path.c_str(), resolved) ? std::string(resolved) : std::string();
}

}  // namespace

ConsoleFiles::ConsoleFiles(const std::string& folder) {
    if (!folder.empty() && std::filesystem::is_directory(folder)) root_ = canonical(folder);
}

std::optional<ConsoleFile> ConsoleFiles::find(const std::string& urlPath) const {
    if (root_.empty()) return std::nullopt;
    const std::string relative = relativePath(urlPath);
    const char* type = relative.empty() ? nullptr : typeOf(relative);
    if (!type) return std::nullopt;
    // A link inside the folder may point out of it: the real path must stay below the root.
    const std::string real = canonical(root_ + "/" + relative);
    if (real.size() <= root_.size() + 1 || real.compare(0, root_.size() + 1, root_ + "/") != 0)
        return std::nullopt;
    return ConsoleFile{real, type};
}

void ConsoleFiles::install(httplib::Server& server) const {
    server.Get(R"(/(?!api/).*)", [this](const httplib::Request& req, httplib::Response& res) {
        const std::optional<ConsoleFile> file = find(req.path);
        RegularFile opened;
        std::vector<uint8_t> bytes;
        if (!file || opened.open(file->path) != FileOpen::Ok || opened.size() > kMaxFileBytes)
            return sendError(res, 404, code::kNotFound, "no such resource: " + req.path);
        if (!opened.readPrefix(kMaxFileBytes, bytes))
            return sendError(res, 500, code::kInternal, "the file cannot be read");
        // The API's policy, set for every answer, allows nothing; a page needs its own.
        res.headers.erase("Content-Security-Policy");
        res.set_header("Content-Security-Policy", kConsolePolicy);
        res.set_content(std::string(bytes.begin(), bytes.end()), file->type);
    });
}

std::string defaultConsoleFolder(const std::string& exeFolder) {
    const std::filesystem::path beside = std::filesystem::path(exeFolder) / "console";
    if (std::filesystem::is_directory(beside)) return beside.string();
    return (std::filesystem::path(installedDataFolder(exeFolder)) / "console").string();
}

}  // namespace orb::api
