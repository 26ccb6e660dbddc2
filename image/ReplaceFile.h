#pragma once
// The one way files are written whole: the bytes go to a temporary file beside the target,
// reach the disk, and the file then takes the target's name, whose folder entry is synced too.
// A failure leaves the target as it was and no temporary file behind; termination signals wait
// until the temporary file is renamed or removed. A symbolic link is followed, so the link stays
// and the file it names gets the bytes.
#include <sys/types.h>

#include <cstdint>
#include <span>
#include <string>

#include "image/IoResult.h"

namespace orb {

// The path a chain of symbolic links ends at, even when its last target does not exist yet.
std::string followLinks(std::string path);

// Makes PATH a file of SIZE zero bytes, its blocks reserved so that later updates in place cannot
// run out of room.
IoResult createZeroFile(const std::string& path, uint64_t size);

// Replaces PATH by BYTES with permissions MODE: Ok, CreateFailed when no temporary file could be
// made, or WriteFailed. On failure errno tells why.
IoResult replaceFile(const std::string& path, std::span<const uint8_t> bytes, mode_t mode = 0644);

}  // namespace orb
