#include "Import.h"

#include "Descriptor.h"
#include "UserAttributes.h"

#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace veyra::vxd::protection {
namespace {

constexpr std::size_t kCopyBlock = 1 << 20;
constexpr const char *kTemporaryPrefix = ".veyra-import-";
constexpr const char *kImportedSuffix = ".imported";

struct Failure {
    std::string path;
    int error;
};

// The data of `from` into `to`, holes kept as holes.
bool CopyData(int from, int to, off_t size)
{
    std::vector<char> buffer(kCopyBlock);
    off_t offset = 0;
    while (offset < size) {
        off_t data = lseek(from, offset, SEEK_DATA);
        if (data < 0) {
            if (errno != ENXIO) {
                return false;
            }
            break; // nothing but a hole up to the end
        }
        off_t hole = lseek(from, data, SEEK_HOLE);
        if (hole < 0) {
            hole = size;
        }
        for (offset = data; offset < hole;) {
            const ssize_t got = pread(from, buffer.data(), std::min<off_t>(off_t(buffer.size()), hole - offset), offset);
            if (got < 0 && errno == EINTR) {
                continue;
            }
            if (got < 0) {
                return false;
            }
            if (got == 0) {
                break;
            }
            if (lseek(to, offset, SEEK_SET) < 0 || !storage::WriteAll(to, buffer.data(), std::size_t(got))) {
                return false;
            }
            offset += got;
        }
        offset = std::max(offset, hole);
    }
    return ftruncate(to, size) == 0;
}

bool Exists(int folder, const std::string &name)
{
    struct stat status{};
    return fstatat(folder, name.c_str(), &status, AT_SYMLINK_NOFOLLOW) == 0;
}

bool SameContents(int bare, int view, const std::string &name, const struct stat &source)
{
    struct stat stored{};
    if (fstatat(view, name.c_str(), &stored, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(stored.st_mode) ||
        stored.st_size != source.st_size) {
        return false;
    }
    const storage::FileDescriptor a(openat(bare, name.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
    const storage::FileDescriptor b(openat(view, name.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
    if (!a.isOpen() || !b.isOpen()) {
        return false;
    }
    std::vector<char> left(kCopyBlock);
    std::vector<char> right(kCopyBlock);
    for (;;) {
        const ssize_t got = ::read(a.get(), left.data(), left.size());
        if (got < 0) {
            return false;
        }
        if (got == 0) {
            return ::read(b.get(), right.data(), 1) == 0;
        }
        std::size_t matched = 0;
        while (matched < std::size_t(got)) {
            const ssize_t more = ::read(b.get(), right.data() + matched, std::size_t(got) - matched);
            if (more <= 0) {
                return false;
            }
            matched += std::size_t(more);
        }
        if (std::memcmp(left.data(), right.data(), std::size_t(got)) != 0) {
            return false;
        }
    }
}

// `name`, or the first of name.imported, name.imported-2, ... that is free.
std::string FreeName(int view, const std::string &name)
{
    if (!Exists(view, name)) {
        return name;
    }
    std::string candidate = name + kImportedSuffix;
    for (int number = 2; Exists(view, candidate); ++number) {
        candidate = name + kImportedSuffix + "-" + std::to_string(number);
    }
    return candidate;
}

bool ImportFile(int bare, int view, const std::string &name, const struct stat &source)
{
    if (SameContents(bare, view, name, source)) {
        return unlinkat(bare, name.c_str(), 0) == 0;
    }
    // Named by the source's inode, so that an import cut short is redone over its own leftover.
    const std::string temporary = kTemporaryPrefix + std::to_string(source.st_ino);
    const storage::FileDescriptor from(openat(bare, name.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
    if (!from.isOpen()) {
        return false;
    }
    bool copied;
    {
        const storage::FileDescriptor to(
            openat(view, temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0600));
        if (!to.isOpen()) {
            return false;
        }
        const struct timespec times[2] = {source.st_atim, source.st_mtim};
        copied = CopyData(from.get(), to.get(), source.st_size) && MirrorUserAttributes(from.get(), to.get()) &&
                 fchmod(to.get(), source.st_mode & 07777) == 0 && futimens(to.get(), times) == 0 &&
                 fsync(to.get()) == 0;
    }
    if (!copied || renameat(view, temporary.c_str(), view, FreeName(view, name).c_str()) != 0) {
        const int error = errno;
        unlinkat(view, temporary.c_str(), 0);
        errno = error;
        return false;
    }
    fsync(view);
    return unlinkat(bare, name.c_str(), 0) == 0;
}

bool ImportLink(int bare, int view, const std::string &name)
{
    std::vector<char> target(PATH_MAX + 1);
    const ssize_t length = readlinkat(bare, name.c_str(), target.data(), target.size() - 1);
    if (length < 0) {
        return false;
    }
    target[std::size_t(length)] = '\0';
    const std::string freeName = FreeName(view, name);
    if (symlinkat(target.data(), view, freeName.c_str()) != 0) {
        return false;
    }
    fsync(view);
    return unlinkat(bare, name.c_str(), 0) == 0;
}

bool ImportFolder(int bare, int view, const std::string &path, Failure &failure);

bool ImportSubfolder(int bare, int view, const std::string &name, const struct stat &source, const std::string &path,
                     Failure &failure)
{
    struct stat stored{};
    std::string target = name;
    if (fstatat(view, name.c_str(), &stored, AT_SYMLINK_NOFOLLOW) == 0 && !S_ISDIR(stored.st_mode)) {
        target = FreeName(view, name);
    }
    if (mkdirat(view, target.c_str(), source.st_mode & 07777) != 0 && errno != EEXIST) {
        failure = {path, errno};
        return false;
    }
    const storage::FileDescriptor from(openat(bare, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    const storage::FileDescriptor to(openat(view, target.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (!from.isOpen() || !to.isOpen()) {
        failure = {path, errno};
        return false;
    }
    if (!ImportFolder(from.get(), to.get(), path, failure)) {
        return false;
    }
    MirrorUserAttributes(from.get(), to.get());
    if (unlinkat(bare, name.c_str(), AT_REMOVEDIR) != 0) {
        failure = {path, errno};
        return false;
    }
    return true;
}

bool ImportFolder(int bare, int view, const std::string &path, Failure &failure)
{
    std::vector<std::string> names;
    {
        const int listing = dup(bare);
        DIR *folder = listing >= 0 ? fdopendir(listing) : nullptr;
        if (folder == nullptr) {
            if (listing >= 0) {
                ::close(listing);
            }
            failure = {path, errno};
            return false;
        }
        rewinddir(folder);
        while (const dirent *entry = readdir(folder)) {
            const std::string name = entry->d_name;
            if (name != "." && name != "..") {
                names.push_back(name);
            }
        }
        closedir(folder);
    }
    for (const std::string &name : names) {
        const std::string entryPath = path + "/" + name;
        struct stat source{};
        if (fstatat(bare, name.c_str(), &source, AT_SYMLINK_NOFOLLOW) != 0) {
            failure = {entryPath, errno};
            return false;
        }
        bool taken;
        if (S_ISREG(source.st_mode)) {
            taken = ImportFile(bare, view, name, source);
        } else if (S_ISLNK(source.st_mode)) {
            taken = ImportLink(bare, view, name);
        } else if (S_ISDIR(source.st_mode)) {
            if (!ImportSubfolder(bare, view, name, source, entryPath, failure)) {
                return false;
            }
            continue;
        } else {
            // A pipe, a socket or a device holds no data to take, and its name would stay in the clear.
            failure = {entryPath, EINVAL};
            return false;
        }
        if (!taken) {
            failure = {entryPath, errno};
            return false;
        }
    }
    return true;
}

} // namespace

bool ImportBareFolder(int bare, const std::string &view, std::string &problem)
{
    const storage::FileDescriptor viewFolder(::open(view.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!viewFolder.isOpen()) {
        problem = "cannot open the protected view " + view + ": " + std::strerror(errno);
        return false;
    }
    Failure failure;
    if (!ImportFolder(bare, viewFolder.get(), view, failure)) {
        problem = "cannot take " + failure.path + " into the store: " +
                  (failure.error == EINVAL ? std::string("it is not a file, a folder or a link")
                                           : std::string(std::strerror(failure.error)));
        return false;
    }
    fsync(viewFolder.get());
    return true;
}

} // namespace veyra::vxd::protection
