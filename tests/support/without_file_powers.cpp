#include "tests/support/without_file_powers.h"

#include <cerrno>
#include <cstdio>
#include <linux/capability.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

constexpr int kScenarioEnded = 0;
constexpr int kCannotDrop = 3;

// Takes away the overrides of read, write and search permission and of
// the owner checks; a process without them has nothing to give up.
bool DropFilePowers() {
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct data[_LINUX_CAPABILITY_U32S_3] = {};
    if (syscall(SYS_capget, &header, data) != 0)
        return false;
    for (int cap : {CAP_DAC_OVERRIDE, CAP_DAC_READ_SEARCH, CAP_FOWNER}) {
        __user_cap_data_struct& word = data[CAP_TO_INDEX(cap)];
        word.effective &= ~CAP_TO_MASK(cap);
        word.permitted &= ~CAP_TO_MASK(cap);
        word.inheritable &= ~CAP_TO_MASK(cap);
    }
    return syscall(SYS_capset, &header, data) == 0;
}

std::string ReadToEnd(int fd) {
    std::string text;
    char buffer[4096];
    for (ssize_t got; (got = read(fd, buffer, sizeof(buffer))) != 0;) {
        if (got > 0)
            text.append(buffer, static_cast<size_t>(got));
        else if (errno != EINTR)
            break;
    }
    return text;
}

} // namespace

ChildRun RunWithoutFilePowers(const std::function<void()>& scenario) {
    ChildRun run;
    int output[2];
    if (pipe(output) != 0)
        return run;
    // Whatever waits in the buffer is the parent's to print, not the child's.
    std::fflush(stdout);
    const pid_t child = fork();
    if (child == 0) {
        close(output[0]);
        if (dup2(output[1], STDOUT_FILENO) < 0 || !DropFilePowers())
            _exit(kCannotDrop);
        scenario();
        std::fflush(stdout);
        _exit(kScenarioEnded);
    }
    close(output[1]);
    if (child > 0)
        run.said = ReadToEnd(output[0]);
    close(output[0]);
    int status = 0;
    run.finished = child > 0 && waitpid(child, &status, 0) == child && WIFEXITED(status) &&
                   WEXITSTATUS(status) == kScenarioEnded;
    return run;
}
