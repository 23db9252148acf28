// A file descriptor that closes itself, and a write that writes everything.
#pragma once

#include <cerrno>
#include <cstddef>
#include <unistd.h>

namespace veyra::vxd::storage {

class FileDescriptor {
public:
    explicit FileDescriptor(int fd = -1) : fd_(fd) {}
    ~FileDescriptor()
    {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    FileDescriptor(const FileDescriptor &) = delete;
    FileDescriptor &operator=(const FileDescriptor &) = delete;

    int get() const { return fd_; }
    bool isOpen() const { return fd_ >= 0; }
    // Closes at once, for the close's own result (a write may fail only there).
    bool closeNow()
    {
        const int fd = fd_;
        fd_ = -1;
        return ::close(fd) == 0;
    }

private:
    int fd_;
};

// Writes all `size` bytes, however many calls it takes; false on an error.
inline bool WriteAll(int fd, const void *data, std::size_t size)
{
    const char *bytes = static_cast<const char *>(data);
    while (size > 0) {
        const ssize_t written = ::write(fd, bytes, size);
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            return false;
        }
        bytes += written;
        size -= std::size_t(written);
    }
    return true;
}

} // namespace veyra::vxd::storage
