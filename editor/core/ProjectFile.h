#pragma once
// Project files (".dat"): byte copies of the item store. Reading checks the name and the size;
// writing goes to a temporary file beside the target, synced and renamed over it, so a failed
// save never leaves a half-written project.
#include <array>
#include <cstdint>
#include <string>

#include "editor/core/DocOutcome.h"
#include "image/ItemStore.h"

namespace orb {

using StoreBytes = std::array<uint8_t, ItemStore::kFileSize>;

// The text after the last "." of PATH (the whole path when it has none), in lower case is "dat".
// So "A.DAT" is a project name and "a.dat.bak" is not.
bool hasProjectExtension(const std::string& path);

// Reads a project into OUT: WrongExtension, CannotOpen, WrongSize or Done.
DocOutcome readProjectFile(const std::string& path, StoreBytes& out);

// Writes BYTES as PATH: Done, or CannotSave with PATH as it was (not a regular file its owner may
// write, a folder that may not be written, a full disk); `why`, when given, gets the write's result.
DocOutcome writeProjectFile(const std::string& path, const StoreBytes& bytes, IoResult* why = nullptr);

// Records past the first whose layout code is 0 are not items; they become zero so that the
// store's list and its records never differ.
void zeroRecordsPastList(StoreBytes& bytes);

// An item store in memory holding a project, for orbctl: any name is accepted.
IoResult loadStore(const std::string& path, ItemStore& out);

}  // namespace orb
