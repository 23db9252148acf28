#include "PathMap.h"
#include "PlatformFixture.h"

#include <csignal>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace veyra::win32::testing {
namespace {

constexpr const char *kName = "hPrevInstance";

class Win32MutexTest : public PlatformTest {};

// The start of either program: a running copy shows as an existing mutex.
int StartUp(HANDLE &mutex)
{
    HANDLE existing = OpenMutexA(MUTEX_ALL_ACCESS, FALSE, kName);
    if (existing) {
        CloseHandle(existing);
        return static_cast<int>(ERROR_ALREADY_EXISTS);
    }
    mutex = CreateMutexA(nullptr, FALSE, kName);
    return mutex ? static_cast<int>(GetLastError()) : -1;
}

TEST_F(Win32MutexTest, AMutexExistsWhileAHandleIsOpen)
{
    EXPECT_EQ(OpenMutexA(MUTEX_ALL_ACCESS, FALSE, kName), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);

    HANDLE created = CreateMutexA(nullptr, FALSE, kName);
    ASSERT_NE(created, nullptr);
    EXPECT_EQ(GetLastError(), ERROR_SUCCESS);
    HANDLE opened = OpenMutexA(MUTEX_ALL_ACCESS, FALSE, kName);
    ASSERT_NE(opened, nullptr);
    HANDLE again = CreateMutexA(nullptr, FALSE, kName);
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);

    EXPECT_TRUE(CloseHandle(created));
    EXPECT_TRUE(CloseHandle(again));
    // The opened handle alone keeps the mutex alive.
    HANDLE still = OpenMutexA(MUTEX_ALL_ACCESS, FALSE, kName);
    EXPECT_NE(still, nullptr);
    CloseHandle(still);
    CloseHandle(opened);
    EXPECT_EQ(OpenMutexA(MUTEX_ALL_ACCESS, FALSE, kName), nullptr);

    // Other names are other mutexes.
    HANDLE other = CreateMutexA(nullptr, FALSE, "Other/Name");
    EXPECT_EQ(OpenMutexA(MUTEX_ALL_ACCESS, FALSE, kName), nullptr);
    CloseHandle(other);
}

TEST_F(Win32MutexTest, OnlyAnOwnerReleases)
{
    HANDLE notOwned = CreateMutexA(nullptr, FALSE, kName);
    EXPECT_FALSE(ReleaseMutex(notOwned));
    EXPECT_EQ(GetLastError(), ERROR_NOT_OWNER);
    CloseHandle(notOwned);

    HANDLE owned = CreateMutexA(nullptr, TRUE, kName);
    EXPECT_TRUE(ReleaseMutex(owned));
    EXPECT_FALSE(ReleaseMutex(owned));
    CloseHandle(owned);
    EXPECT_FALSE(ReleaseMutex(owned));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
}

TEST_F(Win32MutexTest, ASecondProgramSeesTheFirstUntilItIsKilled)
{
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    pid_t first = ::fork();
    if (first == 0) {
        HANDLE mutex = nullptr;
        char started = StartUp(mutex) == static_cast<int>(ERROR_SUCCESS) ? '1' : '0';
        (void)!::write(ready[1], &started, 1);
        ::pause();
        ::_exit(0);
    }
    char started = 0;
    ASSERT_EQ(::read(ready[0], &started, 1), 1);
    ASSERT_EQ(started, '1');

    HANDLE mine = nullptr;
    EXPECT_EQ(StartUp(mine), static_cast<int>(ERROR_ALREADY_EXISTS));
    EXPECT_EQ(RunInChild([] {
                  HANDLE created = CreateMutexA(nullptr, FALSE, kName);
                  return created ? static_cast<int>(GetLastError()) : -1;
              }),
              static_cast<int>(ERROR_ALREADY_EXISTS));

    ::kill(first, SIGKILL);
    ::waitpid(first, nullptr, 0);
    EXPECT_EQ(StartUp(mine), static_cast<int>(ERROR_SUCCESS));
    EXPECT_EQ(RunInChild([] {
                  HANDLE mutex = nullptr;
                  return StartUp(mutex);
              }),
              static_cast<int>(ERROR_ALREADY_EXISTS));
    CloseHandle(mine);
    ::close(ready[0]);
    ::close(ready[1]);
}

TEST_F(Win32MutexTest, TheRuntimeFolderIsPrivate)
{
    std::optional<std::string> folder = RuntimeFolder();
    ASSERT_TRUE(folder);
    EXPECT_EQ(*folder, RootPath("run/veyra"));
    struct stat status {};
    ASSERT_EQ(::stat(folder->c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0700u);
}

struct UnsafeFolder {
    const char *name;
    mode_t mode; // the folder's mode; 0 for something other than a folder
    const char *problem;
};

void PrintTo(const UnsafeFolder &place, std::ostream *out)
{
    *out << place.name;
}

class Win32UnsafeRuntimeFolderTest : public Win32MutexTest, public ::testing::WithParamInterface<UnsafeFolder> {};

// A folder others can enter, or one that is not exactly a private folder, is
// not trusted with the locks; the mutex says why, naming the folder. The
// virtual driver refuses the same folders by the same check.
TEST_P(Win32UnsafeRuntimeFolderTest, NoMutexIsMadeThereAndTheReasonNamesTheFolder)
{
    const std::string folder = RootPath("run/veyra");
    if (GetParam().mode != 0) {
        ASSERT_EQ(::mkdir(folder.c_str(), 0700), 0);
        ASSERT_EQ(::chmod(folder.c_str(), GetParam().mode), 0);
    } else {
        ASSERT_EQ(::symlink(RootPath("run").c_str(), folder.c_str()), 0);
    }

    std::string problem;
    EXPECT_FALSE(RuntimeFolder(problem));
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    EXPECT_EQ(CreateMutexA(nullptr, FALSE, kName), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    EXPECT_EQ(MutexProblem(), problem);
    EXPECT_NE(MutexProblem().find(folder + " " + GetParam().problem), std::string::npos) << MutexProblem();
    ::chmod(folder.c_str(), 0700);
}

INSTANTIATE_TEST_SUITE_P(Folders, Win32UnsafeRuntimeFolderTest,
                         ::testing::Values(UnsafeFolder{"OpenToOthers", 0777, "does not have mode 0700"},
                                           UnsafeFolder{"Sticky", 01700, "does not have mode 0700"},
                                           UnsafeFolder{"ReadOnly", 0500, "does not have mode 0700"},
                                           UnsafeFolder{"ALink", 0, "is a symbolic link"}),
                         [](const auto &info) { return std::string(info.param.name); });

} // namespace
} // namespace veyra::win32::testing
