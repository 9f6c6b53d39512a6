// util/win32/signal.h: sigaction() for the Windows build over the C library's signal(), which
// knows SIGINT (Ctrl-C) and SIGTERM. A handler set there is reset to the default before it
// runs, as SA_RESETHAND asks; an interrupted call is not restarted or cut short, so SA_RESTART
// holds as well.
#pragma once
#include_next <signal.h>

#include <sys/types.h>

#ifndef _POSIX
typedef _sigset_t sigset_t;  // <sys/types.h> names it so only for _POSIX
#endif

#define SA_RESTART 0x10000000
#define SA_RESETHAND 0x80000000

struct sigaction {
    void (*sa_handler)(int);
    sigset_t sa_mask;
    int sa_flags;
};

inline int sigemptyset(sigset_t* set) {
    *set = 0;
    return 0;
}

inline int sigaddset(sigset_t* set, int sig) {
    *set |= static_cast<sigset_t>(1) << sig;
    return 0;
}

inline int sigaction(int sig, const struct sigaction* act, struct sigaction* old) {
    // signal() is the only way to read the handler: set one, then put the old one back if only
    // reading was asked.
    void (*previous)(int) = signal(sig, act != nullptr ? act->sa_handler : SIG_DFL);
    if (previous == SIG_ERR) return -1;
    if (act == nullptr) signal(sig, previous);
    if (old != nullptr) {
        *old = {};
        old->sa_handler = previous;
    }
    return 0;
}
