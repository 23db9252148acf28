// What an edit field takes: on every change of its text, each character outside
// the field's class is removed at once, with one exclamation beep per character.
#pragma once

class QLineEdit;

namespace veyra::agent {

enum class CharacterClass {
    UserId,  // ASCII letters and digits
    Password // printable ASCII, space included
};

void FilterTyping(QLineEdit *edit, CharacterClass characters);

} // namespace veyra::agent
