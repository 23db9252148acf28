// The UI host of a desktop session: Qt message boxes and file dialogs, the
// desktop's file manager through QDesktopServices.
#pragma once

#include "UiHost.h"

namespace veyra::ui {

class DesktopUiHost final : public UiHost {
public:
    int messageBox(QWidget *owner, const QString &text, const QString &caption, UINT type) override;
    BOOL messageBeep(UINT type) override;
    BOOL playSound(const QString &name, UINT flags) override;
    int shellExecute(QWidget *owner, const QString &operation, const QString &windowsPath) override;
    QString browseForFolder(QWidget *owner, const QString &title, const QString &windowsStartFolder) override;
    QStringList openFileNames(QWidget *owner, const QString &title, const QString &filter,
                              const QString &windowsStartFolder) override;
};

// A Windows file filter ("Text (*.txt)|*.txt|All (*.*)|*.*||") as Qt's name
// filter list. "*.*" means every file on Windows, so it becomes "*".
QString QtNameFilterOf(const QString &windowsFilter);

// The Unix folder a Windows start folder names, or an empty string (Qt's
// current folder) when there is none.
QString UnixFolderOf(const QString &windowsFolder);

} // namespace veyra::ui
