#include "Json.h"

#include <cstdio>

namespace veyra::vxd::tool {
namespace {

// Length of the UTF-8 sequence at `at`, or 0 when it is not a valid one.
std::size_t Utf8SequenceLength(std::string_view text, std::size_t at)
{
    const auto byte = [&](std::size_t i) { return uint8_t(text[i]); };
    const uint8_t lead = byte(at);
    std::size_t length = lead >= 0xF0 && lead <= 0xF4 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC2 && lead <= 0xDF ? 2 : 0;
    if (length == 0 || at + length > text.size()) {
        return 0;
    }
    for (std::size_t i = 1; i < length; ++i) {
        if ((byte(at + i) & 0xC0) != 0x80) {
            return 0;
        }
    }
    return length;
}

void AppendEscaped(std::string &out, uint8_t byte)
{
    char escaped[8];
    std::snprintf(escaped, sizeof escaped, "\\u%04x", byte);
    out += escaped;
}

// Text that is not UTF-8 (a path in another code page) shows each such byte as
// the character of the same number.
void AppendString(std::string &out, std::string_view text)
{
    out += '"';
    for (std::size_t i = 0; i < text.size(); ++i) {
        const uint8_t byte = uint8_t(text[i]);
        if (byte == '"' || byte == '\\') {
            out += '\\';
            out += char(byte);
        } else if (byte == '\n') {
            out += "\\n";
        } else if (byte < 0x20 || byte == 0x7F) {
            AppendEscaped(out, byte);
        } else if (byte < 0x80) {
            out += char(byte);
        } else if (const std::size_t length = Utf8SequenceLength(text, i); length != 0) {
            out.append(text.substr(i, length));
            i += length - 1;
        } else {
            AppendEscaped(out, byte);
        }
    }
    out += '"';
}

} // namespace

void JsonWriter::beginValue()
{
    if (afterKey_) {
        afterKey_ = false;
        return;
    }
    if (hasItems_.empty()) {
        return;
    }
    if (hasItems_.back()) {
        out_ += ',';
    }
    hasItems_.back() = true;
    out_ += '\n';
    out_.append(2 * hasItems_.size(), ' ');
}

void JsonWriter::open(char bracket)
{
    beginValue();
    out_ += bracket;
    hasItems_.push_back(false);
}

void JsonWriter::close(char bracket)
{
    const bool hadItems = hasItems_.back();
    hasItems_.pop_back();
    if (hadItems) {
        out_ += '\n';
        out_.append(2 * hasItems_.size(), ' ');
    }
    out_ += bracket;
}

JsonWriter &JsonWriter::beginObject()
{
    open('{');
    return *this;
}

JsonWriter &JsonWriter::endObject()
{
    close('}');
    return *this;
}

JsonWriter &JsonWriter::beginArray()
{
    open('[');
    return *this;
}

JsonWriter &JsonWriter::endArray()
{
    close(']');
    return *this;
}

JsonWriter &JsonWriter::key(std::string_view name)
{
    beginValue();
    AppendString(out_, name);
    out_ += ": ";
    afterKey_ = true;
    return *this;
}

JsonWriter &JsonWriter::string(std::string_view text)
{
    beginValue();
    AppendString(out_, text);
    return *this;
}

JsonWriter &JsonWriter::number(int64_t value)
{
    beginValue();
    out_ += std::to_string(value);
    return *this;
}

JsonWriter &JsonWriter::boolean(bool value)
{
    beginValue();
    out_ += value ? "true" : "false";
    return *this;
}

JsonWriter &JsonWriter::null()
{
    beginValue();
    out_ += "null";
    return *this;
}

} // namespace veyra::vxd::tool
