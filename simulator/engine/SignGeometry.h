#pragma once
// The size of the sign the engine plays on, as the image header gives it (replaced when out of range).

namespace orb {

struct SignGeometry {
    int widthModules = 6;   // 5..38
    int heightModules = 1;  // 1..10
    int bytesPerRow() const { return widthModules * 2; }
    int ledRows() const { return heightModules * 16; }
    int pixels() const { return bytesPerRow() * 8; }
    bool operator==(const SignGeometry&) const = default;
};

}  // namespace orb
