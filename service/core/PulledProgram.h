#pragma once
// A program read back from a sign, kept as a program version: made into a project (pictures as
// the read-back gives them), written as a bundle and stored as any upload is (its pictures in the
// content store, audited). Then the stored version is built and compared with what was read: only
// when every byte matches may a sign be recorded as holding it.
#include <cstdint>
#include <optional>
#include <string>

#include "editor/core/ProgramReadBack.h"
#include "service/core/SignNetwork.h"

namespace orb {

struct PulledVersion {
    int64_t program = 0;
    int version = 0;
    // Empty: building the stored version gives exactly the bytes read. Otherwise where it differs.
    std::string difference;
};

// Stores READ_BACK as a new program NAME (EXISTING unset) or as the next version of EXISTING.
// Refused with a message, and nothing stored, when it cannot be made into a program.
ServiceResult storePulledProgram(SignNetwork& net, const ProgramReadBack& readBack, const std::string& name,
                                 std::optional<int64_t> existing, const Actor& actor, PulledVersion& out);

}  // namespace orb
