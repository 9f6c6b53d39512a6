// util/standard_streams.h: keeps descriptors 0, 1 and 2 open, so that a program started with any
// of them closed cannot get one of those numbers for a file it opens and print into that file.
#pragma once
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

// Points each of descriptors 0, 1 and 2 that is closed at /dev/null: 0 for reading, 1 and 2 for
// writing. Call it first thing in main(), before anything is opened. Where /dev/null cannot be
// opened the number is held by the root folder opened for reading, on which reads and writes
// fail harmlessly. False only when neither could be opened (the descriptor stays closed).
inline bool standard_streams_open() {
    bool ok = true;
    for (int fd = 0; fd <= 2; ++fd) {
        if (fcntl(fd, F_GETFD) != -1 || errno != EBADF) continue;
        // open() takes the lowest free number; the lower ones are open by now, so that is fd.
        int opened = open("/dev/null", fd == 0 ? O_RDONLY : O_WRONLY);
        if (opened < 0) opened = open("/", O_RDONLY);
        if (opened < 0) {
            ok = false;
            continue;
        }
        if (opened != fd) {
            dup2(opened, fd);
            close(opened);
        }
    }
    return ok;
}
