#pragma once
// Pictures from the image into the planes: a bitmap into its line's scroll canvas and from there
// into the band, an animation frame into the band, a picture row ORed in at a column, and the idle
// picture shown when the image holds nothing to play.
#include <cstdint>

#include "simulator/engine/SimState.h"

namespace orb {

// Reads the line's bitmap (its content size and data offset) into its scroll canvas.
void loadBitmapToCanvas(SimState& s, int line);
// ORs the canvas into the line's band of the working pair, centred when narrower than the sign.
void drawCanvasBitmap(SimState& s, int line);
// Reads frame frameIndex of the line's animation into its band of the saved and working pairs.
void fetchAnimationFrame(SimState& s, int line);
// ORs `bytes` bytes of picture rows (red and green) into row `row` of target from column x; at
// most a sign row's worth, nothing outside the planes.
void orPictureRow(const SimState& s, PlanePair& target, int row, const uint8_t* red, const uint8_t* green,
                  int bytes, int x);
// Reads row k of a w x h picture at dataOffset (red rows, then green rows) into the scratch
// sector; returns the bytes kept (at most a plane row).
int readPictureRow(SimState& s, uint64_t dataOffset, int width, int height, int k, const uint8_t*& red,
                   const uint8_t*& green);
// The column a picture w pixels wide starts at: centred when narrower than the sign, else 0.
int pictureX(const SimState& s, int width);

// The idle picture: "LED" and "SIGN", side by side on a one-module sign, else one above the other.
void showIdlePicture(SimState& s);

}  // namespace orb
