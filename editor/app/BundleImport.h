#pragma once
// The window's side of program bundles (bundle/ProgramBundle.h): "그림과 함께 저장" writes the
// open program with its pictures into one ZIP; opening a bundle places its pictures in a folder
// the user chose and imports its program, or writes nothing at all.
#include <QString>
#include <string>
#include <vector>

#include "image/ItemStore.h"

namespace orb {

// The program of STORE with its pictures into the bundle at PATH, replaced whole or not at all;
// empty on success, otherwise the message for the user (the refusal, then each problem).
QString saveBundle(const ItemStore& store, const QString& path);

// A bundle read, its pictures placed and its program imported.
struct BundleImport {
    QString error;                     // empty on success: the message for the user otherwise
    std::vector<std::string> created;  // the picture files written (not those already there)
    std::vector<std::string> createdFolders;  // the folders made for them, outermost first

    bool ok() const { return error.isEmpty(); }
    // Takes the written pictures, and the folders made for them, away again, for an import its
    // caller could not use.
    void undo();
};

// Reads the bundle at BUNDLE, places its files under FOLDER ("media/001-logo.bmp" goes to
// FOLDER/media/001-logo.bmp) and imports its program into OUT with the placed paths. A refusal
// leaves no file behind.
BundleImport importBundle(const QString& bundle, const QString& folder, ItemStore& out);

// Whether PATH names a bundle for opening: its name ends in ".zip", in any case.
bool isBundlePath(const QString& path);

}  // namespace orb
