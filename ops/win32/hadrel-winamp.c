/* SPDX-License-Identifier: GPL-3.0-or-later */
/* Hadrel's hand inside Wine: a Linux process cannot message a Wine window, so Hadrel runs
   this under wine, in Winamp's prefix, and talks to it over its standard input and output,
   one line each way per request. Strings travel as hex of their bytes, in the ANSI code
   page Winamp reads them in.
     ping               -> pong
     get                -> none | skin NAME FOLDER
     set NAME [front]   -> none | copydata|memory|unconfirmed NAME FOLDER
   NAME and FOLDER in the replies are what Winamp reports (IPC_GETSKIN) afterwards. */
#include <stdio.h>
#include <string.h>
#include <windows.h>

#define IPC_SETSKIN 200
#define IPC_GETSKIN 201
/* A Winamp that does not answer within this time is taken as hung. */
#define ANSWER_MS 2000
#define LINE_MAX_BYTES 8192

static HWND findWinamp(void)
{
    return FindWindowA("Winamp v1.x", NULL);
}

static HANDLE openWinamp(HWND window)
{
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    return OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE | PROCESS_QUERY_INFORMATION,
        FALSE, pid);
}

static BOOL ask(HWND window, UINT message, WPARAM wParam, LPARAM lParam, DWORD_PTR* result)
{
    return SendMessageTimeoutA(window, message, wParam, lParam, SMTO_ABORTIFHUNG, ANSWER_MS, result) != 0;
}

/* A NUL-ended string at address in another process, read a page at a time so that a
   string near the end of its page is not lost to the page after it. */
static void readRemoteString(HANDLE process, const char* address, char* out, size_t size)
{
    size_t done = 0;
    out[0] = 0;
    while (address && done + 1 < size) {
        size_t toPageEnd = 4096 - ((ULONG_PTR)(address + done) & 4095);
        size_t want = size - 1 - done < toPageEnd ? size - 1 - done : toPageEnd;
        SIZE_T got = 0;
        if (!ReadProcessMemory(process, address + done, out + done, want, &got) || got == 0)
            break;
        out[done + got] = 0;
        if (memchr(out + done, 0, got))
            return;
        done += got;
    }
    out[done] = 0;
}

/* IPC_GETSKIN: the folder goes into a buffer that must lie in Winamp's memory. */
static BOOL getSkin(HWND window, HANDLE process, char* name, char* folder)
{
    BOOL ok = FALSE;
    char* remote = VirtualAllocEx(process, NULL, MAX_PATH, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    DWORD_PTR result = 0;
    name[0] = folder[0] = 0;
    if (!remote)
        return FALSE;
    if (ask(window, WM_USER, (WPARAM)remote, IPC_GETSKIN, &result)) {
        readRemoteString(process, remote, folder, MAX_PATH);
        readRemoteString(process, (const char*)result, name, LINE_MAX_BYTES / 2);
        ok = TRUE;
    }
    VirtualFreeEx(process, remote, 0, MEM_RELEASE);
    return ok;
}

/* WM_WA_IPC with the name written into Winamp's memory first, as every Winamp 2 takes it. */
static void setThroughMemory(HWND window, HANDLE process, const char* name)
{
    size_t size = strlen(name) + 1;
    char* remote = VirtualAllocEx(process, NULL, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    DWORD_PTR result = 0;
    if (!remote)
        return;
    if (WriteProcessMemory(process, remote, name, size, NULL))
        ask(window, WM_USER, (WPARAM)remote, IPC_SETSKIN, &result);
    VirtualFreeEx(process, remote, 0, MEM_RELEASE);
}

static const char* lastPart(const char* path)
{
    const char* slash = strrchr(path, '\\');
    return slash ? slash + 1 : path;
}

/* Winamp reports the name as it was set, or by some versions without its folder. */
static BOOL reports(const char* reported, const char* wanted)
{
    return lstrcmpiA(reported, wanted) == 0 || (*wanted && lstrcmpiA(reported, lastPart(wanted)) == 0);
}

static void putHex(const char* s)
{
    putchar(' ');
    if (!*s)
        putchar('-');
    for (; *s; ++s)
        printf("%02x", (unsigned char)*s);
}

/* "-" is the empty string; anything that is not hex is refused. */
static BOOL fromHex(const char* hex, char* out, size_t size)
{
    size_t n = 0;
    if (strcmp(hex, "-") == 0) {
        out[0] = 0;
        return TRUE;
    }
    while (hex[0] && hex[1]) {
        unsigned value = 0;
        if (n + 1 >= size || sscanf(hex, "%2x", &value) != 1 || value == 0)
            return FALSE;
        out[n++] = (char)value;
        hex += 2;
    }
    out[n] = 0;
    return hex[0] == 0 && n > 0;
}

static void reply(const char* word, const char* name, const char* folder)
{
    fputs(word, stdout);
    if (name) {
        putHex(name);
        putHex(folder);
    }
    putchar('\n');
    fflush(stdout);
}

static void bringForward(HWND window)
{
    if (IsIconic(window))
        ShowWindow(window, SW_RESTORE);
    SetForegroundWindow(window);
}

static void setSkin(const char* wanted, BOOL front)
{
    HWND window = findWinamp();
    HANDLE process;
    char name[LINE_MAX_BYTES / 2], folder[MAX_PATH];
    COPYDATASTRUCT data;
    DWORD_PTR result = 0;
    const char* how = "copydata";
    if (!window || !(process = openWinamp(window))) {
        reply("none", NULL, NULL);
        return;
    }
    data.dwData = IPC_SETSKIN;
    data.cbData = (DWORD)strlen(wanted) + 1;
    data.lpData = (void*)wanted;
    ask(window, WM_COPYDATA, 0, (LPARAM)&data, &result);
    if (!getSkin(window, process, name, folder) || !reports(name, wanted)) {
        how = "memory";
        setThroughMemory(window, process, wanted);
        if (!getSkin(window, process, name, folder) || !reports(name, wanted))
            how = "unconfirmed";
    }
    CloseHandle(process);
    if (front)
        bringForward(window);
    reply(how, name, folder);
}

static void tellSkin(void)
{
    HWND window = findWinamp();
    HANDLE process;
    char name[LINE_MAX_BYTES / 2], folder[MAX_PATH];
    if (!window || !(process = openWinamp(window))) {
        reply("none", NULL, NULL);
        return;
    }
    if (getSkin(window, process, name, folder))
        reply("skin", name, folder);
    else
        reply("unconfirmed", "", "");
    CloseHandle(process);
}

int main(void)
{
    static char line[LINE_MAX_BYTES], wanted[LINE_MAX_BYTES / 2];
    reply("ready", NULL, NULL);
    while (fgets(line, sizeof line, stdin)) {
        char* arg;
        line[strcspn(line, "\r\n")] = 0;
        arg = strchr(line, ' ');
        if (arg)
            *arg++ = 0;
        if (strcmp(line, "ping") == 0) {
            reply("pong", NULL, NULL);
        } else if (strcmp(line, "get") == 0) {
            tellSkin();
        } else if (strcmp(line, "set") == 0 && arg) {
            char* flag = strchr(arg, ' ');
            if (flag)
                *flag++ = 0;
            if (fromHex(arg, wanted, sizeof wanted))
                setSkin(wanted, flag && strcmp(flag, "front") == 0);
            else
                reply("refused", NULL, NULL);
        } else {
            reply("refused", NULL, NULL);
        }
    }
    return 0;
}
