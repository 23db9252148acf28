#include "PlatformFixture.h"
#include "Profile.h"

#include <QCoreApplication>
#include <QSettings>

namespace veyra::win32::testing {
namespace {

class PlatformProfileTest : public PlatformTest {
protected:
    void SetUp() override
    {
        PlatformTest::SetUp();
        // Qt keeps the settings folder it derived from XDG_CONFIG_HOME for the
        // whole process; each test points it at its own tree again.
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, QString::fromStdString(RootPath("config")));
        QCoreApplication::setApplicationName("VeyraAP");
        SetRegistryKey("NORVEX");
    }

    std::string ProfileFile() { return RootPath("config/NORVEX/VeyraAP.conf"); }
};

TEST_F(PlatformProfileTest, MissingValuesGiveTheDefaults)
{
    EXPECT_EQ(GetProfileInt("Option", "OpenFolder", 1), 1);
    EXPECT_EQ(GetProfileInt("Option", "HideDialog", 0), 0);
    EXPECT_EQ(GetProfileString("Option", "UserID", ""), "");
    EXPECT_EQ(GetProfileString("UserFolder", "00112233445566778899AABBCCDDEEFF", "none"), "none");
    EXPECT_FALSE(Exists(ProfileFile()));
}

TEST_F(PlatformProfileTest, WrittenValuesReadBackFromTheirSections)
{
    const QString entry = "0F1E2D3C4B5A69788796A5B4C3D2E1F0";
    ASSERT_TRUE(WriteProfileInt("Option", "LastUserID", 1));
    ASSERT_TRUE(WriteProfileInt("WindowPosition", "RECT_left", -20));
    ASSERT_TRUE(WriteProfileString("Option", "UserID", "user01"));
    ASSERT_TRUE(WriteProfileString("UserFolder", entry, "C:\\Veyra\\Docs"));

    EXPECT_EQ(GetProfileInt("Option", "LastUserID", 0), 1);
    EXPECT_EQ(GetProfileInt("WindowPosition", "RECT_left", 0), -20);
    EXPECT_EQ(GetProfileInt("Option", "RECT_left", 7), 7); // another section
    EXPECT_EQ(GetProfileString("Option", "UserID"), "user01");
    EXPECT_EQ(GetProfileString("UserFolder", entry), "C:\\Veyra\\Docs");

    std::string text = ReadText(ProfileFile());
    EXPECT_NE(text.find("[UserFolder]"), std::string::npos) << text;
    EXPECT_NE(text.find("[WindowPosition]"), std::string::npos) << text;
}

struct HandWrittenCase {
    const char *entry;
    int read;
};

TEST_F(PlatformProfileTest, ValuesWrittenByHandReadAsTheyStand)
{
    MakeFolder(RootPath("config/NORVEX"));
    WriteText(ProfileFile(), "[Option]\nOpenFolder=2\nInvisible=0\nExitMessage=yes\nHideDialog=\n"
                             "[WindowPosition]\nRECT_top=-5\n");
    const HandWrittenCase cases[] = {
        {"OpenFolder", 2}, // the caller decides that only 1 counts as on
        {"Invisible", 0},
        {"ExitMessage", 9},
        {"HideDialog", 9},
        {"Missing", 9},
    };
    for (const HandWrittenCase &c : cases)
        EXPECT_EQ(GetProfileInt("Option", c.entry, 9), c.read) << c.entry;
    EXPECT_EQ(GetProfileInt("WindowPosition", "RECT_top", 0), -5);
}

TEST_F(PlatformProfileTest, AnotherProcessReadsWhatOneWrote)
{
    EXPECT_EQ(GetProfileInt("Option", "Invisible", 1), 1);
    EXPECT_EQ(RunInChild([] {
                  bool written = WriteProfileInt("Option", "Invisible", 0) &&
                                 WriteProfileString("Option", "UserID", "written by a child");
                  return written ? 0 : 1;
              }),
              0);
    EXPECT_EQ(GetProfileInt("Option", "Invisible", 1), 0);
    EXPECT_EQ(GetProfileString("Option", "UserID"), "written by a child");

    ASSERT_TRUE(WriteProfileInt("Option", "ExitMessage", 42));
    EXPECT_EQ(RunInChild([] { return GetProfileInt("Option", "ExitMessage", 1); }), 42);
}

} // namespace
} // namespace veyra::win32::testing
