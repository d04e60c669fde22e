#pragma once

// A full disk, simulated: body runs in a forked child whose files may not grow past limit
// bytes (what `ulimit -f` sets), so a write beyond it fails with EFBIG. As root, no
// permission can make a write fail; this can.

#include <csignal>
#include <functional>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

/// The child's exit code (body's result), or -1 when it did not end normally.
inline int RunWithFileSizeLimit(rlim_t limit, const std::function<int()> &body)
{
    const pid_t child = ::fork();
    if (child == 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit rl{};
        ::getrlimit(RLIMIT_FSIZE, &rl);
        rl.rlim_cur = limit;
        ::setrlimit(RLIMIT_FSIZE, &rl);
        int code = 99;
        try {
            code = body();
        } catch (...) {
            code = 98;
        }
        ::_exit(code);
    }
    int status = 0;
    if (child < 0 || ::waitpid(child, &status, 0) != child || !WIFEXITED(status))
        return -1;
    return WEXITSTATUS(status);
}
