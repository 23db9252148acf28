#include "Store.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

namespace veyra::vxd::protection {
namespace {

constexpr const char *kStorePrefix = "/.veyra-";

bool ReadExactly(const std::string &path, Challenge &challenge)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    uint8_t extra;
    const bool read = ::read(fd, challenge.data(), challenge.size()) == ssize_t(challenge.size()) &&
                      ::read(fd, &extra, 1) == 0;
    ::close(fd);
    return read;
}

// Written beside its place, synced, renamed in and the folder synced: a crash
// leaves no challenge or a whole one.
bool WriteChallenge(const Store &store, const Challenge &challenge)
{
    const std::string temporary = store.challengeFile() + ".new";
    const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) {
        return false;
    }
    const bool written = ::write(fd, challenge.data(), challenge.size()) == ssize_t(challenge.size()) && fsync(fd) == 0;
    ::close(fd);
    if (!written || rename(temporary.c_str(), store.challengeFile().c_str()) != 0) {
        unlink(temporary.c_str());
        return false;
    }
    const int folder = ::open(store.folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder >= 0) {
        fsync(folder);
        ::close(folder);
    }
    return true;
}

} // namespace

std::string Hex(const std::string &bytes)
{
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string text;
    for (const unsigned char byte : bytes) {
        text.push_back(kDigits[byte >> 4]);
        text.push_back(kDigits[byte & 0x0F]);
    }
    return text;
}

Store StoreBeside(const std::string &folder, const std::string &userId)
{
    return Store{folder.substr(0, folder.find_last_of('/')) + kStorePrefix + Hex(userId)};
}

std::optional<Challenge> OpenStore(const Store &store, std::string &problem)
{
    if (mkdir(store.folder.c_str(), 0700) != 0 && errno != EEXIST) {
        problem = "cannot make the store " + store.folder + ": " + std::strerror(errno);
        return std::nullopt;
    }
    struct stat status{};
    if (lstat(store.folder.c_str(), &status) != 0 || !S_ISDIR(status.st_mode) || status.st_uid != geteuid()) {
        problem = "the store " + store.folder + " is not a folder of this user";
        return std::nullopt;
    }
    Challenge challenge{};
    if (ReadExactly(store.challengeFile(), challenge)) {
        return challenge;
    }
    if (StoreMade(store)) {
        // Without its challenge no card can give the store's secret again.
        problem = "the store " + store.folder + " has lost its challenge file";
        return std::nullopt;
    }
    if (getrandom(challenge.data(), challenge.size(), 0) != ssize_t(challenge.size()) ||
        !WriteChallenge(store, challenge)) {
        problem = "cannot write the challenge of the store " + store.folder + ": " + std::strerror(errno);
        return std::nullopt;
    }
    return challenge;
}

bool StoreMade(const Store &store)
{
    struct stat status{};
    return lstat(store.cipherFolder().c_str(), &status) == 0 && S_ISDIR(status.st_mode);
}

} // namespace veyra::vxd::protection
