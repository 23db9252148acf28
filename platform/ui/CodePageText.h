// Qt text in the code page of the card's text fields (932) and back, for both
// programs, so that what one program writes to the card the other one reads.
#pragma once

#include "CodePage.h"

#include <QByteArray>
#include <QString>

#include <optional>
#include <string>

namespace veyra::ui {

// The bytes of `text` in code page 932 when every character has a form there
// and they are at most `maxBytes`; nullopt otherwise, so that a text is refused
// rather than cut inside a character.
inline std::optional<QByteArray> ToCodePage932(const QString &text, int maxBytes)
{
    if (text.isEmpty()) {
        return QByteArray();
    }
    const auto *wide = reinterpret_cast<const char16_t *>(text.utf16());
    win32::BOOL lossy = win32::FALSE;
    const int size = win32::WideCharToMultiByte(win32::CP_JAPANESE, win32::WC_NO_BEST_FIT_CHARS, wide,
                                                int(text.size()), nullptr, 0, nullptr, &lossy);
    if (size == 0 || lossy || size > maxBytes) {
        return std::nullopt;
    }
    QByteArray bytes(size, '\0');
    win32::WideCharToMultiByte(win32::CP_JAPANESE, win32::WC_NO_BEST_FIT_CHARS, wide, int(text.size()),
                               bytes.data(), size, nullptr, nullptr);
    return bytes;
}

inline QString FromCodePage932(const QByteArray &bytes)
{
    if (bytes.isEmpty()) {
        return QString();
    }
    const int size = win32::MultiByteToWideChar(win32::CP_JAPANESE, 0, bytes.constData(), int(bytes.size()),
                                                nullptr, 0);
    std::u16string wide(std::size_t(size), u'\0');
    win32::MultiByteToWideChar(win32::CP_JAPANESE, 0, bytes.constData(), int(bytes.size()), wide.data(), size);
    return QString::fromStdU16String(wide);
}

} // namespace veyra::ui
