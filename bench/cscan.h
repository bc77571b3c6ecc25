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

// The floor under the scan of a folder holding archives, doing the work the scan must:
// opendir and readdir; for each regular file named *.wsz or *.zip, open it, read its end
// record and its central directory (one read of the last 8 KB, a second one when the
// directory starts before them); for each folder, one fstatat of name/main.bmp. Nothing
// is decided: the directory's records are not even looked at.
BaselineCount baselineScanWithArchives(const char* folder);
// As above, and each folder's own attributes read first (one fstatat of the folder, not
// following links), as the listing's rule for folders asks of every scan.
BaselineCount baselineScanWithArchivesAndAttributes(const char* folder);
