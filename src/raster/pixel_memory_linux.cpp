// PixelMemory on Linux: 2 MiB-aligned and advised for transparent huge pages before its first touch, or a
// SysV shared-memory segment (which the kernel seldom backs with huge pages) for a display server to read.
#include <sys/ipc.h>
#include <sys/mman.h>
#include <sys/shm.h>

#include <cstdlib>
#include <new>

#include "raster/pixel_memory.hpp"

namespace pellwick {

namespace {

constexpr std::size_t HUGE_PAGE = std::size_t{2} << 20;

// A segment of at least `bytes`, attached, whose id goes with it; marked for removal at once, so it is
// gone with its last user however the program ends. Null when there is none to be had.
void* attachedSegment(std::size_t bytes, int& id) {
    id = shmget(IPC_PRIVATE, bytes == 0 ? 1 : bytes, IPC_CREAT | 0600);
    if (id < 0) return nullptr;
    void* p = shmat(id, nullptr, 0);
    shmctl(id, IPC_RMID, nullptr);
    if (p != reinterpret_cast<void*>(-1)) return p;
    id = -1;
    return nullptr;
}

}  // namespace

PixelMemory::PixelMemory(std::size_t count, Kind kind) : count_(count) {
    if (kind == Shared) {
        data_ = static_cast<std::int32_t*>(attachedSegment(count * sizeof(std::int32_t), sharedId_));
        if (data_ != nullptr) return;
    }
    const std::size_t bytes = (count * sizeof(std::int32_t) + HUGE_PAGE - 1) / HUGE_PAGE * HUGE_PAGE;
    void* p = std::aligned_alloc(HUGE_PAGE, bytes == 0 ? HUGE_PAGE : bytes);
    if (p == nullptr) throw std::bad_alloc();
    madvise(p, bytes, MADV_HUGEPAGE);  // only advice: without huge pages everything still works
    data_ = static_cast<std::int32_t*>(p);
}

PixelMemory::~PixelMemory() {
    if (sharedId_ >= 0) {
        shmdt(data_);
    } else {
        std::free(data_);
    }
}

}  // namespace pellwick
