// orbctl export and import: a project as JSON text and back, or as a program bundle (a ZIP of the
// JSON and its pictures) and back.
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "bundle/FolderPlacer.h"
#include "bundle/ProgramBundle.h"
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

bool startsAsZip(std::string_view bytes) {
    return bytes.size() >= 4 && bytes.substr(0, 2) == "PK" &&
           ((bytes[2] == 3 && bytes[3] == 4) ||
            (bytes[2] == 5 && bytes[3] == 6));  // an entry; an empty archive
}

// PATH ("-": stdin): at most one byte past the limit of what it holds, a program bundle's when it
// starts as a ZIP does, else the JSON's; an oversized input is known to be one without reading it all.
bool readInput(const std::string& path, std::string& out) {
    std::FILE* f = path == "-" ? stdin : std::fopen(path.c_str(), "rb");
    if (!f) return false;
    out.clear();
    char chunk[65536];
    size_t n = 0;
    uint64_t limit = kMaxProgramJsonBytes;
    while (out.size() <= limit && (n = std::fread(chunk, 1, sizeof chunk, f)) > 0) {
        out.append(chunk, n);
        if (startsAsZip(out)) limit = BundleLimits{}.maxArchiveBytes;
    }
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

bool openProject(const std::string& project, ItemStore& store) {
    if (IoResult r = ItemStore::open(project, FileMode::ReadOnly, store); r != IoResult::Ok) {
        std::fprintf(stderr, "%s: %s\n", project.c_str(),
                     messageOf(r == IoResult::WrongSize ? DocOutcome::WrongSize : DocOutcome::CannotOpen)
                         .text.c_str());
        return false;
    }
    return true;
}

// Saved as the editor saves a project: beside the target, synced, then renamed over it.
// Saved as the editor saves a project: beside the target, synced, then renamed over it.
bool saveProject(const ItemStore& store, const std::string& project) {
    auto bytes = std::make_unique<StoreBytes>();
    IoResult why = store.readAll(*bytes);
    if (why == IoResult::Ok && writeProjectFile(project, *bytes, &why) == DocOutcome::Done) return true;
    std::fprintf(stderr, "%s: %s (%s)\n", project.c_str(), messageOf(DocOutcome::CannotSave).text.c_str(),
                 toText(why));
    return false;
}

void printOutcome(const std::string& file, const BundleOutcome& outcome) {
    std::fprintf(stderr, "%s: %s\n", file.c_str(), toText(outcome).c_str());
}

int exportProject(const std::string& project, const std::string& out) {
    ItemStore store;
    if (!openProject(project, store)) return 1;
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

int exportBundle(const std::string& project, const std::string& bundle) {
    ItemStore store;
    if (!openProject(project, store)) return 1;
    const BundleOutcome written = writeBundleFile(store, bundle);
    printProblems(written.problems);
    if (written.ok()) return 0;
    printOutcome(bundle, written);
    return 1;
}

int importJson(const std::string& text, const std::string& project) {
    ItemStore store;
    const std::vector<JsonProblem> problems = importProgramJson(text, {}, store);
    printProblems(problems);
    if (hasErrors(problems)) {
        std::fprintf(stderr, "%s: nothing written\n", project.c_str());
        return 1;
    }
    return saveProject(store, project) ? 0 : 1;
}

// The pictures go into MEDIA first; when the project then cannot be written, those written are
// taken away again.
int importBundle(const std::string& file, std::string_view zip, const std::string& project,
                 const std::string& media) {
    if (media.empty()) {
        std::fprintf(stderr, "%s: a program bundle; --media DIR says where its pictures go\n", file.c_str());
        return 2;
    }
    ProgramBundle bundle;
    const BundleOutcome read =
        readBundle(std::span(reinterpret_cast<const uint8_t*>(zip.data()), zip.size()), bundle);
    BundleOutcome done = read;
    FolderPlacer placer(media);
    ItemStore store;
    if (read.ok()) done = importBundle(bundle, placer.placer(), store);
    printProblems(done.problems);
    if (!done.ok()) printOutcome(file, done);
    if (done.ok() && saveProject(store, project)) return 0;
    placer.removeCreated();
    std::fprintf(stderr, "%s: nothing written\n", project.c_str());
    return 1;
}

int importProgram(const std::string& file, const std::string& project, const std::string& media) {
    std::string input;
    if (!readInput(file, input)) {
        std::fprintf(stderr, "%s: cannot read\n", file.c_str());
        return 1;
    }
    if (startsAsZip(input) || !media.empty()) return importBundle(file, input, project, media);
    return importJson(input, project);
}

struct InOut {
    std::string in, out, bundle, media;
};

}  // namespace

void addProgramTextCommands(CLI::App& app, int& exitCode) {
    auto exported = std::make_shared<InOut>();
    CLI::App* ex = app.add_subcommand(
        "export",
        "write PROJECT as JSON (docs/program-format.md), or with its pictures as a program bundle "
        "(docs/program-bundle.md)");
    ex->add_option("PROJECT", exported->in, "the project file")->required();
    CLI::Option* json =
        ex->add_option("-o", exported->out, "the JSON file (stdout when not given)")->type_name("FILE");
    ex->add_option("--bundle", exported->bundle, "write a program bundle: program.json and the picture files")
        ->type_name("OUT.zip")
        ->excludes(json);
    ex->callback([exported, &exitCode] {
        exitCode = exported->bundle.empty() ? exportProject(exported->in, exported->out)
                                            : exportBundle(exported->in, exported->bundle);
    });

    auto imported = std::make_shared<InOut>();
    CLI::App* im =
        app.add_subcommand("import",
                           "check the JSON of FILE, or the program bundle FILE, and write it as the project "
                           "PROJECT; every problem is reported, and nothing is written when one is an error");
    im->add_option("FILE", imported->in, "the JSON file or program bundle (\"-\" for stdin)")->required();
    im->add_option("-o", imported->out, "the project file to write")->type_name("PROJECT")->required();
    im->add_option(
          "--media", imported->media,
          "where a bundle's pictures are written (as DIR/media/001-logo.bmp, ...); FILE is then read "
          "as a bundle")
        ->type_name("DIR");
    im->callback(
        [imported, &exitCode] { exitCode = importProgram(imported->in, imported->out, imported->media); });
}

}  // namespace orb
