// util/win32/fcntl.h: the POSIX parts of <fcntl.h> that the Windows C library lacks, for the
// Windows build only (its include path puts this folder before the system's). Opening without
// waiting and without a controlling terminal mean nothing there; closing on exec is Windows'
// "not inherited"; fcntl() tells whether a descriptor is open and leaves the flags alone. Every
// file opens in binary mode (util/win32/binary_mode.cpp).
#pragma once
#include_next <fcntl.h>

#include <errno.h>
#include <io.h>

#ifndef O_NONBLOCK
#define O_NONBLOCK 0
#endif
#ifndef O_NOCTTY
#define O_NOCTTY 0
#endif
#ifndef O_CLOEXEC
#define O_CLOEXEC _O_NOINHERIT
#endif
#define F_GETFD 1
#define F_GETFL 3
#define F_SETFL 4

// F_GETFD and F_GETFL: 0 for an open descriptor, -1 with EBADF for a closed one; F_SETFL: 0.
inline int fcntl(int fd, int command, ...) {
    if (_get_osfhandle(fd) == -1) {
        errno = EBADF;
        return -1;
    }
    (void)command;
    return 0;
}
