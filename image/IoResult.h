#pragma once
// Outcome of every read and write on the image and the item store. The core never shows a
// message; the programs turn these codes into their texts.

namespace orb {

enum class IoResult {
    Ok,
    OpenFailed,      // missing, unreadable, unwritable, or not a regular file
    NotReplaceable,  // a write refused: the path names something other than a writable regular file
    CreateFailed,    // could not make the zero-filled file
    WrongSize,       // a file of another length than the layout needs
    ReadFailed,
    WriteFailed,
    OutOfRange,  // an index or address outside the layout
    StoreFull,   // the item store already holds its 100 items
};

const char* toText(IoResult r);

}  // namespace orb
