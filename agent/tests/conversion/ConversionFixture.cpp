#include "ConversionFixture.h"

#include "DriverContract.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>
#include <QWidget>

#include <cstring>
#include <map>

namespace veyra::agent::test {

namespace packet = veyra::driver::packet;

CardCallLog::CardCallLog()
{
    kernel_.beforeCall = [this](const kernel::ForwardingKernel::Call &call) { note(call); };
}

void CardCallLog::note(const kernel::ForwardingKernel::Call &call)
{
    static const std::map<kernel::DWORD, QString> controls = {{driver::kHookPauseOn, QStringLiteral("PauseOn")},
                                                              {driver::kHookPauseOff, QStringLiteral("PauseOff")},
                                                              {driver::kTextModeOff, QStringLiteral("TextModeOff")}};
    static const std::map<uint8_t, QString> commands = {{0x29, QStringLiteral("Reset")},
                                                        {0x33, QStringLiteral("KeyTransfer")},
                                                        {0x41, QStringLiteral("DataTransfer")}};
    if (call.kind != kernel::ForwardingKernel::Call::Kind::Control) {
        return;
    }
    if (call.code == driver::kSendCommand) {
        const uint8_t command = call.input[packet::kData];
        if (beforeCommand) {
            beforeCommand(command);
        }
        const auto named = commands.find(command);
        calls << (named != commands.end() ? named->second : QString::number(command, 16));
    } else if (const auto named = controls.find(call.code); named != controls.end()) {
        calls << named->second;
    }
}

bool ProtectionPaused()
{
    const QByteArray shown = VeyraCard({QStringLiteral("status"), QStringLiteral("--json")}).value_or(QByteArray());
    const QJsonObject status = QJsonDocument::fromJson(shown).object();
    return status.value(QStringLiteral("hook")).toObject().value(QStringLiteral("paused")).toBool();
}

ConversionFixture::ConversionFixture(int kind) : dialog_(std::make_unique<QWidget>())
{
    dialog = dialog_.get();
    if (!VeyraCard({QStringLiteral("insert"), QStringLiteral("--kind"), QString::number(kind), QStringLiteral("--user"),
                    QStringLiteral("alice:secret")})) {
        // The test fails; the fixture is still made whole for it to end.
        QTest::qFail("the card could not be inserted", __FILE__, __LINE__);
    }
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
