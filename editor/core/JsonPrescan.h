#pragma once
// A pass over JSON text that builds no tree: it finds syntax errors, nesting deeper than allowed
// and keys given twice in one object (which a tree would silently keep once), with their places.
#include <string_view>
#include <vector>

#include "editor/core/ProgramJson.h"

namespace orb {

// Empty when the text may be parsed into a tree. Stops at the first syntax error or at the first
// nesting past maxDepth; every duplicate key is reported.
std::vector<JsonProblem> prescanJson(std::string_view text, int maxDepth);

}  // namespace orb
