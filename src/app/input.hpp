// Input as every backend reports it: one event type, whatever the platform. What each event does is the
// app core's business alone.
#pragma once

namespace pellwick {

/// The keys the game tells apart; a backend reports every other key as Other.
enum class Key { Escape, Other };

/// One input event.
struct Input {
    enum class Kind { Click, DoubleClick, KeyDown, Close, Resize };
    Kind kind;
    Key key = Key::Other;  // for KeyDown
    int width = 0;         // for Resize
    int height = 0;

    /// A left click (the button's release).
    static constexpr Input click() { return {Kind::Click}; }
    /// The second press of a double-click.
    static constexpr Input doubleClick() { return {Kind::DoubleClick}; }
    /// A key press.
    static constexpr Input keyDown(Key k) { return {Kind::KeyDown, k}; }
    /// The desktop asks the window to close.
    static constexpr Input close() { return {Kind::Close}; }
    /// The window's client area is now width x height.
    static constexpr Input resize(int width, int height) { return {Kind::Resize, Key::Other, width, height}; }
};

}  // namespace pellwick
