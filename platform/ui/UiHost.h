// The user-interface services of Windows that the programs call: message boxes,
// beeps, sounds, the shell and its file dialogs. One process-wide host answers
// them; by default the desktop, in tests a recording host with scripted answers.
// Paths cross this interface as Windows paths (PathMap.h maps them).
#pragma once

#include "WinUser.h"

#include <QString>
#include <QStringList>

class QWidget;

namespace veyra::ui {

class UiHost {
public:
    virtual ~UiHost() = default;

    // Shows `text` under `caption` with the buttons and icon of `type` (MB_...)
    // and answers the button chosen (ID...). A null owner shows it on its own.
    virtual int messageBox(QWidget *owner, const QString &text, const QString &caption, UINT type) = 0;
    // Plays the sound of a message box icon (MB_ICON...) or the simple beep.
    virtual BOOL messageBeep(UINT type) = 0;
    // Plays a system sound by its name (SND_ALIAS) or a sound file; FALSE when
    // nothing was played.
    virtual BOOL playSound(const QString &name, UINT flags) = 0;
    // "open" or "explore" on a Windows path: the folder in the desktop's file
    // manager, a file in its application. Above 32 on success, SE_ERR_... otherwise.
    virtual int shellExecute(QWidget *owner, const QString &operation, const QString &windowsPath) = 0;
    // The folder the user picks, as a Windows path; empty when the user cancels
    // or picks a folder that no drive covers.
    virtual QString browseForFolder(QWidget *owner, const QString &title, const QString &windowsStartFolder) = 0;
    // The existing files the user picks (any number), as Windows paths; empty
    // when the user cancels. `filter` is in the Windows form
    // "description|pattern|description|pattern||".
    virtual QStringList openFileNames(QWidget *owner, const QString &title, const QString &filter,
                                      const QString &windowsStartFolder) = 0;
};

// The host in use; the desktop host unless another one is installed.
UiHost &Host();
// Replaces the process-wide host; nullptr brings the desktop host back.
void InstallHost(UiHost *host);

// The calls under their Windows names.
int MessageBox(QWidget *owner, const QString &text, const QString &caption, UINT type);
BOOL MessageBeep(UINT type);
BOOL PlaySound(const QString &name, UINT flags);
int ShellExecute(QWidget *owner, const QString &operation, const QString &windowsPath);
QString BrowseForFolder(QWidget *owner, const QString &title, const QString &windowsStartFolder = {});
QStringList GetOpenFileNames(QWidget *owner, const QString &title, const QString &filter,
                             const QString &windowsStartFolder = {});

} // namespace veyra::ui
