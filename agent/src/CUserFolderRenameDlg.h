// Renames the user folder in place. The driver's protection is switched off
// around the rename and on again for the folder's (new) path.
#pragma once

#include "AgentDialog.h"
#include "CardRecords.h"

class QLineEdit;

namespace veyra::agent {

class CUserFolderRenameDlg : public AgentDialog {
    Q_OBJECT

public:
    CUserFolderRenameDlg(const QString &userFolder, const CardRecords &records, QWidget *parent = nullptr);

    // The folder's full path as it is on disk: the new one once the rename
    // is done, whether the protection came back on or not.
    const QString &fullPath() const { return fullPath_; }

    void accept() override;

private:
    bool checkNewName(const QString &name);
    bool waitForDrive();
    void warn(const char *message);
    bool renameUnprotected(const QString &newPath);

    QString location_;
    QString currentName_;
    QString fullPath_;
    QLineEdit *currentNameEdit_;
    QLineEdit *newNameEdit_;
    CardRecords records_;
};

} // namespace veyra::agent
