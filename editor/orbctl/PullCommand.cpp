// orbctl pull: a sign's program read back into a project and its picture files.
#include <cstdio>
#include <memory>
#include <string>

#include "editor/core/ProjectFile.h"
#include "editor/core/PulledProject.h"
#include "editor/orbctl/LinkOptions.h"
#include "editor/orbctl/OrbctlCommands.h"

namespace orb {

namespace {

struct PullArgs {
    std::string project, media;
};

// The link the program came over goes into the project when the settings can hold it: TCP to an
// IPv4 address. A serial device has no place there (the settings keep a COM number).
void keepLink(const LinkChoice& link, ItemStore& store) {
    SettingsBlock s;
    const std::optional<std::array<uint8_t, 4>> ip = link.tcp ? parseIpText(link.host) : std::nullopt;
    if (!ip || store.readSettings(s) != IoResult::Ok) return;
    s.setLinkMode(LinkMode::Tcp);
    s.setIpAddress(*ip);
    s.setTcpPort(link.port);
    store.writeSettings(s);
}

int failed(const std::string& message) {
    std::printf("%s\n", message.c_str());
    std::fflush(stdout);
    return 1;
}

int pull(const LinkChoice& link, const PullArgs& a) {
    OpenLink open;
    openLinkReporting(link, open);
    ReadBackOptions options;
    int shown = -1;
    options.progress = [&shown](int done, int total) {
        const int percent = total > 0 ? done * 100 / total : 100;
        if (percent > shown) std::fprintf(stderr, "%d %%\n", shown = percent);
    };
    ProgramReadBack readBack;
    const ReadBackOutcome read = readProgramBack(open.link, options, readBack);
    if (read.result != ReadBackResult::Ok) return failed(read.message);

    ItemStore store;
    const PullOutcome made = makePulledProject(readBack, a.media, store);
    if (!made.ok) return failed(made.message);
    keepLink(link, store);
    auto bytes = std::make_unique<StoreBytes>();
    const DocOutcome saved =
        store.readAll(*bytes) == IoResult::Ok ? writeProjectFile(a.project, *bytes) : DocOutcome::CannotSave;
    if (saved != DocOutcome::Done) return failed(a.project + ": " + messageOf(saved).text);

    const std::vector<std::string> differences = pullDifferences(readBack, store);
    for (const std::string& d : differences) std::fprintf(stderr, "%s\n", d.c_str());
    const std::string written = "read " + std::to_string(readBack.items.size()) + " items into " + a.project +
                                " and " + std::to_string(made.files.size()) + " picture files";
    if (!differences.empty())
        return failed(written + "; building the project does not give what the sign holds (see above)");
    std::printf("%s\n", written.c_str());
    std::fflush(stdout);
    return 0;
}

}  // namespace

void addPullCommand(CLI::App& app, int& exitCode) {
    auto a = std::make_shared<PullArgs>();
    CLI::App* sub = app.add_subcommand(
        "pull",
        "read the program a sign holds back into PROJECT, its pictures into the media folder; exit 1 "
        "also when the project was written but does not build what the sign holds");
    addLinkOptions(*sub);
    sub->add_option("-o", a->project, "the project file to write")->type_name("PROJECT")->required();
    sub->add_option("--media", a->media, "the folder for the picture files (created when missing)")
        ->type_name("DIR")
        ->required();
    sub->callback([a, sub, &exitCode] { exitCode = pull(oneLink(*sub), *a); });
}

}  // namespace orb
