// The administration tool's card operations, run for the crash loop test
// through the tool's own dialogs, the default kernel and the virtual driver:
//   setup   sets the card in the slot up and registers "alice"
//   users   registers "bob" and deletes him again, over and over
#include "CCardSettingDlg.h"
#include "CPasswordConfirmDlg.h"
#include "CUserDeleteDlg.h"
#include "CUserRegistDlg.h"
#include "ControlId.h"
#include "MessagePump.h"
#include "RecordingUiHost.h"
#include "Resource.h"
#include "WorkerSupport.h"

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>

#include <utility>

using namespace veyra;
using namespace veyra::admin;
using namespace veyra::crash;

namespace {

const QString kBob = QStringLiteral("bob");
const QString kBobPassword = QStringLiteral("bob-pw");

class Operations {
public:
    Operations()
        : modals_([this](QDialog *dialog) { return confirmPassword(dialog); })
    {
        ui::InstallQtMessagePump();
    }
    ~Operations() { ui::RemoveQtMessagePump(); }

    QString setUpCard()
    {
        CCardSettingDlg setting;
        setting.OnOK();
        return outcome(setting);
    }

    QString registerUser(const QString &userId, const QString &password)
    {
        CUserRegistDlg regist;
        fill(regist, userId, password);
        ui::FindControl<QLineEdit>(&regist, IDC_KEY_INFO)->setText(userId + QStringLiteral("-key"));
        password_ = password;
        regist.OnOK();
        return outcome(regist);
    }

    QString deleteUser(const QString &userId, const QString &password)
    {
        CUserDeleteDlg deletion;
        fill(deletion, userId, password);
        deletion.OnOK();
        return outcome(deletion);
    }

private:
    static void fill(QDialog &dialog, const QString &userId, const QString &password)
    {
        ui::FindControl<QLineEdit>(&dialog, IDC_USER_ID)->setText(userId);
        ui::FindControl<QLineEdit>(&dialog, IDC_PASSWORD)->setText(password);
    }

    // The registration asks for the password a second time.
    bool confirmPassword(QDialog *dialog)
    {
        if (qobject_cast<CPasswordConfirmDlg *>(dialog) == nullptr) {
            return false;
        }
        ui::FindControl<QLineEdit>(dialog, IDC_CONFIRM_PASSWORD)->setText(password_);
        ui::FindControl<QPushButton>(dialog, ui::IDOK)->click();
        return true;
    }

    // Empty when the operation closed its dialog with OK; else what it showed.
    QString outcome(const QDialog &dialog)
    {
        QStringList shown = modals_.takeUnexpected();
        for (const ui::UiCall &box : std::exchange(host_.calls, {})) {
            shown << box.text;
        }
        if (dialog.result() == QDialog::Accepted) {
            return {};
        }
        return shown.isEmpty() ? QStringLiteral("the dialog stayed open") : Describe(shown);
    }

    ui::RecordingUiHost host_;
    ModalAnswers modals_;
    QString password_;
};

} // namespace

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    WorkerOptions options;
    if (!ParseOptions(QApplication::arguments().mid(1), options)) {
        qCritical("usage: crash_admin_worker setup|users [--phase P] [--commands N]");
        return 2;
    }
    Operations operations;
    if (options.mode == QLatin1String("setup")) {
        return RunCommands(options, [&](int command, int) {
            return command == 0 ? operations.setUpCard()
                                : operations.registerUser(QStringLiteral("alice"), QStringLiteral("secret"));
        });
    }
    if (options.mode == QLatin1String("users")) {
        return RunCommands(options, [&](int, int phase) {
            return phase == 0 ? operations.registerUser(kBob, kBobPassword)
                              : operations.deleteUser(kBob, kBobPassword);
        });
    }
    qCritical("unknown mode %s", qPrintable(options.mode));
    return 2;
}
