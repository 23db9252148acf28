// Registers an existing folder, typically on the network, as the user folder.
#pragma once

#include "AgentDialog.h"

class QLineEdit;

namespace veyra::agent {

class CNetworkFolderDlg : public AgentDialog {
    Q_OBJECT

public:
    explicit CNetworkFolderDlg(QWidget *parent = nullptr);

    // The folder, after OK.
    const QString &path() const { return path_; }

    void accept() override;

private:
    void browse();

    QLineEdit *pathEdit_;
    QString path_;
};

} // namespace veyra::agent
