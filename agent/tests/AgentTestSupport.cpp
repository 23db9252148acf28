#include "AgentTestSupport.h"

#include "AgentDialog.h"
#include "CResidentApp.h"
#include "CErrorReportDlg.h"
#include "DriverContract.h"
#include "MessagePump.h"
#include "Profile.h"
#include "Resource.h"
#include "UserFolder.h"
#include "Win32.h"

#include <QApplication>
#include <QDir>
#include <QEvent>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QSettings>

#include <algorithm>
#include <cstring>

namespace veyra::agent::test {

namespace packet = veyra::driver::packet;
namespace hook = veyra::driver::hook;

TestHome::TestHome()
{
    const QString root = dir_.path();
    for (const char *folder : {"/.config", "/.local/state", "/run"}) {
        QDir().mkpath(root + QLatin1String(folder));
    }
    QFile::setPermissions(root + QStringLiteral("/run"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    qputenv("HOME", root.toUtf8());
    qputenv("XDG_CONFIG_HOME", (root + QStringLiteral("/.config")).toUtf8());
    qputenv("XDG_STATE_HOME", (root + QStringLiteral("/.local/state")).toUtf8());
    qputenv("XDG_RUNTIME_DIR", (root + QStringLiteral("/run")).toUtf8());
    // The profile finds its folder once per process; it follows the new home here.
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, root + QStringLiteral("/.config"));
}

QString TestHome::path(const QString &relative) const
{
    return relative.isEmpty() ? dir_.path() : dir_.path() + u'/' + relative;
}

void TestHome::addDrive(const QString &section, const QString &body)
{
    drives_ += QStringLiteral("[%1]\n%2\n\n").arg(section, body);
    QDir().mkpath(path(QStringLiteral(".config/veyra")));
    QFile file(path(QStringLiteral(".config/veyra/drives.ini")));
    file.open(QIODevice::WriteOnly | QIODevice::Truncate);
    file.write(drives_.toUtf8());
}

ScriptedCard::ScriptedCard()
{
    responder = [this](kernel::DWORD code, const uint8_t *in, kernel::DWORD, uint8_t *out, kernel::DWORD outSize) {
        return answer(code, in, out, outSize);
    };
}

kernel::HANDLE ScriptedCard::createFile(const char *fileName, kernel::DWORD desiredAccess, kernel::DWORD shareMode,
                                        kernel::DWORD creationDisposition, kernel::DWORD flagsAndAttributes)
{
    const bool refused = openFails || opensAllowed == 0;
    if (opensAllowed > 0) {
        --opensAllowed;
    }
    openResult = refused ? kernel::INVALID_HANDLE_VALUE : nextHandle_++;
    const kernel::HANDLE handle =
        FakeKernel::createFile(fileName, desiredAccess, shareMode, creationDisposition, flagsAndAttributes);
    events_.push_back({Event::Kind::Open, handle, 0, {}});
    return handle;
}

kernel::BOOL ScriptedCard::deviceIoControl(kernel::HANDLE device, kernel::DWORD ioControlCode, void *inBuffer,
                                           kernel::DWORD inBufferSize, void *outBuffer, kernel::DWORD outBufferSize,
                                           kernel::DWORD *bytesReturned)
{
    const auto *in = static_cast<const uint8_t *>(inBuffer);
    events_.push_back({Event::Kind::Control, device, ioControlCode, std::vector<uint8_t>(in, in + inBufferSize)});
    return FakeKernel::deviceIoControl(device, ioControlCode, inBuffer, inBufferSize, outBuffer, outBufferSize,
                                       bytesReturned);
}

kernel::BOOL ScriptedCard::closeHandle(kernel::HANDLE handle)
{
    events_.push_back({Event::Kind::Close, handle, 0, {}});
    return FakeKernel::closeHandle(handle);
}

// Every folder has a short form: itself.
kernel::DWORD ScriptedCard::getShortPathName(const char *longPath, char *shortPath, kernel::DWORD bufferLength)
{
    const std::size_t length = std::strlen(longPath);
    if (bufferLength <= length) {
        return kernel::DWORD(length + 1);
    }
    std::memcpy(shortPath, longPath, length + 1);
    return kernel::DWORD(length);
}

kernel::BOOL ScriptedCard::answer(kernel::DWORD code, const uint8_t *in, uint8_t *out, kernel::DWORD outSize)
{
    if (code == driver::kSendCommand) {
        const uint8_t command = in[packet::kData];
        auto nextResult = [this, command]() -> uint8_t {
            std::deque<uint8_t> &queue = results[command];
            if (queue.empty()) {
                return 0;
            }
            const uint8_t result = queue.front();
            queue.pop_front();
            return result;
        };
        reply_.assign(packet::kDataSize, 0);
        reply_[0] = uint8_t(command | 0x80);
        switch (command) {
        case 0x28:
            reply_[1 + 48] = cardKind;
            break;
        case 0x21:
            reply_[1] = nextResult();
            break;
        case 0x22:
            reply_[1] = nextResult();
            reply_[2] = 2;
            break;
        case 0x29:
            reply_[2] = nextResult();
            break;
        default:
            break;
        }
        return 1;
    }
    if (code == driver::kPollAnswer && outSize >= packet::kSize) {
        std::memcpy(out + packet::kData, reply_.data(), packet::kDataSize);
        out[packet::kPending] = 0;
        out[packet::kPending + 1] = 0;
    }
    return 1;
}

QStringList ScriptedCard::calls() const
{
    std::set<kernel::HANDLE> used;
    for (const Event &event : events_) {
        if (event.kind == Event::Kind::Control) {
            used.insert(event.handle);
        }
    }
    const std::map<uint8_t, QString> frames = {{0x28, QStringLiteral("CardInfoRequest")},
                                               {0x21, QStringLiteral("PasswordInput")},
                                               {0x22, QStringLiteral("PasswordSetting")},
                                               {0x29, QStringLiteral("CardStateReset")}};
    const std::map<kernel::DWORD, QString> controls = {{driver::kHookActivate, QStringLiteral("HookControl_Active")},
                                                       {driver::kHookExit, QStringLiteral("HookControl_Exit")},
                                                       {driver::kTextModeOff, QStringLiteral("TextModeOff")}};
    QStringList names;
    for (const Event &event : events_) {
        const bool bare = !used.contains(event.handle);
        if (event.kind == Event::Kind::Open && bare) {
            names << QStringLiteral("DeviceOpen");
        } else if (event.kind == Event::Kind::Close && bare) {
            names << QStringLiteral("DeviceClose");
        } else if (event.kind == Event::Kind::Control && event.code == driver::kSendCommand) {
            names << frames.at(event.input[packet::kData]);
        } else if (event.kind == Event::Kind::Control && controls.contains(event.code)) {
            names << controls.at(event.code);
        }
    }
    return names;
}

std::vector<std::vector<uint8_t>> ScriptedCard::framesOf(uint8_t command) const
{
    std::vector<std::vector<uint8_t>> frames;
    for (const ControlCall &call : controlCalls) {
        if (call.code == driver::kSendCommand && call.input[packet::kData] == command) {
            uint32_t length = 0;
            std::memcpy(&length, call.input.data() + packet::kLength, sizeof length);
            const auto *start = call.input.data() + packet::kData;
            frames.emplace_back(start, start + length);
        }
    }
    return frames;
}

QStringList ScriptedCard::hookPaths() const
{
    QStringList paths;
    for (const ControlCall &call : controlCalls) {
        if (call.code == driver::kHookActivate) {
            paths << QString::fromUtf8(reinterpret_cast<const char *>(call.input.data() + hook::kPath));
        }
    }
    return paths;
}

namespace {
constexpr char kHandledProperty[] = "modalScriptHandled";
}

ModalScript::ModalScript()
{
    connect(&timer_, &QTimer::timeout, this, &ModalScript::poll);
    timer_.start(5);
}

ModalScript::~ModalScript() = default;

ModalScript &ModalScript::then(Handler handler)
{
    handlers_.push_back(std::move(handler));
    return *this;
}

void ModalScript::poll()
{
    auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget());
    if (!dialog || !dialog->isVisible() || dialog->property(kHandledProperty).toBool()) {
        return;
    }
    dialog->setProperty(kHandledProperty, true);
    dialog->installEventFilter(this);
    const QString name = QString::fromLatin1(dialog->metaObject()->className()).section(u':', -1);
    if (handlers_.empty()) {
        unexpected << name;
        dialog->reject();
        return;
    }
    handled << name;
    Handler handler = std::move(handlers_.front());
    handlers_.pop_front();
    handler(dialog);
}

AgentFixture::AgentFixture(AgentFixtureParts parts) : messagePump_(parts.messagePump)
{
    if (parts.scriptedCard) {
        card = std::make_unique<ScriptedCard>();
    }
    if (parts.modalScript) {
        script = std::make_unique<ModalScript>();
    }
    if (messagePump_) {
        ui::InstallQtMessagePump();
    }
}

AgentFixture::~AgentFixture()
{
    if (messagePump_) {
        ui::RemoveQtMessagePump();
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

void SetUpApplication()
{
    QCoreApplication::setApplicationName(QStringLiteral("VeyraAP"));
    win32::SetRegistryKey(QStringLiteral("NORVEX"));
    InitAgentResources();
}

bool ModalScript::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Hide) {
        watched->setProperty(kHandledProperty, false);
    }
    return QObject::eventFilter(watched, event);
}

void SetEditText(QDialog *dialog, int id, const QString &text)
{
    ui::FindControl<QLineEdit>(dialog, id)->setText(text);
}

void ClickButton(QDialog *dialog, int id)
{
    ui::FindControl<QPushButton>(dialog, id)->click();
}

ModalScript::Handler Accept()
{
    return [](QDialog *dialog) { dialog->accept(); };
}

ModalScript::Handler Reject()
{
    return [](QDialog *dialog) { dialog->reject(); };
}

ModalScript::Handler Login(const QString &userId, const QString &password)
{
    return [userId, password](QDialog *dialog) {
        SetEditText(dialog, IDC_USER_ID, userId);
        SetEditText(dialog, IDC_PASSWORD, password);
        dialog->accept();
    };
}

ModalScript::Handler SetUpFolder(const QString &name)
{
    return [name](QDialog *dialog) {
        SetEditText(dialog, IDC_FOLDER_NAME, name);
        dialog->accept();
    };
}

ModalScript::Handler ReadErrorCode(QStringList &codes)
{
    return [&codes](QDialog *dialog) {
        codes << ui::FindControl<QLabel>(dialog, IDC_ERROR_EXTRA)->text() + u'-' +
                     ui::FindControl<QLabel>(dialog, IDC_ERROR_CODE)->text();
        dialog->accept();
    };
}

uint32_t AttributesOf(const QString &windowsPath)
{
    return win32::GetFileAttributesA(Native(windowsPath).constData());
}

QStringList MenuTexts(const QMenu &menu)
{
    QStringList texts;
    for (const QAction *action : menu.actions()) {
        texts << (action->isSeparator() ? QStringLiteral("-") : action->text());
    }
    return texts;
}

} // namespace veyra::agent::test
