#include "RecordingUiHost.h"

#include <utility>

namespace veyra::ui {
namespace {

int FirstButtonOf(UINT type)
{
    switch (type & MB_TYPEMASK) {
    case MB_ABORTRETRYIGNORE:
        return IDABORT;
    case MB_YESNOCANCEL:
    case MB_YESNO:
        return IDYES;
    case MB_RETRYCANCEL:
        return IDRETRY;
    default:
        return IDOK;
    }
}

template <typename T>
T TakeFront(std::deque<T> &queue)
{
    if (queue.empty()) {
        return T();
    }
    T front = std::move(queue.front());
    queue.pop_front();
    return front;
}

} // namespace

RecordingUiHost::RecordingUiHost()
{
    InstallHost(this);
}

RecordingUiHost::~RecordingUiHost()
{
    InstallHost(nullptr);
}

std::vector<UiCall> RecordingUiHost::callsOf(UiCall::Kind kind) const
{
    std::vector<UiCall> found;
    for (const UiCall &call : calls) {
        if (call.kind == kind) {
            found.push_back(call);
        }
    }
    return found;
}

void RecordingUiHost::record(UiCall call)
{
    calls.push_back(std::move(call));
    if (onCall) {
        onCall(calls.back());
    }
}

int RecordingUiHost::messageBox(QWidget *owner, const QString &text, const QString &caption, UINT type)
{
    record({UiCall::Kind::MessageBox, owner, text, caption, type, {}});
    if (!answers.empty()) {
        return TakeFront(answers);
    }
    return defaultAnswer != 0 ? defaultAnswer : FirstButtonOf(type);
}

BOOL RecordingUiHost::messageBeep(UINT type)
{
    record({UiCall::Kind::MessageBeep, nullptr, {}, {}, type, {}});
    return 1;
}

BOOL RecordingUiHost::playSound(const QString &name, UINT flags)
{
    record({UiCall::Kind::PlaySound, nullptr, name, {}, flags, {}});
    return 1;
}

int RecordingUiHost::shellExecute(QWidget *owner, const QString &operation, const QString &windowsPath)
{
    record({UiCall::Kind::ShellExecute, owner, windowsPath, operation, 0, {}});
    return shellResult;
}

QString RecordingUiHost::browseForFolder(QWidget *owner, const QString &title, const QString &windowsStartFolder)
{
    record({UiCall::Kind::BrowseForFolder, owner, title, {}, 0, windowsStartFolder});
    return TakeFront(folders);
}

QStringList RecordingUiHost::openFileNames(QWidget *owner, const QString &title, const QString &filter,
                                           const QString &windowsStartFolder)
{
    record({UiCall::Kind::OpenFileNames, owner, title, filter, 0, windowsStartFolder});
    return TakeFront(fileLists);
}

} // namespace veyra::ui
