// Conversions between UTF-16 text and the code page of the card's text fields
// (932, Japanese), shaped like the Windows calls of the same names.
#pragma once

#include "WinTypes.h"

namespace veyra::win32 {

constexpr UINT CP_JAPANESE = 932;
// A character without a form in the code page is not replaced by a look-alike.
constexpr DWORD WC_NO_BEST_FIT_CHARS = 0x400;
// A byte sequence that is no character fails the conversion.
constexpr DWORD MB_ERR_INVALID_CHARS = 0x8;
constexpr DWORD ERROR_NO_UNICODE_TRANSLATION = 1113;

// The bytes of `wide` (`wideLength` code units) in `codePage`, into `bytes` of
// `bytesSize`; with `bytesSize` 0 only the size needed. A character without a
// form there becomes '?' and sets `*usedDefaultChar`. 0 on failure, with the
// last error set (ERROR_INVALID_PARAMETER for a code page other than 932,
// ERROR_INSUFFICIENT_BUFFER).
VEYRA_WIN32_API int WideCharToMultiByte(UINT codePage, DWORD flags, const char16_t *wide, int wideLength,
                                        char *bytes, int bytesSize, const char *defaultChar, BOOL *usedDefaultChar);
// The way back; with MB_ERR_INVALID_CHARS a byte sequence that is no character
// fails with ERROR_NO_UNICODE_TRANSLATION, otherwise it becomes U+30FB.
VEYRA_WIN32_API int MultiByteToWideChar(UINT codePage, DWORD flags, const char *bytes, int bytesLength,
                                        char16_t *wide, int wideSize);

} // namespace veyra::win32
