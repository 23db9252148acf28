#include "DesktopUiHost.h"

#include "PathMap.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QUrl>

#include <vector>

namespace veyra::ui {
namespace {

struct Button {
    QMessageBox::StandardButton standard;
    int answer;
};

// The buttons of each MB_ button set, in their Windows order.
std::vector<Button> ButtonsOf(UINT type)
{
    switch (type & MB_TYPEMASK) {
    case MB_OKCANCEL:
        return {{QMessageBox::Ok, IDOK}, {QMessageBox::Cancel, IDCANCEL}};
    case MB_ABORTRETRYIGNORE:
        return {{QMessageBox::Abort, IDABORT}, {QMessageBox::Retry, IDRETRY}, {QMessageBox::Ignore, IDIGNORE}};
    case MB_YESNOCANCEL:
        return {{QMessageBox::Yes, IDYES}, {QMessageBox::No, IDNO}, {QMessageBox::Cancel, IDCANCEL}};
    case MB_YESNO:
        return {{QMessageBox::Yes, IDYES}, {QMessageBox::No, IDNO}};
    case MB_RETRYCANCEL:
        return {{QMessageBox::Retry, IDRETRY}, {QMessageBox::Cancel, IDCANCEL}};
    default:
        return {{QMessageBox::Ok, IDOK}};
    }
}

QMessageBox::Icon IconOf(UINT type)
{
    switch (type & MB_ICONMASK) {
    case MB_ICONHAND:
        return QMessageBox::Critical;
    case MB_ICONQUESTION:
        return QMessageBox::Question;
    case MB_ICONEXCLAMATION:
        return QMessageBox::Warning;
    case MB_ICONASTERISK:
        return QMessageBox::Information;
    default:
        return QMessageBox::NoIcon;
    }
}

std::size_t DefaultButtonIndex(UINT type)
{
    switch (type & MB_DEFMASK) {
    case MB_DEFBUTTON2:
        return 1;
    case MB_DEFBUTTON3:
        return 2;
    default:
        return 0;
    }
}

QString WindowsPathOfUnix(const QString &unixPath)
{
    const std::optional<std::string> windowsPath = win32::WindowsPathOf(unixPath.toStdString());
    return windowsPath ? QString::fromStdString(*windowsPath) : QString();
}

// The Windows system sounds and their names in the desktop's sound theme.
struct SystemSound {
    const char *alias;
    const char *themeName;
};
constexpr SystemSound kSystemSounds[] = {
    {"SystemStart", "desktop-login"},
};

// The file of a system sound in the sound theme (the theme every desktop falls
// back on), or nothing when the desktop has none.
QString ThemeSoundFile(const QString &alias)
{
    for (const SystemSound &sound : kSystemSounds) {
        if (alias.compare(QLatin1String(sound.alias), Qt::CaseInsensitive) != 0) {
            continue;
        }
        for (const char *extension : {".oga", ".ogg", ".wav"}) {
            const QString file = QStandardPaths::locate(
                QStandardPaths::GenericDataLocation,
                QStringLiteral("sounds/freedesktop/stereo/") + QLatin1String(sound.themeName) + QLatin1String(extension));
            if (!file.isEmpty()) {
                return file;
            }
        }
    }
    return {};
}

// Plays a sound file with the desktop's player, in the background.
bool PlayFile(const QString &file)
{
    for (const char *player : {"canberra-gtk-play", "paplay", "pw-play"}) {
        const QString program = QStandardPaths::findExecutable(QLatin1String(player));
        if (program.isEmpty()) {
            continue;
        }
        const QStringList arguments =
            program.endsWith(QLatin1String("canberra-gtk-play")) ? QStringList{"--file", file} : QStringList{file};
        return QProcess::startDetached(program, arguments);
    }
    return false;
}

} // namespace

int DesktopUiHost::messageBox(QWidget *owner, const QString &text, const QString &caption, UINT type)
{
    QMessageBox box(IconOf(type), caption, text, QMessageBox::NoButton, owner);
    const std::vector<Button> buttons = ButtonsOf(type);
    for (const Button &button : buttons) {
        box.addButton(button.standard);
    }
    const std::size_t defaultIndex = DefaultButtonIndex(type);
    if (defaultIndex < buttons.size()) {
        box.setDefaultButton(buttons[defaultIndex].standard);
    }
    // Escape answers Cancel where there is one, and OK on a box with OK alone.
    if (buttons.size() == 1) {
        box.setEscapeButton(buttons.front().standard);
    }
    box.exec();
    const QMessageBox::StandardButton clicked = box.standardButton(box.clickedButton());
    for (const Button &button : buttons) {
        if (button.standard == clicked) {
            return button.answer;
        }
    }
    return IDCANCEL;
}

BOOL DesktopUiHost::messageBeep(UINT)
{
    QApplication::beep();
    return 1;
}

// The desktop has no table of named system sounds: a named sound is the beep,
// or nothing at all when the caller asked for no default sound.
// Sounds always play in the background here; without a sound of its own, the
// default sound (a beep) stands in unless SND_NODEFAULT says not to.
BOOL DesktopUiHost::playSound(const QString &name, UINT flags)
{
    const QString file = (flags & SND_FILENAME) != 0 ? name : ThemeSoundFile(name);
    if (!file.isEmpty() && PlayFile(file)) {
        return 1;
    }
    if ((flags & SND_NODEFAULT) != 0) {
        return 0;
    }
    QApplication::beep();
    return 1;
}

int DesktopUiHost::shellExecute(QWidget *, const QString &operation, const QString &windowsPath)
{
    if (operation != QLatin1String("open") && operation != QLatin1String("explore")) {
        return SE_ERR_NOASSOC;
    }
    const std::optional<std::string> unixPath = win32::UnixPathOf(windowsPath.toStdString());
    if (!unixPath) {
        return SE_ERR_PNF;
    }
    const QString path = QString::fromStdString(*unixPath);
    if (!QFileInfo::exists(path)) {
        return SE_ERR_FNF;
    }
    return QDesktopServices::openUrl(QUrl::fromLocalFile(path)) ? SE_SUCCESS_MIN : SE_ERR_NOASSOC;
}

QString DesktopUiHost::browseForFolder(QWidget *owner, const QString &title, const QString &windowsStartFolder)
{
    const QString chosen = QFileDialog::getExistingDirectory(owner, title, UnixFolderOf(windowsStartFolder));
    return chosen.isEmpty() ? QString() : WindowsPathOfUnix(chosen);
}

QStringList DesktopUiHost::openFileNames(QWidget *owner, const QString &title, const QString &filter,
                                         const QString &windowsStartFolder)
{
    const QStringList chosen =
        QFileDialog::getOpenFileNames(owner, title, UnixFolderOf(windowsStartFolder), QtNameFilterOf(filter));
    QStringList windowsPaths;
    for (const QString &path : chosen) {
        const QString windowsPath = WindowsPathOfUnix(path);
        if (!windowsPath.isEmpty()) {
            windowsPaths.append(windowsPath);
        }
    }
    return windowsPaths;
}

QString QtNameFilterOf(const QString &windowsFilter)
{
    const QStringList parts = windowsFilter.split(QLatin1Char('|'));
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        if (parts[i].isEmpty()) {
            break;
        }
        QStringList patterns = parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts);
        for (QString &pattern : patterns) {
            if (pattern == QLatin1String("*.*")) {
                pattern = QStringLiteral("*");
            }
        }
        filters.append(parts[i] + QStringLiteral(" (") + patterns.join(QLatin1Char(' ')) + QLatin1Char(')'));
    }
    return filters.join(QStringLiteral(";;"));
}

QString UnixFolderOf(const QString &windowsFolder)
{
    if (windowsFolder.isEmpty()) {
        return {};
    }
    const std::optional<std::string> unixPath = win32::UnixPathOf(windowsFolder.toStdString());
    return unixPath ? QString::fromStdString(*unixPath) : QString();
}

} // namespace veyra::ui
