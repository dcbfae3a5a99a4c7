// Fuzz target: arbitrary sequences of field operations, with arbitrary arguments (NaN, infinities, huge and
// negative coordinates, any pen width, resizes down to 1x1 and up to the side limit), plus world ticks and
// resets on the same field. Nothing may crash, hang or touch memory outside the field, and the fast tick
// must agree with the plain rules on whatever world the operations leave.
#include <cstdint>
#include <cstring>

#include "game/digest.hpp"
#include "game/rules.hpp"
#include "game/ticker.hpp"

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
    constexpr long MAX_AREA = 1L << 18;
    if (w > 0 && h > 0 && static_cast<long>(w) * h > MAX_AREA) h = static_cast<int>(MAX_AREA / w) + 1;
    f.resize(w, h);
}

// Ticks and resets are costly next to single drawing calls; a few per input find what more would.
constexpr int MAX_GAME_STEPS = 6;

// The same world twice: one ticked fast, one by the plain rules. Every operation goes to both, and after
// every tick they must agree to the last bit.
struct Pair {
    pellwick::World fast, plain;
    pellwick::Ticker ticker;
    int gameSteps = 0;
};

void draw(pellwick::Field& f, int op, const float* v, std::int32_t n, std::int32_t m) {
    switch (op) {
        case 0: f.clear(); break;
        case 1: f.setPenWidth(n); break;
        case 2: f.drawLine(v[0], v[1], v[2], v[3], n); break;
        case 3: f.drawBox(v[0], v[1], v[2], v[3]); break;
        case 4: f.drawCircle(v[0], v[1], v[2], n); break;
        case 5: {
            const pellwick::Colour c = f.pixelAt(v[0], v[1]);
            if (c < -1 || c > 0xFFFFFF) __builtin_trap();
            break;
        }
        default: resize(f, n, m); break;
    }
}

void step(Pair& p, Input& in) {
    const int op = in.take<std::uint8_t>() % 9;
    if (op >= 7) {
        if (++p.gameSteps > MAX_GAME_STEPS) return;
        if (op == 7) {
            p.ticker.tick(p.fast);
            pellwick::tick(p.plain);
        } else {
            pellwick::resetWorld(p.fast);
            pellwick::resetWorld(p.plain);
        }
        if (!pellwick::stateDifference(p.fast, p.plain).empty()) __builtin_trap();
        return;
    }
    float v[4] = {};
    std::int32_t n = 0, m = 0;
    if (op == 6) {  // a resize: width and height
        n = in.take<std::int32_t>();
        m = in.take<std::int32_t>();
    } else if (op != 0) {
        const int floats = op == 1 ? 0 : op == 4 ? 3 : op == 5 ? 2 : 4;
        for (int k = 0; k < floats; ++k) v[k] = in.take<float>();
        if (op != 3 && op != 5) n = in.take<std::int32_t>();
    }
    draw(p.fast.field, op, v, n, m);
    draw(p.plain.field, op, v, n, m);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Input in(data, size);
    const int w = in.take<std::uint8_t>() + 1;
    const int h = in.take<std::uint8_t>() + 1;
    Pair p{pellwick::World(w, h), pellwick::World(w, h), {}, 0};
    for (int ops = 0; ops < 64 && !in.done(); ++ops) step(p, in);
    return 0;
}
