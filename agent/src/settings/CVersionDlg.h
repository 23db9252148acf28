// The version information: the program's version, the logged-in user and
// folder, the free space of the current drive and the memory size. Ctrl+Shift+F12
// opens the picture.
#pragma once

#include "AgentDialog.h"

#include <QString>

class QLabel;

namespace veyra::agent {

class CVersionDlg : public AgentDialog {
    Q_OBJECT

public:
    CVersionDlg(const QString &userFolder, const QString &userId, QWidget *parent = nullptr);

protected:
    void onInitDialog() override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    QString userFolder_;
    QString userId_;
    QLabel *userIdText_;
    QLabel *userFolderText_;
    QLabel *diskFree_;
    QLabel *versionText_;
    QLabel *memory_;
};

void RunVersionDialog(QWidget *owner, const QString &userFolder, const QString &userId);

} // namespace veyra::agent
