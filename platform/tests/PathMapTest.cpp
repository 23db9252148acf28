#include "PathMap.h"
#include "PlatformFixture.h"

#include <algorithm>
#include <fcntl.h>
#include <functional>
#include <sys/stat.h>
#include <unistd.h>

namespace veyra::win32::testing {
namespace {

class Win32PathMapTest : public PlatformTest {
protected:
    void SetUp() override
    {
        PlatformTest::SetUp();
        for (const char *folder : {"home/Veyra/Docs", "home/Case", "home/CASE", "home/Media/Films", "data/Reports",
                                   "share/Public", "docs/Plans"})
            MakeFolder(RootPath(folder));
        WriteText(RootPath("home/file.txt"), "x");
        WriteDrives("[D:]\npath = " + RootPath("data") + "\n" +
                    "[e:]\npath = ~/Media\n" +
                    "[\\\\server\\share]\npath = " + RootPath("share") + "\n" +
                    "[N:]\npath = " + RootPath("docs") + "\nnetwork = \\\\fs\\docs\n" +
                    "[M:]\npath = " + RootPath("missing") + "\n");
    }
};

struct ToUnixCase {
    const char *windowsPath;
    const char *unixPath; // below the test's root
};

TEST_F(Win32PathMapTest, WindowsPathsFindTheirFolders)
{
    const ToUnixCase cases[] = {
        {"C:\\Veyra\\Docs", "home/Veyra/Docs"},
        {"c:\\VEYRA\\docs", "home/Veyra/Docs"},
        {"C:/Veyra/Docs/", "home/Veyra/Docs"},
        {"C:\\Veyra\\.\\Docs\\..\\Docs", "home/Veyra/Docs"},
        {"C:\\Veyra\\Docs.", "home/Veyra/Docs"},
        {"C:\\Veyra\\New Folder", "home/Veyra/New Folder"},
        {"C:\\veyra\\New\\Deeper", "home/Veyra/New/Deeper"},
        {"C:\\", "home"},
        {"C:", "home"},
        {"D:\\", "data"},
        {"d:\\reports", "data/Reports"},
        {"E:\\films", "home/Media/Films"},
        {"\\\\SERVER\\Share\\public", "share/Public"},
        {"\\\\server\\share", "share"},
        {"N:\\Plans", "docs/Plans"},
        {"\\\\fs\\docs\\plans", "docs/Plans"},
        {"Veyra\\Docs", "home/Veyra/Docs"},
        {"\\Veyra", "home/Veyra"},
        // The exact name first; else the first of the case variants in byte order.
        {"C:\\Case", "home/Case"},
        {"C:\\CASE", "home/CASE"},
        {"C:\\case", "home/CASE"},
    };
    for (const ToUnixCase &c : cases) {
        std::optional<std::string> unixPath = UnixPathOf(c.windowsPath);
        ASSERT_TRUE(unixPath) << c.windowsPath << " error " << GetLastError();
        EXPECT_EQ(*unixPath, RootPath(c.unixPath)) << c.windowsPath;
    }
}

struct BadPathCase {
    const char *windowsPath;
    DWORD error;
};

TEST_F(Win32PathMapTest, PathsNoDriveTakesFail)
{
    const BadPathCase cases[] = {
        {"Q:\\Veyra", ERROR_PATH_NOT_FOUND},
        {"M:\\Anything", ERROR_NOT_READY},
        {"\\\\nobody\\share\\x", ERROR_BAD_NETPATH},
        {"\\\\server\\other", ERROR_BAD_NET_NAME},
        {"\\\\server", ERROR_BAD_NETPATH},
        {"C:\\file.txt\\inside", ERROR_PATH_NOT_FOUND},
        {"C:\\Veyra\\a<b", ERROR_INVALID_NAME},
        {"C:\\Veyra\\a*", ERROR_INVALID_NAME},
        {"", ERROR_PATH_NOT_FOUND},
    };
    for (const BadPathCase &c : cases) {
        SetLastError(ERROR_SUCCESS);
        EXPECT_FALSE(UnixPathOf(c.windowsPath)) << c.windowsPath;
        EXPECT_EQ(GetLastError(), c.error) << c.windowsPath;
    }
}

struct ToWindowsCase {
    const char *unixPath; // below the test's root, or absolute
    const char *windowsPath;
};

TEST_F(Win32PathMapTest, UnixPathsTakeTheDriveWithTheLongestFolder)
{
    const ToWindowsCase cases[] = {
        {"home/Veyra/Docs", "C:\\Veyra\\Docs"},
        {"home", "C:\\"},
        {"home/Media/Films", "E:\\Films"},
        {"home/Media", "E:\\"},
        {"data/Reports/q1.txt", "D:\\Reports\\q1.txt"},
        {"share/Public", "\\\\server\\share\\Public"},
        {"share", "\\\\server\\share"},
        {"docs/Plans", "N:\\Plans"}, // a drive letter before its share
        {"home/./Veyra//Docs/", "C:\\Veyra\\Docs"},
        {"/etc/hosts", "Z:\\etc\\hosts"},
        {"/", "Z:\\"},
    };
    for (const ToWindowsCase &c : cases) {
        std::string unixPath = c.unixPath[0] == '/' ? c.unixPath : RootPath(c.unixPath);
        std::optional<std::string> windowsPath = WindowsPathOf(unixPath);
        ASSERT_TRUE(windowsPath) << unixPath;
        EXPECT_EQ(*windowsPath, c.windowsPath) << unixPath;
    }
}

TEST_F(Win32PathMapTest, AUnixPathOutsideEveryDriveHasNoWindowsPath)
{
    WriteDrives("[Z:]\npath = " + RootPath("data") + "\n");
    EXPECT_FALSE(WindowsPathOf("/etc/hosts"));
    EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
    EXPECT_FALSE(WindowsPathOf("relative/path"));
    EXPECT_EQ(*WindowsPathOf(RootPath("data/Reports")), "Z:\\Reports");
}

// Unix names may hold what a Windows path would split at, refuse or drop; such
// an entry is named by its short name, so that the path leads back to it.
TEST_F(Win32PathMapTest, NamesNoWindowsPathCanSpellGoByTheirShortNames)
{
    const ToWindowsCase cases[] = {
        {"home/Odd/back\\slash", "C:\\Odd\\BACK_S~1"},
        {"home/Odd/colon:name", "C:\\Odd\\COLON_~1"},
        {"home/Odd/star*", "C:\\Odd\\STAR_~1"},
        {"home/Odd/trailing ", "C:\\Odd\\TRAILI~1"},
        {"home/Odd/trailing.", "C:\\Odd\\TRAILI~2"},
        {"home/Odd/...", "C:\\Odd\\_~1"},
        {"home/Odd/back\\dir/inner", "C:\\Odd\\BACK_D~1\\inner"},
    };
    MakeFolder(RootPath("home/Odd/back\\dir/inner"));
    for (const char *file : {"back\\slash", "colon:name", "star*", "trailing.", "trailing ", "..."})
        WriteText(RootPath("home/Odd/") + file, "");

    for (const ToWindowsCase &c : cases) {
        std::optional<std::string> windowsPath = WindowsPathOf(RootPath(c.unixPath));
        ASSERT_TRUE(windowsPath) << c.unixPath;
        EXPECT_EQ(*windowsPath, c.windowsPath) << c.unixPath;
        EXPECT_EQ(UnixPathOf(*windowsPath), RootPath(c.unixPath)) << c.unixPath;
    }
    // Not there, such a name has no short name to go by.
    EXPECT_FALSE(WindowsPathOf(RootPath("home/Odd/new\\file")));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_NAME);
}

// A share a Windows path cannot name again, and a drive that is a file, hold
// nothing: the folders behind them are reached through the other drives.
TEST_F(Win32PathMapTest, VolumesNoPathCanReachAreLeftOut)
{
    MakeFolder(RootPath("share/Public"));
    const std::string share = "path = " + RootPath("share") + "\n";
    WriteDrives("[\\\\srv/x\\pub]\n" + share + "[\\\\.\\pub]\n" + share + "[\\\\?\\pub]\n" + share + "[N:]\n" + share +
                "network = \\\\fs/x\\docs\n" + "[F:]\npath = " + RootPath("home/file.txt") + "\n");

    // Each section is left out whole: no share, and no mapped drive N: either.
    EXPECT_FALSE(UnixPathOf("N:\\"));
    std::string onZ = "Z:" + RootPath("share/Public");
    std::replace(onZ.begin(), onZ.end(), '/', '\\');
    EXPECT_EQ(WindowsPathOf(RootPath("share/Public")), onZ);
    // The file that F: stands for is reached through C:.
    EXPECT_EQ(WindowsPathOf(RootPath("home/file.txt")), "C:\\file.txt");
}

TEST_F(Win32PathMapTest, BrokenSectionsOfTheMapAreLeftOut)
{
    // Written by an editor that starts the file with a byte order mark.
    WriteDrives("\xEF\xBB\xBF[H:]\npath = " + RootPath("data") + "\n" +
                "[D:]\npath = relative/folder\n" +
                "[E:]\npath = " + RootPath("data") + "\ntype = floppy\n" +
                "[F:]\ntype = fixed\n" +
                "[\\\\lonely]\npath = " + RootPath("share") + "\n" +
                "[G:]\n; a comment\npath = " + RootPath("data") + "\n");
    auto bit = [](char letter) { return DWORD{1} << (letter - 'A'); };
    EXPECT_EQ(GetLogicalDrives(), bit('C') | bit('G') | bit('H') | bit('Z'));
}

DWORD DriveBits(std::string_view letters)
{
    DWORD bits = 0;
    for (char letter : letters)
        bits |= DWORD{1} << (letter - 'A');
    return bits;
}

struct UnusableMap {
    const char *name;
    // Puts something in place of drives.ini, which is at `path`.
    std::function<void(const std::string &path, const std::string &validText)> make;
    const char *problem;
};

void PrintTo(const UnusableMap &place, std::ostream *out)
{
    *out << place.name;
}

class Win32UnusableMapTest : public Win32PathMapTest, public ::testing::WithParamInterface<UnusableMap> {};

// Only a regular file of at most 1 MiB is read, and nothing waits on what is
// there instead: the map is then C: and Z: alone, and the user is told why.
TEST_P(Win32UnusableMapTest, LeavesTheMapOfCAndZAndSaysWhy)
{
    const std::string path = RootPath("config/veyra/drives.ini");
    ASSERT_EQ(::unlink(path.c_str()), 0);
    GetParam().make(path, "[D:]\npath = " + RootPath("data") + "\n");

    ::testing::internal::CaptureStderr();
    const DWORD drives = GetLogicalDrives();
    const std::string told = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(drives, DriveBits("CZ"));
    EXPECT_NE(told.find(path + " is not used: " + GetParam().problem), std::string::npos) << told;
}

INSTANTIATE_TEST_SUITE_P(
    Places, Win32UnusableMapTest,
    ::testing::Values(UnusableMap{"AFifo",
                                  [](const std::string &path, const std::string &) {
                                      ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0);
                                  },
                                  "it is not a regular file"},
                      UnusableMap{"ALinkToADevice",
                                  [](const std::string &path, const std::string &) {
                                      ASSERT_EQ(::symlink("/dev/zero", path.c_str()), 0);
                                  },
                                  "it is not a regular file"},
                      UnusableMap{"AFolder",
                                  [](const std::string &path, const std::string &) {
                                      ASSERT_EQ(::mkdir(path.c_str(), 0700), 0);
                                  },
                                  "it is a folder"},
                      UnusableMap{"ALargeSparseFile",
                                  [](const std::string &path, const std::string &valid) {
                                      const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0600);
                                      ASSERT_GE(fd, 0);
                                      EXPECT_EQ(::write(fd, valid.data(), valid.size()), ssize_t(valid.size()));
                                      ::close(fd);
                                      ASSERT_EQ(::truncate(path.c_str(), 1024 * 1024 + 1), 0);
                                  },
                                  "it is larger than 1 MiB"}),
    [](const auto &info) { return std::string(info.param.name); });

// A zero byte would cut the path short in every system call: such a path is
// refused in the map and in both directions of the translation.
TEST_F(Win32PathMapTest, AZeroByteInAPathIsRefused)
{
    WriteDrives("[D:]\npath = " + RootPath("data") + std::string(1, '\0') + "/Reports\n" + "[\\\\srv\\pub" +
                std::string(1, '\0') + "]\npath = " + RootPath("share") + "\n");
    EXPECT_EQ(GetLogicalDrives(), DriveBits("CZ"));
    EXPECT_FALSE(UnixPathOf("\\\\srv\\pub"));

    EXPECT_FALSE(UnixPathOf(std::string_view("C:\\Veyra\0\\Docs", 15)));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_NAME);
    EXPECT_FALSE(WindowsPathOf(RootPath("home/Veyra") + std::string(1, '\0') + "/Docs"));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_NAME);
}

// A share whose name a Windows path cannot hold is left out.
TEST_F(Win32PathMapTest, ShareNamesWithReservedCharactersAreLeftOut)
{
    const std::string share = "]\npath = " + RootPath("share") + "\n";
    WriteDrives("[\\\\srv:1\\pub" + share + "[\\\\srv\\p*b" + share + "[\\\\\"srv\"\\pub" + share +
                "[\\\\srv\\pub" + share);
    for (const char *refused : {"\\\\srv:1\\pub\\Public", "\\\\srv\\p*b\\Public", "\\\\\"srv\"\\pub\\Public"})
        EXPECT_FALSE(UnixPathOf(refused)) << refused;
    EXPECT_EQ(UnixPathOf("\\\\srv\\pub\\Public"), RootPath("share/Public"));
}

// Many shares: each is found, and a later section of a share replaces the
// earlier one whatever its letter case.
TEST_F(Win32PathMapTest, AMapOfManySharesKeepsEachShare)
{
    std::string text;
    for (int i = 0; i < 16000; ++i)
        text += "[\\\\srv" + std::to_string(i) + "\\pub]\npath = " + RootPath("data") + "\n";
    text += "[\\\\SRV15999\\PUB]\npath = " + RootPath("share") + "\n";
    WriteDrives(text);
    EXPECT_EQ(UnixPathOf("\\\\srv0\\pub\\Reports"), RootPath("data/Reports"));
    EXPECT_EQ(UnixPathOf("\\\\srv15999\\pub\\Public"), RootPath("share/Public"));
    EXPECT_FALSE(UnixPathOf("\\\\srv16000\\pub\\"));
}

TEST_F(Win32PathMapTest, TheMapFollowsTheEnvironment)
{
    std::string otherHome = RootPath("other");
    MakeFolder(otherHome + "/Inbox");
    ::setenv("HOME", otherHome.c_str(), 1);
    EXPECT_EQ(*UnixPathOf("C:\\inbox"), otherHome + "/Inbox");
    // The drives file moved with XDG_CONFIG_HOME: D: is gone.
    ::setenv("XDG_CONFIG_HOME", RootPath("elsewhere").c_str(), 1);
    EXPECT_FALSE(UnixPathOf("D:\\"));
}

TEST_F(Win32PathMapTest, ADriveFolderReachedThroughASymlinkMapsBack)
{
    ASSERT_EQ(::symlink(RootPath("data").c_str(), RootPath("link").c_str()), 0);
    WriteDrives("[D:]\npath = " + RootPath("link") + "\n");
    char resolved[PATH_MAX];
    ASSERT_NE(::realpath(RootPath("data/Reports").c_str(), resolved), nullptr);
    EXPECT_EQ(*WindowsPathOf(resolved), "D:\\Reports");
}

} // namespace
} // namespace veyra::win32::testing
