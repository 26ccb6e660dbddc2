#include "bundle/BundleArchive.h"

#include <sys/stat.h>
#include <zip.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <ctime>

#include "bundle/EntryName.h"
#include "image/BigEndian.h"

namespace orb {

namespace {

// The records at the end of an archive that say how many entries it has.
constexpr uint8_t kEndSignature[] = {'P', 'K', 5, 6};
constexpr uint8_t kEnd64Signature[] = {'P', 'K', 6, 6};
constexpr uint8_t kLocator64Signature[] = {'P', 'K', 6, 7};
constexpr size_t kEndBytes = 22, kLocator64Bytes = 20, kEnd64Bytes = 56, kMaxCommentBytes = 65535;

constexpr size_t kChunkBytes = 64 * 1024;

std::string count(uint64_t n) {
    return std::to_string(n);
}

bool hasSignature(std::span<const uint8_t> zip, uint64_t at, const uint8_t (&signature)[4]) {
    return at <= zip.size() && zip.size() - at >= 4 && std::memcmp(&zip[at], signature, 4) == 0;
}

// The most entries any end record near the end of ZIP claims, its ZIP64 record's count included.
// libzip allocates for the claimed count as it opens an archive, so the count is checked first.
uint64_t claimedEntries(std::span<const uint8_t> zip) {
    uint64_t most = 0;
    const size_t first = zip.size() - std::min(zip.size(), kEndBytes + kMaxCommentBytes);
    for (size_t at = first; at + kEndBytes <= zip.size(); ++at) {
        if (!hasSignature(zip, at, kEndSignature)) continue;
        most = std::max<uint64_t>({most, readLe16(&zip[at + 8]), readLe16(&zip[at + 10])});
        if (at < kLocator64Bytes || !hasSignature(zip, at - kLocator64Bytes, kLocator64Signature)) continue;
        const uint64_t record = readLe64(&zip[at - kLocator64Bytes + 8]);
        if (zip.size() >= kEnd64Bytes && record <= zip.size() - kEnd64Bytes &&
            hasSignature(zip, record, kEnd64Signature))
            most = std::max({most, readLe64(&zip[record + 24]), readLe64(&zip[record + 32])});
    }
    return most;
}

enum class EntryKind { File, Folder, Link, Special };

// What an entry is, by the attributes of the system that made it and by its name.
EntryKind kindOf(std::string_view name, uint8_t system, uint32_t attributes) {
    constexpr uint32_t kDosFolder = 0x10, kWindowsReparsePoint = 0x400;  // a link or junction
    if (system == ZIP_OPSYS_UNIX) {
        const uint32_t type = (attributes >> 16) & S_IFMT;
        if (type == S_IFLNK) return EntryKind::Link;
        if (type == S_IFDIR) return EntryKind::Folder;
        if (type != 0 && type != S_IFREG) return EntryKind::Special;
    } else if (system == ZIP_OPSYS_DOS || system == ZIP_OPSYS_WINDOWS_NTFS || system == ZIP_OPSYS_VFAT) {
        if (attributes & kWindowsReparsePoint) return EntryKind::Link;
        if (attributes & kDosFolder) return EntryKind::Folder;
    }
    return name.back() == '/' ? EntryKind::Folder : EntryKind::File;
}

// Every folder a file name lies in: "a/b/c" gives "a" and "a/b".
std::vector<std::string_view> foldersOf(std::string_view name) {
    std::vector<std::string_view> out;
    for (size_t slash = name.find('/'); slash != std::string_view::npos; slash = name.find('/', slash + 1))
        out.push_back(name.substr(0, slash));
    return out;
}

// Local noon of 2000-01-01: libzip stores local time, so every zone gets the same fields.
time_t fixedTime() {
    std::tm t{};
    t.tm_year = 100;
    t.tm_mday = 1;
    t.tm_hour = 12;
    t.tm_isdst = -1;
    return std::mktime(&t);
}

}  // namespace

BundleArchive::~BundleArchive() {
    if (zip_) zip_discard(zip_);
}

BundleOutcome BundleArchive::open(std::span<const uint8_t> bytes, const BundleLimits& limits) {
    if (zip_) zip_discard(zip_);
    zip_ = nullptr;
    files_.clear();
    inflated_ = 0;
    limits_ = limits;
    if (bytes.size() > limits.maxArchiveBytes)
        return bundleFailure(
            BundleResult::TooLarge, "",
            "the archive is " + count(bytes.size()) + " bytes; at most " + count(limits.maxArchiveBytes));
    // libzip would open an empty file as an empty archive.
    if (bytes.size() < kEndBytes) return bundleFailure(BundleResult::NotZip, "", "not a ZIP archive");
    if (const uint64_t claimed = claimedEntries(bytes); claimed > limits.maxEntries)
        return bundleFailure(
            BundleResult::TooManyEntries, "",
            "the archive claims " + count(claimed) + " entries; at most " + count(limits.maxEntries));

    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* source = zip_source_buffer_create(bytes.data(), bytes.size(), 0, &error);
    if (source) zip_ = zip_open_from_source(source, ZIP_RDONLY, &error);
    if (!zip_) {
        if (source) zip_source_free(source);
        const bool notZip = zip_error_code_zip(&error) == ZIP_ER_NOZIP;
        BundleOutcome failed =
            bundleFailure(BundleResult::NotZip, "",
                          notZip ? "not a ZIP archive"
                                 : std::string("a damaged ZIP archive: ") + zip_error_strerror(&error));
        zip_error_fini(&error);
        return failed;
    }
    zip_error_fini(&error);
    return checkEntries();
}

BundleOutcome BundleArchive::checkEntries() {
    const zip_int64_t entries = zip_get_num_entries(zip_, 0);
    if (entries < 0 || static_cast<uint64_t>(entries) > limits_.maxEntries)
        return bundleFailure(
            BundleResult::TooManyEntries, "",
            "the archive has " + std::to_string(entries) + " entries; at most " + count(limits_.maxEntries));
    SeenNames keys;
    uint64_t declared = 0;
    for (uint64_t i = 0; i < static_cast<uint64_t>(entries); ++i) {
        BundleOutcome checked = checkEntry(i, keys, declared);
        if (!checked.ok()) return checked;
    }
    // Unpacked, a file cannot also be the folder of another.
    for (const auto& [name, entry] : files_) {
        for (std::string_view folder : foldersOf(name)) {
            const auto found = keys.find(entryNameKey(folder));
            if (found != keys.end() && found->second.file)
                return bundleFailure(BundleResult::DuplicateName, found->second.name,
                                     "a file, and also the folder of \"" + name + "\"");
        }
    }
    return {};
}

BundleOutcome BundleArchive::checkEntry(uint64_t index, SeenNames& keys, uint64_t& declared) {
    zip_stat_t st;
    zip_stat_init(&st);
    if (zip_stat_index(zip_, index, 0, &st) != 0 || !(st.valid & ZIP_STAT_NAME) || !st.name)
        return bundleFailure(BundleResult::Damaged, "", "entry " + count(index) + " cannot be read");
    const std::string name = st.name;
    if (const std::string problem = entryNameProblem(name); !problem.empty())
        return bundleFailure(BundleResult::UnsafeName, name, "the name " + problem);

    uint8_t system = 0;
    uint32_t attributes = 0;
    if (zip_file_get_external_attributes(zip_, index, 0, &system, &attributes) != 0)
        return bundleFailure(BundleResult::Damaged, name, "its attributes cannot be read");
    const EntryKind kind = kindOf(name, system, attributes);
    if (kind == EntryKind::Link) return bundleFailure(BundleResult::NotRegular, name, "a symbolic link");
    if (kind == EntryKind::Special)
        return bundleFailure(BundleResult::NotRegular, name, "a special file (a device, FIFO or socket)");
    if ((st.valid & ZIP_STAT_ENCRYPTION_METHOD) && st.encryption_method != ZIP_EM_NONE)
        return bundleFailure(BundleResult::Encrypted, name, "encrypted");

    const auto [seen, fresh] = keys.try_emplace(entryNameKey(name), SeenName{name, kind == EntryKind::File});
    if (!fresh) {
        const std::string& other = seen->second.name;
        return bundleFailure(
            BundleResult::DuplicateName, name,
            other == name ? "given twice"
                          : "the same name as \"" + other + "\" where case is ignored or Unicode normalised");
    }
    if (kind == EntryKind::Folder) return {};  // never read

    if (!(st.valid & ZIP_STAT_COMP_METHOD) ||
        (st.comp_method != ZIP_CM_STORE && st.comp_method != ZIP_CM_DEFLATE))
        return bundleFailure(
            BundleResult::Unsupported, name,
            "compressed by method " + count(st.comp_method) + "; only stored and deflated are read");
    if (!(st.valid & ZIP_STAT_SIZE)) return bundleFailure(BundleResult::Damaged, name, "no size");
    if (st.size > limits_.maxExpandedBytes - declared)
        return bundleFailure(BundleResult::TooLarge, name,
                             "the entries up to this one declare more than " +
                                 count(limits_.maxExpandedBytes) + " bytes expanded");
    declared += st.size;
    files_.emplace(name, Entry{index, st.size});
    return {};
}

BundleOutcome BundleArchive::read(std::string_view name, std::vector<uint8_t>& out, uint64_t maxBytes) {
    out.clear();
    const auto found = files_.find(name);
    if (!zip_ || found == files_.end())
        return bundleFailure(BundleResult::MissingFile, std::string(name), "no such entry");
    const Entry& entry = found->second;
    if (entry.size > maxBytes)
        return bundleFailure(BundleResult::TooLarge, std::string(name),
                             "declares " + count(entry.size) + " bytes; at most " + count(maxBytes));

    zip_file_t* file = zip_fopen_index(zip_, entry.index, 0);
    if (!file) return bundleFailure(BundleResult::Damaged, std::string(name), zip_strerror(zip_));
    // Read in chunks, never more than one byte past the declared size: what is held is what
    // really came out, whatever the header claims.
    std::vector<uint8_t> chunk(kChunkBytes);
    BundleOutcome outcome;
    for (;;) {
        const uint64_t wanted = std::min<uint64_t>(chunk.size(), entry.size - out.size() + 1);
        const zip_int64_t n = zip_fread(file, chunk.data(), wanted);
        if (n < 0) {
            outcome = bundleFailure(BundleResult::Damaged, std::string(name), zip_file_strerror(file));
            break;
        }
        if (n == 0) break;
        const auto got = static_cast<uint64_t>(n);
        if (got > entry.size - out.size()) {
            outcome = bundleFailure(BundleResult::Damaged, std::string(name),
                                    "inflates past its declared size of " + count(entry.size) + " bytes");
            break;
        }
        if (got > limits_.maxExpandedBytes - inflated_) {
            outcome = bundleFailure(
                BundleResult::TooLarge, std::string(name),
                "the entries inflate to more than " + count(limits_.maxExpandedBytes) + " bytes");
            break;
        }
        inflated_ += got;
        out.insert(out.end(), chunk.begin(), chunk.begin() + static_cast<std::ptrdiff_t>(got));
    }
    zip_fclose(file);
    if (outcome.ok() && out.size() != entry.size)
        outcome = bundleFailure(
            BundleResult::Damaged, std::string(name),
            "inflates to " + count(out.size()) + " bytes, not the " + count(entry.size) + " declared");
    if (!outcome.ok()) out.clear();
    return outcome;
}

BundleOutcome writeArchive(std::span<const BundleFile> files, std::vector<uint8_t>& out) {
    out.clear();
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* buffer = zip_source_buffer_create(nullptr, 0, 0, &error);
    zip_t* archive = buffer ? zip_open_from_source(buffer, ZIP_TRUNCATE, &error) : nullptr;
    if (!archive) {
        if (buffer) zip_source_free(buffer);
        BundleOutcome failed =
            bundleFailure(BundleResult::CannotWrite, "", std::string("ZIP: ") + zip_error_strerror(&error));
        zip_error_fini(&error);
        return failed;
    }
    zip_error_fini(&error);
    zip_source_keep(buffer);  // the archive's bytes stay in it after zip_close
    const time_t when = fixedTime();
    bool ok = true;
    for (const BundleFile& f : files) {
        zip_source_t* data = zip_source_buffer(archive, f.bytes.data(), f.bytes.size(), 0);
        const zip_int64_t i = data ? zip_file_add(archive, f.name.c_str(), data, ZIP_FL_ENC_UTF_8) : -1;
        if (i < 0) {
            if (data) zip_source_free(data);
            ok = false;
            break;
        }
        const auto index = static_cast<zip_uint64_t>(i);
        ok = zip_set_file_compression(archive, index, ZIP_CM_DEFLATE, 9) == 0 &&
             zip_file_set_mtime(archive, index, when, 0) == 0 &&
             zip_file_set_external_attributes(archive, index, 0, ZIP_OPSYS_UNIX,
                                              uint32_t{S_IFREG | 0644} << 16) == 0;
        if (!ok) break;
    }
    if (!ok || zip_close(archive) != 0) {
        BundleOutcome failed =
            bundleFailure(BundleResult::CannotWrite, "", std::string("ZIP: ") + zip_strerror(archive));
        zip_discard(archive);
        zip_source_free(buffer);
        return failed;
    }

    zip_stat_t st;
    zip_stat_init(&st);
    bool copied =
        zip_source_stat(buffer, &st) == 0 && (st.valid & ZIP_STAT_SIZE) && zip_source_open(buffer) == 0;
    if (copied) {
        out.resize(st.size);
        copied = zip_source_read(buffer, out.data(), st.size) == static_cast<zip_int64_t>(st.size);
        zip_source_close(buffer);
    }
    zip_source_free(buffer);
    if (!copied) {
        out.clear();
        return bundleFailure(BundleResult::CannotWrite, "", "the archive cannot be read back from memory");
    }
    return {};
}

}  // namespace orb
