// Memory for the field's pixels. Large fields are read and written a few pixels at a time in many rows at
// once, so where the platform allows it the buffer is backed by huge pages to spare the address cache.
#pragma once

#include <cstddef>
#include <cstdint>

namespace pellwick {

class PixelMemory {
public:
    PixelMemory() = default;
    /// count pixels, uninitialised.
    explicit PixelMemory(std::size_t count);
    ~PixelMemory();
    PixelMemory(const PixelMemory& other);
    PixelMemory& operator=(const PixelMemory& other);
    PixelMemory(PixelMemory&& other) noexcept;
    PixelMemory& operator=(PixelMemory&& other) noexcept;

    std::int32_t* data() { return data_; }
    const std::int32_t* data() const { return data_; }
    std::size_t size() const { return count_; }

private:
    std::int32_t* data_ = nullptr;
    std::size_t count_ = 0;
};

}  // namespace pellwick
