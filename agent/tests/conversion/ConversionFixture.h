// What the conversion tests share: a main card (kind 0) with the user "alice"
// logged in on the virtual card, inserted with veyra-card in the test's own
// HOME and XDG tree; a record of the card calls that pass through the kernel;
// and files on drive C: (the test home).
#pragma once

#include "AgentTestSupport.h"
#include "Kernel.h"
#include "RunConversion.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

namespace veyra::agent::test {

// Passes every kernel call on to the default kernel (the virtual driver) and
// notes the card calls by name: "PauseOn", "PauseOff", "TextModeOff",
// "Reset", "KeyTransfer", "DataTransfer" and the other command codes in hex.
class CardCallLog : public kernel::KernelCalls {
public:
    CardCallLog();
    ~CardCallLog() override;

    QStringList calls;
    // Runs before each card command is sent, with its command code.
    std::function<void(uint8_t command)> beforeCommand;

    kernel::HANDLE createFile(const char *fileName, kernel::DWORD desiredAccess, kernel::DWORD shareMode,
                              kernel::DWORD creationDisposition, kernel::DWORD flagsAndAttributes) override;
    kernel::BOOL deviceIoControl(kernel::HANDLE device, kernel::DWORD ioControlCode, void *inBuffer,
                                 kernel::DWORD inBufferSize, void *outBuffer, kernel::DWORD outBufferSize,
                                 kernel::DWORD *bytesReturned) override;
    kernel::BOOL closeHandle(kernel::HANDLE handle) override;
    kernel::DWORD getTickCount() override;
    kernel::DWORD getShortPathName(const char *longPath, char *shortPath, kernel::DWORD bufferLength) override;
};

// Runs veyra-card with the arguments; fails the test when the tool fails.
void VeyraCard(const QStringList &arguments);
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
