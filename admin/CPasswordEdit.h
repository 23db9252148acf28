// The password and key information fields: take ASCII letters, digits and the
// 32 punctuation characters as they are typed, and drop any other character
// (space included) with the asterisk sound.
#pragma once

#include <QLineEdit>

namespace veyra::admin {

class CPasswordEdit : public QLineEdit {
    Q_OBJECT

public:
    explicit CPasswordEdit(QWidget *parent = nullptr);

    static bool IsAccepted(QChar typed);

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void inputMethodEvent(QInputMethodEvent *event) override;
};

} // namespace veyra::admin
