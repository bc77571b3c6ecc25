// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The floor under the scan: the system calls a skin scan cannot do without, as cheaply
// as C allows. opendir/readdir, one fstatat per entry, one open of name/main.bmp per
// directory. It decides nothing (a MAIN.BMP is just a failed open) and keeps no names.
struct BaselineCount
{
    long entries = 0;
    long directories = 0;
    long opened = 0;
};

BaselineCount baselineScan(const char* folder);
