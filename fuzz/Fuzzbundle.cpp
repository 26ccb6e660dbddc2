// The program bundle reader. An input that starts as a ZIP does is read as it comes, so that the
// container's checks meet damaged headers, names and sizes; any other input describes a bundle
// (entries with chosen or arbitrary names and bytes, a program.json naming some of them), which is
// packed with valid checksums and then damaged at a few places, so that the program and picture
// checks behind the container are reached too. Whatever the reader accepts must import with its
// files placed in memory, and pack and read again to the same bundle. A run may hold at most
// 128 MiB at once.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <string>
#include <vector>

#include "bundle/ProgramBundle.h"
#include "fuzz/MemoryBudget.h"

namespace {

using orb::BundleFile;

const char* const kNames[] = {
    "program.json", "media/a.bmp", "media/b.gif", "media/c.rtf", "MEDIA/A.bmp",
    "media/",       "../x.bmp",    "media",       "a\\b.gif",    "media/\xea\xb0\x80.bmp"};

std::string nameOf(FuzzedDataProvider& in) {
    const size_t pick = in.ConsumeIntegralInRange<size_t>(0, std::size(kNames));
    return pick < std::size(kNames) ? kNames[pick] : in.ConsumeRandomLengthString(40);
}

// Picture-like bytes: a signature the decoders look for, then anything.
std::vector<uint8_t> contentOf(FuzzedDataProvider& in) {
    static const std::string kStarts[] = {"", "BM", "GIF89a", "{\\rtf1 "};
    const std::string start = kStarts[in.ConsumeIntegralInRange<size_t>(0, std::size(kStarts) - 1)];
    const std::string rest = in.ConsumeRandomLengthString(4096);
    std::vector<uint8_t> out(start.begin(), start.end());
    out.insert(out.end(), rest.begin(), rest.end());
    return out;
}

std::string lineOf(FuzzedDataProvider& in) {
    const std::string path =
        "\"path\": \"" + std::string(kNames[in.ConsumeIntegralInRange<size_t>(1, 4)]) + "\"";
    switch (in.ConsumeIntegralInRange<int>(0, 3)) {
        case 0:
            return "{\"kind\": \"bitmap\", " + path + ", \"width\": 16, \"height\": 16}";
        case 1:
            return "{\"kind\": \"animation\", " + path + ", \"width\": 16, \"height\": 16, \"frames\": 2}";
        case 2:
            return "{\"kind\": \"phrase\", " + path +
                   ", \"rtf\": \"media/c.rtf\", \"width\": 16, \"height\": 16}";
        default:
            return "{\"kind\": \"clock\"}";
    }
}

std::string programOf(FuzzedDataProvider& in) {
    if (in.ConsumeBool()) return in.ConsumeRandomLengthString(2048);
    std::string items;
    for (int i = in.ConsumeIntegralInRange<int>(0, 3); i > 0; --i)
        items += std::string(items.empty() ? "" : ", ") +
                 "{\"layout\": \"one\", \"heights\": [1], \"lines\": [" + lineOf(in) + "]}";
    return "{\"version\": 1, \"sign\": {\"width\": 10, \"height\": 1}, \"items\": [" + items + "]}";
}

std::vector<uint8_t> assembled(FuzzedDataProvider& in) {
    std::vector<BundleFile> files;
    for (int n = in.ConsumeIntegralInRange<int>(0, 6); n > 0; --n) {
        BundleFile f{nameOf(in), {}};
        if (f.name == "program.json") {
            const std::string text = programOf(in);
            f.bytes.assign(text.begin(), text.end());
        } else {
            f.bytes = contentOf(in);
        }
        files.push_back(std::move(f));
    }
    std::vector<uint8_t> zip;
    orb::writeArchive(files, zip);
    for (int n = in.ConsumeIntegralInRange<int>(0, 3); n > 0 && !zip.empty(); --n)
        zip[in.ConsumeIntegralInRange<size_t>(0, zip.size() - 1)] = in.ConsumeIntegral<uint8_t>();
    return zip;
}

bool sameBundle(const orb::ProgramBundle& a, const orb::ProgramBundle& b) {
    if (a.programJson != b.programJson || a.files.size() != b.files.size()) return false;
    for (size_t i = 0; i < a.files.size(); ++i)
        if (a.files[i].name != b.files[i].name || a.files[i].bytes != b.files[i].bytes) return false;
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const orb::fuzz::MemoryBudget budget(128u << 20);
    orb::BundleLimits limits;
    limits.maxArchiveBytes = 1u << 20;
    limits.maxExpandedBytes = 16u << 20;
    limits.maxEntries = 64;
    FuzzedDataProvider in(data, size);
    const bool raw = size >= 2 && data[0] == 'P' && data[1] == 'K';
    const std::vector<uint8_t> zip = raw ? std::vector<uint8_t>(data, data + size) : assembled(in);

    orb::ProgramBundle bundle;
    if (!orb::readBundle(zip, bundle, limits).ok()) return 0;

    // Accepted: every file it named imports, placed anywhere a project can name.
    orb::ItemStore store;
    const orb::FilePlacer inMemory = [](const BundleFile& f) {
        return orb::PlacedFile{"/fuzz/" + f.name, ""};
    };
    if (!orb::importBundle(bundle, inMemory, store).ok()) std::abort();

    std::vector<BundleFile> files = bundle.files;
    files.insert(files.begin(),
                 {std::string(orb::kProgramEntry), {bundle.programJson.begin(), bundle.programJson.end()}});
    std::vector<uint8_t> again;
    orb::ProgramBundle reread;
    if (!orb::writeArchive(files, again).ok() || !orb::readBundle(again, reread, limits).ok()) std::abort();
    if (!sameBundle(bundle, reread)) std::abort();
    return 0;
}
