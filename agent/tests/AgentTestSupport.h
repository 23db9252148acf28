// What the agent's tests share: a fresh HOME and XDG tree per test, a scripted
// card behind the fake kernel that logs the card calls in order, a script of
// answers for the modal dialogs the code under test opens, the recording UI
// host, and veyra-card for the tests on the virtual card.
#pragma once

#include "CardRecords.h"
#include "FakeKernel.h"
#include "RecordingUiHost.h"

#include <QByteArray>
#include <QDialog>
#include <QMenu>
#include <QObject>
#include <QStringList>
#include <QTemporaryDir>
#include <QTimer>

#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace veyra::agent::test {

// HOME ($HOME is drive C:), XDG_CONFIG_HOME, XDG_STATE_HOME and XDG_RUNTIME_DIR
// inside one temporary folder for the life of the object.
class TestHome {
public:
    TestHome();
    QString path(const QString &relative = QString()) const;
    // A drive in the drive map, e.g. ("N:", "path = ...\nnetwork = \\\\srv\\share").
    void addDrive(const QString &section, const QString &body);

private:
    QTemporaryDir dir_;
    QString drives_;
};

// A card that answers the login, password and state-reset frames as the card
// model would, and a driver whose hook calls succeed. Every card call the
// program makes is logged by name, in order.
class ScriptedCard : public kernel::FakeKernel {
public:
    ScriptedCard();

    uint8_t cardKind = 2;
    // Result byte per command code (0x21, 0x22, 0x29), one per call; 0 when none left.
    std::map<uint8_t, std::deque<uint8_t>> results;
    bool openFails = false;
    // Opens that succeed before every further one fails; -1: no limit.
    int opensAllowed = -1;

    // "CardInfoRequest", "PasswordInput", "PasswordSetting", "CardStateReset",
    // "DeviceOpen", "DeviceClose", "HookControl_Active", "HookControl_Exit",
    // "TextModeOff".
    QStringList calls() const;
    // The frames sent for one command code.
    std::vector<std::vector<uint8_t>> framesOf(uint8_t command) const;
    // The paths the hook activations carried.
    QStringList hookPaths() const;

    kernel::HANDLE createFile(const char *fileName, kernel::DWORD desiredAccess, kernel::DWORD shareMode,
                              kernel::DWORD creationDisposition, kernel::DWORD flagsAndAttributes) override;
    kernel::BOOL deviceIoControl(kernel::HANDLE device, kernel::DWORD ioControlCode, void *inBuffer,
                                 kernel::DWORD inBufferSize, void *outBuffer, kernel::DWORD outBufferSize,
                                 kernel::DWORD *bytesReturned) override;
    kernel::BOOL closeHandle(kernel::HANDLE handle) override;
    kernel::DWORD getShortPathName(const char *longPath, char *shortPath, kernel::DWORD bufferLength) override;

private:
    kernel::BOOL answer(kernel::DWORD code, const uint8_t *in, uint8_t *out, kernel::DWORD outSize);

    struct Event {
        enum class Kind { Open, Control, Close } kind;
        kernel::HANDLE handle;
        kernel::DWORD code;
        std::vector<uint8_t> input;
    };
    std::vector<Event> events_;
    kernel::HANDLE nextHandle_ = 100;
    std::vector<uint8_t> reply_;
};

// Answers the modal dialogs that the code under test runs, one handler per
// dialog, in order. A dialog left without a handler is rejected and noted.
class ModalScript : public QObject {
public:
    using Handler = std::function<void(QDialog *)>;

    ModalScript();
    ~ModalScript() override;

    ModalScript &then(Handler handler);
    // Handled dialogs by class name, and those that found no handler.
    QStringList handled;
    QStringList unexpected;
    bool done() const { return handlers_.empty(); }

protected:
    // A dialog that hides (ends its run) is answered afresh when it runs again.
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void poll();
    std::deque<Handler> handlers_;
    QTimer timer_;
};

// The pieces a test class wants besides the home and the UI host.
struct AgentFixtureParts {
    bool scriptedCard = false; // otherwise the default kernel: the virtual card
    bool modalScript = false;
    bool messagePump = false; // the Qt message pump, run between polls of a card command
};

// What each test of a class starts from: made in init(), dropped in cleanup(),
// the pieces dropped in the reverse order of their making.
class AgentFixture {
public:
    explicit AgentFixture(AgentFixtureParts parts);
    ~AgentFixture();
    AgentFixture(const AgentFixture &) = delete;
    AgentFixture &operator=(const AgentFixture &) = delete;

    TestHome home;
    ui::RecordingUiHost host;
    std::unique_ptr<ScriptedCard> card;
    std::unique_ptr<ModalScript> script;

private:
    bool messagePump_;
};

// Runs veyra-card on the card of the test's home: what it prints, or nothing
// when it fails (a time-out, a crash or an exit code other than 0).
std::optional<QByteArray> VeyraCard(const QStringList &arguments);

// The application as the program sets it up: its name, its company, its icons.
void SetUpApplication();

// Handlers
void SetEditText(QDialog *dialog, int id, const QString &text);
void ClickButton(QDialog *dialog, int id);
ModalScript::Handler Accept();
ModalScript::Handler Reject();
ModalScript::Handler Login(const QString &userId, const QString &password);
ModalScript::Handler SetUpFolder(const QString &name);
// Notes the error dialog's code text ("00-A102") and closes it.
ModalScript::Handler ReadErrorCode(QStringList &codes);

// A menu's entries as their texts, "-" for a separator.
QStringList MenuTexts(const QMenu &menu);

// The three records, owned.
struct OwnedRecords {
    tagCM_SYSTEMINFO system{};
    tagCM_STATUSINFO status{};
    tagCM_TMPBUFFER buffer{};
    CardRecords records() { return {&system, &status, &buffer}; }
};

inline QString Utf8(const char *text)
{
    return QString::fromUtf8(text);
}

// The DOS attribute word of a Windows path.
uint32_t AttributesOf(const QString &windowsPath);

} // namespace veyra::agent::test
