// front/native/echo_output.cpp: standard output that never blocks the frame loop, and no SIGPIPE.
#include "front/native/echo_output.h"

#if defined(_WIN32)

void echo_output_never_waits() {}

#else

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

namespace {

int shared_flags = -1;  // descriptor 1's flags before they were changed; -1 while unchanged

void restore_shared_flags() {
    if (shared_flags >= 0) fcntl(1, F_SETFL, shared_flags);
}

}  // namespace

void echo_output_never_waits() {
    signal(SIGPIPE, SIG_IGN);
    struct stat out {};
    if (fstat(1, &out) != 0) return;
    if (!S_ISFIFO(out.st_mode) && !S_ISCHR(out.st_mode) && !S_ISSOCK(out.st_mode)) return;
    const int flags = fcntl(1, F_GETFL);
    if (flags < 0 || (flags & O_NONBLOCK) != 0) return;
    // A new description of the same pipe or terminal, through the process's own link to it.
    const int fd = open("/proc/self/fd/1", O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    struct stat opened {};
    if (fd >= 0 && fstat(fd, &opened) == 0 && opened.st_dev == out.st_dev &&
        opened.st_ino == out.st_ino && opened.st_rdev == out.st_rdev && dup2(fd, 1) == 1) {
        close(fd);
        return;
    }
    if (fd >= 0) close(fd);
    if (fcntl(1, F_SETFL, flags | O_NONBLOCK) == 0) {
        shared_flags = flags;
        std::atexit(restore_shared_flags);
    }
}

#endif
