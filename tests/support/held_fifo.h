// A FIFO made for a test, with the test itself holding it open at both
// ends and some bytes waiting in it. Code that must never open a FIFO is
// checked with one: should it open the FIFO after all, it finds a writer
// and data and goes on, so the test fails instead of hanging.
#pragma once

#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

class HeldFifo {
public:
    explicit HeldFifo(const char* path, const std::string& waiting = "junk") {
        if (mkfifo(path, 0666) != 0)
            return;
        // On Linux a FIFO opened for both reading and writing never waits.
        fd_ = open(path, O_RDWR | O_NONBLOCK | O_CLOEXEC);
        if (fd_ >= 0 &&
            write(fd_, waiting.data(), waiting.size()) != static_cast<ssize_t>(waiting.size())) {
            close(fd_);
            fd_ = -1;
        }
    }
    ~HeldFifo() {
        if (fd_ >= 0)
            close(fd_);
    }
    HeldFifo(const HeldFifo&) = delete;
    HeldFifo& operator=(const HeldFifo&) = delete;

    bool ok() const { return fd_ >= 0; }

private:
    int fd_ = -1;
};

inline bool IsFifo(const char* path) {
    struct stat info;
    return lstat(path, &info) == 0 && S_ISFIFO(info.st_mode);
}
