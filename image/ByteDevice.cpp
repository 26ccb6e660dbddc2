#include "image/ByteDevice.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace orb {

IoResult MemoryDevice::read(uint64_t offset, std::span<uint8_t> out) const {
    if (!inside(offset, out.size())) return IoResult::OutOfRange;
    std::memcpy(out.data(), bytes_.data() + offset, out.size());
    return IoResult::Ok;
}

IoResult MemoryDevice::write(uint64_t offset, std::span<const uint8_t> in) {
    if (!inside(offset, in.size())) return IoResult::OutOfRange;
    std::memcpy(bytes_.data() + offset, in.data(), in.size());
    return IoResult::Ok;
}

IoResult FileDevice::open(const std::string& path, FileMode mode, uint64_t expectedSize,
                          std::unique_ptr<ByteDevice>& out) {
    const bool writable = mode != FileMode::ReadOnly;
    // Written in place or made: the same check as a whole-file replace.
    if (writable && checkReplaceable(path) != IoResult::Ok) return IoResult::NotReplaceable;
    RegularFile file;
    FileOpen opened = file.open(path, writable);
    if (opened == FileOpen::Missing && errno == ENOENT && mode == FileMode::CreateOrOpen) {
        IoResult made = createZeroFile(path, expectedSize);
        if (made != IoResult::Ok) return made;
        opened = file.open(path, writable);
    }
    if (opened != FileOpen::Ok) return IoResult::OpenFailed;
    if (file.size() != expectedSize) return IoResult::WrongSize;
    out.reset(new FileDevice(std::move(file), expectedSize));
    return IoResult::Ok;
}

IoResult FileDevice::read(uint64_t offset, std::span<uint8_t> out) const {
    if (!inside(offset, out.size())) return IoResult::OutOfRange;
    // Fewer bytes: the file shrank under us.
    return file_.readAt(offset, out) == static_cast<int64_t>(out.size()) ? IoResult::Ok
                                                                         : IoResult::ReadFailed;
}

IoResult FileDevice::write(uint64_t offset, std::span<const uint8_t> in) {
    if (!inside(offset, in.size())) return IoResult::OutOfRange;
    size_t done = 0;
    while (done < in.size()) {
        ssize_t n =
            ::pwrite(file_.fd(), in.data() + done, in.size() - done, static_cast<off_t>(offset + done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return IoResult::WriteFailed;
        done += static_cast<size_t>(n);
    }
    return IoResult::Ok;
}

}  // namespace orb
