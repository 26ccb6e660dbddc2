#pragma once
// An item for the tests and benchmarks that feed pictures to the program writer.
#include <string>

#include "image/ItemRecord.h"

namespace orb::testing {

// A one-line item of height code 1 whose line shows the picture file at PATH.
inline ItemRecord pictureItem(ContentKind kind, const std::string& path) {
    ItemRecord r;
    r.header = ItemHeader::newItem(LayoutCode::OneLine, {1, 0, 0});
    r.header.setKind(1, kind);
    r.line(1).setPath(path);
    return r;
}

}  // namespace orb::testing
