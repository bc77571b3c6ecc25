// SPDX-License-Identifier: GPL-3.0-or-later
// Applies a skin to a winamp.ini as the File menu does, for scripts/wine-check:
//   iniapply WINAMP_FOLDER SKIN_FOLDER SKIN
#include "ops/winampini.h"

#include <cstdio>

int main(int argc, char* argv[])
{
    if (argc != 4)
        return 2;
    const RunError error = Winamp_Ini_Update(
        QString::fromLocal8Bit(argv[1]), QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3]));
    if (error)
        std::fprintf(stderr, "%d %s\n", error.number, qPrintable(error.description));
    return error ? 1 : 0;
}
