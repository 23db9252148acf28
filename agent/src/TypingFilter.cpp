#include "TypingFilter.h"

#include "UiHost.h"

#include <QLineEdit>

namespace veyra::agent {

namespace {

bool Accepts(CharacterClass characters, QChar c)
{
    const char16_t u = c.unicode();
    if (characters == CharacterClass::Password) {
        return u >= 0x20 && u <= 0x7E;
    }
    return (u >= '0' && u <= '9') || (u >= 'A' && u <= 'Z') || (u >= 'a' && u <= 'z');
}

void RemoveRejected(QLineEdit *edit, CharacterClass characters)
{
    QString text = edit->text();
    int cursor = edit->cursorPosition();
    int removed = 0;
    for (int i = text.size() - 1; i >= 0; --i) {
        if (!Accepts(characters, text[i])) {
            text.remove(i, 1);
            cursor -= i < cursor ? 1 : 0;
            ++removed;
        }
    }
    if (removed == 0) {
        return;
    }
    edit->setText(text);
    edit->setCursorPosition(cursor);
    for (int i = 0; i < removed; ++i) {
        ui::MessageBeep(ui::MB_ICONEXCLAMATION);
    }
}

} // namespace

void FilterTyping(QLineEdit *edit, CharacterClass characters)
{
    QObject::connect(edit, &QLineEdit::textChanged, edit,
                     [edit, characters] { RemoveRejected(edit, characters); });
}

} // namespace veyra::agent
