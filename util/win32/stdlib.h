// util/win32/stdlib.h: mkostemps() for the Windows build, where the C library has no such name:
// the X's before the suffix are replaced until a name that does not exist yet is created.
#pragma once
#include_next <stdlib.h>

#ifdef __cplusplus
#include <errno.h>
#include <fcntl.h>
#include <io.h>
#include <process.h>
#include <string.h>
#include <sys/stat.h>

inline int mkostemps(char* pattern, int suffix_length, int flags) {
    const size_t length = strlen(pattern);
    if (suffix_length < 0 || length < static_cast<size_t>(suffix_length) + 6) {
        errno = EINVAL;
        return -1;
    }
    char* x = pattern + length - static_cast<size_t>(suffix_length) - 6;
    static const char letters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    static unsigned counter = 0;
    for (int attempt = 0; attempt < 1000; ++attempt) {
        unsigned value = (counter++ * 2654435761u) ^ static_cast<unsigned>(_getpid()) * 40503u ^
                         static_cast<unsigned>(attempt);
        for (int i = 0; i < 6; ++i, value /= 62) x[i] = letters[value % 62];
        const int fd = _open(pattern, _O_RDWR | _O_CREAT | _O_EXCL | _O_BINARY |
                                          ((flags & O_CLOEXEC) != 0 ? _O_NOINHERIT : 0),
                             _S_IREAD | _S_IWRITE);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    errno = EEXIST;
    return -1;
}
#endif
