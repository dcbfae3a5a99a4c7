// The Win32 backend: the program's own WS_POPUP window over the monitor, or as a screensaver a topmost one
// over the whole virtual screen (/s) or a child of the settings' preview window (/p HWND). Window messages
// are translated into the app core's input and handed to the game thread; the field is shown 1:1 through
// a top-down 32-bit DIB at the display's refresh rate.
#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/frame_loop.hpp"
#include "hosts/desktop.hpp"
#include "hosts/win32_settings.hpp"

namespace pellwick {

namespace {

constexpr wchar_t CLASS_NAME[] = L"PellwickWindow";
constexpr int ICON_RESOURCE = 1;
constexpr std::int64_t PARENT_CHECK_US = 100'000;  // how often a preview looks for its parent window

#ifndef WM_DPICHANGED
#define WM_DPICHANGED 0x02E0
#endif

// The window and what its procedure needs; it lives on the stack of the run for the whole run.
struct Session final : Display {
    ScrLaunch::Mode mode = ScrLaunch::Mode::Windowed;
    HWND hwnd = nullptr;
    HWND parent = nullptr;  // a preview's host window
    AppRunner* runner = nullptr;
    bool pressed = false;  // a left press in our window that has not been released yet
    std::vector<std::uint32_t> dib;  // the field as the screen wants it, kept up to date band by band
    std::int64_t nextParentCheckUs = 0;

    void pumpEvents(int waitMs, AppRunner& r) override;
    void present(const Frame& f) override;
};

// The caption-text colour; COLORREF keeps red in the low byte, as the field does.
Colour systemColour() { return static_cast<Colour>(GetSysColor(COLOR_CAPTIONTEXT) & 0xFFFFFF); }

// The refresh rate of the monitor the window is on, or 0 when Windows does not say.
int refreshRate(HWND hwnd) {
    MONITORINFOEXW mi{};
    mi.cbSize = sizeof mi;
    DEVMODEW mode{};
    mode.dmSize = sizeof mode;
    if (!GetMonitorInfoW(MonitorFromWindow(hwnd, MONITOR_DEFAULTTOPRIMARY), &mi)) return 0;
    if (!EnumDisplaySettingsW(mi.szDevice, ENUM_CURRENT_SETTINGS, &mode)) return 0;
    return mode.dmDisplayFrequency > 1 ? static_cast<int>(mode.dmDisplayFrequency) : 0;  // 0 and 1: the default
}

// The pointer position of a mouse message, in screen pixels.
Input pointerAt(HWND hwnd, LPARAM lp) {
    POINT p{static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp))};
    ClientToScreen(hwnd, &p);
    return Input::mouseMove(p.x, p.y);
}

// One window message as the app core's input, if it is one; true when the message is fully handled.
bool translate(Session& s, HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    AppRunner& r = *s.runner;
    switch (msg) {
        case WM_LBUTTONDOWN:
            s.pressed = true;
            r.post(Input::buttonDown());
            return true;
        case WM_LBUTTONUP:
            if (s.pressed) r.post(Input::click());
            s.pressed = false;
            return true;
        case WM_LBUTTONDBLCLK:
            s.pressed = false;
            r.post(Input::doubleClick());
            return true;
        case WM_RBUTTONDOWN:
        case WM_MBUTTONDOWN:
        case WM_XBUTTONDOWN:
            r.post(Input::buttonDown());
            return true;
        case WM_MOUSEMOVE:
            r.post(pointerAt(hwnd, lp));
            return true;
        case WM_KEYDOWN:
        case WM_SYSKEYDOWN:  // and on to the default handling, which turns Alt+F4 into WM_CLOSE
            r.post(Input::keyDown(wp == VK_ESCAPE ? Key::Escape : Key::Other));
            return msg == WM_KEYDOWN;
        case WM_CLOSE:
        case WM_DESTROY:  // a preview's window goes with its parent
            r.post(Input::close());
            return true;
        case WM_SIZE:
            if (wp != SIZE_MINIMIZED) r.post(Input::resize(LOWORD(lp), HIWORD(lp)));
            return true;
        default:
            return false;
    }
}

LRESULT CALLBACK windowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    auto* s = reinterpret_cast<Session*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (s == nullptr || s->runner == nullptr) return DefWindowProcW(hwnd, msg, wp, lp);
    if (translate(*s, hwnd, msg, wp, lp)) return 0;
    switch (msg) {
        case WM_DPICHANGED: {  // another monitor or scale: take the size Windows suggests
            const RECT* r = reinterpret_cast<const RECT*>(lp);
            SetWindowPos(hwnd, nullptr, r->left, r->top, r->right - r->left, r->bottom - r->top,
                         SWP_NOZORDER | SWP_NOACTIVATE);
            return 0;
        }
        case WM_SETCURSOR:
            if (s->mode != ScrLaunch::Mode::FullScreen) break;
            SetCursor(nullptr);  // a full-screen saver shows no pointer
            return TRUE;
        case WM_ERASEBKGND:
            return 1;
        case WM_PAINT: {
            PAINTSTRUCT ps;
            BeginPaint(hwnd, &ps);
            EndPaint(hwnd, &ps);  // the next frame shows the whole DIB again
            return 0;
        }
        default:
            break;
    }
    return DefWindowProcW(hwnd, msg, wp, lp);
}

bool registerClass(HINSTANCE instance) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = windowProc;
    wc.hInstance = instance;
    wc.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(ICON_RESOURCE));
    wc.hIconSm = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(ICON_RESOURCE), IMAGE_ICON, 16, 16, 0));
    wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    wc.lpszClassName = CLASS_NAME;
    return RegisterClassExW(&wc) != 0;
}

// The window for the session's mode: over the primary monitor, over the virtual screen, or filling the
// preview host's client area.
HWND openWindow(HINSTANCE instance, Session& s) {
    if (!registerClass(instance)) return nullptr;
    RECT r{};
    DWORD style = WS_POPUP, exStyle = 0;
    if (s.mode == ScrLaunch::Mode::Preview) {
        GetClientRect(s.parent, &r);
        style = WS_CHILD | WS_VISIBLE;
    } else if (s.mode == ScrLaunch::Mode::FullScreen) {
        r.left = GetSystemMetrics(SM_XVIRTUALSCREEN);
        r.top = GetSystemMetrics(SM_YVIRTUALSCREEN);
        r.right = r.left + GetSystemMetrics(SM_CXVIRTUALSCREEN);
        r.bottom = r.top + GetSystemMetrics(SM_CYVIRTUALSCREEN);
        exStyle = WS_EX_TOPMOST;
    } else {
        MONITORINFO mi{};
        mi.cbSize = sizeof mi;
        GetMonitorInfoW(MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY), &mi);
        r = mi.rcMonitor;
    }
    HWND hwnd = CreateWindowExW(exStyle, CLASS_NAME, L"Pellwick", style, r.left, r.top, r.right - r.left,
                                r.bottom - r.top, s.parent, nullptr, instance, nullptr);
    if (hwnd != nullptr) SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&s));
    return hwnd;
}

// Copies what changed into the DIB (a DIB keeps blue in the low byte, the field keeps red there) and shows it.
void Session::present(const Frame& f) {
    const std::size_t n = static_cast<std::size_t>(f.width) * f.height;
    dib.resize(n);
    f.forEachChange([&](const Band& b) {
        for (int y = b.y; y < b.y + b.height; ++y) {
            const std::size_t row = static_cast<std::size_t>(y) * f.width;
            for (int x = b.x; x < b.x + b.width; ++x) dib[row + x] = toDib(f.pixels[row + x]);
        }
    });
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = f.width;
    bi.bmiHeader.biHeight = -f.height;  // top-down
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    HDC dc = GetDC(hwnd);
    SetDIBitsToDevice(dc, 0, 0, f.width, f.height, 0, 0, 0, f.height, dib.data(), &bi, DIB_RGB_COLORS);
    ReleaseDC(hwnd, dc);
}

void Session::pumpEvents(int waitMs, AppRunner& r) {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(waitMs), QS_ALLINPUT);
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) r.post(Input::close());
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    if (parent != nullptr && nowUs() >= nextParentCheckUs) {
        nextParentCheckUs = nowUs() + PARENT_CHECK_US;
        if (!IsWindow(parent)) r.post(Input::close());
    }
}

#ifndef CREATE_WAITABLE_TIMER_HIGH_RESOLUTION
#define CREATE_WAITABLE_TIMER_HIGH_RESOLUTION 0x00000002
#endif

// Waits for the game thread on a waitable timer, high-resolution where Windows offers one: ordinary waits
// come back a millisecond or more late, which would halve the tick rate.
class TimerSleep {
public:
    TimerSleep() {
        timer_ = CreateWaitableTimerExW(nullptr, nullptr, CREATE_WAITABLE_TIMER_HIGH_RESOLUTION, TIMER_ALL_ACCESS);
        if (timer_ == nullptr) timer_ = CreateWaitableTimerW(nullptr, TRUE, nullptr);
    }
    ~TimerSleep() {
        if (timer_ != nullptr) CloseHandle(timer_);
    }
    TimerSleep(const TimerSleep&) = delete;
    TimerSleep& operator=(const TimerSleep&) = delete;

    void operator()(std::int64_t us) const {
        LARGE_INTEGER due;
        due.QuadPart = -10 * us;  // relative, in 100 ns units
        if (timer_ != nullptr && SetWaitableTimer(timer_, &due, 0, nullptr, nullptr, FALSE)) {
            WaitForSingleObject(timer_, INFINITE);
        } else {
            Sleep(1);
        }
    }

private:
    HANDLE timer_ = nullptr;
};

InputRules rulesFor(ScrLaunch::Mode mode) {
    if (mode == ScrLaunch::Mode::FullScreen) return InputRules::FullScreen;
    if (mode == ScrLaunch::Mode::Preview) return InputRules::Embedded;
    return InputRules::Windowed;
}

// Messages go to the game thread as they come; a frame is shown every refresh period. A saver makes its
// own games.
void run(Session& s) {
    RECT client{};
    GetClientRect(s.hwnd, &client);
    const TimerSleep sleeper;
    AppRunner runner(client.right - client.left, client.bottom - client.top, systemColour(),
                     [&sleeper](std::int64_t us) { sleeper(us); }, rulesFor(s.mode));
    s.runner = &runner;
    ShowWindow(s.hwnd, SW_SHOW);
    const SaverTimes times = loadSaverTimes();
    AutoClicks clicks(nowUs(), times.firstGame, times.newGame);
    if (s.mode == ScrLaunch::Mode::FullScreen) {
        POINT p{};
        GetCursorPos(&p);
        runner.post(Input::mouseMove(p.x, p.y));  // where the pointer starts
    }
    const bool saver = s.mode != ScrLaunch::Mode::Windowed;
    runFrameLoop(runner, s, framePeriodUs(refreshRate(s.hwnd)), saver ? &clicks : nullptr);
    s.runner = nullptr;
}

int runWindow(ScrLaunch::Mode mode, HWND parent) {
    timeBeginPeriod(1);  // 1 ms waits for the game thread's cadence
    Session session;
    session.mode = mode;
    session.parent = parent;
    session.hwnd = openWindow(GetModuleHandleW(nullptr), session);
    if (session.hwnd == nullptr) {
        if (mode != ScrLaunch::Mode::Preview) MessageBoxW(nullptr, L"Pellwick cannot open its window.", L"Pellwick", MB_ICONERROR);
        timeEndPeriod(1);
        return 1;
    }
    run(session);
    // The window goes with the process, which ends now. (Destroying a topmost full-screen window
    // ourselves took two seconds under Wine, and a saver must go at once.)
    timeEndPeriod(1);
    return 0;
}

std::wstring widened(const std::string& s) { return std::wstring(s.begin(), s.end()); }

// Whether this program runs under a name ending in .scr, as Windows runs screensavers.
bool namedScr() {
    wchar_t path[MAX_PATH];
    const DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
    return n >= 4 && n < MAX_PATH && _wcsicmp(path + n - 4, L".scr") == 0;
}

}  // namespace

int runDesktop() { return runWindow(ScrLaunch::Mode::Windowed, nullptr); }

// Runs what the arguments ask for. A preview host is never left facing a dialog: a bad window handle
// ends quietly with status 1.
int runScreensaverArgs(const std::vector<std::string>& args) {
    const ScrLaunch l = parseScrArgs(args, namedScr());
    switch (l.mode) {
        case ScrLaunch::Mode::Windowed:
        case ScrLaunch::Mode::FullScreen:
            return runWindow(l.mode, nullptr);
        case ScrLaunch::Mode::Preview: {
            const auto parent = reinterpret_cast<HWND>(static_cast<std::uintptr_t>(l.window));
            return IsWindow(parent) ? runWindow(l.mode, parent) : 1;
        }
        case ScrLaunch::Mode::Configure: {
            const auto owner = reinterpret_cast<HWND>(static_cast<std::uintptr_t>(l.window));
            showSaverSettings(owner != nullptr && IsWindow(owner) ? owner : nullptr);
            return 0;
        }
        case ScrLaunch::Mode::BadWindow:
            return 1;
        case ScrLaunch::Mode::BadArgument:
            MessageBoxW(nullptr, widened(l.error).c_str(), L"Pellwick", MB_ICONERROR);
            return 2;
    }
    return 2;
}

}  // namespace pellwick

int main(int argc, char** argv) { return pellwick::runScreensaverArgs(std::vector<std::string>(argv + 1, argv + argc)); }
