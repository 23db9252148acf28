#include "CUserIdEdit.h"

#include "UiHost.h"

#include <QInputMethodEvent>
#include <QKeyEvent>

#include <algorithm>

namespace veyra::admin {
namespace {

// Text that the field types rather than takes as a key command.
bool IsTypedText(const QKeyEvent *event)
{
    const QString text = event->text();
    return !text.isEmpty() && (event->modifiers() & (Qt::ControlModifier | Qt::MetaModifier)) == 0 &&
           std::all_of(text.begin(), text.end(), [](QChar c) { return c.isPrint() || c.isSurrogate(); });
}

// The characters of `typed` that the field takes, with a beep for each other.
QString Kept(const QString &typed, CharacterFilter accepts)
{
    QString kept;
    for (qsizetype i = 0; i < typed.size(); ++i) {
        if (accepts(typed[i])) {
            kept += typed[i];
            continue;
        }
        ui::MessageBeep(ui::MB_ICONASTERISK);
        if (typed[i].isHighSurrogate() && i + 1 < typed.size() && typed[i + 1].isLowSurrogate()) {
            ++i;
        }
    }
    return kept;
}

} // namespace

bool PassKeyPress(QLineEdit *edit, QKeyEvent *event, CharacterFilter accepts)
{
    if (!IsTypedText(event)) {
        return true;
    }
    const QString kept = Kept(event->text(), accepts);
    if (kept == event->text()) {
        return true;
    }
    event->accept();
    if (!kept.isEmpty()) {
        edit->insert(kept);
    }
    return false;
}

void FilterCommit(QInputMethodEvent *event, CharacterFilter accepts)
{
    event->setCommitString(Kept(event->commitString(), accepts), event->replacementStart(),
                           event->replacementLength());
}

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
    if (PassKeyPress(this, event, IsAccepted)) {
        QLineEdit::keyPressEvent(event);
    }
}

void CUserIdEdit::inputMethodEvent(QInputMethodEvent *event)
{
    FilterCommit(event, IsAccepted);
    QLineEdit::inputMethodEvent(event);
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

bool IsAsciiAlphaNumeric(QChar character)
{
    const char16_t code = character.unicode();
    return (code >= u'0' && code <= u'9') || (code >= u'A' && code <= u'Z') || (code >= u'a' && code <= u'z');
}

} // namespace veyra::admin
