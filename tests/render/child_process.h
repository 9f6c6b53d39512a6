// tests/render/child_process.h: starts a program under test the way a test needs it (standard
// descriptors closed, variables added to its environment, a limit on its address space) and
// tells how it ended: by an exit status or by a signal.
#pragma once
#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <vector>

extern char** environ;

namespace kt {

struct ChildSpec {
    std::vector<std::string> args;           // args[0] is the program's path
    std::string              folder;         // working directory; empty: this process's
    std::string              out, err;       // files for standard output and error; empty: ours
    std::vector<int>         closed;         // descriptors closed before the program starts
    std::vector<std::string> env;            // "NAME=value", added or replacing ours
    rlim_t                   file_size = RLIM_INFINITY;  // largest file it may write, in bytes
};

struct ChildEnd {
    bool exited = false;
    int  status = -1;  // the exit status when it exited
    int  signal = 0;   // the signal that ended it otherwise
};

// Starts the program; -1 when it cannot. The stop signals, SIGPIPE and SIGXFSZ have their
// default actions in it, whatever this process inherited.
inline pid_t start_child(const ChildSpec& child) {
    // Everything is made before fork; the child only calls what is safe there.
    std::vector<char*> argv;
    for (const std::string& a : child.args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e) {
        const std::string entry = *e;
        bool replaced = false;
        for (const std::string& add : child.env)
            replaced = replaced || entry.starts_with(add.substr(0, add.find('=') + 1));
        if (!replaced) env.push_back(entry);
    }
    env.insert(env.end(), child.env.begin(), child.env.end());
    std::vector<char*> envp;
    for (std::string& e : env) envp.push_back(e.data());
    envp.push_back(nullptr);
    const auto open_output = [](const std::string& path) {
        return path.empty() ? -1 : open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    };
    const int out = open_output(child.out), err = open_output(child.err);
    const pid_t pid = fork();
    if (pid == 0) {
        if (!child.folder.empty() && chdir(child.folder.c_str()) != 0) _exit(126);
        if (out >= 0) dup2(out, 1);  // the copy does not close on exec
        if (err >= 0) dup2(err, 2);
        for (const int fd : child.closed) close(fd);
        for (const int sig : {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGPIPE, SIGXFSZ}) signal(sig, SIG_DFL);
        const rlimit size{child.file_size, child.file_size};
        if (child.file_size != RLIM_INFINITY) setrlimit(RLIMIT_FSIZE, &size);
        // A core dump of a run ended by SIGQUIT would land in the data folder.
        const rlimit no_core{0, 0};
        setrlimit(RLIMIT_CORE, &no_core);
        execve(argv[0], argv.data(), envp.data());
        _exit(127);
    }
    if (out >= 0) close(out);
    if (err >= 0) close(err);
    return pid;
}

// Waits for the program's end; `hang` false only looks, and gives `exited` false and signal 0
// while it still runs.
inline ChildEnd wait_child(pid_t pid, bool hang = true) {
    ChildEnd end;
    int status = 0;
    pid_t got = 0;
    while ((got = waitpid(pid, &status, hang ? 0 : WNOHANG)) < 0 && errno == EINTR) {
    }
    if (got != pid) return end;
    if (WIFEXITED(status)) {
        end.exited = true;
        end.status = WEXITSTATUS(status);
    } else if (WIFSIGNALED(status)) {
        end.signal = WTERMSIG(status);
    }
    return end;
}

inline ChildEnd run_child(const ChildSpec& child) {
    const pid_t pid = start_child(child);
    return pid < 0 ? ChildEnd{} : wait_child(pid);
}

}  // namespace kt
