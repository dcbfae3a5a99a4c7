// A full-screen saver's seeds and the input that ends it.
#include "app/saver.hpp"

#include <cstdlib>

namespace pellwick {

void SaverPolicy::pointerStartsAt(std::uintptr_t monitor, int x, int y) {
    if (pointerSeen_) return;
    pointerSeen_ = true;
    monitor_ = monitor;
    x_ = x;
    y_ = y;
}

bool SaverPolicy::ends(const Input& input, std::uintptr_t monitor) {
    switch (input.kind) {
        case Input::Kind::Resize:
            return false;
        case Input::Kind::MouseMove:
            if (!pointerSeen_) {
                pointerStartsAt(monitor, input.x, input.y);
                return false;
            }
            return monitor != monitor_ || std::abs(input.x - x_) > MOVE_TOLERANCE || std::abs(input.y - y_) > MOVE_TOLERANCE;
        default:
            return true;
    }
}

std::string drawnSeedLine(std::uint64_t seed) {
    const std::string s = std::to_string(seed);
    return "pellwick: playing seed " + s + " (--seed " + s + " plays this run again)";
}

}  // namespace pellwick
