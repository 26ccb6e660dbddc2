#pragma once
// The one way files are written whole: the bytes go to a temporary file beside the target,
// reach the disk, and the file then takes the target's name, whose folder entry is synced too.
// A failure leaves the target as it was and no temporary file behind; termination signals wait
// until the temporary file is renamed or removed. A symbolic link is followed, so the link stays
// and the file it names gets the bytes.
//
// Only a user's own regular file is replaced: the one check below is made by every writer,
// whole-file or in place, so that no command turns a device, a FIFO or a read-only file into a
// file of its own.
//
// A temporary file is named TARGET.PROGRAM-XXXXXX after the program writing it and is locked
// while it exists. One left by a kill (SIGKILL cannot be held back) is removed by the next write
// of the same program to the same target, or when the program starts on it (removeLeftovers);
// another program's, and one still being written, are never touched.
#include <sys/types.h>

#include <cstdint>
#include <span>
#include <string>

#include "image/IoResult.h"

namespace orb {

// The path a chain of symbolic links ends at, even when its last target does not exist yet.
std::string followLinks(std::string path);

// Ok when PATH names, through any symbolic links, nothing yet or a regular file that its owner
// may write and this program may too; NotReplaceable for anything else (a device, a FIFO, a
// folder, a read-only file, another user's file).
IoResult checkReplaceable(const std::string& path);

// Removes this program's temporary files that a kill left beside the file PATH leads to.
void removeLeftovers(const std::string& path);

// Makes PATH a file of SIZE zero bytes, its blocks reserved so that later updates in place cannot
// run out of room.
IoResult createZeroFile(const std::string& path, uint64_t size);

// Replaces PATH by BYTES: Ok, NotReplaceable (see checkReplaceable), CreateFailed when no
// temporary file could be made, or WriteFailed. A file that exists keeps its permissions; a new
// one gets MODE. On failure errno tells why.
IoResult replaceFile(const std::string& path, std::span<const uint8_t> bytes, mode_t mode = 0644);

}  // namespace orb
