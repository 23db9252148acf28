// The user ID field: takes ASCII letters and digits as they are typed, drops any
// other character with the asterisk sound, and keeps the input method closed
// while it has the focus.
#pragma once

#include <QInputMethodEvent>
#include <QLineEdit>

namespace veyra::admin {

class CUserIdEdit : public QLineEdit {
    Q_OBJECT

public:
    explicit CUserIdEdit(QWidget *parent = nullptr);

    static bool IsAccepted(QChar typed);

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void inputMethodEvent(QInputMethodEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;

private:
    bool inputMethodWasOpen_ = false;
};

// Typed text, as a key press or as an input method's commit, reaches the field
// only with the characters it takes; each one dropped sounds the asterisk. A
// character beyond the Basic Multilingual Plane is one character, dropped.
using CharacterFilter = bool (*)(QChar);
// False when the key press was typed text that the filter has dealt with
// (dropped, or inserted without the characters it dropped); true when it goes
// on to the field as it is.
bool PassKeyPress(QLineEdit *edit, QKeyEvent *event, CharacterFilter accepts);
// Leaves in an input method's commit only the characters the field takes.
void FilterCommit(QInputMethodEvent *event, CharacterFilter accepts);
// ASCII letters and digits: what the system calls alphanumeric in user IDs.
bool IsAsciiAlphaNumeric(QChar character);

} // namespace veyra::admin
