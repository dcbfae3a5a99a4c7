// The renderer's command line: what a run asks for, and the parser that checks it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "app/cadence.hpp"

namespace pellwick {

struct FieldSize {
    int width;
    int height;
};

/// Something that happens to the world before tick `at` runs (at == ticks: after the last tick).
struct RenderEvent {
    enum class Kind { Click, Resize };
    Kind kind;
    std::uint64_t at;
    FieldSize size;  // for Resize
};

struct RenderOptions {
    FieldSize size{599, 459};
    std::uint64_t ticks = 1000;
    std::uint64_t seed = 0;  // the random stream's; 0 is the game's own
    std::vector<RenderEvent> events;  // in the order they happen
    std::optional<SaverTimes> saverGames;  // a saver's own games, when --first-game or --new-game is given
    int speed = TICKS_PER_SECOND;          // the saver's ticks a second, which its games' schedule counts
    std::optional<std::string> png;
    std::optional<std::string> gif;
    std::uint64_t frameEvery = 20;  // ticks between two frames of the GIF
    bool json = false;
    bool help = false;
    bool version = false;
};

/// The parser's answer: options, or a one-line message naming what is wrong.
struct ParseResult {
    std::optional<RenderOptions> options;
    std::string error;
};

/// Parses the arguments after the program name. Never throws.
ParseResult parseRenderArgs(const std::vector<std::string>& args);

/// The largest width and the largest height the field takes during the run the options ask for.
FieldSize largestField(const RenderOptions& o);

/// The --help text.
std::string renderUsage();

}  // namespace pellwick
