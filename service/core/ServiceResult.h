#pragma once
// How an operation of the service ended, with a message for the person who asked. The API turns
// each outcome into its status and stable error code.
#include <string>

#include "service/core/Database.h"

namespace orb {

enum class Outcome {
    Ok,
    Invalid,        // the request names something impossible (a bad link, an unknown group)
    NotFound,       // the thing addressed does not exist
    Conflict,       // a name already taken, a job already finished
    InUse,          // still used: a program a sign holds, the last admin
    OutOfRange,     // a time outside what may be asked for
    Unavailable,    // the service cannot do it as it runs (no sign fonts)
    SignBusy,       // a job holds the sign
    DiskFull,       // writes fail for want of room; reads go on
    StorageFailed,  // the database failed otherwise
};

struct ServiceResult {
    Outcome outcome = Outcome::Ok;
    std::string message;

    bool ok() const { return outcome == Outcome::Ok; }
    static ServiceResult fail(Outcome o, std::string m) { return {o, std::move(m)}; }
};

// A store status as the result of an operation on WHAT ("sign 3"); Conflict, NotFound and the
// storage failures get their own messages.
ServiceResult resultOf(DbStatus s, const std::string& what);

}  // namespace orb
