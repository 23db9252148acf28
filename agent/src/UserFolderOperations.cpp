#include "UserFolderOperations.h"

#include "AgentDialog.h"
#include "CNetworkFolderDlg.h"
#include "CUserFolderMissingDlg.h"
#include "CUserFolderRenameDlg.h"
#include "CUserFolderSetupDlg.h"
#include "Strings.h"

namespace veyra::agent {

namespace {

// Asks until a folder is set (and remembered) or the user cancels; "" then.
QString SetUpUserFolder(QWidget *owner, const QByteArray &userId)
{
    CUserFolderSetupDlg setup(owner);
    for (;;) {
        if (setup.exec() == QDialog::Accepted) {
            WriteUserFolder(userId, setup.resultPath());
            return setup.resultPath();
        }
        if (setup.networkRequest() != 1) {
            return QString();
        }
        CNetworkFolderDlg network(owner);
        if (network.exec() == QDialog::Accepted) {
            WriteUserFolder(userId, network.path());
            return network.path();
        }
        setup.clearNetworkRequest();
    }
}

} // namespace

int EstablishUserFolder(QWidget *owner, const QByteArray &userId, UserFolderState &state)
{
    QString path = ReadUserFolder(userId);
    for (;;) {
        if (path.isEmpty()) {
            path = SetUpUserFolder(owner, userId);
            if (path.isEmpty()) {
                return 0;
            }
        }
        if (IsExistingFolder(path)) {
            break;
        }
        CUserFolderMissingDlg missing(path, owner);
        if (missing.exec() != QDialog::Accepted) {
            return 0;
        }
        path.clear();
    }
    // The flag belongs to this folder: a user after a suspend may have another.
    state.networkFolderFlag = path.startsWith(u'\\') ? 1 : 0;
    state.parent = ParentOf(path);
    state.path = path;
    return 1;
}

int OpenUserFolder(QWidget *owner, const UserFolderState &state)
{
    ui::ShellExecute(owner, QStringLiteral("open"), state.path);
    return 1;
}

int ExploreUserFolder(QWidget *owner, const UserFolderState &state)
{
    ui::ShellExecute(owner, QStringLiteral("explore"), state.path);
    return 1;
}

void RenameUserFolder(QWidget *owner, const QByteArray &userId, UserFolderState &state, const CardRecords &records)
{
    if (state.networkFolderFlag == 1) {
        ui::MessageBox(nullptr, Text(text::kNetworkRename), Text(text::kProductName), ui::MB_ICONHAND);
        return;
    }
    CUserFolderRenameDlg dialog(state.path, records, owner);
    dialog.exec();
    // The folder may have its new name even when the dialog was cancelled
    // after a failed re-protection: the program and the profile follow it.
    if (dialog.fullPath() == state.path) {
        return;
    }
    state.path = dialog.fullPath();
    WriteUserFolder(userId, state.path);
}

} // namespace veyra::agent
