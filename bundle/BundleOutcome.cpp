#include "bundle/BundleOutcome.h"

namespace orb {

const char* toText(BundleResult r) {
    switch (r) {
        case BundleResult::Ok:
            return "ok";
        case BundleResult::CannotRead:
            return "cannot be read";
        case BundleResult::CannotWrite:
            return "cannot be written";
        case BundleResult::NotZip:
            return "not a ZIP archive";
        case BundleResult::TooManyEntries:
            return "too many entries";
        case BundleResult::TooLarge:
            return "too large";
        case BundleResult::UnsafeName:
            return "an entry name that is not a plain relative path";
        case BundleResult::NotRegular:
            return "an entry that is not a regular file";
        case BundleResult::DuplicateName:
            return "a name given twice";
        case BundleResult::Encrypted:
            return "an encrypted entry";
        case BundleResult::Unsupported:
            return "an entry compressed by a method other than stored or deflated";
        case BundleResult::Damaged:
            return "a damaged entry";
        case BundleResult::NoProgram:
            return "no program.json";
        case BundleResult::ProgramRefused:
            return "program.json has errors";
        case BundleResult::MissingFile:
            return "a picture file is missing";
        case BundleResult::BadPicture:
            return "a picture file cannot be used";
        case BundleResult::CannotPlace:
            return "a file cannot be stored";
    }
    return "unknown result";
}

std::string toText(const BundleOutcome& outcome) {
    const std::string detail = outcome.detail.empty() ? toText(outcome.result) : outcome.detail;
    return outcome.entry.empty() ? detail : "\"" + outcome.entry + "\": " + detail;
}

}  // namespace orb
