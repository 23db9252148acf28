#include "ConversionFixture.h"

#include "DriverContract.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTest>
#include <QWidget>

#include <cstring>
#include <map>

namespace veyra::agent::test {

namespace packet = veyra::driver::packet;

CardCallLog::CardCallLog()
{
    kernel::InstallKernel(this);
}

CardCallLog::~CardCallLog()
{
    kernel::InstallKernel(nullptr);
}

kernel::HANDLE CardCallLog::createFile(const char *fileName, kernel::DWORD desiredAccess, kernel::DWORD shareMode,
                                       kernel::DWORD creationDisposition, kernel::DWORD flagsAndAttributes)
{
    return kernel::DefaultKernel().createFile(fileName, desiredAccess, shareMode, creationDisposition,
                                              flagsAndAttributes);
}

kernel::BOOL CardCallLog::deviceIoControl(kernel::HANDLE device, kernel::DWORD ioControlCode, void *inBuffer,
                                          kernel::DWORD inBufferSize, void *outBuffer, kernel::DWORD outBufferSize,
                                          kernel::DWORD *bytesReturned)
{
    static const std::map<kernel::DWORD, QString> controls = {{driver::kHookPauseOn, QStringLiteral("PauseOn")},
                                                              {driver::kHookPauseOff, QStringLiteral("PauseOff")},
                                                              {driver::kTextModeOff, QStringLiteral("TextModeOff")}};
    static const std::map<uint8_t, QString> commands = {{0x29, QStringLiteral("Reset")},
                                                        {0x33, QStringLiteral("KeyTransfer")},
                                                        {0x41, QStringLiteral("DataTransfer")}};
    if (ioControlCode == driver::kSendCommand) {
        const uint8_t command = static_cast<const uint8_t *>(inBuffer)[packet::kData];
        if (beforeCommand) {
            beforeCommand(command);
        }
        const auto named = commands.find(command);
        calls << (named != commands.end() ? named->second : QString::number(command, 16));
    } else if (const auto named = controls.find(ioControlCode); named != controls.end()) {
        calls << named->second;
    }
    return kernel::DefaultKernel().deviceIoControl(device, ioControlCode, inBuffer, inBufferSize, outBuffer,
                                                   outBufferSize, bytesReturned);
}

kernel::BOOL CardCallLog::closeHandle(kernel::HANDLE handle)
{
    return kernel::DefaultKernel().closeHandle(handle);
}

kernel::DWORD CardCallLog::getTickCount()
{
    return kernel::DefaultKernel().getTickCount();
}

kernel::DWORD CardCallLog::getShortPathName(const char *longPath, char *shortPath, kernel::DWORD bufferLength)
{
    return kernel::DefaultKernel().getShortPathName(longPath, shortPath, bufferLength);
}

namespace {

QByteArray RunTool(const QStringList &arguments)
{
    QProcess tool;
    tool.start(QStringLiteral(VEYRA_CARD_TOOL), arguments);
    const bool finished = tool.waitForFinished(30000);
    const QByteArray output = tool.readAllStandardOutput();
    if (!finished || tool.exitStatus() != QProcess::NormalExit || tool.exitCode() != 0) {
        qWarning("veyra-card %s failed: %s", qPrintable(arguments.join(u' ')), tool.readAllStandardError().constData());
        return {};
    }
    return output.isEmpty() ? QByteArray("ok") : output;
}

} // namespace

void VeyraCard(const QStringList &arguments)
{
    QVERIFY2(!RunTool(arguments).isEmpty(), qPrintable(arguments.join(u' ')));
}

bool ProtectionPaused()
{
    const QJsonObject status = QJsonDocument::fromJson(RunTool({QStringLiteral("status"), QStringLiteral("--json")}))
                                   .object();
    return status.value(QStringLiteral("hook")).toObject().value(QStringLiteral("paused")).toBool();
}

ConversionFixture::ConversionFixture(int kind) : dialog_(std::make_unique<QWidget>())
{
    dialog = dialog_.get();
    VeyraCard({QStringLiteral("insert"), QStringLiteral("--kind"), QString::number(kind), QStringLiteral("--user"),
               QStringLiteral("alice:secret")});
    tagCM_PASSWORDINPUT request{};
    PutCardText(request.UserId, "alice", 5);
    PutCardText(request.Password, "secret", 6);
    tagCM_PASSWORDINPUT_STATUS status;
    if (CallCard(records.records(), TVRCM_PasswordInput, request, status) != 1) {
        qWarning("the login failed with %04X", unsigned(records.status.Code));
    }
    log = std::make_unique<CardCallLog>();
}

ConversionFixture::~ConversionFixture()
{
    log.reset();
}

QString ConversionFixture::makeFile(const QString &relative, const QByteArray &bytes)
{
    QDir().mkpath(home.path(relative.section(u'/', 0, -2)));
    QFile file(home.path(relative));
    file.open(QIODevice::WriteOnly | QIODevice::Truncate);
    file.write(bytes);
    return QStringLiteral("C:\\") + QString(relative).replace(u'/', u'\\');
}

QString ConversionFixture::makeFolder(const QString &relative)
{
    QDir().mkpath(home.path(relative));
    return QStringLiteral("C:\\") + QString(relative).replace(u'/', u'\\');
}

QByteArray ConversionFixture::contents(const QString &relative) const
{
    QFile file(home.path(relative));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool ConversionFixture::exists(const QString &relative) const
{
    return QFile::exists(home.path(relative));
}

bool ConversionFixture::run(const ConversionJob &job)
{
    std::array<uint8_t, kBlockSize> block{};
    return RunConversion(dialog, records.records(), job, block);
}

ConversionJob ConversionFixture::job(const QStringList &sources, const QString &destination, int direction) const
{
    ConversionJob job;
    job.direction = direction;
    job.groupId = "sales";
    job.userId = "bob";
    job.sourceFiles = sources;
    job.destination = destination;
    return job;
}

QByteArray Pattern(int length, int seed)
{
    QByteArray bytes(length, '\0');
    for (int i = 0; i < length; ++i) {
        bytes[i] = char((i * 31 + seed) ^ (i >> 8));
    }
    return bytes;
}

QStringList BoxTexts(const ui::RecordingUiHost &host)
{
    QStringList texts;
    for (const ui::UiCall &call : host.messageBoxes()) {
        texts << call.text;
    }
    return texts;
}

} // namespace veyra::agent::test
