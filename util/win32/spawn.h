// util/win32/spawn.h: the posix_spawn interface for the Windows build, where starting another
// program this way is not available: posix_spawnp fails with ENOSYS, so a caller reports that
// the program could not be started (demo-render --video: ffmpeg).
#pragma once
#include <errno.h>
#include <signal.h>
#include <sys/types.h>

struct posix_spawn_file_actions_t {};
struct posix_spawnattr_t {};

#define POSIX_SPAWN_SETPGROUP 0x02
#define POSIX_SPAWN_SETSIGDEF 0x04

// The environment that a spawned program would get; nothing is spawned.
inline char** environ = nullptr;

inline int posix_spawn_file_actions_init(posix_spawn_file_actions_t*) { return 0; }
inline int posix_spawn_file_actions_destroy(posix_spawn_file_actions_t*) { return 0; }
inline int posix_spawn_file_actions_adddup2(posix_spawn_file_actions_t*, int, int) { return 0; }
inline int posix_spawn_file_actions_addopen(posix_spawn_file_actions_t*, int, const char*, int,
                                            int) {
    return 0;
}
inline int posix_spawnattr_init(posix_spawnattr_t*) { return 0; }
inline int posix_spawnattr_destroy(posix_spawnattr_t*) { return 0; }
inline int posix_spawnattr_setsigdefault(posix_spawnattr_t*, const sigset_t*) { return 0; }
inline int posix_spawnattr_setpgroup(posix_spawnattr_t*, pid_t) { return 0; }
inline int posix_spawnattr_setflags(posix_spawnattr_t*, short) { return 0; }

inline int posix_spawnp(pid_t*, const char*, const posix_spawn_file_actions_t*,
                        const posix_spawnattr_t*, char* const[], char* const[]) {
    return ENOSYS;
}
