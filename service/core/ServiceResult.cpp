#include "service/core/ServiceResult.h"

namespace orb {

ServiceResult resultOf(DbStatus s, const std::string& what) {
    switch (s) {
        case DbStatus::Ok:
            return {};
        case DbStatus::NotFound:
            return {Outcome::NotFound, what + " does not exist"};
        case DbStatus::Conflict:
            return {Outcome::Conflict, what + " conflicts with what is stored"};
        case DbStatus::Full:
            return {Outcome::DiskFull, "the disk is full: nothing was changed"};
        case DbStatus::ReadOnly:
            return {Outcome::StorageFailed, "the database cannot be written: nothing was changed"};
        case DbStatus::Failed:
            return {Outcome::StorageFailed, "the database failed: nothing was changed"};
    }
    return {Outcome::StorageFailed, "the database failed"};
}

}  // namespace orb
