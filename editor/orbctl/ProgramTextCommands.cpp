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
#include "image/ReplaceFile.h"

namespace orb {

namespace {

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

IoResult writeText(const std::string& path, const std::string& text) {
    if (path.empty())
        return std::fwrite(text.data(), 1, text.size(), stdout) == text.size() && std::fflush(stdout) == 0
                   ? IoResult::Ok
                   : IoResult::WriteFailed;
    const auto* bytes = reinterpret_cast<const uint8_t*>(text.data());
    return replaceFile(path, std::span<const uint8_t>(bytes, text.size()));
}

int exportProject(const std::string& project, const std::string& out) {
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
    if (const IoResult r = writeText(out, json); r != IoResult::Ok) {
        std::fprintf(stderr, "%s: %s\n", out.empty() ? "stdout" : out.c_str(), toText(r));
        return 1;
    }
    return 0;
}

int importProgram(const std::string& file, const std::string& project) {
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
    IoResult why = store.readAll(*bytes);
    if (why == IoResult::Ok) writeProjectFile(project, *bytes, &why);
    if (why != IoResult::Ok) {
        std::fprintf(stderr, "%s: %s (%s)\n", project.c_str(), messageOf(DocOutcome::CannotSave).text.c_str(),
                     toText(why));
        return 1;
    }
    return 0;
}

struct InOut {
    std::string in, out;
};

}  // namespace

void addProgramTextCommands(CLI::App& app, int& exitCode) {
    auto exported = std::make_shared<InOut>();
    CLI::App* ex = app.add_subcommand("export", "write PROJECT as JSON (docs/program-format.md)");
    ex->add_option("PROJECT", exported->in, "the project file")->required();
    ex->add_option("-o", exported->out, "the JSON file (stdout when not given)")->type_name("FILE");
    ex->callback([exported, &exitCode] { exitCode = exportProject(exported->in, exported->out); });

    auto imported = std::make_shared<InOut>();
    CLI::App* im =
        app.add_subcommand("import",
                           "check the JSON of FILE and write it as the project PROJECT; every problem is "
                           "reported, and nothing is written when one is an error");
    im->add_option("FILE", imported->in, "the JSON file (\"-\" for stdin)")->required();
    im->add_option("-o", imported->out, "the project file to write")->type_name("PROJECT")->required();
    im->callback([imported, &exitCode] { exitCode = importProgram(imported->in, imported->out); });
}

}  // namespace orb
