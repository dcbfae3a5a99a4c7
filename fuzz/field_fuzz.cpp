// Fuzz target: arbitrary sequences of field operations, with arbitrary arguments (NaN, infinities, huge and
// negative coordinates, any pen width, resizes down to 1x1 and up to the side limit), plus world ticks and
// resets on the same field. Nothing may crash, hang or touch memory outside the field.
#include <cstdint>
#include <cstring>

#include "world.hpp"

namespace {

// Reads typed values off the input; past its end everything reads as zero.
class Input {
public:
    Input(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    bool done() const { return pos_ >= size_; }
    template <typename T>
    T take() {
        T v{};
        const std::size_t n = pos_ + sizeof(T) <= size_ ? sizeof(T) : size_ - pos_;
        std::memcpy(&v, data_ + pos_, n);
        pos_ += n;
        return v;
    }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t pos_ = 0;
};

// Keeps a fuzzed field small enough to stay fast, while its sides still reach the limit.
void resize(pellwick::Field& f, int w, int h) {
    constexpr long kMaxArea = 1L << 18;
    if (w > 0 && h > 0 && static_cast<long>(w) * h > kMaxArea) h = static_cast<int>(kMaxArea / w) + 1;
    f.resize(w, h);
}

// Ticks and resets are costly next to single drawing calls; a few per input find what more would.
constexpr int kMaxGameSteps = 6;

void step(pellwick::World& world, Input& in, int& gameSteps) {
    pellwick::Field& f = world.field;
    switch (in.take<std::uint8_t>() % 9) {
        case 0: f.clear(); break;
        case 1: f.setPenWidth(in.take<std::int32_t>()); break;
        case 2: {
            const auto x1 = in.take<float>(), y1 = in.take<float>(), x2 = in.take<float>(), y2 = in.take<float>();
            f.drawLine(x1, y1, x2, y2, in.take<std::int32_t>());
            break;
        }
        case 3: {
            const auto x1 = in.take<float>(), y1 = in.take<float>(), x2 = in.take<float>(), y2 = in.take<float>();
            f.drawBox(x1, y1, x2, y2);
            break;
        }
        case 4: {
            const auto cx = in.take<float>(), cy = in.take<float>(), r = in.take<float>();
            f.drawCircle(cx, cy, r, in.take<std::int32_t>());
            break;
        }
        case 5: {
            const auto x = in.take<float>(), y = in.take<float>();
            const pellwick::Colour c = f.pixelAt(x, y);
            if (c < -1 || c > 0xFFFFFF) __builtin_trap();
            break;
        }
        case 6: {
            const auto w = in.take<std::int32_t>(), h = in.take<std::int32_t>();
            resize(f, w, h);
            break;
        }
        case 7:
            if (++gameSteps <= kMaxGameSteps) pellwick::tick(world);
            break;
        default:
            if (++gameSteps <= kMaxGameSteps) pellwick::resetWorld(world);
            break;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Input in(data, size);
    const int w = in.take<std::uint8_t>() + 1;
    const int h = in.take<std::uint8_t>() + 1;
    pellwick::World world(w, h);
    int gameSteps = 0;
    for (int ops = 0; ops < 64 && !in.done(); ++ops) step(world, in, gameSteps);
    return 0;
}
