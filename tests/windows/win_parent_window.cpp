// win_parent_window.cpp -- a stand-in for the screensaver settings dialog in
// the Windows tests: it opens a top-level window, prints its handle (decimal,
// as Windows passes it to "boxcity.scr /p") and its client area (WxH), and
// destroys the window when a line arrives on stdin, or after SECONDS if
// given. It then exits with 0.
#include <windows.h>

#include <cstdio>
#include <cstdlib>

// ---- constants ----

static const UINT WM_APP_DESTROY = WM_APP + 1;   // from the stdin thread
static const UINT_PTR TIMER_ID = 1;

// ---- functions ----

static LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_TIMER:
    case WM_APP_DESTROY:
        DestroyWindow(window);
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcW(window, message, wParam, lParam);
    }
}

static DWORD WINAPI waitForLine(LPVOID window)
{
    char line[64];
    // End of input counts as the request too: the test may just close it.
    (void)fgets(line, sizeof line, stdin);
    PostMessageW((HWND)window, WM_APP_DESTROY, 0, 0);
    return 0;
}

int main(int argc, char *argv[])
{
    WNDCLASSW windowClass = {};
    windowClass.lpfnWndProc = windowProc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.hbrBackground = (HBRUSH)(COLOR_APPWORKSPACE + 1);
    windowClass.lpszClassName = L"boxcity-test-parent";
    if (!RegisterClassW(&windowClass))
        return 1;
    HWND window = CreateWindowW(L"boxcity-test-parent", L"boxcity preview parent",
                                WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN | WS_VISIBLE, 0, 0, 320,
                                240, nullptr, nullptr, windowClass.hInstance, nullptr);
    if (!window)
        return 1;
    RECT area;
    GetClientRect(window, &area);
    printf("%llu %ldx%ld\n", (unsigned long long)(UINT_PTR)window, area.right - area.left,
           area.bottom - area.top);
    fflush(stdout);

    if (argc > 1)
        SetTimer(window, TIMER_ID, (UINT)(atof(argv[1]) * 1000.0), nullptr);
    else if (!CreateThread(nullptr, 0, waitForLine, window, 0, nullptr))
        return 1;

    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    printf("destroyed\n");
    return 0;
}
