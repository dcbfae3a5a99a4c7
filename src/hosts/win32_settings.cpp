// The settings dialog of the Windows screensaver: two boxes of seconds, the choice of new games at every
// start or the same games from a seed, a row for each setting of the one table (a box for a number, a list
// for words), OK and Cancel, built from plain controls so no dialog resource is needed. Values live under
// HKCU\Software\Pellwick: the intervals as DWORDs, the seed as a decimal string (absent: new games at every
// start), each setting as the string its option takes, under the setting's name.
#include "hosts/win32_settings.hpp"

#include <string>

#include "app/launch.hpp"

namespace pellwick {

namespace {

constexpr wchar_t SETTINGS_KEY[] = L"Software\\Pellwick";
constexpr wchar_t DIALOG_CLASS[] = L"PellwickSettings";
constexpr DWORD MAX_SECONDS = static_cast<DWORD>(MAX_SAVER_SECONDS);
enum Control { FIRST_GAME = 101, NEW_GAME = 102, SAME_GAMES = 103, SEED = 104, SETTING = 110 };  // SETTING + its index
constexpr int ROW = 30;          // the settings' rows, below the seed
constexpr int SETTINGS_TOP = 140;

// The intervals as the registry and the dialog keep them: whole seconds.
struct WholeSeconds {
    DWORD firstGame = static_cast<DWORD>(FIRST_GAME_SECONDS);
    DWORD newGame = static_cast<DWORD>(NEW_GAME_SECONDS);
};

DWORD loadValue(const wchar_t* name, DWORD fallback) {
    DWORD value = 0, size = sizeof value;
    const LSTATUS status = RegGetValueW(HKEY_CURRENT_USER, SETTINGS_KEY, name, RRF_RT_REG_DWORD, nullptr, &value, &size);
    return status == ERROR_SUCCESS && value <= MAX_SECONDS ? value : fallback;
}

// A seed written in decimal digits, if the text is one; nothing but ASCII digits is narrowed.
std::optional<std::uint64_t> seedIn(const std::wstring& text) {
    std::uint64_t seed = 0;
    if (text.find_first_not_of(L"0123456789") != std::wstring::npos || !parseSeed(std::string(text.begin(), text.end()), seed)) {
        return std::nullopt;
    }
    return seed;
}

// The seed kept in the registry, when one is kept and sound.
std::optional<std::uint64_t> loadSeed() {
    wchar_t text[32] = {};
    DWORD size = sizeof text;
    if (RegGetValueW(HKEY_CURRENT_USER, SETTINGS_KEY, L"Seed", RRF_RT_REG_SZ, nullptr, text, &size) != ERROR_SUCCESS) return {};
    return seedIn(text);
}

std::wstring widened(const std::string& s) { return std::wstring(s.begin(), s.end()); }

// The settings kept in the registry; a value not set, or not one of its setting's, is the default.
Settings loadChoices() {
    Settings s;
    for (const SettingDef& d : settingDefs()) {
        wchar_t text[32] = {};
        DWORD size = sizeof text;
        if (RegGetValueW(HKEY_CURRENT_USER, SETTINGS_KEY, widened(d.name).c_str(), RRF_RT_REG_SZ, nullptr, text, &size) != ERROR_SUCCESS) {
            continue;
        }
        const std::wstring value = text;
        d.parse(std::string(value.begin(), value.end()), s);
    }
    return s;
}

bool storeString(HKEY key, const std::wstring& name, const std::wstring& text) {
    return RegSetValueExW(key, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                          static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
}

bool storeSettings(const WholeSeconds& t, const std::optional<std::uint64_t>& seed, const Settings& chosen) {
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, SETTINGS_KEY, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr) != ERROR_SUCCESS) {
        return false;
    }
    bool ok = RegSetValueExW(key, L"FirstGame", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&t.firstGame), sizeof(DWORD)) == ERROR_SUCCESS &&
              RegSetValueExW(key, L"NewGame", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&t.newGame), sizeof(DWORD)) == ERROR_SUCCESS;
    for (const SettingDef& d : settingDefs()) ok = ok && storeString(key, widened(d.name), widened(d.valueIn(chosen)));
    if (seed) {
        ok = ok && storeString(key, L"Seed", std::to_wstring(*seed));
    } else {
        const LSTATUS gone = RegDeleteValueW(key, L"Seed");
        ok = ok && (gone == ERROR_SUCCESS || gone == ERROR_FILE_NOT_FOUND);
    }
    RegCloseKey(key);
    return ok;
}

// The whole number of seconds in a box, if it holds one in range.
bool readSeconds(HWND dialog, int id, DWORD& out) {
    wchar_t text[16] = {};
    GetDlgItemTextW(dialog, id, text, 16);
    const std::wstring s = text;
    if (s.empty() || s.size() > 7 || s.find_first_not_of(L"0123456789") != std::wstring::npos) return false;
    out = static_cast<DWORD>(std::stoul(s));
    return out <= MAX_SECONDS;
}

struct DialogState {
    bool done = false;
};

// The seed in its box, when the same games are asked for; false when the box holds no seed.
bool readSeed(HWND dialog, std::optional<std::uint64_t>& out) {
    out.reset();
    if (IsDlgButtonChecked(dialog, SAME_GAMES) != BST_CHECKED) return true;
    wchar_t text[32] = {};
    GetDlgItemTextW(dialog, SEED, text, 32);
    out = seedIn(text);
    return out.has_value();
}

// The settings' rows as the dialog holds them; the first value that is not one is said, naming its range.
bool readChoices(HWND dialog, Settings& out) {
    const auto& defs = settingDefs();
    for (std::size_t i = 0; i < defs.size(); ++i) {
        wchar_t text[32] = {};
        GetDlgItemTextW(dialog, SETTING + static_cast<int>(i), text, 32);
        const std::wstring value = text;
        if (const std::string err = defs[i].parse(std::string(value.begin(), value.end()), out); !err.empty()) {
            const std::wstring line = widened(defs[i].label) + L": " + widened(defs[i].range()) + L", not '" + value + L"'.";
            MessageBoxW(dialog, line.c_str(), L"Pellwick", MB_ICONWARNING);
            return false;
        }
    }
    return true;
}

void accept(HWND dialog) {
    WholeSeconds t;
    std::optional<std::uint64_t> seed;
    Settings chosen;
    if (!readSeconds(dialog, FIRST_GAME, t.firstGame) || !readSeconds(dialog, NEW_GAME, t.newGame)) {
        const std::wstring text = L"Give each interval as a whole number of seconds from 0 to " + std::to_wstring(MAX_SECONDS) + L".";
        MessageBoxW(dialog, text.c_str(), L"Pellwick", MB_ICONWARNING);
        return;
    }
    if (!readSeed(dialog, seed)) {
        MessageBoxW(dialog, L"Give the seed as a whole number from 0 to 18446744073709551615.", L"Pellwick", MB_ICONWARNING);
        return;
    }
    if (!readChoices(dialog, chosen)) return;
    if (!storeSettings(t, seed, chosen)) MessageBoxW(dialog, L"The settings could not be saved.", L"Pellwick", MB_ICONERROR);
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

void addControls(HWND dialog, const WholeSeconds& t, const std::optional<std::uint64_t>& seed) {
    addControl(dialog, L"STATIC", L"First game after (seconds):", 0, 12, 16, 250, 20, -1);
    addControl(dialog, L"EDIT", std::to_wstring(t.firstGame).c_str(), WS_TABSTOP | ES_NUMBER, 270, 12, 80, 22, FIRST_GAME);
    addControl(dialog, L"STATIC", L"New game every (seconds; 0: never):", 0, 12, 48, 250, 20, -1);
    addControl(dialog, L"EDIT", std::to_wstring(t.newGame).c_str(), WS_TABSTOP | ES_NUMBER, 270, 44, 80, 22, NEW_GAME);
    addControl(dialog, L"BUTTON", L"The same games every time, from seed:", WS_TABSTOP | BS_AUTOCHECKBOX, 12, 80, 250, 20, SAME_GAMES);
    addControl(dialog, L"EDIT", seed ? std::to_wstring(*seed).c_str() : L"", WS_TABSTOP | ES_NUMBER, 12, 104, 338, 22, SEED);
    if (seed) CheckDlgButton(dialog, SAME_GAMES, BST_CHECKED);
}

// A row for each setting: a box for a number, a list of its values for words (and the zoom's auto).
void addSettingRows(HWND dialog, const Settings& chosen) {
    const auto& defs = settingDefs();
    for (std::size_t i = 0; i < defs.size(); ++i) {
        const SettingDef& d = defs[i];
        const int y = SETTINGS_TOP + static_cast<int>(i) * ROW, id = SETTING + static_cast<int>(i);
        addControl(dialog, L"STATIC", (widened(d.label) + L":").c_str(), 0, 12, y + 4, 200, 20, -1);
        const std::vector<std::string> choices = d.choices();
        if (choices.empty()) {
            addControl(dialog, L"EDIT", widened(d.valueIn(chosen)).c_str(), WS_TABSTOP | ES_NUMBER, 220, y, 130, 22, id);
            continue;
        }
        HWND list = addControl(dialog, L"COMBOBOX", L"", WS_TABSTOP | CBS_DROPDOWNLIST | WS_VSCROLL, 220, y, 130, 200, id);
        for (const std::string& v : choices) SendMessageW(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(widened(v).c_str()));
        SendMessageW(list, CB_SELECTSTRING, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(widened(d.valueIn(chosen)).c_str()));
    }
    const int buttons = SETTINGS_TOP + static_cast<int>(defs.size()) * ROW + 6;
    addControl(dialog, L"BUTTON", L"OK", WS_TABSTOP | BS_DEFPUSHBUTTON, 184, buttons, 80, 26, IDOK);
    addControl(dialog, L"BUTTON", L"Cancel", WS_TABSTOP | BS_PUSHBUTTON, 270, buttons, 80, 26, IDCANCEL);
}

WholeSeconds loadWholeSeconds() {
    WholeSeconds t;
    t.firstGame = loadValue(L"FirstGame", t.firstGame);
    t.newGame = loadValue(L"NewGame", t.newGame);
    return t;
}

}  // namespace

SaverSettings loadSaverSettings() {
    const WholeSeconds t = loadWholeSeconds();
    return SaverSettings{SaverTimes{static_cast<double>(t.firstGame), static_cast<double>(t.newGame)}, loadSeed(), loadChoices()};
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
    RECT r{0, 0, 364, SETTINGS_TOP + static_cast<LONG>(settingDefs().size()) * ROW + 44};
    const DWORD style = WS_CAPTION | WS_SYSMENU | WS_POPUP | WS_VISIBLE;
    AdjustWindowRect(&r, style, FALSE);
    DialogState state;
    HWND dialog = CreateWindowExW(WS_EX_DLGMODALFRAME, DIALOG_CLASS, L"Pellwick settings", style, CW_USEDEFAULT, CW_USEDEFAULT,
                                  r.right - r.left, r.bottom - r.top, owner, nullptr, wc.hInstance, nullptr);
    if (dialog == nullptr) return;
    SetWindowLongPtrW(dialog, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&state));
    addControls(dialog, loadWholeSeconds(), loadSeed());
    addSettingRows(dialog, loadChoices());
    SetForegroundWindow(dialog);
    SetFocus(GetDlgItem(dialog, FIRST_GAME));
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
