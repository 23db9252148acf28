// A UI host for tests: records every call with its owner, text, caption and
// type, and answers from scripts instead of showing anything. Constructing one
// installs it; destroying it brings the desktop host back.
#pragma once

#include "UiHost.h"

#include <QString>
#include <QStringList>

#include <deque>
#include <functional>
#include <vector>

namespace veyra::ui {

struct UiCall {
    enum class Kind { MessageBox, MessageBeep, PlaySound, ShellExecute, BrowseForFolder, OpenFileNames };

    Kind kind;
    const QWidget *owner = nullptr;
    QString text;    // message, sound name, path, or dialog title
    QString caption; // caption, shell operation, or file filter
    UINT type = 0;   // MB_... of a message box or beep, SND_... of a sound
    QString folder;  // start folder of a file dialog

    UINT icon() const { return type & MB_ICONMASK; }
    UINT buttons() const { return type & MB_TYPEMASK; }
};

class RecordingUiHost final : public UiHost {
public:
    RecordingUiHost();
    ~RecordingUiHost() override;
    RecordingUiHost(const RecordingUiHost &) = delete;
    RecordingUiHost &operator=(const RecordingUiHost &) = delete;

    // Scripts. A message box takes the next answer; with none left it answers
    // defaultAnswer, or its first button (IDOK, IDABORT, IDYES, IDRETRY) when
    // that is 0.
    std::deque<int> answers;
    int defaultAnswer = 0;
    std::deque<QString> folders;        // answers of browseForFolder; then empty
    std::deque<QStringList> fileLists;  // answers of openFileNames; then empty
    int shellResult = SE_SUCCESS_MIN;   // answer of shellExecute
    // Runs at every call, after it is recorded and before it is answered.
    std::function<void(const UiCall &)> onCall;

    // Records
    std::vector<UiCall> calls;
    std::vector<UiCall> callsOf(UiCall::Kind kind) const;
    std::vector<UiCall> messageBoxes() const { return callsOf(UiCall::Kind::MessageBox); }
    std::vector<UiCall> beeps() const { return callsOf(UiCall::Kind::MessageBeep); }

    int messageBox(QWidget *owner, const QString &text, const QString &caption, UINT type) override;
    BOOL messageBeep(UINT type) override;
    BOOL playSound(const QString &name, UINT flags) override;
    int shellExecute(QWidget *owner, const QString &operation, const QString &windowsPath) override;
    QString browseForFolder(QWidget *owner, const QString &title, const QString &windowsStartFolder) override;
    QStringList openFileNames(QWidget *owner, const QString &title, const QString &filter,
                              const QString &windowsStartFolder) override;

private:
    void record(UiCall call);
};

} // namespace veyra::ui
