// Input as every backend reports it: one event type, whatever the platform. What each event does is the
// app core's business alone.
#pragma once

namespace pellwick {

/// The keys the game tells apart; a backend reports every other key as Other.
enum class Key { Escape, Other };

/// One input event.
struct Input {
    enum class Kind { Click, DoubleClick, ButtonDown, MouseMove, KeyDown, Close, Resize, NewGame };
    Kind kind;
    Key key = Key::Other;  // for KeyDown
    int x = 0;             // the width for Resize, the pointer's x for MouseMove
    int y = 0;             // the height for Resize, the pointer's y for MouseMove

    /// A left click (the button's release).
    static constexpr Input click() { return {Kind::Click}; }
    /// The second press of a double-click.
    static constexpr Input doubleClick() { return {Kind::DoubleClick}; }
    /// Any mouse button pressed.
    static constexpr Input buttonDown() { return {Kind::ButtonDown}; }
    /// The pointer is at (x, y), in the screen's pixels.
    static constexpr Input mouseMove(int x, int y) { return {Kind::MouseMove, Key::Other, x, y}; }
    /// A key press.
    static constexpr Input keyDown(Key k) { return {Kind::KeyDown, k}; }
    /// The desktop asks the window to close, or the window it lives in is gone.
    static constexpr Input close() { return {Kind::Close}; }
    /// The window's client area is now width x height.
    static constexpr Input resize(int width, int height) { return {Kind::Resize, Key::Other, width, height}; }
    /// A new game that nobody clicked for: a screensaver's own.
    static constexpr Input newGame() { return {Kind::NewGame}; }
};

}  // namespace pellwick
