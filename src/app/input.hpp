// Input as every backend reports it: one event type, whatever the platform, raw presses and releases with
// a click count, and positions in device pixels. The count is the platform's where it keeps one (Win32,
// the page); where it does not (X11, Wayland), ClickCounter counts presses by the events' own times. What
// each event does, a click and a double-click included, is the app core's business alone: App's for a
// game, and ScreenGames' (with its SaverPolicy) for which input ends a run.
#pragma once

namespace pellwick {

/// The keys the game tells apart; a backend reports every other key as Other.
enum class Key { Escape, Other };

/// The mouse buttons the game tells apart.
enum class Button { Left, Other };

/// What the user's input does.
enum class InputRules {
    Play,         // a click starts a new game; a double-click or Escape ends the program
    EndOnInput,   // a full-screen saver: any key, any button or a real move ends it (SaverPolicy decides)
    IgnoreInput,  // the input is someone else's: a saver drawing into their window
};

/// One input event.
struct Input {
    enum class Kind { ButtonDown, ButtonUp, MouseMove, KeyDown, Close, Resize };
    Kind kind;
    Key key = Key::Other;          // KeyDown
    Button button = Button::Left;  // ButtonDown, ButtonUp
    int clicks = 0;                // ButtonDown, ButtonUp: see press
    int x = 0;                     // MouseMove: the pointer, in device pixels
    int y = 0;
    int width = 0;  // Resize: the window's client area
    int height = 0;

    /// A button pressed. clicks is the platform's count of quick presses in a row at one spot: 1 for a
    /// single press, 2 for the second press of a double-click; 0 for a press that no pointer made.
    static constexpr Input press(Button b, int clicks) { return {Kind::ButtonDown, Key::Other, b, clicks}; }
    /// A button released; clicks as for press, or 0 where the platform counts presses only.
    static constexpr Input release(Button b, int clicks) { return {Kind::ButtonUp, Key::Other, b, clicks}; }
    /// The pointer is at (x, y), in device pixels.
    static constexpr Input mouseMove(int x, int y) { return {Kind::MouseMove, Key::Other, Button::Left, 0, x, y}; }
    /// A key press.
    static constexpr Input keyDown(Key k) { return {Kind::KeyDown, k}; }
    /// The desktop asks the window to close, or the window it lives in is gone.
    static constexpr Input close() { return {Kind::Close}; }
    /// The window's client area is now width x height.
    static constexpr Input resize(int width, int height) {
        return {Kind::Resize, Key::Other, Button::Left, 0, 0, 0, width, height};
    }
};

}  // namespace pellwick
