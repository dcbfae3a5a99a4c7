// Fuzz target: arbitrary command lines for the renderer's parser (arguments split at NUL bytes). It must
// never crash, and whatever it accepts must be a run it can honour.
#include <cstdint>
#include <string>
#include <vector>

#include "raster/field.hpp"
#include "tools/render_args.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::vector<std::string> args(1);
    for (std::size_t i = 0; i < size; ++i) {
        if (data[i] == 0) {
            args.emplace_back();
        } else {
            args.back() += static_cast<char>(data[i]);
        }
    }
    const pellwick::ParseResult r = pellwick::parseRenderArgs(args);
    if (r.options.has_value() == !r.error.empty()) __builtin_trap();  // exactly one of the two
    if (!r.options) return 0;
    const pellwick::RenderOptions& o = *r.options;
    const auto sideOk = [](pellwick::FieldSize s) {
        return s.width >= 1 && s.height >= 1 && s.width <= pellwick::MAX_FIELD_SIDE &&
               s.height <= pellwick::MAX_FIELD_SIDE;
    };
    if (!sideOk(o.size)) __builtin_trap();
    std::uint64_t last = 0;
    for (const pellwick::RenderEvent& e : o.events) {
        if (e.at > o.ticks || e.at < last) __builtin_trap();
        if (e.kind == pellwick::RenderEvent::Kind::Resize && !sideOk(e.size)) __builtin_trap();
        last = e.at;
    }
    return 0;
}
