#include "PlatformFixture.h"

#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

namespace veyra::win32::testing {
namespace {

const std::string kContent = "every byte of the quarterly report";

class Win32FilesTest : public PlatformTest {
protected:
    void SetUp() override
    {
        PlatformTest::SetUp();
        MakeFolder(HomePath("Data"));
        MakeFolder(RootPath("cd"));
        WriteText(HomePath("Data/Quarterly Report.txt"), kContent);
        ASSERT_EQ(::link(HomePath("Data/Quarterly Report.txt").c_str(), HomePath("Data/link.txt").c_str()), 0);
        WriteText(RootPath("cd/disc.txt"), "disc");
        WriteDrives("[D:]\npath = ~/Data\n[E:]\npath = " + RootPath("cd") + "\ntype = cdrom\n");
    }

    static HANDLE Open(const char *path, DWORD access, DWORD share, DWORD disposition)
    {
        return CreateFileA(path, access, share, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
    }

    std::string Report() { return ReadText(HomePath("Data/Quarterly Report.txt")); }
};

struct SecondOpenCase {
    const char *path;
    DWORD access;
    DWORD share;
    DWORD disposition;
};

TEST_F(Win32FilesTest, AnExclusiveOpenShutsOutEveryOtherSpelling)
{
    HANDLE holder = Open("C:\\Data\\Quarterly Report.txt", GENERIC_READ, 0, OPEN_EXISTING);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_SUCCESS);

    const SecondOpenCase cases[] = {
        {"C:\\Data\\Quarterly Report.txt", GENERIC_READ, 0, OPEN_EXISTING},
        {"c:\\DATA\\QUARTERLY REPORT.TXT", GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING},
        {"C:\\Data\\QUARTE~1.TXT", GENERIC_READ, 0, OPEN_EXISTING},
        {"C:\\Data\\link.txt", GENERIC_READ, 0, OPEN_EXISTING},
        {"D:\\quarterly report.txt", GENERIC_WRITE, 0, OPEN_ALWAYS},
        {"C:\\Data\\Quarterly Report.txt", GENERIC_WRITE, 0, CREATE_ALWAYS},
        {"C:\\Data\\link.txt", GENERIC_WRITE, 0, TRUNCATE_EXISTING},
    };
    for (const SecondOpenCase &c : cases) {
        EXPECT_EQ(Open(c.path, c.access, c.share, c.disposition), INVALID_HANDLE_VALUE) << c.path;
        EXPECT_EQ(GetLastError(), ERROR_SHARING_VIOLATION) << c.path;
    }
    EXPECT_EQ(Report(), kContent);

    ASSERT_TRUE(CloseHandle(holder));
    HANDLE again = Open("c:\\data\\link.txt", GENERIC_READ, 0, OPEN_EXISTING);
    EXPECT_NE(again, INVALID_HANDLE_VALUE);
    CloseHandle(again);
}

TEST_F(Win32FilesTest, SharedOpensGoTogetherButNotWithAnExclusiveOne)
{
    HANDLE first = Open("C:\\Data\\link.txt", GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING);
    HANDLE second = Open("C:\\Data\\Quarterly Report.txt", GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING);
    ASSERT_NE(first, INVALID_HANDLE_VALUE);
    ASSERT_NE(second, INVALID_HANDLE_VALUE);
    EXPECT_EQ(Open("C:\\Data\\Quarterly Report.txt", GENERIC_READ, 0, OPEN_EXISTING), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_SHARING_VIOLATION);
    CloseHandle(first);
    CloseHandle(second);
}

TEST_F(Win32FilesTest, ADestinationThatIsTheOpenSourceFailsAndTheSourceKeepsEveryByte)
{
    HANDLE source = Open("C:\\Data\\Quarterly Report.txt", GENERIC_READ, 0, OPEN_EXISTING);
    ASSERT_NE(source, INVALID_HANDLE_VALUE);
    EXPECT_EQ(Open("D:\\QUARTERLY REPORT.TXT", GENERIC_WRITE, 0, CREATE_ALWAYS), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_SHARING_VIOLATION);

    char buffer[256];
    DWORD read = 0;
    ASSERT_TRUE(ReadFile(source, buffer, sizeof buffer, &read, nullptr));
    EXPECT_EQ(std::string(buffer, read), kContent);
    CloseHandle(source);
    EXPECT_EQ(Report(), kContent);
}

TEST_F(Win32FilesTest, AnExclusiveOpenHoldsAcrossProcessesUntilClosedOrKilled)
{
    auto tryOpen = [] {
        HANDLE file = Open("c:\\data\\LINK.TXT", GENERIC_READ, 0, OPEN_EXISTING);
        if (file == INVALID_HANDLE_VALUE)
            return static_cast<int>(GetLastError());
        CloseHandle(file);
        return 0;
    };

    HANDLE holder = Open("C:\\Data\\Quarterly Report.txt", GENERIC_READ, 0, OPEN_EXISTING);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);
    EXPECT_EQ(RunInChild(tryOpen), static_cast<int>(ERROR_SHARING_VIOLATION));
    CloseHandle(holder);
    EXPECT_EQ(RunInChild(tryOpen), 0);

    // A holder that dies lets go of the file.
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    pid_t child = ::fork();
    if (child == 0) {
        HANDLE file = Open("C:\\Data\\Quarterly Report.txt", GENERIC_WRITE, 0, OPEN_EXISTING);
        char opened = file != INVALID_HANDLE_VALUE ? '1' : '0';
        (void)!::write(ready[1], &opened, 1);
        ::pause();
        ::_exit(0);
    }
    char opened = 0;
    ASSERT_EQ(::read(ready[0], &opened, 1), 1);
    ASSERT_EQ(opened, '1');
    EXPECT_EQ(tryOpen(), static_cast<int>(ERROR_SHARING_VIOLATION));
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
    EXPECT_EQ(tryOpen(), 0);
    ::close(ready[0]);
    ::close(ready[1]);
}

struct DispositionCase {
    const char *path;
    DWORD access;
    DWORD disposition;
    bool opens;
    DWORD error;
    const char *contentAfter; // of C:\Data\Quarterly Report.txt; nullptr: unchanged
};

TEST_F(Win32FilesTest, CreationDispositions)
{
    const DispositionCase cases[] = {
        {"C:\\Data\\new.txt", GENERIC_WRITE, CREATE_NEW, true, ERROR_SUCCESS, nullptr},
        {"C:\\Data\\NEW.TXT", GENERIC_WRITE, CREATE_NEW, false, ERROR_FILE_EXISTS, nullptr},
        {"C:\\Data\\other.txt", GENERIC_WRITE, CREATE_ALWAYS, true, ERROR_SUCCESS, nullptr},
        {"C:\\Data\\quarterly report.txt", GENERIC_READ, OPEN_ALWAYS, true, ERROR_ALREADY_EXISTS, nullptr},
        {"C:\\Data\\Quarterly Report.txt", GENERIC_WRITE, CREATE_ALWAYS, true, ERROR_ALREADY_EXISTS, ""},
        {"C:\\Data\\Gone.txt", GENERIC_READ, OPEN_EXISTING, false, ERROR_FILE_NOT_FOUND, nullptr},
        {"C:\\Data\\Gone.txt", GENERIC_WRITE, TRUNCATE_EXISTING, false, ERROR_FILE_NOT_FOUND, nullptr},
        {"C:\\Gone\\a.txt", GENERIC_WRITE, CREATE_ALWAYS, false, ERROR_PATH_NOT_FOUND, nullptr},
        {"C:\\Data", GENERIC_READ, OPEN_EXISTING, false, ERROR_ACCESS_DENIED, nullptr},
        {"C:\\Data\\new.txt", GENERIC_READ, 9, false, ERROR_INVALID_PARAMETER, nullptr},
        {"E:\\disc.txt", GENERIC_READ, OPEN_EXISTING, true, ERROR_SUCCESS, nullptr},
        {"E:\\disc.txt", GENERIC_WRITE, OPEN_EXISTING, false, ERROR_WRITE_PROTECT, nullptr},
        {"E:\\burnt.txt", GENERIC_WRITE, CREATE_NEW, false, ERROR_WRITE_PROTECT, nullptr},
    };
    for (const DispositionCase &c : cases) {
        SetLastError(0xDEAD);
        HANDLE file = Open(c.path, c.access, 0, c.disposition);
        EXPECT_EQ(file != INVALID_HANDLE_VALUE, c.opens) << c.path << " " << c.disposition;
        EXPECT_EQ(GetLastError(), c.error) << c.path << " " << c.disposition;
        EXPECT_EQ(Report(), c.contentAfter ? c.contentAfter : kContent) << c.path << " " << c.disposition;
        if (file != INVALID_HANDLE_VALUE)
            CloseHandle(file);
        WriteText(HomePath("Data/Quarterly Report.txt"), kContent);
    }
}

TEST_F(Win32FilesTest, ReadingAndWriting)
{
    HANDLE file = Open("C:\\Data\\copy.bin", GENERIC_WRITE, 0, CREATE_ALWAYS);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    std::string data(300, 'x');
    DWORD written = 0;
    ASSERT_TRUE(WriteFile(file, data.data(), static_cast<DWORD>(data.size()), &written, nullptr));
    EXPECT_EQ(written, 300u);
    DWORD read = 7;
    char buffer[256];
    EXPECT_FALSE(ReadFile(file, buffer, sizeof buffer, &read, nullptr));
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    EXPECT_EQ(read, 0u);
    DWORD high = 1;
    EXPECT_EQ(GetFileSize(file, &high), 300u);
    EXPECT_EQ(high, 0u);
    ASSERT_TRUE(CloseHandle(file));

    EXPECT_FALSE(WriteFile(file, data.data(), 1, &written, nullptr));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
    EXPECT_FALSE(CloseHandle(file));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);

    file = Open("C:\\Data\\copy.bin", GENERIC_READ, 0, OPEN_EXISTING);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    EXPECT_FALSE(WriteFile(file, data.data(), 1, &written, nullptr));
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    // Pieces of 256 bytes: a full one, the rest, then nothing at the end.
    for (DWORD expected : {256u, 44u, 0u}) {
        ASSERT_TRUE(ReadFile(file, buffer, sizeof buffer, &read, nullptr));
        EXPECT_EQ(read, expected);
    }
    CloseHandle(file);
}

TEST_F(Win32FilesTest, AFullDiskFailsTheWrite)
{
    ASSERT_EQ(::symlink("/dev/full", HomePath("Data/full").c_str()), 0);
    HANDLE file = Open("C:\\Data\\full", GENERIC_WRITE, 0, OPEN_EXISTING);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    DWORD written = 7;
    EXPECT_FALSE(WriteFile(file, "data", 4, &written, nullptr));
    EXPECT_EQ(GetLastError(), ERROR_DISK_FULL);
    EXPECT_EQ(written, 0u);
    CloseHandle(file);
}

} // namespace
} // namespace veyra::win32::testing
