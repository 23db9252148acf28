#include "PathMap.h"
#include "PlatformFixture.h"

#include <cstring>
#include <sys/statvfs.h>
#include <unistd.h>

namespace veyra::win32::testing {
namespace {

class Win32DriveTest : public PlatformTest {
protected:
    void SetUp() override
    {
        PlatformTest::SetUp();
        for (const char *folder : {"usb", "cd", "net", "docs", "share", "plain"})
            MakeFolder(RootPath(folder));
        WriteDrives("[D:]\npath = " + RootPath("usb") + "\ntype = removable\n" +
                    "[E:]\npath = " + RootPath("cd") + "\ntype = cdrom\n" +
                    "[F:]\npath = " + RootPath("net") + "\ntype = remote\n" +
                    "[G:]\npath = " + RootPath("plain") + "\n" +
                    "[M:]\npath = " + RootPath("missing") + "\ntype = removable\n" +
                    "[N:]\npath = " + RootPath("docs") + "\nnetwork = \\\\fs\\docs\n" +
                    "[\\\\server\\share]\npath = " + RootPath("share") + "\n");
    }
};

struct DriveTypeCase {
    const char *root;
    UINT type;
};

TEST_F(Win32DriveTest, DriveTypesComeFromTheMapOrTheFilesystem)
{
    const DriveTypeCase cases[] = {
        {"C:\\", DRIVE_FIXED},
        {"c:", DRIVE_FIXED},
        {"D:\\", DRIVE_REMOVABLE},
        {"E:\\", DRIVE_CDROM},
        {"F:\\", DRIVE_REMOTE},
        {"G:\\", DRIVE_FIXED},
        {"M:\\", DRIVE_REMOVABLE}, // not ready, still of its type
        {"N:\\", DRIVE_REMOTE},
        {"Z:\\", DRIVE_FIXED},
        {"\\\\server\\share\\", DRIVE_REMOTE},
        {"Q:\\", DRIVE_NO_ROOT_DIR},
        {"C:\\Veyra", DRIVE_NO_ROOT_DIR},
        {"\\\\server\\other\\", DRIVE_NO_ROOT_DIR},
    };
    for (const DriveTypeCase &c : cases)
        EXPECT_EQ(GetDriveTypeA(c.root), c.type) << c.root;
    EXPECT_EQ(GetDriveTypeA(nullptr), DRIVE_FIXED); // the current directory lies on C:
}

struct FilesystemCase {
    const char *filesystem;
    UINT type;
};

TEST_F(Win32DriveTest, NetworkAndDiscFilesystemsMakeRemoteAndCdromDrives)
{
    const FilesystemCase cases[] = {
        {"nfs", DRIVE_REMOTE},     {"nfs4", DRIVE_REMOTE}, {"cifs", DRIVE_REMOTE}, {"smb3", DRIVE_REMOTE},
        {"fuse.sshfs", DRIVE_REMOTE}, {"iso9660", DRIVE_CDROM}, {"udf", DRIVE_CDROM},  {"ext4", DRIVE_FIXED},
        {"tmpfs", DRIVE_FIXED},    {"fuse", DRIVE_FIXED},  {"", DRIVE_FIXED},
    };
    for (const FilesystemCase &c : cases)
        EXPECT_EQ(DriveTypeOfFilesystem(c.filesystem), c.type) << c.filesystem;
}

struct ReadinessCase {
    const char *root;
    BOOL ready;
    DWORD error;
};

TEST_F(Win32DriveTest, VolumeInformationTellsReadyNotReadyAndFailed)
{
    ASSERT_EQ(::symlink("loop", RootPath("loop").c_str()), 0);
    WriteText(RootPath("a-file"), "");
    WriteDrives("[D:]\npath = " + RootPath("usb") + "\n" +
                "[M:]\npath = " + RootPath("missing") + "\n" +
                "[L:]\npath = " + RootPath("loop") + "\n" +
                "[F:]\npath = " + RootPath("a-file") + "\n" +
                "[\\\\server\\share]\npath = " + RootPath("share") + "\n");
    const ReadinessCase cases[] = {
        {"D:\\", TRUE, ERROR_SUCCESS},
        {"C:\\", TRUE, ERROR_SUCCESS},
        {"\\\\server\\share\\", TRUE, ERROR_SUCCESS},
        {"M:\\", FALSE, ERROR_NOT_READY},
        {"F:\\", FALSE, ERROR_NOT_READY},
        {"L:\\", FALSE, ERROR_CANT_RESOLVE_FILENAME},
        {"Q:\\", FALSE, ERROR_PATH_NOT_FOUND},
        {"D:\\Sub\\", FALSE, ERROR_DIR_NOT_ROOT},
    };
    for (const ReadinessCase &c : cases) {
        SetLastError(ERROR_SUCCESS);
        char name[MAX_PATH] = "?";
        char filesystem[MAX_PATH] = "?";
        DWORD serial = 0, length = 0, flags = 0;
        EXPECT_EQ(GetVolumeInformationA(c.root, name, MAX_PATH, &serial, &length, &flags, filesystem, MAX_PATH),
                  c.ready)
            << c.root;
        EXPECT_EQ(GetLastError(), c.error) << c.root;
        if (c.ready) {
            EXPECT_STREQ(name, "") << c.root;
            EXPECT_EQ(length, 255u) << c.root;
            EXPECT_STREQ(filesystem, "NTFS") << c.root;
        }
    }

    // A drive comes ready as soon as its folder is there.
    MakeFolder(RootPath("missing"));
    EXPECT_TRUE(GetVolumeInformationA("M:\\", nullptr, 0, nullptr, nullptr, nullptr, nullptr, 0));
}

TEST_F(Win32DriveTest, ANotReadyDriveRefusesEveryFileCall)
{
    SetLastError(ERROR_SUCCESS);
    EXPECT_EQ(GetFileAttributesA("M:\\Docs"), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(GetLastError(), ERROR_NOT_READY);
    EXPECT_FALSE(CreateDirectoryA("M:\\Docs", nullptr));
    EXPECT_EQ(GetLastError(), ERROR_NOT_READY);
    EXPECT_EQ(CreateFileA("M:\\a.txt", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr),
              INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_NOT_READY);
    EXPECT_FALSE(GetDiskFreeSpaceExA("M:\\", nullptr, nullptr, nullptr));
    EXPECT_EQ(GetLastError(), ERROR_NOT_READY);
}

TEST_F(Win32DriveTest, TheDriveListNamesEveryMappedLetterWithItsType)
{
    char strings[64];
    std::memset(strings, '#', sizeof strings);
    const char expected[] = "C:\\\0D:\\\0E:\\\0F:\\\0G:\\\0M:\\\0N:\\\0Z:\\\0";
    DWORD length = GetLogicalDriveStringsA(sizeof strings, strings);
    ASSERT_EQ(length, sizeof expected - 1);
    EXPECT_EQ(std::string(strings, length + 1), std::string(expected, sizeof expected));

    // The setup dialog leaves out CD-ROM drives by their type.
    std::string withoutCdrom;
    for (const char *root = strings; *root; root += std::strlen(root) + 1) {
        if (GetDriveTypeA(root) != DRIVE_CDROM)
            withoutCdrom += root[0];
    }
    EXPECT_EQ(withoutCdrom, "CDFGMNZ");

    char small[8] = "keep";
    EXPECT_EQ(GetLogicalDriveStringsA(sizeof small, small), sizeof expected);
    EXPECT_STREQ(small, "keep");
}

TEST_F(Win32DriveTest, TheNetworkNameOfAMappedDrive)
{
    char remote[MAX_PATH];
    DWORD length = sizeof remote;
    EXPECT_EQ(WNetGetConnectionA("N:", remote, &length), NO_ERROR);
    EXPECT_STREQ(remote, "\\\\fs\\docs");
    EXPECT_EQ(*UnixPathOf("\\\\FS\\Docs"), RootPath("docs"));

    length = 5;
    EXPECT_EQ(WNetGetConnectionA("n:", remote, &length), ERROR_MORE_DATA);
    EXPECT_EQ(length, 10u);

    length = sizeof remote;
    EXPECT_EQ(WNetGetConnectionA("F:", remote, &length), ERROR_NOT_CONNECTED);
    EXPECT_EQ(WNetGetConnectionA("Q:", remote, &length), ERROR_BAD_DEVICE);
    EXPECT_EQ(WNetGetConnectionA("N:\\", remote, &length), ERROR_BAD_DEVICE);
}

TEST_F(Win32DriveTest, FreeSpaceCountsInSixtyFourBits)
{
    struct statvfs space {};
    ASSERT_EQ(::statvfs(Home().c_str(), &space), 0);
    ULONGLONG available = 0, total = 0, free = 0;
    ASSERT_TRUE(GetDiskFreeSpaceExA("C:\\", &available, &total, &free));
    EXPECT_EQ(total, static_cast<ULONGLONG>(space.f_blocks) * space.f_frsize);
    // Others may write meanwhile; the figures must still agree to a few megabytes.
    EXPECT_NEAR(static_cast<double>(available), static_cast<double>(space.f_bavail) * space.f_frsize, 64e6);
    EXPECT_GE(free, available);

    DWORD sectorsPerCluster = 0, bytesPerSector = 0, freeClusters = 0, totalClusters = 0;
    ASSERT_TRUE(GetDiskFreeSpaceA(nullptr, &sectorsPerCluster, &bytesPerSector, &freeClusters, &totalClusters));
    uint64_t clusterSize = uint64_t{sectorsPerCluster} * bytesPerSector;
    EXPECT_EQ(clusterSize, space.f_frsize);
    if (total / clusterSize <= 0xFFFFFFFFu) {
        EXPECT_EQ(uint64_t{totalClusters} * clusterSize, total);
    }

    ASSERT_TRUE(GetDiskFreeSpaceExA("E:\\", &available, &total, &free));
    EXPECT_EQ(available, 0u); // a CD-ROM is full
    EXPECT_FALSE(GetDiskFreeSpaceExA("Q:\\", &available, &total, &free));
    EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
}

TEST_F(Win32DriveTest, CurrentDriveAndWindowsFolder)
{
    EXPECT_EQ(_getdrive(), 3);
    char current[MAX_PATH];
    EXPECT_EQ(GetCurrentDirectoryA(sizeof current, current), 3u);
    EXPECT_STREQ(current, "C:\\");

    ASSERT_EQ(::chdir(RootPath("usb").c_str()), 0);
    EXPECT_EQ(_getdrive(), 4);
    ASSERT_EQ(::chdir(RootPath("share").c_str()), 0);
    EXPECT_EQ(_getdrive(), 0);
    EXPECT_EQ(GetCurrentDirectoryA(sizeof current, current), 14u);
    EXPECT_STREQ(current, "\\\\server\\share");

    char windows[MAX_PATH];
    EXPECT_EQ(GetWindowsDirectoryA(windows, sizeof windows), 10u);
    EXPECT_STREQ(windows, "C:\\WINDOWS");
    EXPECT_EQ(GetWindowsDirectoryA(windows, 10), 11u);
}

TEST_F(Win32DriveTest, TotalMemoryInSixtyFourBits)
{
    MEMORYSTATUSEX status{};
    EXPECT_FALSE(GlobalMemoryStatusEx(&status));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);

    status.dwLength = sizeof status;
    ASSERT_TRUE(GlobalMemoryStatusEx(&status));
    long pages = ::sysconf(_SC_PHYS_PAGES);
    EXPECT_EQ(status.ullTotalPhys, static_cast<ULONGLONG>(pages) * ::sysconf(_SC_PAGESIZE));
    EXPECT_LE(status.ullAvailPhys, status.ullTotalPhys);
}

} // namespace
} // namespace veyra::win32::testing
