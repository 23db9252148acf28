#include "WorkerSupport.h"

#include <QApplication>

#include <unistd.h>

#include <utility>

namespace veyra::crash {

bool ParseOptions(const QStringList &arguments, WorkerOptions &options)
{
    if (arguments.isEmpty()) {
        return false;
    }
    options.mode = arguments.first();
    for (qsizetype i = 1; i + 1 < arguments.size(); i += 2) {
        const QString &name = arguments.at(i);
        const QString &value = arguments.at(i + 1);
        bool number = true;
        if (name == QLatin1String("--phase")) {
            options.phase = value.toInt(&number);
        } else if (name == QLatin1String("--commands")) {
            options.commands = value.toInt(&number);
        } else if (name == QLatin1String("--round")) {
            options.round = value;
        } else {
            return false;
        }
        if (!number) {
            return false;
        }
    }
    return arguments.size() % 2 == 1;
}

// One write per line, straight to the pipe: a line is complete in the pipe
// before the step it announces begins, however the worker dies afterwards.
void Report(const QString &line)
{
    const QByteArray bytes = line.toUtf8() + '\n';
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t written = write(STDOUT_FILENO, bytes.constData() + done, std::size_t(bytes.size() - done));
        if (written <= 0) {
            return;
        }
        done += written;
    }
}

int RunCommands(const WorkerOptions &options, const std::function<QString(int command, int phase)> &command)
{
    Report(QStringLiteral("ready"));
    for (int k = 0; options.commands == 0 || k < options.commands; ++k) {
        Report(QStringLiteral("begin %1").arg(k));
        const QString failure = command(k, (options.phase + k) % 2);
        if (!failure.isEmpty()) {
            Report(QStringLiteral("fail %1 %2").arg(k).arg(failure));
            return 1;
        }
        Report(QStringLiteral("end %1").arg(k));
    }
    return 0;
}

ModalAnswers::ModalAnswers(std::function<bool(QDialog *)> answer) : answer_(std::move(answer))
{
    connect(&timer_, &QTimer::timeout, this, &ModalAnswers::poll);
    timer_.start(1);
}

QStringList ModalAnswers::takeUnexpected()
{
    return std::exchange(unexpected_, {});
}

void ModalAnswers::poll()
{
    auto *modal = qobject_cast<QDialog *>(QApplication::activeModalWidget());
    if (modal == nullptr || modal == last_) {
        return;
    }
    last_ = modal;
    if (!answer_(modal)) {
        unexpected_ << QString::fromLatin1(modal->metaObject()->className());
        modal->reject();
    }
}

QString Describe(const QStringList &texts)
{
    QString joined = texts.join(QLatin1String(" | "));
    return joined.replace(u'\n', u' ');
}

} // namespace veyra::crash
