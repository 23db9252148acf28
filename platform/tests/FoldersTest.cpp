#include "PathMap.h"
#include "PlatformFixture.h"

#include <vector>

namespace veyra::win32::testing {
namespace {

class Win32FoldersTest : public PlatformTest {
protected:
    void SetUp() override
    {
        PlatformTest::SetUp();
        MakeFolder(HomePath("Veyra/Docs"));
        MakeFolder(HomePath("Veyra/Mail"));
        WriteText(HomePath("Veyra/Note.TXT"), "12345");
        MakeFolder(RootPath("usb/Photos"));
        MakeFolder(RootPath("cd"));
        WriteDrives("[D:]\npath = " + RootPath("usb") + "\n[E:]\npath = " + RootPath("cd") + "\ntype = cdrom\n");
    }

    // The names a search finds, in its order; the error when it finds none.
    std::vector<std::string> Search(const char *pattern)
    {
        std::vector<std::string> names;
        WIN32_FIND_DATAA data{};
        HANDLE search = FindFirstFileA(pattern, &data);
        if (search == INVALID_HANDLE_VALUE)
            return {"error " + std::to_string(GetLastError())};
        do
            names.emplace_back(data.cFileName);
        while (FindNextFileA(search, &data));
        EXPECT_EQ(GetLastError(), ERROR_NO_MORE_FILES);
        EXPECT_TRUE(FindClose(search));
        return names;
    }
};

struct SearchCase {
    const char *pattern;
    std::vector<std::string> names;
};

TEST_F(Win32FoldersTest, SearchesListWhatMatches)
{
    const SearchCase cases[] = {
        {"C:\\Veyra\\*.*", {".", "..", "Docs", "Mail", "Note.TXT"}},
        {"c:\\veyra\\*", {".", "..", "Docs", "Mail", "Note.TXT"}},
        {"C:\\Veyra\\*.txt", {"Note.TXT"}},
        {"C:\\Veyra\\?ail", {"Mail"}},
        {"C:\\Veyra\\MAIL", {"Mail"}},
        {"D:\\*.*", {"Photos"}}, // a drive's root has no "." and ".."
        {"C:\\Veyra\\*.doc", {"error 2"}},
        {"C:\\Veyra\\Gone", {"error 2"}},
        {"C:\\Gone\\*.*", {"error 3"}},
        {"E:\\*.*", {"error 2"}},
        {"Q:\\*.*", {"error 3"}},
    };
    for (const SearchCase &c : cases)
        EXPECT_EQ(Search(c.pattern), c.names) << c.pattern;
}

TEST_F(Win32FoldersTest, SearchResultsDescribeTheEntries)
{
    ASSERT_TRUE(SetFileAttributesA("C:\\Veyra\\Mail", FILE_ATTRIBUTE_HIDDEN));
    WIN32_FIND_DATAA data{};
    HANDLE search = FindFirstFileA("C:\\Veyra\\note.txt", &data);
    ASSERT_NE(search, INVALID_HANDLE_VALUE);
    EXPECT_STREQ(data.cFileName, "Note.TXT");
    EXPECT_EQ(data.nFileSizeLow, 5u);
    EXPECT_EQ(data.dwFileAttributes, FILE_ATTRIBUTE_NORMAL);
    // 100-ns ticks since 1601: any file written today lies past 2020.
    uint64_t written = (uint64_t{data.ftLastWriteTime.dwHighDateTime} << 32) | data.ftLastWriteTime.dwLowDateTime;
    EXPECT_GT(written, 132223104000000000ull);
    EXPECT_FALSE(FindNextFileA(search, &data));
    EXPECT_EQ(GetLastError(), ERROR_NO_MORE_FILES);
    EXPECT_FALSE(CloseHandle(search)); // searches end with FindClose
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
    EXPECT_TRUE(FindClose(search));
    EXPECT_FALSE(FindClose(search));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);

    search = FindFirstFileA("C:\\Veyra\\Mail", &data);
    EXPECT_EQ(data.dwFileAttributes, FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN);
    FindClose(search);
}

struct CreateFolderCase {
    const char *path;
    BOOL created;
    DWORD error;
};

TEST_F(Win32FoldersTest, CreatingFolders)
{
    const CreateFolderCase cases[] = {
        {"C:\\Veyra\\Papers", TRUE, ERROR_SUCCESS},
        {"C:\\Veyra\\PAPERS", FALSE, ERROR_ALREADY_EXISTS},
        {"C:\\veyra\\docs", FALSE, ERROR_ALREADY_EXISTS},
        {"C:\\Veyra\\Note.txt", FALSE, ERROR_ALREADY_EXISTS},
        {"C:\\", FALSE, ERROR_ALREADY_EXISTS},
        {"C:\\Gone\\Papers", FALSE, ERROR_PATH_NOT_FOUND},
        {"C:\\Veyra\\Pa|pers", FALSE, ERROR_INVALID_NAME},
        {"D:\\Veyra", TRUE, ERROR_SUCCESS},
        {"E:\\Veyra", FALSE, ERROR_WRITE_PROTECT},
        {"Q:\\Veyra", FALSE, ERROR_PATH_NOT_FOUND},
    };
    for (const CreateFolderCase &c : cases) {
        SetLastError(ERROR_SUCCESS);
        EXPECT_EQ(CreateDirectoryA(c.path, nullptr), c.created) << c.path;
        EXPECT_EQ(GetLastError(), c.error) << c.path;
    }
    EXPECT_TRUE(Exists(HomePath("Veyra/Papers")));
    EXPECT_TRUE(Exists(RootPath("usb/Veyra")));
}

struct MoveCase {
    const char *from;
    const char *to;
    BOOL moved;
    DWORD error;
};

TEST_F(Win32FoldersTest, RenamingFolders)
{
    const MoveCase cases[] = {
        {"C:\\Veyra\\Docs", "C:\\Veyra\\Papers", TRUE, ERROR_SUCCESS},
        {"C:\\Veyra\\Papers", "C:\\Veyra\\MAIL", FALSE, ERROR_ALREADY_EXISTS},
        {"C:\\Veyra\\papers", "C:\\Veyra\\PAPERS", TRUE, ERROR_SUCCESS}, // letter case only
        {"C:\\Veyra\\Gone", "C:\\Veyra\\Other", FALSE, ERROR_FILE_NOT_FOUND},
        {"C:\\Veyra\\Mail", "C:\\Gone\\Mail", FALSE, ERROR_PATH_NOT_FOUND},
        {"C:\\Veyra\\Mail", "C:\\Veyra\\Ma?l", FALSE, ERROR_INVALID_NAME},
        {"C:\\", "C:\\Root", FALSE, ERROR_ACCESS_DENIED},
    };
    for (const MoveCase &c : cases) {
        SetLastError(ERROR_SUCCESS);
        EXPECT_EQ(MoveFileA(c.from, c.to), c.moved) << c.from << " -> " << c.to;
        EXPECT_EQ(GetLastError(), c.error) << c.from << " -> " << c.to;
    }
    EXPECT_FALSE(Exists(HomePath("Veyra/Docs")));
    EXPECT_FALSE(Exists(HomePath("Veyra/Papers")));
    EXPECT_TRUE(Exists(HomePath("Veyra/PAPERS")));
    EXPECT_TRUE(Exists(HomePath("Veyra/Mail")));
}

TEST_F(Win32FoldersTest, AFileInUseCannotBeRenamed)
{
    HANDLE file = CreateFileA("C:\\Veyra\\Note.TXT", GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    EXPECT_FALSE(MoveFileA("C:\\Veyra\\Note.TXT", "C:\\Veyra\\Moved.txt"));
    EXPECT_EQ(GetLastError(), ERROR_SHARING_VIOLATION);
    CloseHandle(file);
    EXPECT_TRUE(MoveFileA("C:\\Veyra\\Note.TXT", "C:\\Veyra\\Moved.txt"));
}

} // namespace
} // namespace veyra::win32::testing
