#include "CPasswordEdit.h"

#include "CUserIdEdit.h"

namespace veyra::admin {
namespace {

// The printable ASCII characters that are neither letters, digits nor space.
bool IsAsciiPunctuation(QChar character)
{
    const char16_t code = character.unicode();
    return (code >= 0x21 && code <= 0x2F) || (code >= 0x3A && code <= 0x40) || (code >= 0x5B && code <= 0x60) ||
           (code >= 0x7B && code <= 0x7E);
}

} // namespace

CPasswordEdit::CPasswordEdit(QWidget *parent)
    : QLineEdit(parent)
{
}

bool CPasswordEdit::IsAccepted(QChar typed)
{
    return IsAsciiAlphaNumeric(typed) || IsAsciiPunctuation(typed);
}

void CPasswordEdit::keyPressEvent(QKeyEvent *event)
{
    if (PassKeyPress(this, event, IsAccepted)) {
        QLineEdit::keyPressEvent(event);
    }
}

void CPasswordEdit::inputMethodEvent(QInputMethodEvent *event)
{
    FilterCommit(event, IsAccepted);
    QLineEdit::inputMethodEvent(event);
}

} // namespace veyra::admin
