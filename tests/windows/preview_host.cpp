// Test helper, a Windows program: plays the Screen Saver settings' preview. It opens a 320x240 window,
// starts "SAVER /p HWND", finds the saver's child window among its own children, then destroys its
// window and waits for the saver to end.
// Usage: preview_host SAVER   (prints what it saw; exit status 0 when all went as it should)
#include <windows.h>

#include <cstdio>
#include <string>

namespace {

constexpr int WIDTH = 320, HEIGHT = 240;

void pump() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

BOOL CALLBACK findChild(HWND child, LPARAM found) {
    RECT r{};
    GetClientRect(child, &r);
    std::printf("child window %dx%d\n", static_cast<int>(r.right - r.left), static_cast<int>(r.bottom - r.top));
    if (r.right - r.left == WIDTH && r.bottom - r.top == HEIGHT) *reinterpret_cast<HWND*>(found) = child;
    return TRUE;
}

HWND waitForChild(HWND host, HANDLE saver) {
    for (int n = 0; n < 500; ++n) {
        pump();
        HWND found = nullptr;
        EnumChildWindows(host, findChild, reinterpret_cast<LPARAM>(&found));
        if (found != nullptr) return found;
        if (WaitForSingleObject(saver, 10) == WAIT_OBJECT_0) return nullptr;
    }
    return nullptr;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) return 2;
    HWND host = CreateWindowExA(0, "STATIC", "preview host", WS_POPUP | WS_VISIBLE, 0, 0, WIDTH, HEIGHT, nullptr,
                                nullptr, GetModuleHandleA(nullptr), nullptr);
    if (host == nullptr) return 1;
    std::string command = std::string("\"") + argv[1] + "\" /p " + std::to_string(reinterpret_cast<std::uintptr_t>(host));
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return 1;
    const HWND child = waitForChild(host, pi.hProcess);
    std::printf(child != nullptr ? "the saver's child window is 320x240\n" : "no 320x240 child window appeared\n");
    DestroyWindow(host);
    const DWORD start = GetTickCount();
    DWORD waited = WAIT_TIMEOUT;
    while (waited == WAIT_TIMEOUT && GetTickCount() - start < 2000) {
        pump();
        waited = WaitForSingleObject(pi.hProcess, 20);
    }
    DWORD status = 0;
    GetExitCodeProcess(pi.hProcess, &status);
    if (waited != WAIT_OBJECT_0) {
        std::printf("the saver still runs 2 s after its window went\n");
        TerminateProcess(pi.hProcess, 1);
        return 1;
    }
    std::printf("the saver ended %lu ms after its window went, status %lu\n", GetTickCount() - start, status);
    std::fflush(stdout);
    return child != nullptr && status == 0 ? 0 : 1;
}
