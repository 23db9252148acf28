// The user ID field: takes ASCII letters and digits as they are typed, drops any
// other character with the asterisk sound, and keeps the input method closed
// while it has the focus.
#pragma once

#include <QLineEdit>

namespace veyra::admin {

class CUserIdEdit : public QLineEdit {
    Q_OBJECT

public:
    explicit CUserIdEdit(QWidget *parent = nullptr);

    static bool IsAccepted(QChar typed);

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;

private:
    bool inputMethodWasOpen_ = false;
};

// A character an edit field takes as typed text rather than as a key command.
bool IsTypedCharacter(const QKeyEvent *event);
// ASCII letters and digits: what the system calls alphanumeric in user IDs.
bool IsAsciiAlphaNumeric(QChar character);

} // namespace veyra::admin
