#include "PathMap.h"
#include "PlatformFixture.h"

#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/xattr.h>

namespace veyra::win32::testing {
namespace {

constexpr const char *kDosAttrib = "user.DOSATTRIB";

class Win32AttributesTest : public PlatformTest {
protected:
    void SetUp() override
    {
        PlatformTest::SetUp();
        MakeFolder(HomePath("Veyra/Docs"));
        MakeFolder(HomePath("Veyra/Mail"));
        WriteText(HomePath("Veyra/note.txt"), "note");
    }

    std::string StoredValue(const std::string &path)
    {
        char value[256];
        ssize_t size = ::getxattr(path.c_str(), kDosAttrib, value, sizeof value);
        return size < 0 ? std::string("<none>") : std::string(value, static_cast<size_t>(size));
    }

    std::string HiddenList() { return ReadText(HomePath("Veyra/.hidden")); }
};

struct RoundTripCase {
    const char *path;
    DWORD written;
    DWORD read;
    const char *stored; // the extended attribute as other tools see it
};

TEST_F(Win32AttributesTest, AttributesReadBackAsWritten)
{
    const RoundTripCase cases[] = {
        {"C:\\Veyra\\note.txt", FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN, 0x03, "0x3"},
        {"C:\\Veyra\\note.txt", FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE, 0x24, "0x24"},
        {"C:\\Veyra\\note.txt", FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY, 0x01, "0x1"},
        {"C:\\Veyra\\note.txt", FILE_ATTRIBUTE_NORMAL, 0x80, "0x80"},
        {"C:\\Veyra\\note.txt", 0, 0x80, "<none>"},
        {"C:\\VEYRA\\DOCS", FILE_ATTRIBUTE_HIDDEN, 0x12, "0x2"},
        {"C:\\Veyra\\Docs", FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_NORMAL, 0x91, "0x81"},
        {"C:\\Veyra\\Docs", FILE_ATTRIBUTE_NORMAL, 0x90, "0x80"},
        {"C:\\Veyra\\Docs", 0, 0x10, "<none>"},
        {"C:\\", FILE_ATTRIBUTE_READONLY, 0x11, "0x1"},
    };
    for (const RoundTripCase &c : cases) {
        ASSERT_TRUE(SetFileAttributesA(c.path, c.written)) << c.path << " " << c.written;
        EXPECT_EQ(GetFileAttributesA(c.path), c.read) << c.path << " " << c.written;
        std::optional<std::string> unixPath = UnixPathOf(c.path);
        EXPECT_EQ(StoredValue(*unixPath), c.stored) << c.path << " " << c.written;
    }
}

TEST_F(Win32AttributesTest, MissingEntriesHaveNoAttributes)
{
    EXPECT_EQ(GetFileAttributesA("C:\\Veyra\\Gone"), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(GetFileAttributesA("C:\\Gone\\Docs"), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
    EXPECT_FALSE(SetFileAttributesA("C:\\Veyra\\Gone", FILE_ATTRIBUTE_HIDDEN));
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
}

std::string BinaryDosAttrib(uint16_t version, uint32_t validFlags, uint32_t attributes)
{
    // An empty text part, its zero and padding to 2, the version and the union
    // level, padding to 4, then the fields, which all begin with the
    // valid-fields word and the attribute word (version 1 has no flags word).
    std::string record("\0\0", 2);
    auto put = [&record](uint64_t value, size_t size) {
        for (size_t i = 0; i < size; ++i)
            record += static_cast<char>(value >> (8 * i));
    };
    put(version, 2);
    put(version, 2);
    record.append(8 - record.size(), '\0');
    if (version != 1)
        put(validFlags, 4);
    put(attributes, 4);
    record.append(32, '\0'); // sizes and times
    return record;
}

struct StoredCase {
    std::string value;
    DWORD attributes;
};

TEST_F(Win32AttributesTest, ValuesWrittenByFileServersAreRead)
{
    const StoredCase cases[] = {
        {"0x21", FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE},
        {std::string("0x2\0", 4), FILE_ATTRIBUTE_HIDDEN},
        {BinaryDosAttrib(1, 0, 0x22), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE},
        {BinaryDosAttrib(3, 1, 0x23), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE},
        {BinaryDosAttrib(4, 0x13, 0x26), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE},
        {BinaryDosAttrib(5, 1, 0x01), FILE_ATTRIBUTE_READONLY},
        {BinaryDosAttrib(4, 0x10, 0x26), FILE_ATTRIBUTE_NORMAL}, // attribute word not valid
        {BinaryDosAttrib(9, 1, 0x26), FILE_ATTRIBUTE_NORMAL},
        {"garbage", FILE_ATTRIBUTE_NORMAL},
    };
    std::string path = HomePath("Veyra/note.txt");
    for (const StoredCase &c : cases) {
        ASSERT_EQ(::setxattr(path.c_str(), kDosAttrib, c.value.data(), c.value.size(), 0), 0);
        EXPECT_EQ(GetFileAttributesA("C:\\Veyra\\note.txt"), c.attributes) << ::testing::PrintToString(c.value);
    }
}

TEST_F(Win32AttributesTest, TheHiddenListFollowsTheHiddenBit)
{
    WriteText(HomePath("Veyra/.hidden"), "Private\n");
    auto setHidden = [](const char *path, bool hidden) {
        DWORD attributes = GetFileAttributesA(path);
        attributes = hidden ? (attributes & ~FILE_ATTRIBUTE_NORMAL) | FILE_ATTRIBUTE_HIDDEN
                            : (attributes & ~FILE_ATTRIBUTE_HIDDEN) | FILE_ATTRIBUTE_NORMAL;
        return SetFileAttributesA(path, attributes);
    };

    ASSERT_TRUE(setHidden("C:\\Veyra\\docs", true));
    ASSERT_TRUE(setHidden("C:\\Veyra\\Mail", true));
    ASSERT_TRUE(setHidden("C:\\Veyra\\DOCS", true));
    EXPECT_EQ(HiddenList(), "Private\nDocs\nMail\n");
    EXPECT_EQ(GetFileAttributesA("C:\\Veyra\\Docs"), FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN);

    ASSERT_TRUE(setHidden("C:\\Veyra\\Docs", false));
    EXPECT_EQ(HiddenList(), "Private\nMail\n");
    EXPECT_EQ(GetFileAttributesA("C:\\Veyra\\Docs"), FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_NORMAL);

    // A list left with nothing to hide goes away.
    WriteText(HomePath("Veyra/.hidden"), "Mail\n");
    ASSERT_TRUE(setHidden("C:\\Veyra\\Mail", false));
    EXPECT_FALSE(Exists(HomePath("Veyra/.hidden")));
}

// A hidden list that is no small regular file is neither waited on nor
// replaced: setting the hidden bit fails, and the thing stays as it was.
TEST_F(Win32AttributesTest, AHiddenListThatIsNoRegularFileIsLeftAlone)
{
    const std::string list = HomePath("Veyra/.hidden");
    for (bool fifo : {true, false}) {
        SCOPED_TRACE(fifo ? "a FIFO" : "a list larger than 1 MiB");
        if (fifo) {
            ASSERT_EQ(::mkfifo(list.c_str(), 0600), 0);
        } else {
            ASSERT_EQ(::unlink(list.c_str()), 0);
            WriteText(list, "Docs\n");
            ASSERT_EQ(::truncate(list.c_str(), 1024 * 1024 + 1), 0);
        }
        EXPECT_EQ(GetFileAttributesA("C:\\Veyra\\Docs"), FILE_ATTRIBUTE_DIRECTORY);
        EXPECT_FALSE(SetFileAttributesA("C:\\Veyra\\Mail", FILE_ATTRIBUTE_HIDDEN));
        struct stat status {};
        ASSERT_EQ(::lstat(list.c_str(), &status), 0);
        EXPECT_EQ(S_ISFIFO(status.st_mode), fifo);
        EXPECT_EQ(status.st_size, fifo ? 0 : 1024 * 1024 + 1);
    }
}

TEST_F(Win32AttributesTest, ARenamedHiddenFolderTakesItsLineAlong)
{
    ASSERT_TRUE(SetFileAttributesA("C:\\Veyra\\Docs", FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY));
    ASSERT_TRUE(MoveFileA("C:\\Veyra\\Docs", "C:\\Veyra\\Papers"));
    EXPECT_EQ(HiddenList(), "Papers\n");
    EXPECT_EQ(GetFileAttributesA("C:\\Veyra\\Papers"),
              FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY);

    ASSERT_TRUE(MoveFileA("C:\\Veyra\\Papers", "C:\\Moved"));
    EXPECT_FALSE(Exists(HomePath("Veyra/.hidden")));
    EXPECT_EQ(ReadText(HomePath(".hidden")), "Moved\n");
}

TEST_F(Win32AttributesTest, AReadOnlyFolderStillTakesNewEntries)
{
    struct stat before {};
    ASSERT_EQ(::stat(HomePath("Veyra/Docs").c_str(), &before), 0);
    ASSERT_TRUE(SetFileAttributesA("C:\\Veyra\\Docs", FILE_ATTRIBUTE_READONLY));

    struct stat after {};
    ASSERT_EQ(::stat(HomePath("Veyra/Docs").c_str(), &after), 0);
    EXPECT_EQ(after.st_mode, before.st_mode);
    HANDLE file =
        CreateFileA("C:\\Veyra\\Docs\\new.txt", GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    EXPECT_TRUE(CloseHandle(file));
    EXPECT_TRUE(CreateDirectoryA("C:\\Veyra\\Docs\\Sub", nullptr));
}

TEST_F(Win32AttributesTest, AReadOnlyFileOpensForReadingOnly)
{
    ASSERT_TRUE(SetFileAttributesA("C:\\Veyra\\note.txt", FILE_ATTRIBUTE_READONLY));
    struct stat status {};
    ASSERT_EQ(::stat(HomePath("Veyra/note.txt").c_str(), &status), 0);
    EXPECT_TRUE(status.st_mode & S_IWUSR);

    EXPECT_EQ(CreateFileA("C:\\Veyra\\note.txt", GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr),
              INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    HANDLE file = CreateFileA("C:\\Veyra\\note.txt", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    CloseHandle(file);
}

// A filesystem without user extended attributes (ramfs) keeps the hidden bit
// through .hidden alone. Mounting one needs a private mount namespace, which
// only a privileged test run can make.
TEST_F(Win32AttributesTest, WithoutExtendedAttributesTheHiddenBitStillHolds)
{
    std::string mountPoint = RootPath("ramfs");
    MakeFolder(mountPoint);
    if (::unshare(CLONE_NEWNS) != 0 || ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
        ::mount("ramfs", mountPoint.c_str(), "ramfs", 0, nullptr) != 0)
        GTEST_SKIP() << "cannot mount a filesystem without extended attributes here";
    MakeFolder(mountPoint + "/Docs");
    WriteDrives("[R:]\npath = " + mountPoint + "\n");

    EXPECT_TRUE(SetFileAttributesA("R:\\Docs", FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY));
    EXPECT_EQ(GetFileAttributesA("R:\\Docs"), FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN);
    EXPECT_EQ(ReadText(mountPoint + "/.hidden"), "Docs\n");
    EXPECT_TRUE(SetFileAttributesA("R:\\Docs", FILE_ATTRIBUTE_NORMAL));
    EXPECT_EQ(GetFileAttributesA("R:\\Docs"), FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_FALSE(Exists(mountPoint + "/.hidden"));

    ::umount2(mountPoint.c_str(), MNT_DETACH);
}

TEST_F(Win32AttributesTest, ACdromTakesNoAttributes)
{
    MakeFolder(RootPath("cd/Disc"));
    WriteDrives("[E:]\npath = " + RootPath("cd") + "\ntype = cdrom\n");
    EXPECT_FALSE(SetFileAttributesA("E:\\Disc", FILE_ATTRIBUTE_HIDDEN));
    EXPECT_EQ(GetLastError(), ERROR_WRITE_PROTECT);
    EXPECT_EQ(GetFileAttributesA("E:\\Disc"), FILE_ATTRIBUTE_DIRECTORY);
}

} // namespace
} // namespace veyra::win32::testing
