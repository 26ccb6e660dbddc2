#pragma once
// The one text form of a frame: one line per LED row, one character per LED ('.' dark, 'R' red,
// 'G' green, 'Y' yellow), each line ended by '\n'. Glimmer's --dump and the service's frame
// endpoint both write it.
#include <string>

#include "simulator/engine/BitPlane.h"
#include "simulator/engine/SignGeometry.h"

namespace orb {

void appendLedRows(std::string& out, const PlanePair& frame, const SignGeometry& geometry);

}  // namespace orb
