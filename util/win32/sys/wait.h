// util/win32/sys/wait.h: waitpid() for the Windows build, where no child is ever started
// (util/win32/spawn.h), so there is none to wait for.
#pragma once
#include <errno.h>
#include <sys/types.h>

#define WIFEXITED(status) (((status) & 0x7f) == 0)
#define WEXITSTATUS(status) (((status) >> 8) & 0xff)

inline pid_t waitpid(pid_t, int*, int) {
    errno = ECHILD;
    return -1;
}
