#include "PathMap.h"
#include "PlatformFixture.h"

#include <cstring>
#include <map>
#include <set>

namespace veyra::win32::testing {
namespace {

class Win32ShortNameTest : public PlatformTest {
protected:
    void SetUp() override
    {
        PlatformTest::SetUp();
        for (const char *folder : {"Names/Docs", "Names/Program Data", "Names/Program Files/Long Folder Name",
                                   "Veyra/Docs", "share/Long Folder Name"})
            MakeFolder(folder[0] == 's' ? RootPath(folder) : HomePath(folder));
        for (const char *file : {"PROGRA~1", "a+b.txt", ".bashrc", "longfilename.text", "my.file.name.txt",
                                 "README.TXT", "readme.txt", "資料", "日本語のフォルダ"})
            WriteText(HomePath(std::string("Names/") + file), "");
        WriteDrives("[\\\\server\\share]\npath = " + RootPath("share") + "\n");
    }

    std::string ShortPath(const std::string &longPath)
    {
        char shortPath[MAX_PATH];
        DWORD length = GetShortPathNameA(longPath.c_str(), shortPath, sizeof shortPath);
        return length ? std::string(shortPath, length) : std::string("<failed>");
    }
};

struct ShortNameCase {
    const char *name;
    const char *shortName; // "" when the name is its own short name
};

TEST_F(Win32ShortNameTest, LongNamesGetMadeShortNamesThatNeverClash)
{
    const ShortNameCase cases[] = {
        {"Docs", ""},
        {"PROGRA~1", ""},
        {"README.TXT", ""},
        {"資料", ""},
        {".bashrc", "BASHRC~1"},
        {"Program Data", "PROGRA~2"},
        {"Program Files", "PROGRA~3"},
        {"a+b.txt", "A_B~1.TXT"},
        {"longfilename.text", "LONGFI~1.TEX"},
        {"my.file.name.txt", "MYFILE~1.TXT"},
        {"readme.txt", "README~1.TXT"}, // a second README.TXT but for letter case
        {"日本語のフォルダ", "______~1"},
    };

    WIN32_FIND_DATAA data{};
    HANDLE search = FindFirstFileA("C:\\Names\\*.*", &data);
    ASSERT_NE(search, INVALID_HANDLE_VALUE);
    std::map<std::string, std::string> listed;
    do
        listed[data.cFileName] = data.cAlternateFileName;
    while (FindNextFileA(search, &data));
    FindClose(search);

    for (const ShortNameCase &c : cases) {
        EXPECT_EQ(listed[c.name], c.shortName) << c.name;
        std::string expected = std::string("C:\\Names\\") + (c.shortName[0] ? c.shortName : c.name);
        EXPECT_EQ(ShortPath(std::string("C:\\Names\\") + c.name), expected) << c.name;
        // The short name finds the same entry again.
        EXPECT_EQ(*UnixPathOf(expected), HomePath(std::string("Names/") + c.name)) << c.name;
    }
}

TEST_F(Win32ShortNameTest, UpperCasePathsOfExistingFoldersResolve)
{
    EXPECT_EQ(ShortPath("C:\\VEYRA\\DOCS"), "C:\\Veyra\\Docs");
    EXPECT_EQ(ShortPath("C:\\NAMES\\PROGRAM FILES\\LONG FOLDER NAME"), "C:\\Names\\PROGRA~3\\LONGFO~1");
    EXPECT_EQ(ShortPath("c:\\names\\progra~3\\"), "C:\\Names\\PROGRA~3\\");
    EXPECT_EQ(ShortPath("C:\\"), "C:\\");
    EXPECT_EQ(ShortPath("\\\\SERVER\\SHARE\\LONG FOLDER NAME"), "\\\\server\\share\\LONGFO~1");

    std::string shortPath = ShortPath("C:\\NAMES\\PROGRAM FILES\\LONG FOLDER NAME");
    EXPECT_EQ(GetFileAttributesA(shortPath.c_str()), FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_EQ(*UnixPathOf(shortPath), HomePath("Names/Program Files/Long Folder Name"));
}

TEST_F(Win32ShortNameTest, ManyLongNamesWithOnePrefixStayApart)
{
    for (int i = 1; i <= 12; ++i)
        MakeFolder(HomePath("Many/Document number " + std::to_string(100 + i)));
    std::set<std::string> shortNames;
    for (int i = 1; i <= 12; ++i) {
        std::string longPath = "C:\\Many\\Document number " + std::to_string(100 + i);
        std::string shortPath = ShortPath(longPath);
        EXPECT_EQ(shortPath, ShortPath(longPath)) << "made again the same";
        shortNames.insert(shortPath);
    }
    EXPECT_EQ(shortNames.size(), 12u);
    EXPECT_TRUE(shortNames.count("C:\\Many\\DOCUME~9"));
    EXPECT_TRUE(shortNames.count("C:\\Many\\DOCUM~10"));
    EXPECT_EQ(ShortPath("C:\\Many\\Document number 112"), "C:\\Many\\DOCUM~12");
}

TEST_F(Win32ShortNameTest, MissingPathsHaveNoShortName)
{
    char shortPath[MAX_PATH] = "keep";
    EXPECT_EQ(GetShortPathNameA("C:\\Veyra\\Gone", shortPath, sizeof shortPath), 0u);
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(GetShortPathNameA("C:\\Gone\\Docs", shortPath, sizeof shortPath), 0u);
    EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
    EXPECT_EQ(GetShortPathNameA("Q:\\Veyra", shortPath, sizeof shortPath), 0u);
    EXPECT_STREQ(shortPath, "keep");
}

TEST_F(Win32ShortNameTest, ABufferTooSmallGetsTheSizeItNeeds)
{
    const std::string expected = "C:\\Names\\PROGRA~3";
    char shortPath[MAX_PATH];
    std::memset(shortPath, '#', sizeof shortPath);
    EXPECT_EQ(GetShortPathNameA("C:\\Names\\Program Files", shortPath, 17), 18u);
    EXPECT_EQ(shortPath[0], '#');
    EXPECT_EQ(GetShortPathNameA("C:\\Names\\Program Files", shortPath, 18), 17u);
    EXPECT_EQ(shortPath, expected);
}

} // namespace
} // namespace veyra::win32::testing
