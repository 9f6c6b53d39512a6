// Standard output of the live programs: a pipe that takes nothing more makes the echo's write
// return at once, without touching the description others share, and SIGPIPE is ignored.
#include "front/native/echo_output.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdio>

namespace {

TEST(EchoOutput, AFullPipeTakesNothingAtOnceAndTheSharedDescriptionStaysBlocking) {
    std::fflush(nullptr);
    const int saved = dup(1);
    struct sigaction old_pipe {};
    sigaction(SIGPIPE, nullptr, &old_pipe);
    std::array<int, 2> fds{};
    ASSERT_EQ(pipe(fds.data()), 0);
    // Filled up to the brim, then blocking again, as a pipe whose reader stopped reading is.
    fcntl(fds[1], F_SETFL, O_NONBLOCK);
    const std::array<char, 4096> block{};
    while (write(fds[1], block.data(), block.size()) > 0) {
    }
    while (write(fds[1], block.data(), 1) > 0) {
    }
    fcntl(fds[1], F_SETFL, 0);
    dup2(fds[1], 1);

    echo_output_never_waits();
    errno = 0;
    const ssize_t written = write(1, "x", 1);
    const int error = errno;
    const int own_flags = fcntl(1, F_GETFL), shared_flags = fcntl(fds[1], F_GETFL);
    struct sigaction pipe_action {};
    sigaction(SIGPIPE, nullptr, &pipe_action);

    dup2(saved, 1);
    close(saved);
    sigaction(SIGPIPE, &old_pipe, nullptr);
    close(fds[0]);
    close(fds[1]);
    EXPECT_EQ(written, -1);
    EXPECT_EQ(error, EAGAIN);
    EXPECT_NE(own_flags & O_NONBLOCK, 0);
    EXPECT_EQ(shared_flags & O_NONBLOCK, 0) << "the shell's description was changed";
    EXPECT_EQ(pipe_action.sa_handler, SIG_IGN);
}

}  // namespace
