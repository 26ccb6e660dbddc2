#pragma once
// A pass over JSON text that builds no tree: it finds syntax errors, nesting deeper than allowed
// and keys given twice in one object (which a tree would silently keep once), with their places.
#include <string_view>
#include <vector>

#include "editor/core/ProgramJson.h"

namespace orb {

// Bounds on the tree a text may become, so that its size follows from what the format holds.
struct JsonLimits {
    int depth = 32;       // nested objects and arrays
    int elements = 1024;  // in one array
    int members = 64;     // keys in one object
};

// Empty when the text may be parsed into a tree. Stops at the first syntax error or the first
// limit passed; every duplicate key is reported.
std::vector<JsonProblem> prescanJson(std::string_view text, const JsonLimits& limits);

}  // namespace orb
