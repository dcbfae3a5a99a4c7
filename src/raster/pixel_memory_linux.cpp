// PixelMemory on Linux: 2 MiB-aligned and advised for transparent huge pages before its first touch.
#include <sys/mman.h>

#include <cstdlib>
#include <new>

#include "raster/pixel_memory.hpp"

namespace pellwick {

namespace {
constexpr std::size_t HUGE_PAGE = std::size_t{2} << 20;
}

PixelMemory::PixelMemory(std::size_t count) : count_(count) {
    const std::size_t bytes = (count * sizeof(std::int32_t) + HUGE_PAGE - 1) / HUGE_PAGE * HUGE_PAGE;
    void* p = std::aligned_alloc(HUGE_PAGE, bytes == 0 ? HUGE_PAGE : bytes);
    if (p == nullptr) throw std::bad_alloc();
    madvise(p, bytes, MADV_HUGEPAGE);  // only advice: without huge pages everything still works
    data_ = static_cast<std::int32_t*>(p);
}

PixelMemory::~PixelMemory() { std::free(data_); }

}  // namespace pellwick
