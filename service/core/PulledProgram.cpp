#include "service/core/PulledProgram.h"

#include <cstdlib>  // mkdtemp
#include <filesystem>

#include "editor/core/PulledProject.h"

namespace orb {

namespace {

namespace fs = std::filesystem;

// A private folder for the pictures between the read-back and the bundle, removed with its owner.
class ScratchFolder {
  public:
    ScratchFolder() {
        std::error_code ec;
        std::string pattern = (fs::temp_directory_path(ec) / "orbd-pull-XXXXXX").string();
        if (!ec && ::mkdtemp(pattern.data())) path_ = pattern;
    }
    ~ScratchFolder() {
        std::error_code ec;
        if (!path_.empty()) fs::remove_all(path_, ec);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    const std::string& path() const { return path_; }

  private:
    std::string path_;
};

std::string firstDifference(const ProgramReadBack& readBack, const ProgramVersionRecord& stored) {
    ItemStore items;
    if (stored.store.size() != ItemStore::kFileSize ||
        items.writeAll(std::span<const uint8_t, ItemStore::kFileSize>(stored.store.data(),
                                                                      ItemStore::kFileSize)) != IoResult::Ok)
        return "the stored version cannot be read";
    const std::vector<std::string> differences = pullDifferences(readBack, items);
    if (differences.empty()) return {};
    std::string out = differences.front();
    if (differences.size() > 1) out += " (and " + std::to_string(differences.size() - 1) + " more)";
    return out;
}

}  // namespace

ServiceResult storePulledProgram(SignNetwork& net, const ProgramReadBack& readBack, const std::string& name,
                                 std::optional<int64_t> existing, const Actor& actor, PulledVersion& out) {
    const ScratchFolder scratch;
    if (scratch.path().empty())
        return ServiceResult::fail(Outcome::StorageFailed, "no folder for the pulled pictures can be made");
    ItemStore project;
    const PullOutcome made = makePulledProject(readBack, scratch.path(), project);
    if (!made.ok) return ServiceResult::fail(Outcome::Invalid, made.message);
    std::vector<uint8_t> zip;
    const BundleOutcome written = writeBundle(project, zip, net.bundleLimits);
    if (!written.ok())
        return ServiceResult::fail(Outcome::Invalid,
                                   "the pulled program cannot be bundled: " + toText(written));
    std::vector<std::string> warnings;
    if (ServiceResult r = net.addProgram(zip, name, existing, actor, out.program, out.version, warnings);
        !r.ok())
        return r;
    ProgramVersionRecord stored;
    if (const DbStatus s = net.store.programs.version(out.program, out.version, stored); s != DbStatus::Ok)
        return resultOf(s, "the stored version");
    out.difference = firstDifference(readBack, stored);
    return {};
}

}  // namespace orb
