// PixelMemory where no huge-page advice or shared segment is available: plain heap memory.
#include "raster/pixel_memory.hpp"

namespace pellwick {

PixelMemory::PixelMemory(std::size_t count, Kind) : data_(new std::int32_t[count == 0 ? 1 : count]), count_(count) {}

PixelMemory::~PixelMemory() { delete[] data_; }

}  // namespace pellwick
