// The Win32 backend: a WS_POPUP window over the monitor, input from window messages handed to the game
// thread, and the field shown 1:1 through a top-down 32-bit DIB at the display's refresh rate.
#include <windows.h>

#include <algorithm>
#include <vector>

#include "desktop.hpp"
#include "runner.hpp"

namespace pellwick {

namespace {

constexpr wchar_t kClassName[] = L"PellwickWindow";
constexpr int kIconResource = 1;
constexpr std::int64_t kFramePeriodUs = 16'667;
constexpr std::int64_t kFrameWaitUs = 20'000;

// What the window procedure needs; it lives on runDesktop's stack for the whole run.
struct Session {
    AppRunner* runner = nullptr;
    bool pressed = false;  // a left press in our window that has not been released yet
    bool repaint = true;   // the screen needs the field again even if nothing changed
    std::vector<std::uint32_t> dib;  // the field as the screen wants it, kept up to date tile row by tile row
    int dibWidth = 0;
};

// The caption-text colour (0x00BBGGRR, the field's own packing), unless it would wall in the field or blend
// with a team: black or a team colour falls back to white.
Colour backgroundColour() {
    const auto c = static_cast<Colour>(GetSysColor(COLOR_CAPTIONTEXT) & 0xFFFFFF);
    for (Colour t : teamColour) {
        if (c == t) return kWhite;
    }
    return c == kInk ? kWhite : c;
}

LRESULT CALLBACK windowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    auto* s = reinterpret_cast<Session*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (s == nullptr || s->runner == nullptr) return DefWindowProcW(hwnd, msg, wp, lp);
    switch (msg) {
        case WM_LBUTTONDOWN:
            s->pressed = true;
            return 0;
        case WM_LBUTTONUP:
            if (s->pressed) s->runner->post({Input::Kind::Click});
            s->pressed = false;
            return 0;
        case WM_LBUTTONDBLCLK:
            s->pressed = false;
            s->runner->post({Input::Kind::DoubleClick});
            return 0;
        case WM_CHAR:
            s->runner->post({Input::Kind::Key, static_cast<int>(wp)});
            return 0;
        case WM_CLOSE:
            s->runner->post({Input::Kind::Close});
            return 0;
        case WM_SIZE:
            if (wp != SIZE_MINIMIZED) s->runner->post({Input::Kind::Resize, LOWORD(lp), HIWORD(lp)});
            return 0;
        case WM_ERASEBKGND:
            return 1;
        case WM_PAINT: {
            PAINTSTRUCT ps;
            BeginPaint(hwnd, &ps);
            EndPaint(hwnd, &ps);
            s->repaint = true;
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
    wc.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(kIconResource));
    wc.hIconSm = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(kIconResource), IMAGE_ICON, 16, 16, 0));
    wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    wc.lpszClassName = kClassName;
    if (RegisterClassExW(&wc) == 0) return nullptr;
    MONITORINFO mi{};
    mi.cbSize = sizeof mi;
    GetMonitorInfoW(MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY), &mi);
    const RECT& r = mi.rcMonitor;
    HWND hwnd = CreateWindowExW(0, kClassName, L"Pellwick", WS_POPUP, r.left, r.top, r.right - r.left,
                                r.bottom - r.top, nullptr, nullptr, instance, nullptr);
    if (hwnd != nullptr) SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&session));
    return hwnd;
}

// Copies what changed into the DIB (a DIB keeps blue in the low byte, the field keeps red there) and shows it.
void show(HWND hwnd, Session& s, const Frame& f) {
    const std::size_t n = static_cast<std::size_t>(f.width) * f.height;
    const bool fresh = s.dib.size() != n || s.dibWidth != f.width;
    s.dib.resize(n);
    s.dibWidth = f.width;
    for (std::size_t ty = 0; ty < f.changed.size(); ++ty) {
        const Span band = fresh ? Span{0, f.width} : f.changed[ty];
        const int top = static_cast<int>(ty) * f.tileSize;
        for (int y = top; y < std::min(f.height, top + f.tileSize); ++y) {
            for (int x = band.x0; x < band.x1; ++x) {
                const std::size_t i = static_cast<std::size_t>(y) * f.width + x;
                const auto c = static_cast<std::uint32_t>(f.pixels[i]);
                s.dib[i] = ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF);
            }
        }
    }
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = f.width;
    bi.bmiHeader.biHeight = -f.height;  // top-down
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    HDC dc = GetDC(hwnd);
    SetDIBitsToDevice(dc, 0, 0, f.width, f.height, 0, 0, 0, f.height, s.dib.data(), &bi, DIB_RGB_COLORS);
    ReleaseDC(hwnd, dc);
    s.repaint = false;
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
void run(HWND hwnd, Session& s) {
    RECT client{};
    GetClientRect(hwnd, &client);
    const TimerSleep sleeper;
    AppRunner runner(client.right - client.left, client.bottom - client.top, backgroundColour(),
                     [&sleeper](std::int64_t us) { sleeper(us); });
    s.runner = &runner;
    ShowWindow(hwnd, SW_SHOW);
    Cadence frames(kFramePeriodUs);
    while (runner.running()) {
        const auto waitMs = static_cast<DWORD>((frames.until(nowUs()) + 999) / 1000);
        MsgWaitForMultipleObjects(0, nullptr, FALSE, waitMs, QS_ALLINPUT);
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) runner.post({Input::Kind::Close});
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        if (!frames.due(nowUs())) continue;
        frames.start(nowUs());
        runner.frame(kFrameWaitUs, [&](const Frame& f) { show(hwnd, s, f); });
    }
    s.runner = nullptr;
}

}  // namespace

int runDesktop() {
    timeBeginPeriod(1);  // 1 ms waits for the game thread's cadence
    Session session;
    HWND hwnd = openWindow(GetModuleHandleW(nullptr), session);
    if (hwnd == nullptr) {
        MessageBoxW(nullptr, L"Pellwick cannot open its window.", L"Pellwick", MB_ICONERROR);
        timeEndPeriod(1);
        return 1;
    }
    run(hwnd, session);
    DestroyWindow(hwnd);
    timeEndPeriod(1);
    return 0;
}

}  // namespace pellwick
