#include "AdminFixture.h"

#include "CCardErrorDlg.h"
#include "CardProcedures.h"
#include "ControlId.h"
#include "Resource.h"

#include <QApplication>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QtTest>

using namespace veyra;
using namespace veyra::admin;

ModalScript::ModalScript()
{
    timer_.setInterval(5);
    connect(&timer_, &QTimer::timeout, this, &ModalScript::poll);
    timer_.start();
}

void ModalScript::expect(Handler handler)
{
    handlers_.push_back(std::move(handler));
}

void ModalScript::poll()
{
    auto *modal = qobject_cast<QDialog *>(QApplication::activeModalWidget());
    if (modal == nullptr || modal == last_) {
        return;
    }
    last_ = modal;
    shown.append(QString::fromUtf8(modal->metaObject()->className()));
    if (handlers_.empty()) {
        ++unexpected;
        modal->reject();
        return;
    }
    Handler handler = std::move(handlers_.front());
    handlers_.pop_front();
    ++handled;
    handler(modal);
}

QString Step(int command, int mode)
{
    return QString::asprintf("%02X/%d", command, mode);
}

void AdminFixture::start(bool testCard)
{
    home = std::make_unique<QTemporaryDir>();
    const QByteArray root = home->path().toUtf8();
    qputenv("HOME", root);
    qputenv("XDG_CONFIG_HOME", root + "/.config");
    qputenv("XDG_STATE_HOME", root + "/.local/state");
    qputenv("XDG_RUNTIME_DIR", root + "/run");
    QDir(home->path()).mkpath("run");

    if (testCard) {
        card = std::make_unique<TestCard>();
    }
    ui = std::make_unique<ui::RecordingUiHost>();
    modals = std::make_unique<ModalScript>();
    executed.clear();
    CCardAccess::SetObserver([this](int command, int32_t mode) { executed.append(Step(command, mode)); });
}

void AdminFixture::stop()
{
    CCardAccess::SetObserver(nullptr);
    modals.reset();
    ui.reset();
    card.reset();
    home.reset();
}

void AdminFixture::setUpCard()
{
    CCardAccess access = MainCardAccess();
    QVERIFY(InitialSetting(access));
    forgetRecords();
}

void AdminFixture::addUser(const QByteArray &userId, const QByteArray &password, const QByteArray &key)
{
    CCardAccess access = MainCardAccess();
    QVERIFY(SetUpCardModel(access));
    QVERIFY(RegisterUser(access, UserFields{userId, password, key}));
    forgetRecords();
}

void AdminFixture::forgetRecords()
{
    executed.clear();
    card->kernel.controlCalls.clear();
    ui->calls.clear();
}

ModalScript::Handler AdminFixture::answerCardError(QString *text)
{
    return [text](QDialog *dialog) {
        auto *error = qobject_cast<CCardErrorDlg *>(dialog);
        QVERIFY(error != nullptr);
        if (text != nullptr) {
            *text = error->MessageText();
        }
        error->accept();
    };
}

ModalScript::Handler AdminFixture::confirmPassword(const QString &password)
{
    return [password](QDialog *dialog) {
        auto *edit = ui::FindControl<QLineEdit>(dialog, IDC_CONFIRM_PASSWORD);
        QVERIFY(edit != nullptr);
        edit->setText(password);
        ui::FindControl<QPushButton>(dialog, IDOK)->click();
    };
}

ModalScript::Handler AdminFixture::cancelDialog()
{
    return [](QDialog *dialog) { dialog->reject(); };
}

void Fill(QDialog &dialog, const QString &userId, const QString &password, const QString &key)
{
    ui::FindControl<QLineEdit>(&dialog, IDC_USER_ID)->setText(userId);
    ui::FindControl<QLineEdit>(&dialog, IDC_PASSWORD)->setText(password);
    if (auto *keyInfo = ui::FindControl<QLineEdit>(&dialog, IDC_KEY_INFO)) {
        keyInfo->setText(key);
    }
}

std::optional<QByteArray> VeyraCard(const QStringList &arguments)
{
    QProcess tool;
    tool.start(QStringLiteral(VEYRA_CARD_TOOL), arguments);
    if (!tool.waitForFinished(30000) || tool.exitStatus() != QProcess::NormalExit || tool.exitCode() != 0) {
        qWarning() << "veyra-card" << arguments << tool.readAllStandardError();
        return std::nullopt;
    }
    return tool.readAllStandardOutput();
}
