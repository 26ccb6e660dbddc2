#include "image/ByteDevice.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <new>

namespace orb {
namespace {

bool allZero(std::span<const uint8_t> bytes) {
    return std::all_of(bytes.begin(), bytes.end(), [](uint8_t b) { return b == 0; });
}

}  // namespace

// Anonymous pages are zero until written and take no memory before.
MemoryDevice::MemoryDevice(uint64_t size) : size_(size) {
    if (size == 0) return;
    void* pages = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (pages == MAP_FAILED) throw std::bad_alloc();  // as a vector of that size would
    bytes_ = static_cast<uint8_t*>(pages);
}

MemoryDevice::~MemoryDevice() {
    if (bytes_ != nullptr) munmap(bytes_, size_);
}

IoResult MemoryDevice::read(uint64_t offset, std::span<uint8_t> out) const {
    if (!inside(offset, out.size())) return IoResult::OutOfRange;
    if (!out.empty()) std::memcpy(out.data(), bytes_ + offset, out.size());
    return IoResult::Ok;
}

// Zeros written over zeros leave the page untouched, so that a writer clearing what it does not
// use costs no memory.
IoResult MemoryDevice::write(uint64_t offset, std::span<const uint8_t> in) {
    if (!inside(offset, in.size())) return IoResult::OutOfRange;
    constexpr size_t kPage = 4096;
    size_t done = 0;
    while (done < in.size()) {
        const uint64_t at = offset + done;
        const size_t n = std::min<size_t>(in.size() - done, kPage - at % kPage);
        const std::span<const uint8_t> piece = in.subspan(done, n);
        if (!(allZero(piece) && allZero({bytes_ + at, n}))) std::memcpy(bytes_ + at, piece.data(), n);
        done += n;
    }
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
