// What the tests of VeyraADM share: a HOME and XDG tree of their own, the test
// card behind the kernel seam, the recording UI host, the trace of every
// Execute, and a script for the modal dialogs that the operations open.
#pragma once

#include "CCardAccess.h"
#include "RecordingUiHost.h"
#include "TestCard.h"

#include <QByteArray>
#include <QDialog>
#include <QPointer>
#include <QStringList>
#include <QTemporaryDir>
#include <QTimer>

#include <deque>
#include <functional>
#include <memory>
#include <optional>

// Handles the modal dialogs as they open, in order, each with the next handler.
// A modal dialog without a handler is rejected and counted.
class ModalScript : public QObject {
    Q_OBJECT

public:
    using Handler = std::function<void(QDialog *)>;

    ModalScript();
    void expect(Handler handler);
    int handled = 0;
    int unexpected = 0;
    QStringList shown; // class names, in order

private:
    void poll();

    std::deque<Handler> handlers_;
    QTimer timer_;
    QPointer<QWidget> last_;
};

class AdminFixture {
public:
    // With the test card behind a fake kernel, or the default kernel (the
    // virtual driver) when `testCard` is false.
    void start(bool testCard = true);
    void stop();

    // "28/0" for a card information request on the card: command/mode of every Execute.
    QStringList executed;
    std::unique_ptr<QTemporaryDir> home;
    std::unique_ptr<TestCard> card;
    std::unique_ptr<veyra::ui::RecordingUiHost> ui;
    std::unique_ptr<ModalScript> modals;

    // Sets the card up and registers users, as VeyraADM does, then forgets the
    // records of doing so.
    void setUpCard();
    void addUser(const QByteArray &userId, const QByteArray &password = "pass", const QByteArray &key = "key");
    void forgetRecords();

    // Handlers: the card error dialog (its text kept), the password
    // confirmation (typed and confirmed, or cancelled).
    ModalScript::Handler answerCardError(QString *text = nullptr);
    ModalScript::Handler confirmPassword(const QString &password);
    ModalScript::Handler cancelDialog();
};

// "28/0" for command 0x28 in mode 0.
QString Step(int command, int mode);

// Types the user ID, the password and, where the dialog has the field, the key
// information into a dialog of VeyraADM.
void Fill(QDialog &dialog, const QString &userId, const QString &password, const QString &key = {});

// Runs veyra-card on the card of the test's home: what it prints, or nothing
// when it fails (a time-out, a crash or an exit code other than 0).
std::optional<QByteArray> VeyraCard(const QStringList &arguments);
