#pragma once
// A program read back from a sign, made into a project the editor opens again:
//  - each item's header as the sign holds it (its start sectors 0, as in any project), the texts
//    of sentences, D-days and titles exactly;
//  - bitmaps as BMP files, animations as GIF files holding every frame as the sign holds it (a
//    whole canvas), bitmap phrases as their picture with no rich-text file (the sign never had
//    it): their "rtf" path stays empty, the sign shows the picture as before, and the phrase
//    dialog opens such a line as a new phrase;
//  - settings: the sign's width and height as its memory holds them, its display-window mode
//    (0x4012); the memory holds nothing else of the settings, so the rest is as in a new store
//    (ON/OFF off at 00:00, brightness "1", RS-232 on COM1) unless the caller fills it in.
// Picture files are named "itemNNN-lineL.bmp", "itemNNN-lineL.gif" and "itemNNN-lineL-phrase.bmp"
// in the media folder, each written whole through replaceFile.
#include <string>
#include <vector>

#include "editor/core/ProgramReadBack.h"
#include "image/ItemStore.h"

namespace orb {

struct PullOutcome {
    bool ok = false;
    std::string message;             // why not, for the user
    std::vector<std::string> files;  // the picture files written, UTF-8 paths
};

// Writes the pictures of READ_BACK into MEDIA_FOLDER (created when missing) and fills STORE's
// records and settings. The folder's path must go into the project: CP949, and short enough for
// the payload's 511 bytes; otherwise nothing is written. On a failed write the files written so
// far stay (each whole) and STORE is not to be used.
PullOutcome makePulledProject(const ProgramReadBack& readBack, const std::string& mediaFolder,
                              ItemStore& store);

// The picture file line LINE of an item with HEADER becomes: a BMP for a bitmap or phrase, a GIF
// for an animation (a one-frame GIF of the size for an animation of no frames); empty when the sign
// holds no picture for it, and for lines of other kinds. BmpPlanes and FramePlanes read the files back to the
// planes the sign holds (but for bits past a row's last pixel, which no picture has).
std::vector<uint8_t> pictureFileOf(const ItemHeader& header, const ReadBackLine& line);

// Where building STORE gives other bytes than READ_BACK holds, one text per place: the item
// count, an item's header, a line's content. Empty when the build writes, at every address the
// transfer writes, what was read (the width and height, which the transfer never sends, are not
// compared). Reads the project's picture files as the build does.
std::vector<std::string> pullDifferences(const ProgramReadBack& readBack, const ItemStore& store);

}  // namespace orb
