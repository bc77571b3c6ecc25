/* SPDX-License-Identifier: GPL-3.0-or-later */
/* Reads cwd and skin from the winamp.ini named by its argument with the ANSI calls, as
   Winamp 2 does, and looks for <cwd><skin>\main.bmp. Built with mingw-w64, run under Wine
   by scripts/wine-check; exits 0 when the file is found. */
#include <stdio.h>
#include <string.h>
#include <windows.h>

static void hex(const char* label, const char* s)
{
    printf("%s:", label);
    for (; *s; ++s)
        printf(" %02X", (unsigned char)*s);
    printf("\n");
}

int main(int argc, char** argv)
{
    char cwd[MAX_PATH], skin[MAX_PATH], path[3 * MAX_PATH];
    if (argc < 2)
        return 2;
    GetPrivateProfileStringA("Winamp", "cwd", "", cwd, sizeof cwd, argv[1]);
    GetPrivateProfileStringA("Winamp", "skin", "", skin, sizeof skin, argv[1]);
    printf("ANSI code page: %u\n", GetACP());
    hex("cwd", cwd);
    hex("skin", skin);
    snprintf(path, sizeof path, "%s%s\\main.bmp", cwd, skin);
    DWORD attributes = GetFileAttributesA(path);
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        printf("main.bmp not found (error %lu)\n", GetLastError());
        return 1;
    }
    printf("main.bmp found\n");
    return 0;
}
