// What the document says a project holds after deleting its first row and saving:
// "orb_model_delete PROJECT OUT" opens PROJECT, deletes row 0 and saves the result as OUT.
#include <array>
#include <cstdio>

#include "editor/core/OrbDocument.h"

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: orb_model_delete PROJECT OUT\n");
        return 2;
    }
    orb::OrbDocument doc;
    const std::array<int, 1> first{0};
    for (orb::DocOutcome step : {doc.open(argv[1]), doc.deleteRows(first), doc.saveAs(argv[2])}) {
        if (step != orb::DocOutcome::Done) {
            std::fprintf(stderr, "orb_model_delete: %s\n", orb::messageOf(step).text.c_str());
            return 1;
        }
    }
    return 0;
}
