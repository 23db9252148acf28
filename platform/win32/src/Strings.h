// Small string helpers. Letter case is ASCII-only: bytes of UTF-8 sequences are
// never folded, so names in other scripts compare exactly.
#pragma once

#include "WinTypes.h"

#include <string>
#include <string_view>
#include <vector>

namespace veyra::win32::detail {

inline bool IsAsciiLetter(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

inline char AsciiUpper(char c)
{
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

inline std::string AsciiUpper(std::string_view text)
{
    std::string upper(text);
    for (char &c : upper)
        c = AsciiUpper(c);
    return upper;
}

inline std::string AsciiLower(std::string_view text)
{
    std::string lower(text);
    for (char &c : lower) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    return lower;
}

inline bool AsciiEqualNoCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (AsciiUpper(a[i]) != AsciiUpper(b[i]))
            return false;
    }
    return true;
}

inline std::string_view Trim(std::string_view text)
{
    constexpr std::string_view kSpace = " \t\r\n";
    size_t first = text.find_first_not_of(kSpace);
    if (first == std::string_view::npos)
        return {};
    return text.substr(first, text.find_last_not_of(kSpace) - first + 1);
}

inline std::vector<std::string_view> Split(std::string_view text, char separator)
{
    std::vector<std::string_view> parts;
    size_t start = 0;
    for (;;) {
        size_t end = text.find(separator, start);
        parts.push_back(text.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start));
        if (end == std::string_view::npos)
            return parts;
        start = end + 1;
    }
}

// Copies a result into a caller's buffer the Windows way: the length without
// the terminating zero when it fits, else the size the buffer needs (with the
// zero), leaving the buffer untouched.
inline DWORD CopyOut(std::string_view text, char *buffer, DWORD bufferLength)
{
    if (!buffer || text.size() + 1 > bufferLength)
        return static_cast<DWORD>(text.size() + 1);
    text.copy(buffer, text.size());
    buffer[text.size()] = '\0';
    return static_cast<DWORD>(text.size());
}

} // namespace veyra::win32::detail
