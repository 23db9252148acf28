#include "UiHost.h"

#include "DesktopUiHost.h"

namespace veyra::ui {
namespace {

UiHost *installedHost = nullptr;

} // namespace

UiHost &Host()
{
    static DesktopUiHost desktop;
    return installedHost != nullptr ? *installedHost : desktop;
}

void InstallHost(UiHost *host)
{
    installedHost = host;
}

int MessageBox(QWidget *owner, const QString &text, const QString &caption, UINT type)
{
    return Host().messageBox(owner, text, caption, type);
}

BOOL MessageBeep(UINT type)
{
    return Host().messageBeep(type);
}

BOOL PlaySound(const QString &name, UINT flags)
{
    return Host().playSound(name, flags);
}

int ShellExecute(QWidget *owner, const QString &operation, const QString &windowsPath)
{
    return Host().shellExecute(owner, operation, windowsPath);
}

QString BrowseForFolder(QWidget *owner, const QString &title, const QString &windowsStartFolder)
{
    return Host().browseForFolder(owner, title, windowsStartFolder);
}

QStringList GetOpenFileNames(QWidget *owner, const QString &title, const QString &filter,
                             const QString &windowsStartFolder)
{
    return Host().openFileNames(owner, title, filter, windowsStartFolder);
}

} // namespace veyra::ui
