// The Win32 backend: a WS_POPUP window over the monitor, input from window messages handed to the game
// thread, and the field shown 1:1 through a top-down 32-bit DIB at the display's refresh rate.
#include <windows.h>

#include <algorithm>
#include <vector>

#include "app/frame_loop.hpp"
#include "hosts/desktop.hpp"

namespace pellwick {

namespace {

constexpr wchar_t CLASS_NAME[] = L"PellwickWindow";
constexpr int ICON_RESOURCE = 1;
constexpr WPARAM ESCAPE_CHAR = 27;

// The window and what its procedure needs; it lives on runDesktop's stack for the whole run.
struct Session final : Display {
    HWND hwnd = nullptr;
    AppRunner* runner = nullptr;
    bool pressed = false;  // a left press in our window that has not been released yet
    std::vector<std::uint32_t> dib;  // the field as the screen wants it, kept up to date band by band

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

LRESULT CALLBACK windowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    auto* s = reinterpret_cast<Session*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (s == nullptr || s->runner == nullptr) return DefWindowProcW(hwnd, msg, wp, lp);
    switch (msg) {
        case WM_LBUTTONDOWN:
            s->pressed = true;
            return 0;
        case WM_LBUTTONUP:
            if (s->pressed) s->runner->post(Input::click());
            s->pressed = false;
            return 0;
        case WM_LBUTTONDBLCLK:
            s->pressed = false;
            s->runner->post(Input::doubleClick());
            return 0;
        case WM_CHAR:
            s->runner->post(Input::keyDown(wp == ESCAPE_CHAR ? Key::Escape : Key::Other));
            return 0;
        case WM_CLOSE:
            s->runner->post(Input::close());
            return 0;
        case WM_SIZE:
            if (wp != SIZE_MINIMIZED) s->runner->post(Input::resize(LOWORD(lp), HIWORD(lp)));
            return 0;
        case WM_ERASEBKGND:
            return 1;
        case WM_PAINT: {
            PAINTSTRUCT ps;
            BeginPaint(hwnd, &ps);
            EndPaint(hwnd, &ps);  // the next frame shows the whole DIB again
            return 0;
        }
        default:
            return DefWindowProcW(hwnd, msg, wp, lp);
    }
}

HWND openWindow(HINSTANCE instance, Session& session) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = windowProc;
    wc.hInstance = instance;
    wc.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(ICON_RESOURCE));
    wc.hIconSm = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(ICON_RESOURCE), IMAGE_ICON, 16, 16, 0));
    wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    wc.lpszClassName = CLASS_NAME;
    if (RegisterClassExW(&wc) == 0) return nullptr;
    MONITORINFO mi{};
    mi.cbSize = sizeof mi;
    GetMonitorInfoW(MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY), &mi);
    const RECT& r = mi.rcMonitor;
    HWND hwnd = CreateWindowExW(0, CLASS_NAME, L"Pellwick", WS_POPUP, r.left, r.top, r.right - r.left,
                                r.bottom - r.top, nullptr, nullptr, instance, nullptr);
    if (hwnd != nullptr) SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&session));
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

// Messages go to the game thread as they come; a frame is shown every refresh period.
void run(Session& s) {
    RECT client{};
    GetClientRect(s.hwnd, &client);
    const TimerSleep sleeper;
    AppRunner runner(client.right - client.left, client.bottom - client.top, systemColour(),
                     [&sleeper](std::int64_t us) { sleeper(us); });
    s.runner = &runner;
    ShowWindow(s.hwnd, SW_SHOW);
    runFrameLoop(runner, s, framePeriodUs(refreshRate(s.hwnd)));
    s.runner = nullptr;
}

}  // namespace

int runDesktop() {
    timeBeginPeriod(1);  // 1 ms waits for the game thread's cadence
    Session session;
    session.hwnd = openWindow(GetModuleHandleW(nullptr), session);
    if (session.hwnd == nullptr) {
        MessageBoxW(nullptr, L"Pellwick cannot open its window.", L"Pellwick", MB_ICONERROR);
        timeEndPeriod(1);
        return 1;
    }
    run(session);
    DestroyWindow(session.hwnd);
    timeEndPeriod(1);
    return 0;
}

}  // namespace pellwick

int main() { return pellwick::runDesktop(); }
