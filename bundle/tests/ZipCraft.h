#pragma once
// Hostile ZIP archives for the tests: entries made by libzip with any name, attributes and
// method, then header fields patched by hand where libzip would not write them (flags, sizes,
// names given twice).
#include <sys/stat.h>
#include <zip.h>

#include <cstdint>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "image/BigEndian.h"

namespace orb::testing {

struct CraftEntry {
    std::string name;
    std::vector<uint8_t> bytes;
    uint8_t system = ZIP_OPSYS_UNIX;
    uint32_t attributes = uint32_t{S_IFREG | 0644} << 16;
    int32_t method = ZIP_CM_DEFLATE;
};

inline std::vector<uint8_t> craftZip(const std::vector<CraftEntry>& entries) {
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* buffer = zip_source_buffer_create(nullptr, 0, 0, &error);
    zip_t* archive = zip_open_from_source(buffer, ZIP_TRUNCATE, &error);
    zip_source_keep(buffer);
    for (const CraftEntry& e : entries) {
        zip_source_t* data = zip_source_buffer(archive, e.bytes.data(), e.bytes.size(), 0);
        const auto i =
            static_cast<zip_uint64_t>(zip_file_add(archive, e.name.c_str(), data, ZIP_FL_ENC_UTF_8));
        zip_set_file_compression(archive, i, e.method, 0);
        zip_file_set_external_attributes(archive, i, 0, e.system, e.attributes);
    }
    zip_close(archive);
    zip_stat_t st;
    zip_source_stat(buffer, &st);
    std::vector<uint8_t> out(st.size);
    zip_source_open(buffer);
    zip_source_read(buffer, out.data(), st.size);
    zip_source_close(buffer);
    zip_source_free(buffer);
    zip_error_fini(&error);
    return out;
}

inline std::vector<uint8_t> textBytes(const std::string& s) {
    return {s.begin(), s.end()};
}

// Where a header's fields lie: the local header before each entry's data, the central one in the
// directory at the end.
struct HeaderFields {
    size_t flags, method, crc, compressedSize, size, nameLength, name;
};
inline constexpr HeaderFields kLocal{6, 8, 14, 18, 22, 26, 30};
inline constexpr HeaderFields kCentral{8, 10, 16, 20, 24, 28, 46};

// Calls EDIT(header start, fields) for the local and the central header of every entry named NAME.
inline void patchHeaders(std::vector<uint8_t>& zip, const std::string& name,
                         const std::function<void(uint8_t*, const HeaderFields&)>& edit) {
    for (size_t at = 0; at + 4 <= zip.size(); ++at) {
        if (zip[at] != 'P' || zip[at + 1] != 'K') continue;
        const bool local = zip[at + 2] == 3 && zip[at + 3] == 4;
        const bool central = zip[at + 2] == 1 && zip[at + 3] == 2;
        if (!local && !central) continue;
        const HeaderFields& f = local ? kLocal : kCentral;
        if (at + f.name + name.size() > zip.size()) continue;
        if (readLe16(&zip[at + f.nameLength]) != name.size() ||
            std::memcmp(&zip[at + f.name], name.data(), name.size()) != 0)
            continue;
        edit(&zip[at], f);
    }
}

// Gives the entry FROM the name TO, of the same length, in both its headers.
inline void renameEntry(std::vector<uint8_t>& zip, const std::string& from, const std::string& to) {
    patchHeaders(zip, from,
                 [&](uint8_t* h, const HeaderFields& f) { std::memcpy(h + f.name, to.data(), to.size()); });
}

}  // namespace orb::testing
