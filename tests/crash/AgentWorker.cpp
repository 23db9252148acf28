// The resident application's card operations, run for the crash loop test
// through its own dialog and engine, the default kernel and the virtual driver:
//   password    changes alice's password and back again, over and over
//   conversion  logs alice in, then converts every file of C:\crash\src into a
//               new folder C:\crash\out\ROUND-K for command K, over and over
#include "CNewPasswordDlg.h"
#include "CPasswordChangeDlg.h"
#include "CResidentApp.h"
#include "CardRecords.h"
#include "ControlId.h"
#include "MessagePump.h"
#include "RecordingUiHost.h"
#include "Resource.h"
#include "RunConversion.h"
#include "WorkerSupport.h"

#include <QApplication>
#include <QDir>
#include <QLineEdit>

#include <array>
#include <utility>

using namespace veyra;
using namespace veyra::agent;
using namespace veyra::crash;

namespace {

const QString kUserId = QStringLiteral("alice");
// The two passwords a password change goes between; the conversion's card has
// the first.
const QString kPasswords[] = {QStringLiteral("secret"), QStringLiteral("changed")};

QString HomePath(const QString &relative)
{
    return QDir(qEnvironmentVariable("HOME")).filePath(relative);
}

class Operations {
public:
    Operations()
        : modals_([this](QDialog *dialog) { return confirmNewPassword(dialog); })
    {
        ui::InstallQtMessagePump();
    }
    ~Operations() { ui::RemoveQtMessagePump(); }

    QString logIn()
    {
        tagCM_PASSWORDINPUT request{};
        const QByteArray userId = kUserId.toLatin1();
        const QByteArray password = kPasswords[0].toLatin1();
        PutCardText(request.UserId, userId.constData(), std::size_t(userId.size()));
        PutCardText(request.Password, password.constData(), std::size_t(password.size()));
        tagCM_PASSWORDINPUT_STATUS status;
        if (CallCard(records(), TVRCM_PasswordInput, request, status) != 1) {
            return QStringLiteral("the login failed with %1").arg(records_.status.Code, 4, 16, QChar(u'0'));
        }
        return {};
    }

    QString changePassword(const QString &current, const QString &next)
    {
        CPasswordChangeDlg change(records());
        ui::FindControl<QLineEdit>(&change, IDC_USER_ID)->setText(kUserId);
        ui::FindControl<QLineEdit>(&change, IDC_PASSWORD)->setText(current);
        ui::FindControl<QLineEdit>(&change, IDC_NEW_PASSWORD)->setText(next);
        newPassword_ = next;
        change.accept();
        return outcome(change.result() == QDialog::Accepted);
    }

    QString convert(const QString &round, int command)
    {
        const QString name = QStringLiteral("%1-%2").arg(round).arg(command);
        QDir().mkpath(HomePath(QStringLiteral("crash/out/") + name));
        ConversionJob job;
        job.upperCardKind = kUpperMainCard;
        job.direction = kDirectionToLower;
        job.lowerCardKind = kLowerUserCard;
        job.groupId = "sales";
        job.userId = "bob";
        const QDir sources(HomePath(QStringLiteral("crash/src")));
        for (const QString &file : sources.entryList(QDir::Files, QDir::Name)) {
            job.sourceFiles << QStringLiteral("C:\\crash\\src\\") + file;
        }
        job.destination = QStringLiteral("C:\\crash\\out\\") + name;
        QWidget dialog;
        std::array<uint8_t, kBlockSize> block{};
        return outcome(RunConversion(&dialog, records(), job, block));
    }

private:
    CardRecords records()
    {
        return {&records_.system, &records_.status, &records_.buffer};
    }

    // The change asks for the new password a second time.
    bool confirmNewPassword(QDialog *dialog)
    {
        if (qobject_cast<CNewPasswordDlg *>(dialog) == nullptr) {
            return false;
        }
        ui::FindControl<QLineEdit>(dialog, IDC_PASSWORD)->setText(newPassword_);
        dialog->accept();
        return true;
    }

    // Empty when the operation succeeded; else what it showed.
    QString outcome(bool succeeded)
    {
        QStringList shown = modals_.takeUnexpected();
        for (const ui::UiCall &box : std::exchange(host_.calls, {})) {
            shown << box.text;
        }
        if (succeeded) {
            return {};
        }
        return shown.isEmpty() ? QStringLiteral("it did not succeed") : Describe(shown);
    }

    struct {
        tagCM_SYSTEMINFO system{};
        tagCM_STATUSINFO status{};
        tagCM_TMPBUFFER buffer{};
    } records_;
    ui::RecordingUiHost host_;
    ModalAnswers modals_;
    QString newPassword_;
};

} // namespace

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("VeyraAP"));
    InitAgentResources();
    WorkerOptions options;
    if (!ParseOptions(QApplication::arguments().mid(1), options)) {
        qCritical("usage: crash_agent_worker password|conversion [--phase P] [--commands N] [--round R]");
        return 2;
    }
    Operations operations;
    if (options.mode == QLatin1String("password")) {
        return RunCommands(options, [&](int, int phase) {
            return operations.changePassword(kPasswords[phase], kPasswords[1 - phase]);
        });
    }
    if (options.mode == QLatin1String("conversion")) {
        if (const QString failure = operations.logIn(); !failure.isEmpty()) {
            Report(QStringLiteral("fail -1 ") + failure);
            return 1;
        }
        return RunCommands(options, [&](int command, int) { return operations.convert(options.round, command); });
    }
    qCritical("unknown mode %s", qPrintable(options.mode));
    return 2;
}
