#include "SmallFiles.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace veyra::win32::detail {

namespace {

class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : fd_(fd) {}
    ~FileDescriptor()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    FileDescriptor(const FileDescriptor &) = delete;
    FileDescriptor &operator=(const FileDescriptor &) = delete;
    int get() const { return fd_; }

private:
    int fd_;
};

} // namespace

SmallFile ReadSmallFile(const std::string &path, size_t limit, std::string &text)
{
    text.clear();
    const FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (fd.get() < 0)
        return errno == ENOENT ? SmallFile::Missing : SmallFile::Failed;
    struct stat status {};
    if (::fstat(fd.get(), &status) != 0)
        return SmallFile::Failed;
    if (S_ISDIR(status.st_mode))
        return SmallFile::Folder;
    if (!S_ISREG(status.st_mode))
        return SmallFile::NotRegular;
    if (static_cast<unsigned long long>(status.st_size) > limit)
        return SmallFile::TooLarge;
    // One byte more than the limit shows a file that grew since the check.
    std::string read(limit + 1, '\0');
    size_t total = 0;
    while (total < read.size()) {
        ssize_t got = ::read(fd.get(), read.data() + total, read.size() - total);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return SmallFile::Failed;
        if (got == 0)
            break;
        total += static_cast<size_t>(got);
    }
    if (total > limit)
        return SmallFile::TooLarge;
    read.resize(total);
    text = std::move(read);
    return SmallFile::Read;
}

} // namespace veyra::win32::detail
