// The Win32 host: the program's own WS_POPUP window over the monitor, or as a screensaver a topmost one
// over every monitor, or one across them (/s), or a child of the settings' preview window (/p HWND), or as
// a wallpaper one per monitor behind the desktop's icons (/wallpaper). It tells the run what happens to
// its windows and the input on them; the run's games draw the changed rectangles of the field into a DIB
// section, blitted 1:1 to the window and to a bitmap of what the window shows, which repaints it when it
// is uncovered.
#include <windows.h>
#include <bcrypt.h>

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/launch.hpp"
#include "app/screens.hpp"
#include "hosts/win32_settings.hpp"

namespace pellwick {

namespace {

constexpr Platform WIN32_PLATFORM{"Windows", true, true};
constexpr wchar_t CLASS_NAME[] = L"PellwickWindow";
constexpr wchar_t SESSION_CLASS[] = L"PellwickSession";
constexpr UINT MAKE_WALLPAPER_WORKER = 0x052C;  // asks Explorer's Progman for a WorkerW behind the icons
constexpr int ICON_RESOURCE = 1;
constexpr std::int64_t PARENT_CHECK_US = 100'000;  // how often a preview looks for its parent window

#ifndef WM_DPICHANGED
#define WM_DPICHANGED 0x02E0
#endif

struct Session;

// One window the run draws on.
struct Pane final : ScreenView {
    Session& session;
    HWND hwnd = nullptr;
    bool started = false;  // the run knows it
    // The canvas: a DIB section the game thread draws each frame into.
    HDC dibDc = nullptr;
    HBITMAP dib = nullptr;
    std::uint32_t* dibPixels = nullptr;
    int dibWidth = 0;
    int dibHeight = 0;
    // What the window shows: the presented frames, never a frame still being drawn.
    HDC shownDc = nullptr;
    HBITMAP shownBitmap = nullptr;
    RECT area{};  // the monitor it shows on, in screen pixels

    explicit Pane(Session& s) : session(s) {}
    ~Pane() override;
    ScreenId id() const { return reinterpret_cast<ScreenId>(hwnd); }
    Canvas canvas(int fieldWidth, int fieldHeight, int zoom) override;
    bool present(const Frame& f) override;
    void paint(HDC dc, const RECT& area) const;

private:
    bool makeBitmaps(int width, int height);
    void dropBitmaps();
};

// The windows and what their procedure needs; it lives on the stack of the run for the whole run.
struct Session final : Display {
    Launch launch;
    HWND parent = nullptr;  // a preview's host window, or the WorkerW a wallpaper's windows are children of
    HWND sessionWindow = nullptr;  // a wallpaper's hidden window, told when the session or the program ends
    std::optional<ScreenGames> games;
    std::vector<std::unique_ptr<Pane>> panes;  // after the run, which ends their games first
    std::int64_t nextParentCheckUs = 0;

    bool wallpaper() const { return launch.mode == Launch::Mode::Wallpaper; }
    void pumpEvents(int waitMs) override;
    void followCover();
    // On battery: Windows says the mains are off line.
    bool onBattery() override {
        SYSTEM_POWER_STATUS power{};
        return GetSystemPowerStatus(&power) && power.ACLineStatus == 0;
    }
    // Input on a pane, for the run (screen coordinates: one space).
    void post(Pane& p, const Input& in) {
        if (p.started) games->input(p.id(), in);
    }
};

Pane::~Pane() {
    if (started) session.games->screenWent(id());  // its game draws into the DIB: it ends first
    dropBitmaps();
}

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

// A window of width x height as the run knows a screen: with its monitor's dots an inch and refresh rate.
ScreenFacts factsOf(HWND hwnd, int width, int height) {
    HDC dc = GetDC(hwnd);
    const int dpi = GetDeviceCaps(dc, LOGPIXELSX);
    ReleaseDC(hwnd, dc);
    return ScreenFacts{width, height, scaleFromDpi(dpi), refreshRate(hwnd), false};
}

// The pointer position of a mouse message, in screen pixels.
Input pointerAt(HWND hwnd, LPARAM lp) {
    POINT p{static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp))};
    ClientToScreen(hwnd, &p);
    return Input::mouseMove(p.x, p.y);
}

// One window message as the app core's input, if it is one; true when the message is fully handled. A
// double-click message is the second press of a double-click; a release carries no count of its own.
bool translate(Pane& p, HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    Session& s = p.session;
    switch (msg) {
        case WM_LBUTTONDOWN:
        case WM_LBUTTONDBLCLK:
            s.post(p, Input::press(Button::Left, msg == WM_LBUTTONDBLCLK ? 2 : 1));
            return true;
        case WM_LBUTTONUP:
            s.post(p, Input::release(Button::Left, 0));
            return true;
        case WM_RBUTTONDOWN:
        case WM_MBUTTONDOWN:
        case WM_XBUTTONDOWN:
            s.post(p, Input::press(Button::Other, 1));
            return true;
        case WM_MOUSEMOVE:
            s.post(p, pointerAt(hwnd, lp));
            return true;
        case WM_KEYDOWN:
        case WM_SYSKEYDOWN:  // and on to the default handling, which turns Alt+F4 into WM_CLOSE
            s.post(p, Input::keyDown(wp == VK_ESCAPE ? Key::Escape : Key::Other));
            return msg == WM_KEYDOWN;
        case WM_CLOSE:
        case WM_DESTROY:  // a preview's window goes with its parent
            s.post(p, Input::close());
            return true;
        case WM_SIZE:  // minimised, it gets no frames
            if (!p.started) return true;
            s.games->screenSeen(p.id(), wp != SIZE_MINIMIZED);
            if (wp != SIZE_MINIMIZED) s.games->screenChanged(p.id(), factsOf(hwnd, LOWORD(lp), HIWORD(lp)));
            return true;
        default:
            return false;
    }
}

LRESULT CALLBACK windowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    auto* p = reinterpret_cast<Pane*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (p == nullptr || !p->started) return DefWindowProcW(hwnd, msg, wp, lp);
    if (translate(*p, hwnd, msg, wp, lp)) return 0;
    switch (msg) {
        case WM_DPICHANGED: {  // another monitor or scale: take the size Windows suggests
            const RECT* r = reinterpret_cast<const RECT*>(lp);
            SetWindowPos(hwnd, nullptr, r->left, r->top, r->right - r->left, r->bottom - r->top,
                         SWP_NOZORDER | SWP_NOACTIVATE);
            return 0;
        }
        case WM_WINDOWPOSCHANGING:  // a wallpaper of its own stays below every other window
            if (p->session.wallpaper() && p->session.parent == nullptr) reinterpret_cast<WINDOWPOS*>(lp)->hwndInsertAfter = HWND_BOTTOM;
            break;
        case WM_MOUSEACTIVATE:
            if (p->session.wallpaper()) return MA_NOACTIVATE;
            break;
        case WM_SETCURSOR:
            if (p->session.launch.mode != Launch::Mode::FullScreenSaver) break;
            SetCursor(nullptr);  // a full-screen saver shows no pointer
            return TRUE;
        case WM_ERASEBKGND:
            return 1;
        case WM_PAINT: {  // uncovered: paint it from what it showed
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(hwnd, &ps);
            p->paint(dc, ps.rcPaint);
            EndPaint(hwnd, &ps);
            return 0;
        }
        default:
            break;
    }
    return DefWindowProcW(hwnd, msg, wp, lp);
}

// Registers the windows' class once.
bool registerClass(HINSTANCE instance) {
    static bool registered = false;
    if (registered) return true;
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = windowProc;
    wc.hInstance = instance;
    wc.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(ICON_RESOURCE));
    wc.hIconSm = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(ICON_RESOURCE), IMAGE_ICON, 16, 16, 0));
    wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    wc.lpszClassName = CLASS_NAME;
    registered = RegisterClassExW(&wc) != 0;
    return registered;
}

// Opens a window of the session's mode over r, in screen pixels (the preview host's client area for a
// preview), as the pane's: a child of the session's parent window where it has one.
bool openWindow(HINSTANCE instance, Pane& p, const RECT& r) {
    const Session& s = p.session;
    const Launch::Mode mode = s.launch.mode;
    const DWORD style = s.parent != nullptr ? WS_CHILD | WS_VISIBLE : WS_POPUP;
    DWORD exStyle = mode == Launch::Mode::FullScreenSaver ? WS_EX_TOPMOST : 0;
    if (s.wallpaper()) exStyle = WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE;  // not in the taskbar, never the active window
    RECT place = r;
    if (s.wallpaper() && s.parent != nullptr) MapWindowPoints(HWND_DESKTOP, s.parent, reinterpret_cast<POINT*>(&place), 2);
    if (!registerClass(instance)) return false;
    p.area = r;
    p.hwnd = CreateWindowExW(exStyle, CLASS_NAME, L"Pellwick", style, place.left, place.top, place.right - place.left,
                             place.bottom - place.top, s.parent, nullptr, instance, nullptr);
    if (p.hwnd != nullptr) SetWindowLongPtrW(p.hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&p));
    if (p.hwnd != nullptr && s.wallpaper() && s.parent == nullptr) {
        SetWindowPos(p.hwnd, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    }
    return p.hwnd != nullptr;
}

// The top-level window after the one that holds the desktop's icons (SHELLDLL_DefView), when it is a WorkerW.
BOOL CALLBACK workerAfterIcons(HWND top, LPARAM out) {
    if (FindWindowExW(top, nullptr, L"SHELLDLL_DefView", nullptr) != nullptr) {
        *reinterpret_cast<HWND*>(out) = FindWindowExW(nullptr, top, L"WorkerW", nullptr);
    }
    return TRUE;
}

// The window behind the desktop's icons that wallpapers are drawn in, which Explorer's Progman makes when
// asked; null where there is none (no Explorer, as under Wine). Newer Explorers keep it inside Progman.
HWND iconsBackground() {
    HWND progman = FindWindowW(L"Progman", nullptr);
    if (progman == nullptr) return nullptr;
    DWORD_PTR ignored = 0;
    SendMessageTimeoutW(progman, MAKE_WALLPAPER_WORKER, 0xD, 0x1, SMTO_NORMAL, 1000, &ignored);
    HWND worker = nullptr;
    EnumWindows(workerAfterIcons, reinterpret_cast<LPARAM>(&worker));
    return worker != nullptr ? worker : FindWindowExW(progman, nullptr, L"WorkerW", nullptr);
}

// A wallpaper's hidden window ends the run when the Windows session ends or someone asks it to close.
LRESULT CALLBACK sessionProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    auto* s = reinterpret_cast<Session*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (s != nullptr && (msg == WM_CLOSE || (msg == WM_ENDSESSION && wp != FALSE))) {
        s->games->close();
        return 0;
    }
    return DefWindowProcW(hwnd, msg, wp, lp);
}

bool openSessionWindow(HINSTANCE instance, Session& s) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = sessionProc;
    wc.hInstance = instance;
    wc.lpszClassName = SESSION_CLASS;
    RegisterClassExW(&wc);
    s.sessionWindow = CreateWindowExW(WS_EX_TOOLWINDOW, SESSION_CLASS, L"Pellwick wallpaper", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                      instance, nullptr);
    if (s.sessionWindow != nullptr) SetWindowLongPtrW(s.sessionWindow, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&s));
    return s.sessionWindow != nullptr;
}

// Whether the window is the desktop itself, which the user brings to the front by clicking it.
bool isDesktop(HWND w) {
    wchar_t name[16] = L"";
    GetClassNameW(w, name, 16);
    return w == GetShellWindow() || w == GetDesktopWindow() || wcscmp(name, L"Progman") == 0 || wcscmp(name, L"WorkerW") == 0;
}

// Whether the window covers the whole of the area: a full-screen program over a wallpaper's monitor.
bool covers(HWND w, const RECT& area) {
    RECT r{};
    if (w == nullptr || isDesktop(w) || !IsWindowVisible(w) || IsIconic(w) || !GetWindowRect(w, &r)) return false;
    return r.left <= area.left && r.top <= area.top && r.right >= area.right && r.bottom >= area.bottom;
}

BOOL CALLBACK addMonitor(HMONITOR, HDC, LPRECT r, LPARAM out) {
    reinterpret_cast<std::vector<RECT>*>(out)->push_back(*r);
    return TRUE;
}

bool Pane::makeBitmaps(int width, int height) {
    dropBitmaps();
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = width;
    bi.bmiHeader.biHeight = -height;  // top-down
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    dib = CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    dibDc = CreateCompatibleDC(nullptr);
    HDC windowDc = GetDC(hwnd);
    shownBitmap = CreateCompatibleBitmap(windowDc, width, height);
    shownDc = CreateCompatibleDC(windowDc);
    ReleaseDC(hwnd, windowDc);
    if (dib == nullptr || dibDc == nullptr || shownBitmap == nullptr || shownDc == nullptr) {
        dropBitmaps();
        return false;
    }
    SelectObject(dibDc, dib);
    SelectObject(shownDc, shownBitmap);
    dibPixels = static_cast<std::uint32_t*>(bits);
    dibWidth = width;
    dibHeight = height;
    return true;
}

void Pane::dropBitmaps() {
    for (HDC dc : {dibDc, shownDc}) {
        if (dc != nullptr) DeleteDC(dc);
    }
    for (HBITMAP b : {dib, shownBitmap}) {
        if (b != nullptr) DeleteObject(b);
    }
    dibDc = shownDc = nullptr;
    dib = shownBitmap = nullptr;
    dibPixels = nullptr;
    dibWidth = dibHeight = 0;
}

// Repaints part of the window from what it was last shown.
void Pane::paint(HDC dc, const RECT& area) const {
    if (shownDc == nullptr) return;
    BitBlt(dc, area.left, area.top, area.right - area.left, area.bottom - area.top, shownDc, area.left, area.top, SRCCOPY);
}

// The DIB section's pixels (a DIB keeps blue in the low byte), the field's size times the zoom, for the
// game thread to draw the next frame into.
Canvas Pane::canvas(int fieldWidth, int fieldHeight, int zoom) {
    const int w = fieldWidth * zoom, h = fieldHeight * zoom;
    if ((w != dibWidth || h != dibHeight) && !makeBitmaps(w, h)) return Canvas{};
    GdiFlush();  // GDI is done with the pixels before they are written
    return Canvas{dibPixels, w, h, w, XRGB, false, zoom};
}

// Blits the frame's rectangles from the DIB to the window and to the bitmap of what it shows; a frame with
// nothing to show costs nothing.
bool Pane::present(const Frame& f) {
    if (f.rects.empty()) return false;
    HDC dc = GetDC(hwnd);
    for (const Rect& r : f.rects) {
        BitBlt(shownDc, r.x, r.y, r.width, r.height, dibDc, r.x, r.y, SRCCOPY);
        BitBlt(dc, r.x, r.y, r.width, r.height, dibDc, r.x, r.y, SRCCOPY);
    }
    ReleaseDC(hwnd, dc);
    GdiFlush();
    return false;
}

void Session::pumpEvents(int waitMs) {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(waitMs), QS_ALLINPUT);
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) games->close();
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    if (parent != nullptr && nowUs() >= nextParentCheckUs) {
        nextParentCheckUs = nowUs() + PARENT_CHECK_US;
        if (!IsWindow(parent)) games->close();
    }
    if (wallpaper()) followCover();
}

// A wallpaper's monitor under a full-screen program shows nothing of it: that pane gets no frames, and
// when the program goes it is drawn whole again.
void Session::followCover() {
    HWND front = GetForegroundWindow();
    for (auto& p : panes) {
        const bool shown = !(GetWindowThreadProcessId(front, nullptr) != GetCurrentThreadId() && covers(front, p->area));
        if (p->started) games->screenSeen(p->id(), shown);
    }
}

// Starts the pane's game: the run learns its window's size, its monitor's scale and refresh rate.
void startGame(Pane& p) {
    RECT client{};
    GetClientRect(p.hwnd, &client);
    p.started = true;
    p.session.games->screenCame(p.id(), p, factsOf(p.hwnd, client.right - client.left, client.bottom - client.top));
    ShowWindow(p.hwnd, SW_SHOW);
}

// The primary monitor, in screen pixels.
RECT primaryMonitor() {
    MONITORINFO mi{};
    mi.cbSize = sizeof mi;
    GetMonitorInfoW(MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY), &mi);
    return mi.rcMonitor;
}

// Where the session's windows go: the run's places on the monitors (each, or one across them; the primary
// one for the program's own window), or the preview host's client area.
std::vector<RECT> windowAreas(const Session& s) {
    std::vector<RECT> areas;
    if (s.launch.mode == Launch::Mode::InWindow) {
        areas.emplace_back();
        GetClientRect(s.parent, &areas.back());
        return areas;
    }
    if (s.launch.mode != Launch::Mode::OwnWindow) EnumDisplayMonitors(nullptr, nullptr, addMonitor, reinterpret_cast<LPARAM>(&areas));
    if (areas.empty()) areas.push_back(primaryMonitor());
    std::vector<Rect> monitors;
    for (const RECT& r : areas) monitors.push_back(Rect{r.left, r.top, r.right - r.left, r.bottom - r.top});
    areas.clear();
    for (const Rect& r : s.games->placesFor(monitors)) areas.push_back(RECT{r.x, r.y, r.x + r.width, r.y + r.height});
    return areas;
}

// Opens the windows, each with its game; a full-screen saver measures moves from where the pointer
// starts. Returns whether every window opened.
bool openPanes(Session& s) {
    if (s.wallpaper()) {
        s.parent = iconsBackground();
        if (s.parent == nullptr) std::fprintf(stderr, "pellwick: no window behind the desktop's icons; the wallpaper is the lowest window instead\n");
        if (!openSessionWindow(GetModuleHandleW(nullptr), s)) return false;
    }
    POINT at{};
    if (s.games->endsOnInput() && GetCursorPos(&at)) s.games->pointerStartsAt(0, at.x, at.y);
    for (const RECT& r : windowAreas(s)) {
        s.panes.push_back(std::make_unique<Pane>(s));
        if (!openWindow(GetModuleHandleW(nullptr), *s.panes.back(), r)) return false;
        startGame(*s.panes.back());
    }
    return true;
}

// A fresh seed from the system's random source.
std::uint64_t systemSeed() {
    std::uint64_t seed = 0;
    BCryptGenRandom(nullptr, reinterpret_cast<PUCHAR>(&seed), sizeof seed, BCRYPT_USE_SYSTEM_PREFERRED_RNG);
    return seed;
}

// Gives the desktop back as it was: the wallpaper's windows go, and Windows draws its own wallpaper again
// over where they were (set anew to the same picture, and not saved).
void leaveDesktop(Session& s) {
    for (auto& p : s.panes) {
        s.games->screenWent(p->id());
        p->started = false;
        DestroyWindow(p->hwnd);
    }
    if (s.sessionWindow != nullptr) DestroyWindow(s.sessionWindow);
    wchar_t picture[MAX_PATH] = L"";
    if (s.parent != nullptr && SystemParametersInfoW(SPI_GETDESKWALLPAPER, MAX_PATH, picture, 0)) {
        SystemParametersInfoW(SPI_SETDESKWALLPAPER, 0, picture, 0);
    }
}

// Runs the launch on Windows, in windows of its own or in a child of parent (a preview's host), until the run
// ends; returns the exit status: 0, or 1 when a window cannot open.
int runWin32(const Launch& launch, HWND parent) {
    timeBeginPeriod(1);  // waits to the millisecond, so frames keep to the refresh rate
    Session session;
    session.launch = launch;
    bool drawn = false;
    const std::uint64_t seed = seedFor(launch, systemSeed, drawn);
    session.games.emplace(launch, WIN32_PLATFORM, seed, drawn, [](const std::string& line) { std::fprintf(stderr, "%s\n", line.c_str()); },
                          systemColour());
    session.parent = parent;
    if (!openPanes(session)) {
        if (parent == nullptr) MessageBoxW(nullptr, L"Pellwick cannot open its window.", L"Pellwick", MB_ICONERROR);
        timeEndPeriod(1);
        return 1;
    }
    runFrameLoop(session, *session.games);
    if (session.wallpaper()) leaveDesktop(session);
    // The window goes with the process, which ends now: a saver must go at once, and destroying a topmost
    // full-screen window first can take seconds.
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

// Runs what the arguments ask for. A preview host is never left facing a dialog: a bad window handle
// ends quietly with status 1.
int runScreensaverArgs(const std::vector<std::string>& args) {
    const Settings stored = loadSaverSettings();
    const Launch l = readScreensaverArgs(args, namedScr(), stored);
    switch (l.mode) {
        case Launch::Mode::OwnWindow:
        case Launch::Mode::FullScreenSaver:
        case Launch::Mode::Wallpaper:
            return runWin32(l, nullptr);
        case Launch::Mode::InWindow: {
            const auto parent = reinterpret_cast<HWND>(static_cast<std::uintptr_t>(l.window));
            return IsWindow(parent) ? runWin32(l, parent) : 1;
        }
        case Launch::Mode::Settings: {
            const auto owner = reinterpret_cast<HWND>(static_cast<std::uintptr_t>(l.window));
            showSaverSettings(owner != nullptr && IsWindow(owner) ? owner : nullptr);
            return 0;
        }
        default:
            if (l.status != 1) MessageBoxW(nullptr, widened(l.error).c_str(), L"Pellwick", MB_ICONERROR);
            return l.status;
    }
}

}  // namespace

}  // namespace pellwick

int main(int argc, char** argv) { return pellwick::runScreensaverArgs(std::vector<std::string>(argv + 1, argv + argc)); }
