// Hook activation as the resident application makes it: a folder path typed in
// any letter case reaches the driver upper-cased, with the short form that the
// path layer finds for it on this case-sensitive filesystem.
#include "TVRCM20.h"

#include <QByteArray>
#include <QDir>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

class HookActivationTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(home.isValid());
        const QByteArray root = home.path().toUtf8();
        setenv("HOME", root.constData(), 1);
        setenv("XDG_CONFIG_HOME", (root + "/.config").constData(), 1);
        setenv("XDG_STATE_HOME", (root + "/.local/state").constData(), 1);
        setenv("XDG_RUNTIME_DIR", (root + "/run").constData(), 1);
        ASSERT_TRUE(QDir(home.path()).mkpath("run"));
        QFile::setPermissions(home.path() + "/run", QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        // What reaches the driver, not what it does with it: the protection has tests of its own.
        QProcess tool;
        tool.start(QStringLiteral(VEYRA_CARD_TOOL), {"protection", "record"});
        ASSERT_TRUE(tool.waitForFinished(30000) && tool.exitCode() == 0);
    }

    static QJsonObject DriverHook()
    {
        QProcess tool;
        tool.start(QStringLiteral(VEYRA_CARD_TOOL), {"status", "--json"});
        EXPECT_TRUE(tool.waitForFinished(30000));
        return QJsonDocument::fromJson(tool.readAllStandardOutput()).object().value("hook").toObject();
    }

    int activate(const char *path)
    {
        tagCM_SYSTEMINFO system{TVRCM_MODE_CARD, 0xFFFF};
        tagCM_HOOKCONTROLACTIVE request{};
        request.RequestValue = 1;
        request.Path = path;
        tagCM_HOOKCONTROLACTIVE_STATUS status{};
        return TVRCM_HookControl_Active(&system, &request, &status, &statusInfo, &buffer);
    }

    QTemporaryDir home;
    tagCM_STATUSINFO statusInfo{};
    tagCM_TMPBUFFER buffer{};
};

TEST_F(HookActivationTest, FolderGivenInAnyCaseIsProtectedUnderItsShortForm)
{
    ASSERT_TRUE(QDir(home.path()).mkpath("Veyra Documents/Work"));

    ASSERT_EQ(activate("c:\\veyra documents\\work"), 1) << std::hex << statusInfo.Code;

    const QJsonObject hook = DriverHook();
    EXPECT_TRUE(hook.value("active").toBool());
    EXPECT_EQ(hook.value("driveNumber").toInt(), 3);
    EXPECT_EQ(hook.value("path").toString(), "C:\\VEYRA DOCUMENTS\\WORK");
    EXPECT_EQ(hook.value("shortPath").toString(), "C:\\VEYRAD~1\\Work");
}

TEST_F(HookActivationTest, MissingFolderIsRefusedBeforeTheDriver)
{
    EXPECT_EQ(activate("C:\\NO SUCH FOLDER"), 0);
    EXPECT_EQ(statusInfo.Code, TVRCM_CODE_FAILED);
    EXPECT_FALSE(DriverHook().value("active").toBool());
}

} // namespace
