// The JSON import on any bytes; whatever it accepts must export and import to the same project
// and the same JSON.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>
#include <vector>

#include "editor/core/ProgramJson.h"

namespace {

std::vector<uint8_t> bytesOf(const orb::ItemStore& store) {
    std::vector<uint8_t> bytes(orb::ItemStore::kFileSize);
    if (store.readAll(std::span<uint8_t, orb::ItemStore::kFileSize>(bytes.data(), bytes.size())) !=
        orb::IoResult::Ok)
        std::abort();
    return bytes;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    orb::JsonImportOptions options;
    options.fileExists = [](const std::string&) { return true; };  // no file system
    orb::ItemStore first;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    if (orb::hasErrors(orb::importProgramJson(text, options, first))) return 0;

    std::string json;
    if (orb::hasErrors(orb::exportProgramJson(first, json))) std::abort();
    orb::ItemStore second;
    if (orb::hasErrors(orb::importProgramJson(json, options, second))) std::abort();
    if (bytesOf(first) != bytesOf(second)) std::abort();
    std::string again;
    orb::exportProgramJson(second, again);
    if (again != json) std::abort();
    return 0;
}
