// The platform-independent half of PixelMemory: copying and moving.
#include <algorithm>
#include <utility>

#include "raster/pixel_memory.hpp"

namespace pellwick {

PixelMemory::PixelMemory(const PixelMemory& other) : PixelMemory(other.count_) {
    std::copy_n(other.data_, other.count_, data_);
}

PixelMemory& PixelMemory::operator=(const PixelMemory& other) {
    if (this != &other) *this = PixelMemory(other);
    return *this;
}

PixelMemory::PixelMemory(PixelMemory&& other) noexcept
    : data_(std::exchange(other.data_, nullptr)),
      count_(std::exchange(other.count_, 0)),
      sharedId_(std::exchange(other.sharedId_, -1)) {}

PixelMemory& PixelMemory::operator=(PixelMemory&& other) noexcept {
    std::swap(data_, other.data_);
    std::swap(count_, other.count_);
    std::swap(sharedId_, other.sharedId_);
    return *this;
}

}  // namespace pellwick
