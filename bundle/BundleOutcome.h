#pragma once
// What writing, reading or placing a program bundle came to. The core never prints; toText gives
// the line that orbctl prints and the service can return.
#include <string>
#include <vector>

#include "editor/core/ProgramJson.h"

namespace orb {

enum class BundleResult {
    Ok,
    CannotRead,      // the bundle file, or a picture file a project names, cannot be read
    CannotWrite,     // the bundle file cannot be written
    NotZip,          // not a ZIP archive, or one too damaged to open
    TooManyEntries,  // more entries than the limit
    TooLarge,        // the archive, an entry, or all entries expanded, pass a limit
    UnsafeName,      // an entry name that could land outside the folder it is unpacked in
    NotRegular,      // a symbolic link or another special file
    DuplicateName,   // two entries for one name, also after case folding and normalisation
    Encrypted,       // an encrypted entry
    Unsupported,     // compressed otherwise than stored or deflated
    Damaged,         // an entry that does not inflate to its declared size and checksum
    NoProgram,       // no "program.json"
    ProgramRefused,  // program.json has errors (see problems)
    MissingFile,     // a picture file the program names is not there (see problems)
    BadPicture,      // a picture file the decoders refuse (see problems)
    CannotPlace,     // the placer could not store a file
};

struct BundleOutcome {
    BundleResult result = BundleResult::Ok;
    std::string entry;   // the entry or file concerned; "" for the bundle as a whole
    std::string detail;  // what is wrong with it, in a few words
    // The program's findings with their places, for ProgramRefused, MissingFile and BadPicture;
    // warnings (characters the sign cannot draw) come also with Ok.
    std::vector<JsonProblem> problems;

    bool ok() const { return result == BundleResult::Ok; }
};

const char* toText(BundleResult r);
// "ENTRY: DETAIL" (the entry quoted), or DETAIL alone; the result's text without a detail.
std::string toText(const BundleOutcome& outcome);

// An outcome of RESULT about ENTRY.
inline BundleOutcome bundleFailure(BundleResult result, std::string entry, std::string detail) {
    return {result, std::move(entry), std::move(detail), {}};
}

}  // namespace orb
