// win_scr_config.cpp -- boxcity.scr's settings on Windows, kept where
// Windows screensavers keep theirs (HKEY_CURRENT_USER\Software\boxcity): the
// dialog the Screen Saver settings open with /c, and the values' way to the
// shell, which takes them from the environment as from the hack.
#include "win_scr_config.h"

#include <cstdlib>
#include <string>

#include "settings.h"
#include "win_scr.h"

// ---- constants ----

static const char TITLE[] = "boxcity";        // the boxes', as the program's others
// Shown when nothing is stored: the shell's own screensaver defaults.
static const char DEFAULT_RESOLUTION[] = "native";
static const char DEFAULT_MAX_FPS[] = "60";
static const char *const RESOLUTION_CHOICES[] = {
    "native", "3840x2160", "2560x1440", "1920x1080", "1600x1200", "1280x960", "1024x768", "800x600",
};

// ---- functions ----

static StoredValue readValue(HKEY key, const char *name)
{
    StoredValue value;
    char data[64];                     // longer than any usable setting
    DWORD type = 0, size = sizeof data;
    LONG result = RegQueryValueExA(key, name, nullptr, &type, (BYTE *)data, &size);
    if (result == ERROR_FILE_NOT_FOUND)
        return value;
    value.found = true;
    if (result == ERROR_SUCCESS) {
        value.type = type;
        value.bytes.assign(data, size);
    }                                  // else too long or unreadable: type 0, no setting
    return value;
}

// The stored settings, "" for each that is missing or unusable.
static void readSettings(std::string &resolution, std::string &maxFps)
{
    resolution.clear();
    maxFps.clear();
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, SCR_SETTINGS_KEY, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return;
    resolution = storedResolution(readValue(key, SCR_RESOLUTION_VALUE));
    maxFps = storedMaxFps(readValue(key, SCR_MAX_FPS_VALUE));
    RegCloseKey(key);
}

void handOverSettings(void)
{
    std::string resolution, maxFps;
    readSettings(resolution, maxFps);
    const std::pair<const char *, const std::string &> settings[] = {
        {"BOXCITY_RESOLUTION", resolution}, {"BOXCITY_MAX_FPS", maxFps}};
    for (const auto &setting : settings) {
        const char *given = getenv(setting.first);
        if (!setting.second.empty() && !(given && *given))
            _putenv_s(setting.first, setting.second.c_str());
    }
}

// The dialog's values stored, or a box naming what is wrong and false.
static bool saveSettings(HWND dialog)
{
    char resolutionText[64], maxFpsText[16];
    GetDlgItemTextA(dialog, IDC_SCR_RESOLUTION, resolutionText, sizeof resolutionText);
    GetDlgItemTextA(dialog, IDC_SCR_MAX_FPS, maxFpsText, sizeof maxFpsText);
    Resolution resolution;
    int maxFps = 0;
    std::string problem = parseResolution("Resolution", resolutionText, resolution);
    int control = IDC_SCR_RESOLUTION;
    if (problem.empty()) {
        problem = parseMaxFps("Frame limit", maxFpsText, maxFps);
        control = IDC_SCR_MAX_FPS;
    }
    if (!problem.empty()) {
        MessageBoxA(dialog, problem.c_str(), TITLE, MB_OK | MB_ICONERROR);
        SetFocus(GetDlgItem(dialog, control));
        return false;
    }
    StoredValue typed;                 // normalised as /s will read it
    typed.found = true;
    typed.type = SCR_REG_SZ;
    typed.bytes = resolutionText;
    std::string stored = storedResolution(typed);
    DWORD fps = (DWORD)maxFps;
    HKEY key;
    LONG result = RegCreateKeyExA(HKEY_CURRENT_USER, SCR_SETTINGS_KEY, 0, nullptr, 0, KEY_SET_VALUE,
                                  nullptr, &key, nullptr);
    if (result == ERROR_SUCCESS) {
        result = RegSetValueExA(key, SCR_RESOLUTION_VALUE, 0, REG_SZ, (const BYTE *)stored.c_str(),
                                (DWORD)stored.size() + 1);
        if (result == ERROR_SUCCESS)
            result = RegSetValueExA(key, SCR_MAX_FPS_VALUE, 0, REG_DWORD, (const BYTE *)&fps,
                                    sizeof fps);
        RegCloseKey(key);
    }
    if (result != ERROR_SUCCESS) {
        std::string text = "The settings could not be saved (error " + std::to_string(result) + ").";
        MessageBoxA(dialog, text.c_str(), TITLE, MB_OK | MB_ICONERROR);
        return false;
    }
    return true;
}

static INT_PTR CALLBACK settingsProc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG: {
        std::string resolution, maxFps;
        readSettings(resolution, maxFps);
        for (const char *choice : RESOLUTION_CHOICES)
            SendDlgItemMessageA(dialog, IDC_SCR_RESOLUTION, CB_ADDSTRING, 0, (LPARAM)choice);
        SetDlgItemTextA(dialog, IDC_SCR_RESOLUTION,
                        resolution.empty() ? DEFAULT_RESOLUTION : resolution.c_str());
        SetDlgItemTextA(dialog, IDC_SCR_MAX_FPS, maxFps.empty() ? DEFAULT_MAX_FPS : maxFps.c_str());
        return TRUE;                   // the focus on the first control
    }
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK) {
            if (saveSettings(dialog))
                EndDialog(dialog, IDOK);
            return TRUE;
        }
        if (LOWORD(wParam) == IDCANCEL) {
            EndDialog(dialog, IDCANCEL);
            return TRUE;
        }
        return FALSE;
    default:
        return FALSE;
    }
}

bool showSettingsDialog(HWND owner)
{
    return DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_SCR_SETTINGS), owner,
                           settingsProc, 0) != -1;
}
