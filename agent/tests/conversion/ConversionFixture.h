// What the conversion tests share: a main card (kind 0) with the user "alice"
// logged in on the virtual card, inserted with veyra-card in the test's own
// HOME and XDG tree; a record of the card calls that pass through the kernel;
// and files on drive C: (the test home).
#pragma once

#include "AgentTestSupport.h"
#include "ForwardingKernel.h"
#include "RunConversion.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

namespace veyra::agent::test {

// Notes the card calls on their way to the default kernel (the virtual driver)
// by name: "PauseOn", "PauseOff", "TextModeOff", "Reset", "KeyTransfer",
// "DataTransfer" and the other command codes in hex.
class CardCallLog {
public:
    CardCallLog();

    QStringList calls;
    // Runs before each card command is sent, with its command code.
    std::function<void(uint8_t command)> beforeCommand;

private:
    void note(const kernel::ForwardingKernel::Call &call);

    kernel::ForwardingKernel kernel_;
};

// Whether the driver's protection is paused, as veyra-card reports it.
bool ProtectionPaused();

class ConversionFixture {
public:
    // Inserts the card of `kind` and logs "alice" in.
    explicit ConversionFixture(int kind = 0);
    ~ConversionFixture();

    // A file under the test home, made with `bytes`; answers its Windows path.
    QString makeFile(const QString &relative, const QByteArray &bytes);
    QString makeFolder(const QString &relative);
    QByteArray contents(const QString &relative) const;
    bool exists(const QString &relative) const;

    bool run(const ConversionJob &job);
    ConversionJob job(const QStringList &sources, const QString &destination, int direction = kDirectionToLower) const;

    TestHome home;
    ui::RecordingUiHost host;
    ModalScript script;
    OwnedRecords records;
    std::unique_ptr<CardCallLog> log;
    QWidget *dialog = nullptr;

private:
    std::unique_ptr<QWidget> dialog_;
};

// Bytes that differ from one position to the next.
QByteArray Pattern(int length, int seed = 7);

// The message boxes' texts.
QStringList BoxTexts(const ui::RecordingUiHost &host);

} // namespace veyra::agent::test
