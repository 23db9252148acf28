#include "CodePage.h"

#include "Errors.h"

#include <cerrno>
#include <iconv.h>
#include <string>

namespace veyra::win32 {

using namespace detail;

namespace {

constexpr char16_t kUnknownCharacter = u'\u30FB';

// One conversion descriptor per call: the calls are rare and short.
class Converter {
public:
    Converter(const char *to, const char *from) : descriptor_(::iconv_open(to, from)) {}
    ~Converter()
    {
        if (valid()) {
            ::iconv_close(descriptor_);
        }
    }
    Converter(const Converter &) = delete;
    Converter &operator=(const Converter &) = delete;

    bool valid() const { return descriptor_ != reinterpret_cast<iconv_t>(-1); }

    // Converts one character of `unitSize` bytes; false when it has no form.
    bool convert(const char *in, std::size_t inSize, std::string &out)
    {
        char buffer[8];
        char *input = const_cast<char *>(in);
        char *output = buffer;
        std::size_t outLeft = sizeof buffer;
        ::iconv(descriptor_, nullptr, nullptr, nullptr, nullptr);
        if (::iconv(descriptor_, &input, &inSize, &output, &outLeft) == static_cast<std::size_t>(-1) || inSize != 0) {
            return false;
        }
        out.append(buffer, sizeof buffer - outLeft);
        return true;
    }

private:
    iconv_t descriptor_;
};

int Length(const char16_t *text)
{
    int length = 0;
    while (text[length] != 0) {
        ++length;
    }
    return length + 1;
}

int Length(const char *text)
{
    int length = 0;
    while (text[length] != 0) {
        ++length;
    }
    return length + 1;
}

// A lead byte of a two-byte character of code page 932.
bool IsLeadByte(unsigned char byte)
{
    return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}

template <typename Unit>
int Deliver(const std::basic_string<Unit> &result, Unit *out, int outSize)
{
    if (outSize == 0) {
        return int(result.size());
    }
    if (int(result.size()) > outSize) {
        return Fail(ERROR_INSUFFICIENT_BUFFER, 0);
    }
    result.copy(out, result.size());
    return int(result.size());
}

} // namespace

int WideCharToMultiByte(UINT codePage, DWORD /*flags*/, const char16_t *wide, int wideLength, char *bytes,
                        int bytesSize, const char *defaultChar, BOOL *usedDefaultChar)
{
    if (codePage != CP_JAPANESE || !wide || wideLength == 0 || bytesSize < 0 || (bytesSize > 0 && !bytes)) {
        return Fail(ERROR_INVALID_PARAMETER, 0);
    }
    if (wideLength < 0) {
        wideLength = Length(wide);
    }
    if (usedDefaultChar) {
        *usedDefaultChar = FALSE;
    }
    Converter converter("CP932", "UTF-16LE");
    std::string result;
    for (int i = 0; i < wideLength;) {
        const bool pair = i + 1 < wideLength && wide[i] >= 0xD800 && wide[i] <= 0xDBFF && wide[i + 1] >= 0xDC00 &&
                          wide[i + 1] <= 0xDFFF;
        const int units = pair ? 2 : 1;
        char in[4];
        for (int u = 0; u < units; ++u) {
            in[2 * u] = char(wide[i + u] & 0xFF);
            in[2 * u + 1] = char(wide[i + u] >> 8);
        }
        // Without the system's tables only ASCII has a known form.
        const bool converted = converter.valid() ? converter.convert(in, std::size_t(2 * units), result)
                                                 : (wide[i] < 0x80 && (result += char(wide[i]), true));
        if (!converted) {
            result += defaultChar ? *defaultChar : '?';
            if (usedDefaultChar) {
                *usedDefaultChar = TRUE;
            }
        }
        i += units;
    }
    return Deliver(result, bytes, bytesSize);
}

int MultiByteToWideChar(UINT codePage, DWORD flags, const char *bytes, int bytesLength, char16_t *wide,
                        int wideSize)
{
    if (codePage != CP_JAPANESE || !bytes || bytesLength == 0 || wideSize < 0 || (wideSize > 0 && !wide)) {
        return Fail(ERROR_INVALID_PARAMETER, 0);
    }
    if (bytesLength < 0) {
        bytesLength = Length(bytes);
    }
    Converter converter("UTF-16LE", "CP932");
    std::u16string result;
    for (int i = 0; i < bytesLength;) {
        const int size = IsLeadByte(static_cast<unsigned char>(bytes[i])) && i + 1 < bytesLength ? 2 : 1;
        std::string units;
        const bool converted = converter.valid() ? converter.convert(bytes + i, std::size_t(size), units)
                                                 : (static_cast<unsigned char>(bytes[i]) < 0x80 &&
                                                    (units += bytes[i], units += '\0', true));
        if (!converted && (flags & MB_ERR_INVALID_CHARS)) {
            return Fail(ERROR_NO_UNICODE_TRANSLATION, 0);
        }
        if (!converted) {
            result += kUnknownCharacter;
        }
        for (std::size_t u = 0; converted && u + 1 < units.size(); u += 2) {
            result += char16_t(static_cast<unsigned char>(units[u]) | (static_cast<unsigned char>(units[u + 1]) << 8));
        }
        i += size;
    }
    return Deliver(result, wide, wideSize);
}

} // namespace veyra::win32
