// SPDX-License-Identifier: GPL-3.0-or-later
#include "bench/cscan.h"

#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

BaselineCount baselineScan(const char* folder)
{
    BaselineCount count;
    DIR* dir = opendir(folder);
    if (!dir)
        return count;
    const int fd = dirfd(dir);
    char path[PATH_MAX];
    while (const dirent* entry = readdir(dir)) {
        const char* name = entry->d_name;
        if (name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0')))
            continue;
        ++count.entries;
        struct stat st;
        if (fstatat(fd, name, &st, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISDIR(st.st_mode))
            continue;
        ++count.directories;
        const size_t length = strlen(name);
        if (length + sizeof("/main.bmp") > sizeof(path))
            continue;
        memcpy(path, name, length);
        memcpy(path + length, "/main.bmp", sizeof("/main.bmp"));
        const int file = openat(fd, path, O_RDONLY | O_CLOEXEC);
        if (file >= 0) {
            ++count.opened;
            close(file);
        }
    }
    closedir(dir);
    return count;
}
