// Program bundles: the program's JSON form with picture paths made relative, and the files.
#include "bundle/ProgramBundle.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <map>
#include <set>
#include <utility>

#include "bundle/BundlePictures.h"
#include "bundle/EntryName.h"
#include "content/FileBytes.h"
#include "editor/core/ProgramJson.h"
#include "image/Cp949.h"
#include "image/ReplaceFile.h"
#include "image/Utf8.h"

namespace orb {

namespace {

using ojson = nlohmann::ordered_json;

// The canonical layout of the JSON form; never throws, whatever the strings hold.
std::string canonical(const ojson& doc) {
    return doc.dump(2, ' ', false, ojson::error_handler_t::replace) + "\n";
}

std::string inQuotes(const std::string& s) {
    return "\"" + s + "\"";
}

std::vector<uint8_t> bytesOf(const std::string& text) {
    return {text.begin(), text.end()};
}

bool isUtf8(std::string_view s) {
    std::string again;
    for (char32_t c : decodeUtf8(s)) again += encodeUtf8(c);
    return again == s;
}

JsonImportOptions noFileSystem() {
    JsonImportOptions options;
    options.fileExists = [](const std::string&) { return true; };  // the bundle's files are checked here
    return options;
}

// Problems with picture files, gathered with their places; the first error's kind is the result.
class Findings {
  public:
    explicit Findings(std::vector<JsonProblem> problems = {}) : problems_(std::move(problems)) {}

    void error(BundleResult result, const std::string& place, const std::string& message) {
        if (first_ == BundleResult::Ok) first_ = result;
        problems_.push_back({ProblemSeverity::Error, place, message});
    }
    bool failed() const { return first_ != BundleResult::Ok; }
    BundleOutcome outcome() { return {first_, "", "", std::move(problems_)}; }

  private:
    BundleResult first_ = BundleResult::Ok;
    std::vector<JsonProblem> problems_;
};

BundleOutcome readProgram(BundleArchive& archive, std::string& json) {
    if (!archive.contains(kProgramEntry))
        return bundleFailure(BundleResult::NoProgram, "",
                             "no " + std::string(kProgramEntry) + " in the bundle");
    std::vector<uint8_t> bytes;
    BundleOutcome read = archive.read(kProgramEntry, bytes, kMaxProgramJsonBytes);
    json.assign(bytes.begin(), bytes.end());
    return read;
}

// Reads each file the program names, once, and checks it for each role it is named in.
BundleOutcome readPictures(BundleArchive& archive, ojson& doc, std::vector<BundleFile>& files,
                           Findings& findings) {
    std::map<std::string, size_t> index;
    std::set<std::pair<size_t, PictureRole>> checked;
    for (const PictureRef& ref : pictureRefs(doc)) {
        const std::string& name = ref.value->get_ref<const std::string&>();
        if (const std::string problem = entryNameProblem(name); !problem.empty()) {
            findings.error(BundleResult::MissingFile, ref.place,
                           inQuotes(name) + " is not a file of the bundle: the name " + problem);
            continue;
        }
        if (!archive.contains(name)) {
            findings.error(BundleResult::MissingFile, ref.place,
                           "no file " + inQuotes(name) + " in the bundle");
            continue;
        }
        const auto [at, fresh] = index.try_emplace(name, files.size());
        if (fresh) {
            BundleFile file{name, {}};
            if (BundleOutcome read = archive.read(name, file.bytes); !read.ok()) return read;
            files.push_back(std::move(file));
        }
        if (!checked.insert({at->second, ref.role}).second) continue;
        if (const std::string problem = pictureProblem(ref.role, files[at->second].bytes); !problem.empty())
            findings.error(BundleResult::BadPicture, ref.place, inQuotes(name) + ": " + problem);
    }
    return {};
}

// TEXT with what some file system refuses (control characters, \ / : * ? " < > |) made "_",
// cut to at most LIMIT bytes at a character's end.
std::string portable(std::string_view text, size_t limit) {
    constexpr std::u32string_view kRefused = U"\\/:*?\"<>|";
    std::string out;
    for (char32_t c : decodeUtf8(text)) {
        const std::string piece =
            isControl(c) || kRefused.find(c) != std::u32string_view::npos ? "_" : encodeUtf8(c);
        if (out.size() + piece.size() > limit) break;
        out += piece;
    }
    return out;
}

// "media/NNN-FILE": FILE is the last part of PATH made portable, at most 64 bytes, a long name
// cut before its extension.
std::string entryNameFor(size_t number, std::string_view path) {
    constexpr size_t kMaxFileBytes = 64, kMaxExtensionBytes = 8;
    const size_t slash = path.find_last_of("/\\");
    const std::string_view file = path.substr(slash == std::string_view::npos ? 0 : slash + 1);
    const size_t dot = file.find_last_of('.');
    const std::string_view extension =
        dot != std::string_view::npos && file.size() - dot <= kMaxExtensionBytes ? file.substr(dot) : "";
    const std::string ending = portable(extension, kMaxExtensionBytes);
    std::string name =
        portable(file.substr(0, file.size() - extension.size()), kMaxFileBytes - ending.size());
    name = name.empty() && ending.empty() ? "file" : name + ending;
    char prefix[32];
    std::snprintf(prefix, sizeof prefix, "%03zu-", number);
    return std::string(kMediaFolder) + prefix + name;
}

// The file a path of the JSON form names: the project's CP949 bytes, found as the image build
// finds them.
std::string fileSystemPath(const std::string& utf8) {
    return localPath(utf8ToCp949(utf8).value_or(utf8));
}

// Reads the picture file PATH names into BYTES, at most ROOM bytes: "" or what went wrong.
std::pair<BundleResult, std::string> readPicture(const std::string& path, uint64_t room,
                                                 std::vector<uint8_t>& bytes) {
    switch (readFileBytes(fileSystemPath(path), room, bytes)) {
        case ReadResult::Ok:
            return {BundleResult::Ok, ""};
        case ReadResult::TooLarge:
            return {BundleResult::TooLarge, "takes the pictures together past the limit"};
        default:
            return {BundleResult::CannotRead, "cannot be read"};
    }
}

// Reads the files the project names into FILES (after program.json's place), checks them, and
// points the JSON at their entries.
void collectPictures(ojson& doc, const BundleLimits& limits, std::vector<BundleFile>& files,
                     Findings& findings) {
    std::map<std::string, size_t> index;  // by the path the project names; SIZE_MAX when unusable
    std::set<std::pair<size_t, PictureRole>> checked;
    uint64_t total = 0;
    for (const PictureRef& ref : pictureRefs(doc)) {
        const std::string path = ref.value->get<std::string>();
        const auto [at, fresh] = index.try_emplace(path, files.size());
        if (fresh) {
            BundleFile file{entryNameFor(files.size(), path), {}};
            const auto [result, problem] = readPicture(path, limits.maxExpandedBytes - total, file.bytes);
            if (result != BundleResult::Ok) {
                findings.error(result, ref.place, inQuotes(path) + ": " + problem);
                at->second = SIZE_MAX;
                continue;
            }
            total += file.bytes.size();
            files.push_back(std::move(file));
        }
        if (at->second == SIZE_MAX) continue;  // reported where it was first named
        *ref.value = files[at->second].name;
        if (!checked.insert({at->second, ref.role}).second) continue;
        if (const std::string problem = pictureProblem(ref.role, files[at->second].bytes); !problem.empty())
            findings.error(BundleResult::BadPicture, ref.place, inQuotes(path) + ": " + problem);
    }
}

}  // namespace

BundleOutcome readBundle(std::span<const uint8_t> zip, ProgramBundle& out, const BundleLimits& limits) {
    out = {};
    BundleArchive archive;
    if (BundleOutcome opened = archive.open(zip, limits); !opened.ok()) return opened;
    ProgramBundle bundle;
    if (BundleOutcome read = readProgram(archive, bundle.programJson); !read.ok()) return read;

    // The program as orbctl import checks it, then the files it names.
    ItemStore scratch;
    std::vector<JsonProblem> problems = importProgramJson(bundle.programJson, noFileSystem(), scratch);
    if (hasErrors(problems)) return {BundleResult::ProgramRefused, "", "", std::move(problems)};
    ojson doc = ojson::parse(bundle.programJson, nullptr, false);
    Findings findings(std::move(problems));
    if (BundleOutcome read = readPictures(archive, doc, bundle.files, findings); !read.ok()) return read;
    BundleOutcome outcome = findings.outcome();
    if (outcome.ok()) out = std::move(bundle);
    return outcome;
}

BundleOutcome readBundleFile(const std::string& path, ProgramBundle& out, const BundleLimits& limits) {
    out = {};
    std::vector<uint8_t> bytes;
    switch (readFileBytes(path, limits.maxArchiveBytes, bytes)) {
        case ReadResult::Ok:
            return readBundle(bytes, out, limits);
        case ReadResult::TooLarge:
            return bundleFailure(BundleResult::TooLarge, "",
                                 "the archive is over " + std::to_string(limits.maxArchiveBytes) + " bytes");
        default:
            return bundleFailure(BundleResult::CannotRead, "", "cannot be read");
    }
}

BundleOutcome writeBundle(const ItemStore& store, std::vector<uint8_t>& zip, const BundleLimits& limits) {
    zip.clear();
    std::string json;
    std::vector<JsonProblem> problems = exportProgramJson(store, json);
    if (hasErrors(problems))
        return {BundleResult::ProgramRefused, "", "the project holds what its JSON form cannot",
                std::move(problems)};
    ojson doc = ojson::parse(json, nullptr, false);
    std::vector<BundleFile> files(1);  // program.json first
    Findings findings;
    collectPictures(doc, limits, files, findings);
    if (findings.failed()) return findings.outcome();
    files[0] = {std::string(kProgramEntry), bytesOf(canonical(doc))};
    if (files.size() > limits.maxEntries)
        return bundleFailure(
            BundleResult::TooManyEntries, "",
            std::to_string(files.size()) + " files; at most " + std::to_string(limits.maxEntries));
    return writeArchive(files, zip);
}

BundleOutcome writeBundleFile(const ItemStore& store, const std::string& path, const BundleLimits& limits) {
    std::vector<uint8_t> zip;
    BundleOutcome outcome = writeBundle(store, zip, limits);
    if (outcome.ok() && replaceFile(path, zip) != IoResult::Ok)
        return bundleFailure(BundleResult::CannotWrite, "",
                             std::string("cannot be written: ") + std::strerror(errno));
    return outcome;
}

BundleOutcome importBundle(const ProgramBundle& bundle, const FilePlacer& place, ItemStore& store,
                           std::string* programJson) {
    ojson doc = ojson::parse(bundle.programJson, nullptr, false);
    if (doc.is_discarded())
        return bundleFailure(BundleResult::ProgramRefused, std::string(kProgramEntry), "not JSON");
    std::map<std::string, std::string> placed;
    for (const BundleFile& file : bundle.files) {
        PlacedFile p = place ? place(file) : PlacedFile{"", "nowhere to store it"};
        if (p.path.empty()) return bundleFailure(BundleResult::CannotPlace, file.name, p.error);
        if (p.path.front() != '/' || !isUtf8(p.path))
            return bundleFailure(BundleResult::CannotPlace, file.name,
                                 "stored under " + inQuotes(p.path) + ", not an absolute UTF-8 path");
        placed[file.name] = std::move(p.path);
    }

    Findings findings;
    for (const PictureRef& ref : pictureRefs(doc)) {
        const auto found = placed.find(ref.value->get<std::string>());
        if (found == placed.end())
            findings.error(BundleResult::MissingFile, ref.place,
                           "no file " + inQuotes(ref.value->get<std::string>()) + " in the bundle");
        else
            *ref.value = found->second;
    }
    if (findings.failed()) return findings.outcome();

    const std::string json = canonical(doc);
    std::vector<JsonProblem> problems = importProgramJson(json, noFileSystem(), store);
    if (hasErrors(problems)) return {BundleResult::ProgramRefused, "", "", std::move(problems)};
    if (programJson) *programJson = json;
    return {BundleResult::Ok, "", "", std::move(problems)};
}

}  // namespace orb
