// util/win32/unistd.h: for the Windows build, pipe2() over the C library's binary pipes, and
// read() and write() taking a size_t count as POSIX's do (the C library's take an unsigned int;
// a larger count is cut to what one call moves, and the callers loop for the rest anyway).
#pragma once
#include_next <unistd.h>

#include <fcntl.h>
#include <io.h>
#include <stddef.h>

inline int pipe2(int fds[2], int flags) {
    return _pipe(fds, 1 << 16, _O_BINARY | ((flags & O_CLOEXEC) != 0 ? _O_NOINHERIT : 0));
}

#ifdef __cplusplus
inline ssize_t read(int fd, void* buffer, size_t count) {
    return _read(fd, buffer, count < (1u << 30) ? static_cast<unsigned>(count) : 1u << 30);
}

inline ssize_t write(int fd, const void* buffer, size_t count) {
    return _write(fd, buffer, count < (1u << 30) ? static_cast<unsigned>(count) : 1u << 30);
}
#endif
