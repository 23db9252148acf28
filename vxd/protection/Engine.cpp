#include "Engine.h"

#include "Descriptor.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <sys/mount.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace veyra::vxd::protection {
namespace {

constexpr const char *kEngine = "gocryptfs";
constexpr const char *kFuseHelper = "fusermount3";
constexpr const char *kFuseDevice = "/dev/fuse";
constexpr const char *kViewType = "fuse.gocryptfs";
// Where programs are looked for when PATH is unset, as a login shell sets it.
constexpr const char *kDefaultPath = "/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin";
constexpr auto kMountWait = std::chrono::seconds(30);
constexpr auto kPollInterval = std::chrono::milliseconds(5);
constexpr std::size_t kMessageLimit = 2048;

std::string FindProgram(const char *name)
{
    const char *path = std::getenv("PATH");
    std::istringstream folders(path != nullptr && path[0] != '\0' ? path : kDefaultPath);
    std::string folder;
    while (std::getline(folders, folder, ':')) {
        if (folder.empty() || folder[0] != '/') {
            continue;
        }
        const std::string candidate = folder + "/" + name;
        struct stat status{};
        if (stat(candidate.c_str(), &status) == 0 && S_ISREG(status.st_mode) && access(candidate.c_str(), X_OK) == 0) {
            return candidate;
        }
    }
    return {};
}

struct Pipe {
    int read = -1;
    int write = -1;

    bool open() { return pipe2(&read, O_CLOEXEC) == 0; }
    void closeRead()
    {
        if (read >= 0) {
            ::close(read);
            read = -1;
        }
    }
    void closeWrite()
    {
        if (write >= 0) {
            ::close(write);
            write = -1;
        }
    }
};

// Runs `program` with `arguments`: its standard input reads `input`, its
// standard output and error go to `messages`. The child dies with its parent,
// so that no engine outlives the guard that holds its view. The caller is
// single-threaded (the guard), so fork is safe.
pid_t Start(const std::string &program, const std::vector<std::string> &arguments, int input, int messages)
{
    std::vector<char *> argv;
    argv.push_back(const_cast<char *>(program.c_str()));
    for (const std::string &argument : arguments) {
        argv.push_back(const_cast<char *>(argument.c_str()));
    }
    argv.push_back(nullptr);
    const pid_t parent = getpid();
    const pid_t pid = fork();
    if (pid != 0) {
        return pid;
    }
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (getppid() != parent) {
        _exit(127);
    }
    const int null = ::open("/dev/null", O_RDWR);
    dup2(input >= 0 ? input : null, STDIN_FILENO);
    dup2(messages >= 0 ? messages : null, STDOUT_FILENO);
    dup2(messages >= 0 ? messages : null, STDERR_FILENO);
    closefrom(STDERR_FILENO + 1);
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
    execv(program.c_str(), argv.data());
    _exit(127);
}

int WaitFor(pid_t pid)
{
    int status = 0;
    while (waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR) {
            return -1;
        }
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// What a finished child said, cut to one readable paragraph.
std::string Drain(int fd)
{
    std::string text;
    char buffer[512];
    ssize_t got;
    while ((got = ::read(fd, buffer, sizeof buffer)) > 0 && text.size() < kMessageLimit) {
        text.append(buffer, std::size_t(got));
    }
    while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) {
        text.pop_back();
    }
    for (char &c : text) {
        c = c == '\n' ? ' ' : c;
    }
    return text;
}

// Runs a program to its end with `input` on its standard input. Its exit code,
// or -1; what it printed in `messages`.
int Run(const std::string &program, const std::vector<std::string> &arguments, const std::string &input,
        std::string &messages)
{
    Pipe in;
    Pipe out;
    if (!in.open() || !out.open()) {
        in.closeRead(), in.closeWrite(), out.closeRead(), out.closeWrite();
        messages = std::strerror(errno);
        return -1;
    }
    const pid_t pid = Start(program, arguments, in.read, out.write);
    in.closeRead();
    out.closeWrite();
    if (pid < 0) {
        in.closeWrite(), out.closeRead();
        messages = std::strerror(errno);
        return -1;
    }
    storage::WriteAll(in.write, input.data(), input.size());
    in.closeWrite();
    messages = Drain(out.read);
    out.closeRead();
    return WaitFor(pid);
}

// Undoes the octal escapes (\040 for a blank) of /proc/self/mountinfo.
std::string Unescape(const std::string &field)
{
    std::string text;
    for (std::size_t i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size()) {
            const std::string digits = field.substr(i + 1, 3);
            if (digits.find_first_not_of("01234567") == std::string::npos) {
                text.push_back(char(std::stoi(digits, nullptr, 8)));
                i += 3;
                continue;
            }
        }
        text.push_back(field[i]);
    }
    return text;
}

// Pages written through a shared mapping reach the engine only when the file
// is synced: syncfs starts their writing but does not wait for the engine to
// take them. Every file of the view that some process maps writable is synced.
void SyncMappedFiles(const std::string &mountPoint)
{
    struct stat view{};
    if (stat(mountPoint.c_str(), &view) != 0) {
        return;
    }
    char device[32];
    std::snprintf(device, sizeof device, "%02x:%02x", major(view.st_dev), minor(view.st_dev));
    DIR *processes = opendir("/proc");
    if (processes == nullptr) {
        return;
    }
    while (const dirent *process = readdir(processes)) {
        if (process->d_name[0] < '0' || process->d_name[0] > '9') {
            continue;
        }
        std::ifstream maps(std::string("/proc/") + process->d_name + "/maps");
        std::string line;
        while (std::getline(maps, line)) {
            // address perms offset device inode path
            std::istringstream fields(line);
            std::string address, permissions, offset, mapped, inode;
            fields >> address >> permissions >> offset >> mapped >> inode;
            const std::size_t path = line.find(mountPoint + "/");
            if (mapped != device || permissions.size() < 4 || permissions[1] != 'w' || permissions[3] != 's' ||
                path == std::string::npos) {
                continue;
            }
            const int file = ::open(line.substr(path).c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK);
            if (file >= 0) {
                fsync(file);
                ::close(file);
            }
        }
    }
    closedir(processes);
}

bool Detach(const std::string &mountPoint)
{
    if (umount2(mountPoint.c_str(), MNT_DETACH | UMOUNT_NOFOLLOW) == 0) {
        return true;
    }
    // Without the right to unmount, the FUSE helper does it for the user who mounted.
    const std::string helper = FindProgram(kFuseHelper);
    std::string messages;
    return !helper.empty() && Run(helper, {"-u", "-z", mountPoint}, {}, messages) == 0;
}

} // namespace

std::string MissingPieces()
{
    std::string missing;
    struct stat status{};
    if (stat(kFuseDevice, &status) != 0 || !S_ISCHR(status.st_mode)) {
        missing += "the FUSE device /dev/fuse is missing (load the kernel module: sudo modprobe fuse); ";
    } else if (access(kFuseDevice, R_OK | W_OK) != 0) {
        missing += "the FUSE device /dev/fuse cannot be opened by this user; ";
    }
    if (FindProgram(kFuseHelper).empty()) {
        missing += "fusermount3 is not installed (sudo apt-get install fuse3); ";
    }
    if (FindProgram(kEngine).empty()) {
        missing += "gocryptfs is not installed (sudo apt-get install gocryptfs); ";
    }
    if (!missing.empty()) {
        missing.resize(missing.size() - 2);
    }
    return missing;
}

bool InitialiseStore(const std::string &cipherFolder, const Secret &secret, std::string &problem)
{
    const std::string engine = FindProgram(kEngine);
    if (engine.empty()) {
        problem = MissingPieces();
        return false;
    }
    // A folder left by an initialisation that died holds nothing of the user's.
    const std::string making = cipherFolder + ".new";
    for (const char *name : {"/gocryptfs.conf", "/gocryptfs.conf.tmp", "/gocryptfs.diriv"}) {
        unlink((making + name).c_str());
    }
    rmdir(making.c_str());
    if (mkdir(making.c_str(), 0700) != 0) {
        problem = "cannot make " + making + ": " + std::strerror(errno);
        return false;
    }
    std::string messages;
    if (Run(engine, {"-init", "-q", making}, secret.text(), messages) != 0) {
        problem = "gocryptfs could not make the store " + cipherFolder + ": " + messages;
        return false;
    }
    if (rename(making.c_str(), cipherFolder.c_str()) != 0) {
        problem = "cannot put the store in place at " + cipherFolder + ": " + std::strerror(errno);
        return false;
    }
    const int parent = ::open(cipherFolder.substr(0, cipherFolder.find_last_of('/')).c_str(),
                              O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (parent >= 0) {
        fsync(parent);
        ::close(parent);
    }
    return true;
}

bool MountView(const std::string &cipherFolder, const std::string &mountPoint, const Secret &secret,
               RunningEngine &engine, std::string &problem)
{
    const std::string program = FindProgram(kEngine);
    if (program.empty()) {
        problem = MissingPieces();
        return false;
    }
    Pipe in;
    Pipe out;
    if (!in.open() || !out.open()) {
        in.closeRead(), in.closeWrite(), out.closeRead(), out.closeWrite();
        problem = std::string("cannot start gocryptfs: ") + std::strerror(errno);
        return false;
    }
    // -nonempty: files left in the bare folder are taken into the store once the view stands.
    const pid_t pid = Start(program, {"-fg", "-q", "-nonempty", cipherFolder, mountPoint}, in.read, out.write);
    in.closeRead();
    out.closeWrite();
    const bool sent = pid > 0 && storage::WriteAll(in.write, secret.text().data(), secret.text().size());
    in.closeWrite();
    if (!sent) {
        out.closeRead();
        problem = std::string("cannot start gocryptfs: ") + std::strerror(errno);
        return false;
    }
    fcntl(out.read, F_SETFL, O_NONBLOCK);
    const auto deadline = std::chrono::steady_clock::now() + kMountWait;
    while (!IsViewMounted(mountPoint)) {
        int status = 0;
        if (waitpid(pid, &status, WNOHANG) == pid) {
            fcntl(out.read, F_SETFL, 0);
            problem = "gocryptfs could not open the store " + cipherFolder + ": " + Drain(out.read);
            out.closeRead();
            return false;
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            kill(pid, SIGKILL);
            WaitFor(pid);
            out.closeRead();
            problem = "gocryptfs did not mount " + mountPoint + " in time";
            return false;
        }
        std::this_thread::sleep_for(kPollInterval);
    }
    engine.pid = pid;
    engine.messages = out.read;
    return true;
}

void EndView(const std::string &mountPoint, RunningEngine &engine)
{
    const int root = ::open(mountPoint.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (root >= 0) {
        syncfs(root);
        ::close(root);
    }
    SyncMappedFiles(mountPoint);
    const bool detached = Detach(mountPoint);
    if (engine.pid > 0) {
        kill(engine.pid, SIGKILL);
        WaitFor(engine.pid);
        engine.pid = -1;
    }
    if (!detached) {
        DetachStaleView(mountPoint);
    }
    if (engine.messages >= 0) {
        ::close(engine.messages);
        engine.messages = -1;
    }
}

bool DetachStaleView(const std::string &mountPoint)
{
    while (IsViewMounted(mountPoint)) {
        if (!Detach(mountPoint)) {
            return false;
        }
    }
    return true;
}

bool IsViewMounted(const std::string &path)
{
    const std::vector<MountedView> views = MountedViews();
    return std::any_of(views.begin(), views.end(), [&path](const MountedView &view) { return view.folder == path; });
}

std::vector<MountedView> MountedViews()
{
    std::vector<MountedView> views;
    std::ifstream table("/proc/self/mountinfo");
    std::string line;
    while (std::getline(table, line)) {
        // id parent major:minor root mount-point options [optional...] - type source options
        std::istringstream fields(line);
        std::string id, parent, device, root, mountPoint;
        fields >> id >> parent >> device >> root >> mountPoint;
        const std::size_t separator = line.find(" - ");
        if (separator == std::string::npos) {
            continue;
        }
        std::istringstream tail(line.substr(separator + 3));
        std::string type, source;
        tail >> type >> source;
        if (type == kViewType) {
            views.push_back({Unescape(mountPoint), Unescape(source)});
        }
    }
    return views;
}

} // namespace veyra::vxd::protection
