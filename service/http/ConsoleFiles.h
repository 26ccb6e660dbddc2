#pragma once
// The browser console's static files, served from one folder installed with orbd. Only plain
// names of known kinds are served (letters, digits, '.', '_', '-' in each path segment, no
// hidden files); a path that leads outside the folder, through ".." or a link, is not found.
#include <optional>
#include <string>

namespace httplib {
class Server;
}

namespace orb::api {

// The Content-Security-Policy of the console's files: scripts, styles and connections from the
// service itself only, no inline script, no frames.
extern const char* const kConsolePolicy;

struct ConsoleFile {
    std::string path;  // the file on disk
    std::string type;  // its Content-Type
};

class ConsoleFiles {
  public:
    // FOLDER may be missing: nothing is then found.
    explicit ConsoleFiles(const std::string& folder);

    bool available() const { return !root_.empty(); }
    const std::string& root() const { return root_; }

    // The file a URL path ("/", "/app.js", "/js/api.js") names; "/" is "index.html".
    std::optional<ConsoleFile> find(const std::string& urlPath) const;

    // Serves GET on every path outside /api/ from the folder.
    void install(httplib::Server& server) const;

  private:
    std::string root_;  // canonical, without a trailing '/'; "" when the folder is missing
};

// The console's folder for orbd in EXE_FOLDER: console/ beside it (the build tree), else the
// installed share/orb/console.
std::string defaultConsoleFolder(const std::string& exeFolder);

}  // namespace orb::api
