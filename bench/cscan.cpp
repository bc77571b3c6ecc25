// SPDX-License-Identifier: GPL-3.0-or-later
#include "bench/cscan.h"

#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <limits.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

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

namespace {

bool archiveName(const char* name, size_t length)
{
    return length > 4 && name[length - 4] == '.'
        && (strcasecmp(name + length - 3, "wsz") == 0 || strcasecmp(name + length - 3, "zip") == 0);
}

unsigned le32(const unsigned char* p)
{
    return unsigned(p[0]) | unsigned(p[1]) << 8 | unsigned(p[2]) << 16 | unsigned(p[3]) << 24;
}

// Reads the end record and the directory of the archive name of dirFd; true when read.
bool readDirectory(int dirFd, const char* name, std::vector<unsigned char>& buffer)
{
    const int fd = openat(dirFd, name, O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return false;
    struct stat st;
    bool read = false;
    if (fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size >= 22) {
        const off_t tail = st.st_size < 8192 ? st.st_size : 8192;
        buffer.resize(size_t(tail));
        if (pread(fd, buffer.data(), size_t(tail), st.st_size - tail) == tail) {
            for (off_t at = tail - 22; at >= 0; --at) {
                const unsigned char* p = buffer.data() + at;
                if (p[0] != 'P' || p[1] != 'K' || p[2] != 5 || p[3] != 6)
                    continue;
                const off_t size = le32(p + 12);
                const off_t offset = le32(p + 16);
                if (offset >= st.st_size - tail) {
                    read = true;
                } else if (size < (off_t(1) << 22)) {
                    buffer.resize(size_t(size));
                    read = pread(fd, buffer.data(), size_t(size), offset) == size;
                }
                break;
            }
        }
    }
    close(fd);
    return read;
}

} // namespace

namespace {

BaselineCount scanWithArchives(const char* folder, bool attributes)
{
    BaselineCount count;
    DIR* dir = opendir(folder);
    if (!dir)
        return count;
    const int fd = dirfd(dir);
    char path[PATH_MAX];
    std::vector<unsigned char> buffer;
    while (const dirent* entry = readdir(dir)) {
        const char* name = entry->d_name;
        if (name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0')))
            continue;
        ++count.entries;
        unsigned char type = entry->d_type;
        struct stat st;
        if (type == DT_UNKNOWN && fstatat(fd, name, &st, AT_SYMLINK_NOFOLLOW) == 0)
            type = S_ISDIR(st.st_mode) ? DT_DIR : S_ISREG(st.st_mode) ? DT_REG : DT_UNKNOWN;
        const size_t length = strlen(name);
        if (type == DT_REG) {
            if (archiveName(name, length) && readDirectory(fd, name, buffer))
                ++count.opened;
            continue;
        }
        if (type != DT_DIR || length + sizeof("/main.bmp") > sizeof(path))
            continue;
        ++count.directories;
        if (attributes && (fstatat(fd, name, &st, AT_SYMLINK_NOFOLLOW) != 0 || !(st.st_mode & S_IWUSR)))
            continue;
        memcpy(path, name, length);
        memcpy(path + length, "/main.bmp", sizeof("/main.bmp"));
        if (fstatat(fd, path, &st, 0) == 0)
            ++count.opened;
    }
    closedir(dir);
    return count;
}

} // namespace

BaselineCount baselineScanWithArchives(const char* folder)
{
    return scanWithArchives(folder, false);
}

BaselineCount baselineScanWithArchivesAndAttributes(const char* folder)
{
    return scanWithArchives(folder, true);
}
