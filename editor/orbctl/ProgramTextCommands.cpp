// orbctl export and import: a project as JSON text and back.
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "editor/core/DocOutcome.h"
#include "editor/core/ProgramJson.h"
#include "editor/core/ProjectFile.h"
#include "editor/orbctl/OrbctlCommands.h"
#include "image/ItemStore.h"

namespace orb {

const char* const kProgramTextUsage =
    "       orbctl export PROJECT [-o FILE]\n"
    "       orbctl import FILE -o PROJECT\n"
    "       orbctl timeline PROJECT [--date YYYY-MM-DD] [--json]\n"
    "  export    write PROJECT as JSON (docs/program-format.md) to FILE or stdout\n"
    "  import    check the JSON of FILE (\"-\" for stdin) and write it as the project PROJECT;\n"
    "            every problem is reported, and nothing is written when one is an error\n"
    "  timeline  the day of the sign: when it is dark and which items it plays\n";

namespace {

int usageError() {
    std::fputs("usage: orbctl export PROJECT [-o FILE]\n       orbctl import FILE -o PROJECT\n", stderr);
    return 2;
}

// PROJECT then "-o OUT" in either order; false when anything else is given.
bool parseInOut(const std::vector<std::string>& args, std::string& in, std::string& out) {
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "-o" && i + 1 < args.size() && out.empty())
            out = args[++i];
        else if (in.empty() && !args[i].empty())
            in = args[i];
        else
            return false;
    }
    return !in.empty();
}

void printProblems(const std::vector<JsonProblem>& problems) {
    for (const JsonProblem& p : problems) std::fprintf(stderr, "%s\n", toText(p).c_str());
}

// At most LIMIT + 1 bytes of PATH ("-": stdin), so that an oversized file is known to be one
// without reading it all.
bool readLimited(const std::string& path, size_t limit, std::string& out) {
    std::FILE* f = path == "-" ? stdin : std::fopen(path.c_str(), "rb");
    if (!f) return false;
    out.clear();
    char chunk[65536];
    size_t n = 0;
    while (out.size() <= limit && (n = std::fread(chunk, 1, sizeof chunk, f)) > 0) out.append(chunk, n);
    const bool ok = !std::ferror(f);
    if (f != stdin) std::fclose(f);
    return ok;
}

bool writeText(const std::string& path, const std::string& text) {
    if (path.empty())
        return std::fwrite(text.data(), 1, text.size(), stdout) == text.size() && std::fflush(stdout) == 0;
    const auto* bytes = reinterpret_cast<const uint8_t*>(text.data());
    return replaceFile(path, std::span<const uint8_t>(bytes, text.size())) == IoResult::Ok;
}

}  // namespace

int exportCommand(const std::vector<std::string>& args) {
    std::string project, out;
    if (!parseInOut(args, project, out)) return usageError();
    ItemStore store;
    if (IoResult r = ItemStore::open(project, FileMode::ReadOnly, store); r != IoResult::Ok) {
        std::fprintf(stderr, "%s: %s\n", project.c_str(),
                     messageOf(r == IoResult::WrongSize ? DocOutcome::WrongSize : DocOutcome::CannotOpen)
                         .text.c_str());
        return 1;
    }
    std::string json;
    const std::vector<JsonProblem> problems = exportProgramJson(store, json);
    printProblems(problems);
    if (hasErrors(problems)) return 1;
    if (!writeText(out, json)) {
        std::fprintf(stderr, "%s: cannot write\n", out.empty() ? "stdout" : out.c_str());
        return 1;
    }
    return 0;
}

int importCommand(const std::vector<std::string>& args) {
    std::string file, project;
    if (!parseInOut(args, file, project) || project.empty()) return usageError();
    std::string text;
    if (!readLimited(file, kMaxProgramJsonBytes, text)) {
        std::fprintf(stderr, "%s: cannot read\n", file.c_str());
        return 1;
    }
    ItemStore store;
    const std::vector<JsonProblem> problems = importProgramJson(text, {}, store);
    printProblems(problems);
    if (hasErrors(problems)) {
        std::fprintf(stderr, "%s: nothing written\n", project.c_str());
        return 1;
    }
    // Saved as the editor saves a project: beside the target, synced, then renamed over it.
    auto bytes = std::make_unique<StoreBytes>();
    const DocOutcome saved =
        store.readAll(*bytes) == IoResult::Ok ? writeProjectFile(project, *bytes) : DocOutcome::CannotSave;
    if (saved != DocOutcome::Done) {
        std::fprintf(stderr, "%s: %s\n", project.c_str(), messageOf(saved).text.c_str());
        return 1;
    }
    return 0;
}

}  // namespace orb
