#include "CUserIdEdit.h"

#include "UiHost.h"

#include <QGuiApplication>
#include <QInputMethod>
#include <QKeyEvent>

namespace veyra::admin {

CUserIdEdit::CUserIdEdit(QWidget *parent)
    : QLineEdit(parent)
{
}

bool CUserIdEdit::IsAccepted(QChar typed)
{
    return IsAsciiAlphaNumeric(typed);
}

void CUserIdEdit::keyPressEvent(QKeyEvent *event)
{
    if (IsTypedCharacter(event) && !IsAccepted(event->text().front())) {
        ui::MessageBeep(ui::MB_ICONASTERISK);
        event->accept();
        return;
    }
    QLineEdit::keyPressEvent(event);
}

// The field's input method state is whether it takes composed input; the field
// remembers it, closes it for the time it has the focus, and then restores it.
void CUserIdEdit::focusInEvent(QFocusEvent *event)
{
    inputMethodWasOpen_ = testAttribute(Qt::WA_InputMethodEnabled);
    setAttribute(Qt::WA_InputMethodEnabled, false);
    QLineEdit::focusInEvent(event);
}

void CUserIdEdit::focusOutEvent(QFocusEvent *event)
{
    QLineEdit::focusOutEvent(event);
    setAttribute(Qt::WA_InputMethodEnabled, inputMethodWasOpen_);
}

bool IsTypedCharacter(const QKeyEvent *event)
{
    if (event->text().size() != 1 || (event->modifiers() & (Qt::ControlModifier | Qt::MetaModifier)) != 0) {
        return false;
    }
    const QChar character = event->text().front();
    return character.isPrint();
}

bool IsAsciiAlphaNumeric(QChar character)
{
    const char16_t code = character.unicode();
    return (code >= u'0' && code <= u'9') || (code >= u'A' && code <= u'Z') || (code >= u'a' && code <= u'z');
}

} // namespace veyra::admin
