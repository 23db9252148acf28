#include "Files.h"

#include "Descriptor.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace veyra::vxd::storage {
namespace {

constexpr mode_t kFileMode = 0600;
constexpr const char *kTemporarySuffix = ".new";

bool SyncFolder(const std::string &folder)
{
    const FileDescriptor fd(open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    return fd.isOpen() && Calls().fsync(fd.get()) == 0;
}

std::string TemporaryPath(const std::string &folder, const std::string &name)
{
    return folder + "/" + name + kTemporarySuffix;
}

} // namespace

SyncCalls &Calls()
{
    static SyncCalls calls{::fsync, ::rename};
    return calls;
}

ReadResult ReadFile(const std::string &path, std::size_t limit, Bytes &contents)
{
    const FileDescriptor fd(open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    if (!fd.isOpen()) {
        return errno == ENOENT ? ReadResult::Missing : ReadResult::Failed;
    }
    struct stat status {};
    if (fstat(fd.get(), &status) != 0 || !S_ISREG(status.st_mode) || std::size_t(status.st_size) > limit) {
        return ReadResult::Failed;
    }
    // One byte more than the limit shows a file that grew since the check.
    contents.assign(limit + 1, 0);
    std::size_t total = 0;
    while (total < contents.size()) {
        const ssize_t result = read(fd.get(), contents.data() + total, contents.size() - total);
        if (result < 0 && errno == EINTR) {
            continue;
        }
        if (result < 0) {
            return ReadResult::Failed;
        }
        if (result == 0) {
            break;
        }
        total += std::size_t(result);
    }
    if (total > limit) {
        return ReadResult::Failed;
    }
    contents.resize(total);
    return ReadResult::Read;
}

bool ReplaceFile(const std::string &folder, const std::string &name, const Bytes &contents, Durability durability,
                 const std::function<void()> &beforeRename)
{
    if (!WriteTemporary(folder, name, contents, durability)) {
        return false;
    }
    if (beforeRename) {
        beforeRename();
    }
    return PutInPlace(folder, name, durability);
}

bool WriteTemporary(const std::string &folder, const std::string &name, const Bytes &contents, Durability durability)
{
    struct stat target {};
    if (lstat((folder + "/" + name).c_str(), &target) == 0 && S_ISDIR(target.st_mode)) {
        errno = EISDIR;
        return false;
    }
    const std::string temporary = TemporaryPath(folder, name);
    // A writer that died left its temporary file behind; it was never the target.
    unlink(temporary.c_str());
    FileDescriptor fd(open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, kFileMode));
    if (!fd.isOpen()) {
        return false;
    }
    const bool durable = durability == Durability::Durable;
    if (!WriteAll(fd.get(), contents.data(), contents.size()) || (durable && Calls().fsync(fd.get()) != 0) ||
        !fd.closeNow()) {
        unlink(temporary.c_str());
        return false;
    }
    return true;
}

bool PutInPlace(const std::string &folder, const std::string &name, Durability durability)
{
    const std::string temporary = TemporaryPath(folder, name);
    if (Calls().rename(temporary.c_str(), (folder + "/" + name).c_str()) != 0) {
        unlink(temporary.c_str());
        return false;
    }
    return durability == Durability::Volatile || SyncFolder(folder);
}

void DiscardTemporary(const std::string &folder, const std::string &name)
{
    unlink(TemporaryPath(folder, name).c_str());
}

bool RemoveFile(const std::string &folder, const std::string &name, Durability durability)
{
    const std::string path = folder + "/" + name;
    if (unlink(path.c_str()) != 0) {
        return errno == ENOENT;
    }
    return durability == Durability::Volatile || SyncFolder(folder);
}

} // namespace veyra::vxd::storage
