#pragma once
// Whether a sign holds the program orbctl build writes into the image, at every address the
// program uses; for the orbctl and the window tests alike, which assert on it in their own ways.
#include <string>
#include <vector>

#include "editor/core/ProgramWriter.h"
#include "editor/tests/OrbctlRun.h"
#include "image/ProgramImage.h"

namespace orb::testing {

struct SentProgram {
    std::string problem;  // empty when the sign holds the program
    size_t compared = 0;  // bytes compared
};

// Against BUILT, an image orbctl build has written already (one build serves many signs).
inline SentProgram compareBuiltProgram(const std::string& signMemory, const std::string& project,
                                       const std::string& built) {
    SentProgram out;
    ProgramImage sign, image;
    ItemStore store;
    ProgramPlan plan;
    if (ProgramImage::open(signMemory, FileMode::ReadOnly, sign) != IoResult::Ok ||
        ProgramImage::open(built, FileMode::ReadOnly, image) != IoResult::Ok ||
        ItemStore::open(project, FileMode::ReadOnly, store) != IoResult::Ok ||
        planProgram(store, store.itemCount(), 6, 1, plan).result != PlanResult::Ok)
        return {"cannot open the sign's memory, the image or the project", 0};
    for (const ProgramWrite& w : plan.writes) {
        // The transfer writes only the count of the image header; the size command sets the rest.
        const uint64_t from = w.kind == ProgramWrite::Kind::ImageHeader ? w.address + 2 : w.address;
        const size_t n = w.bytes.size() - static_cast<size_t>(from - w.address);
        std::vector<uint8_t> a(n), b(n);
        if (sign.read(from, a) != IoResult::Ok || image.read(from, b) != IoResult::Ok)
            out.problem += "cannot read at " + std::to_string(from) + "\n";
        else if (a != b)
            out.problem += "differs at " + std::to_string(from) + "\n";
        out.compared += n;
    }
    return out;
}

// Builds PROJECT into SCRATCH first.
inline SentProgram compareSentProgram(const std::string& signMemory, const std::string& project,
                                      const std::string& scratch) {
    if (const Outcome r = orbctl("build " + project + " -o " + scratch); r.status != 0)
        return {"orbctl build: " + r.output, 0};
    return compareBuiltProgram(signMemory, project, scratch);
}

}  // namespace orb::testing
