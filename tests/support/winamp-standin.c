/* SPDX-License-Identifier: GPL-3.0-or-later */
/* A stand-in for Winamp 2 under Wine, for the tests: its main window has Winamp's class
   and takes a skin by WM_COPYDATA 200 and by WM_USER 200 (a name in its own memory),
   reports it by WM_USER 201, and writes "skin=" back to the winamp.ini beside it when it
   quits. A file "memory-only" beside it makes it ignore WM_COPYDATA, as an old Winamp
   may. Each event is appended to standin.log beside it, and the moment it took each skin
   (the system time in 100 ns since 1601, as Wine keeps it) to standin.times.
     winamp-standin.exe          runs
     winamp-standin.exe /close     closes the running one
     winamp-standin.exe /minimize  minimizes it, so that bringing it forward shows */
#include <string.h>
#include <windows.h>

static char g_folder[MAX_PATH];
static char g_skin[2048];
static BOOL g_memoryOnly;

static void besideMe(char* out, const char* name)
{
    lstrcpynA(out, g_folder, MAX_PATH);
    lstrcatA(out, name);
}

static void logLine(const char* what, const char* value)
{
    char path[MAX_PATH];
    DWORD written;
    HANDLE file;
    besideMe(path, "standin.log");
    file = CreateFileA(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, OPEN_ALWAYS, 0, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return;
    WriteFile(file, what, (DWORD)strlen(what), &written, NULL);
    WriteFile(file, " ", 1, &written, NULL);
    WriteFile(file, value, (DWORD)strlen(value), &written, NULL);
    WriteFile(file, "\r\n", 2, &written, NULL);
    CloseHandle(file);
}

static void logTime(void)
{
    char path[MAX_PATH], digits[24];
    FILETIME now;
    ULONGLONG value;
    DWORD written;
    HANDLE file;
    int at = sizeof digits;
    GetSystemTimeAsFileTime(&now);
    value = ((ULONGLONG)now.dwHighDateTime << 32) | now.dwLowDateTime;
    digits[--at] = '\n';
    do {
        digits[--at] = (char)('0' + value % 10);
        value /= 10;
    } while (value);
    besideMe(path, "standin.times");
    file = CreateFileA(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, OPEN_ALWAYS, 0, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return;
    WriteFile(file, digits + at, (DWORD)(sizeof digits - at), &written, NULL);
    CloseHandle(file);
}

static void takeSkin(const char* how, const char* name)
{
    logTime();
    lstrcpynA(g_skin, name, sizeof g_skin);
    logLine(how, g_skin);
}

/* The skin's folder as Winamp reports it: a name without a folder lies in Skins. */
static void skinFolder(char* out)
{
    if (strchr(g_skin, '\\'))
        lstrcpynA(out, g_skin, MAX_PATH);
    else {
        besideMe(out, "Skins\\");
        lstrcatA(out, g_skin);
    }
}

static LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_COPYDATA: {
        const COPYDATASTRUCT* data = (const COPYDATASTRUCT*)lParam;
        if (g_memoryOnly || data->dwData != 200 || !data->cbData)
            return FALSE;
        takeSkin("copydata", (const char*)data->lpData);
        return TRUE;
    }
    case WM_USER:
        if (lParam == 200 && wParam) {
            takeSkin("memory", (const char*)wParam);
            return 1;
        }
        if (lParam == 201) {
            if (wParam)
                skinFolder((char*)wParam);
            return (LRESULT)g_skin;
        }
        return 0;
    case WM_ACTIVATE:
        if (LOWORD(wParam) != WA_INACTIVE)
            logLine("active", "");
        return 0;
    case WM_DESTROY: {
        char ini[MAX_PATH];
        besideMe(ini, "winamp.ini");
        WritePrivateProfileStringA("Winamp", "skin", g_skin, ini);
        logLine("exit", g_skin);
        PostQuitMessage(0);
        return 0;
    }
    default:
        return DefWindowProcA(window, message, wParam, lParam);
    }
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int show)
{
    WNDCLASSA windowClass;
    char path[MAX_PATH];
    HWND window;
    MSG msg;
    (void)previous;

    if (commandLine[0] == '/') {
        window = FindWindowA("Winamp v1.x", NULL);
        if (window && strcmp(commandLine, "/close") == 0)
            SendMessageA(window, WM_CLOSE, 0, 0);
        else if (window)
            ShowWindow(window, SW_MINIMIZE);
        return window ? 0 : 1;
    }

    GetModuleFileNameA(NULL, g_folder, MAX_PATH);
    *(strrchr(g_folder, '\\') + 1) = 0;
    besideMe(path, "memory-only");
    g_memoryOnly = GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES;
    besideMe(path, "winamp.ini");
    GetPrivateProfileStringA("Winamp", "skin", "", g_skin, sizeof g_skin, path);
    logLine("started", g_skin);

    memset(&windowClass, 0, sizeof windowClass);
    windowClass.lpfnWndProc = windowProc;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = "Winamp v1.x";
    windowClass.hCursor = LoadCursor(NULL, IDC_ARROW);
    RegisterClassA(&windowClass);
    window = CreateWindowA("Winamp v1.x", "Winamp", WS_OVERLAPPEDWINDOW, 0, 0, 275, 116, NULL, NULL, instance, NULL);
    ShowWindow(window, show ? show : SW_SHOWNORMAL);
    while (GetMessageA(&msg, NULL, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return 0;
}
