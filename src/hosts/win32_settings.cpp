// The settings dialog of the Windows screensaver: a row for each setting of the one table (a box for a
// number, a seed or seconds, a list for words), OK and Cancel, built from plain controls so no dialog
// resource is needed. Values live under HKCU\Software\Pellwick, each setting as the string its option
// takes, under the setting's name; no seed kept means new games at every start.
#include "hosts/win32_settings.hpp"

#include <string>
#include <vector>

#include "app/launch.hpp"

namespace pellwick {

namespace {

constexpr wchar_t SETTINGS_KEY[] = L"Software\\Pellwick";
constexpr wchar_t DIALOG_CLASS[] = L"PellwickSettings";
constexpr int SETTING = 110;  // a row's control: SETTING + the setting's index
constexpr int ROW = 30;
constexpr int TOP = 12;
// What the screensaver and the wallpaper take: the dialog's rows, and what the registry keeps.
constexpr unsigned WINDOWS_SAVERS = USE_SAVER | USE_IN_WINDOW | USE_WALLPAPER;

// The settings the dialog shows, in the table's order.
std::vector<const SettingDef*> dialogSettings() {
    std::vector<const SettingDef*> out;
    for (const SettingDef& d : settingDefs()) {
        if (d.appliesTo(WINDOWS_SAVERS)) out.push_back(&d);
    }
    return out;
}

std::wstring widened(const std::string& s) { return std::wstring(s.begin(), s.end()); }
std::string narrowed(const std::wstring& s) {
    std::string out;
    for (wchar_t c : s) out += c < 128 ? static_cast<char>(c) : '?';  // no setting takes more than ASCII
    return out;
}

// A string value under the key, when there is one.
bool loadString(const wchar_t* name, std::wstring& out) {
    wchar_t text[64] = {};
    DWORD size = sizeof text;
    if (RegGetValueW(HKEY_CURRENT_USER, SETTINGS_KEY, name, RRF_RT_REG_SZ, nullptr, text, &size) != ERROR_SUCCESS) return false;
    out = text;
    return true;
}

// An interval an older version kept as whole seconds in a DWORD, as its text.
bool loadOldSeconds(const std::string& setting, std::wstring& out) {
    const wchar_t* name = setting == "first-game" ? L"FirstGame" : setting == "new-game" ? L"NewGame" : nullptr;
    DWORD value = 0, size = sizeof value;
    if (name == nullptr || RegGetValueW(HKEY_CURRENT_USER, SETTINGS_KEY, name, RRF_RT_REG_DWORD, nullptr, &value, &size) != ERROR_SUCCESS) {
        return false;
    }
    out = std::to_wstring(value);
    return true;
}

bool storeString(HKEY key, const std::wstring& name, const std::wstring& text) {
    return RegSetValueExW(key, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                          static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
}

// Each setting under its name; a setting with no value (no seed) is taken away. The older names go.
bool storeSettings(const Settings& chosen) {
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, SETTINGS_KEY, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr) != ERROR_SUCCESS) {
        return false;
    }
    bool ok = true;
    for (const SettingDef* setting : dialogSettings()) {
        const SettingDef& d = *setting;
        const std::string value = d.valueIn(chosen);
        if (!value.empty()) {
            ok = ok && storeString(key, widened(d.name), widened(value));
            continue;
        }
        const LSTATUS gone = RegDeleteValueW(key, widened(d.name).c_str());
        ok = ok && (gone == ERROR_SUCCESS || gone == ERROR_FILE_NOT_FOUND);
    }
    RegDeleteValueW(key, L"FirstGame");
    RegDeleteValueW(key, L"NewGame");
    RegCloseKey(key);
    return ok;
}

struct DialogState {
    bool done = false;
};

// The rows as the dialog holds them; the first value that is not one is said, naming its range. An empty
// box of a setting that may have no value (the seed) leaves it without one.
bool readChoices(HWND dialog, Settings& out) {
    const std::vector<const SettingDef*> defs = dialogSettings();
    for (std::size_t i = 0; i < defs.size(); ++i) {
        wchar_t text[64] = {};
        GetDlgItemTextW(dialog, SETTING + static_cast<int>(i), text, 64);
        const std::wstring value = text;
        if (value.empty() && defs[i]->unset != nullptr) continue;
        if (const std::string err = defs[i]->parse(narrowed(value), out); !err.empty()) {
            const std::wstring line = widened(defs[i]->label) + L": " + widened(defs[i]->range()) + L", not '" + value + L"'.";
            MessageBoxW(dialog, line.c_str(), L"Pellwick", MB_ICONWARNING);
            return false;
        }
    }
    return true;
}

void accept(HWND dialog) {
    Settings chosen;
    if (!readChoices(dialog, chosen)) return;
    if (!storeSettings(chosen)) MessageBoxW(dialog, L"The settings could not be saved.", L"Pellwick", MB_ICONERROR);
    DestroyWindow(dialog);
}

LRESULT CALLBACK dialogProc(HWND dialog, UINT msg, WPARAM wp, LPARAM lp) {
    auto* state = reinterpret_cast<DialogState*>(GetWindowLongPtrW(dialog, GWLP_USERDATA));
    switch (msg) {
        case WM_COMMAND:
            if (LOWORD(wp) == IDOK) accept(dialog);
            if (LOWORD(wp) == IDCANCEL) DestroyWindow(dialog);
            return 0;
        case WM_CLOSE:
            DestroyWindow(dialog);
            return 0;
        case WM_DESTROY:
            if (state != nullptr) state->done = true;
            PostQuitMessage(0);  // wakes the dialog's message loop, which then ends
            return 0;
        default:
            return DefWindowProcW(dialog, msg, wp, lp);
    }
}

HWND addControl(HWND parent, const wchar_t* cls, const wchar_t* text, DWORD style, int x, int y, int w, int h, int id) {
    HWND c = CreateWindowExW(cls == std::wstring(L"EDIT") ? WS_EX_CLIENTEDGE : 0, cls, text, WS_CHILD | WS_VISIBLE | style,
                             x, y, w, h, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr), nullptr);
    SendMessageW(c, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), TRUE);
    return c;
}

// A row for each setting: its label, and a box for a number, a seed or seconds, or a list of its values for
// words (and the zoom's auto); then OK and Cancel.
void addSettingRows(HWND dialog, const Settings& chosen) {
    const std::vector<const SettingDef*> defs = dialogSettings();
    for (std::size_t i = 0; i < defs.size(); ++i) {
        const SettingDef& d = *defs[i];
        const int y = TOP + static_cast<int>(i) * ROW, id = SETTING + static_cast<int>(i);
        addControl(dialog, L"STATIC", (widened(d.label) + L":").c_str(), 0, 12, y + 4, 240, 20, -1);
        const std::vector<std::string> choices = d.choices();
        if (choices.empty()) {
            const DWORD digits = d.kind == SettingDef::Kind::Seconds ? 0 : ES_NUMBER;  // seconds may have a point
            addControl(dialog, L"EDIT", widened(d.valueIn(chosen)).c_str(), WS_TABSTOP | digits, 260, y, 160, 22, id);
            continue;
        }
        HWND list = addControl(dialog, L"COMBOBOX", L"", WS_TABSTOP | CBS_DROPDOWNLIST | WS_VSCROLL, 260, y, 160, 200, id);
        for (const std::string& v : choices) SendMessageW(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(widened(v).c_str()));
        SendMessageW(list, CB_SELECTSTRING, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(widened(d.valueIn(chosen)).c_str()));
    }
    const int buttons = TOP + static_cast<int>(defs.size()) * ROW + 6;
    addControl(dialog, L"BUTTON", L"OK", WS_TABSTOP | BS_DEFPUSHBUTTON, 254, buttons, 80, 26, IDOK);
    addControl(dialog, L"BUTTON", L"Cancel", WS_TABSTOP | BS_PUSHBUTTON, 340, buttons, 80, 26, IDCANCEL);
}

}  // namespace

Settings loadSaverSettings() {
    Settings s = defaultsFor(USE_SAVER);
    for (const SettingDef* setting : dialogSettings()) {
        const SettingDef& d = *setting;
        std::wstring value;
        if (loadString(widened(d.name).c_str(), value) || loadOldSeconds(d.name, value)) d.parse(narrowed(value), s);
    }
    return s;
}

void showSaverSettings(HWND owner) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = dialogProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = DIALOG_CLASS;
    RegisterClassExW(&wc);
    RECT r{0, 0, 432, TOP + static_cast<LONG>(dialogSettings().size()) * ROW + 44};
    const DWORD style = WS_CAPTION | WS_SYSMENU | WS_POPUP | WS_VISIBLE;
    AdjustWindowRect(&r, style, FALSE);
    DialogState state;
    HWND dialog = CreateWindowExW(WS_EX_DLGMODALFRAME, DIALOG_CLASS, L"Pellwick settings", style, CW_USEDEFAULT, CW_USEDEFAULT,
                                  r.right - r.left, r.bottom - r.top, owner, nullptr, wc.hInstance, nullptr);
    if (dialog == nullptr) return;
    SetWindowLongPtrW(dialog, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&state));
    addSettingRows(dialog, loadSaverSettings());
    SetForegroundWindow(dialog);
    SetFocus(GetDlgItem(dialog, SETTING));
    if (owner != nullptr) EnableWindow(owner, FALSE);
    MSG msg;
    while (!state.done && GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (!IsDialogMessageW(dialog, &msg)) {  // Tab, Enter and Escape as in any dialog
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
    if (owner != nullptr) EnableWindow(owner, TRUE);
}

}  // namespace pellwick
