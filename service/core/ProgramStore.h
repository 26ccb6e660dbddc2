#pragma once
// Programs and their versions. A version never changes once stored: its program JSON as
// uploaded, the item store the signs are sent (its picture paths naming content-store files) and
// the bundle's files by content hash. A program is deleted only while no sign holds one of its
// versions and no unfinished job pushes one.
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "service/core/AuditLog.h"
#include "service/core/Database.h"

namespace orb {

// A file of the bundle: its path there and its content-store name.
struct ProgramFile {
    std::string name;
    std::string stored;
    bool operator==(const ProgramFile&) const = default;
};

struct ProgramVersionInput {
    std::string json;
    std::vector<uint8_t> store;  // a whole item store (ItemStore::kFileSize bytes)
    int itemCount = 0;
    std::vector<ProgramFile> files;
};

struct ProgramVersionRecord {
    int64_t program = 0;
    int version = 0;
    std::string json;
    std::vector<uint8_t> store;
    int itemCount = 0;
    std::string createdBy, created;
    std::vector<ProgramFile> files;
};

struct ProgramVersionSummary {
    int version = 0;
    int itemCount = 0;
    std::string createdBy, created;
};

struct ProgramRecord {
    int64_t id = 0;
    std::string name, created;
    std::vector<ProgramVersionSummary> versions;  // oldest first
};

class ProgramStore {
  public:
    explicit ProgramStore(Database& db) : db_(db) {}

    // A new program NAME with INPUT as its version 1.
    DbStatus add(const std::string& name, const ProgramVersionInput& input, const Actor& actor, int64_t& id);
    // INPUT as the next version of program ID; VERSION is its number.
    DbStatus addVersion(int64_t id, const ProgramVersionInput& input, const Actor& actor, int& version);
    DbStatus list(std::vector<ProgramRecord>& out);
    // The latest version number of each program, from the key alone: list() reads the columns
    // stored after each version's contents, which walks through all of them.
    DbStatus latestVersions(std::map<int64_t, int>& out);
    DbStatus get(int64_t id, ProgramRecord& out);
    // Version VERSION of program ID; its latest for VERSION 0.
    DbStatus version(int64_t id, int version, ProgramVersionRecord& out);
    // Conflict while a sign holds one of its versions or an unfinished job pushes one. The
    // content names no other version uses any more are given in UNUSED (to be removed).
    DbStatus remove(int64_t id, const Actor& actor, std::vector<std::string>& unused);

  private:
    DbStatus insertVersion(int64_t id, int version, const ProgramVersionInput& input, const Actor& actor);

    Database& db_;
};

}  // namespace orb
