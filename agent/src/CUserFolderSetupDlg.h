// Creates a new user folder inside the base folder ("C:\Veyra") of a drive the
// user picks, or hands over to the network folder registration.
#pragma once

#include "AgentDialog.h"

class QComboBox;
class QLabel;
class QLineEdit;

namespace veyra::agent {

class CUserFolderSetupDlg : public AgentDialog {
    Q_OBJECT

public:
    // The whole program ends with this code when the base folder cannot be made
    // for a reason other than a denied access.
    static constexpr int kUnexpectedFailureExitCode = 3;

    explicit CUserFolderSetupDlg(QWidget *parent = nullptr);

    // 1 when the dialog was closed by the network button.
    int networkRequest() const { return networkRequest_; }
    void clearNetworkRequest() { networkRequest_ = 0; }
    // The created folder, after OK.
    const QString &resultPath() const { return resultPath_; }

    void accept() override;

protected:
    void onInitDialog() override;

private:
    void fillDriveList();
    void onNameChanged(const QString &name);
    void onDriveChosen(int index);
    bool waitForDrive();
    bool makeBaseFolder();
    void warn(const char *message);
    void fail(const char *message);

    QLineEdit *nameEdit_;
    QComboBox *driveList_;
    QLabel *pathDisplay_;
    QString baseFolder_;
    QString resultPath_;
    int networkRequest_ = 0;
};

} // namespace veyra::agent
