// What the crash workers share: their options, the progress lines they write
// to standard output for the crash loop test, and the answers to the modal
// dialogs that the flows open.
//
// Progress, one line each, written before the next step is taken:
//   "ready"           set up; the commands start now
//   "begin K"         command K is about to touch the card
//   "end K"           command K is finished
//   "fail K WHY"      command K did not succeed; the worker stops
#pragma once

#include <QDialog>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <functional>

namespace veyra::crash {

struct WorkerOptions {
    QString mode;
    // Commands alternate between two opposite ones (register and delete, change
    // the password there and back); the phase says which comes first.
    int phase = 0;
    // 0: run until killed.
    int commands = 0;
    // Names the conversion's destination folders, so that no run meets the
    // files of another.
    QString round = QStringLiteral("0");
};

// "MODE [--phase P] [--commands N] [--round R]"; false for anything else.
bool ParseOptions(const QStringList &arguments, WorkerOptions &options);

void Report(const QString &line);

// Runs `command(k, phase)` for k = 0, 1, ... with the phase alternating from
// options.phase, reporting each. A command answers an empty text when it
// succeeded, else why it did not. The worker's exit code.
int RunCommands(const WorkerOptions &options, const std::function<QString(int command, int phase)> &command);

// Answers every modal dialog as it opens: `answer` handles the ones the flow
// expects and returns false for any other, which is rejected and noted.
class ModalAnswers : public QObject {
public:
    explicit ModalAnswers(std::function<bool(QDialog *)> answer);

    // The class names of the dialogs nobody expected since the last call.
    QStringList takeUnexpected();

private:
    void poll();

    std::function<bool(QDialog *)> answer_;
    QTimer timer_;
    QPointer<QDialog> last_;
    QStringList unexpected_;
};

// The texts of message boxes and unexpected dialogs, for a failure report.
QString Describe(const QStringList &texts);

} // namespace veyra::crash
