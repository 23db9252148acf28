// A small JSON reader for the tests: what veyra-card prints with --json.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace veyra::vxd::test {

class JsonValue {
public:
    enum class Type { Null, Boolean, Number, String, Array, Object };

    static JsonValue Parse(const std::string &text)
    {
        std::size_t at = 0;
        JsonValue value = ParseValue(text, at);
        SkipSpace(text, at);
        if (at != text.size()) {
            throw std::runtime_error("trailing text after the JSON value");
        }
        return value;
    }

    Type type() const { return type_; }
    bool isNull() const { return type_ == Type::Null; }
    bool boolean() const { return expect(Type::Boolean).boolean_; }
    int64_t number() const { return expect(Type::Number).number_; }
    const std::string &string() const { return expect(Type::String).string_; }
    std::size_t size() const { return type_ == Type::Array ? items_.size() : members_.size(); }
    const JsonValue &operator[](std::size_t index) const { return expect(Type::Array).items_.at(index); }
    const JsonValue &operator[](const std::string &name) const
    {
        for (const auto &[key, value] : expect(Type::Object).members_) {
            if (key == name) {
                return value;
            }
        }
        throw std::runtime_error("no member " + name);
    }
    bool has(const std::string &name) const
    {
        for (const auto &member : expect(Type::Object).members_) {
            if (member.first == name) {
                return true;
            }
        }
        return false;
    }

private:
    const JsonValue &expect(Type type) const
    {
        if (type_ != type) {
            throw std::runtime_error("JSON value of another type");
        }
        return *this;
    }

    static void SkipSpace(const std::string &text, std::size_t &at)
    {
        while (at < text.size() && (text[at] == ' ' || text[at] == '\n' || text[at] == '\t' || text[at] == '\r')) {
            ++at;
        }
    }

    static bool Take(const std::string &text, std::size_t &at, const std::string &word)
    {
        if (text.compare(at, word.size(), word) != 0) {
            return false;
        }
        at += word.size();
        return true;
    }

    static std::string ParseString(const std::string &text, std::size_t &at)
    {
        std::string out;
        ++at; // opening quote
        while (at < text.size() && text[at] != '"') {
            char c = text[at++];
            if (c != '\\') {
                out += c;
                continue;
            }
            c = text.at(at++);
            switch (c) {
            case 'n':
                out += '\n';
                break;
            case 't':
                out += '\t';
                break;
            case 'u':
                // The writer escapes single bytes only.
                out += char(std::strtol(text.substr(at, 4).c_str(), nullptr, 16));
                at += 4;
                break;
            default:
                out += c;
                break;
            }
        }
        ++at; // closing quote
        return out;
    }

    static JsonValue ParseValue(const std::string &text, std::size_t &at)
    {
        SkipSpace(text, at);
        JsonValue value;
        if (at >= text.size()) {
            throw std::runtime_error("JSON ends early");
        }
        const char c = text[at];
        if (c == '{') {
            value.type_ = Type::Object;
            ++at;
            SkipSpace(text, at);
            while (text.at(at) != '}') {
                SkipSpace(text, at);
                std::string key = ParseString(text, at);
                SkipSpace(text, at);
                ++at; // colon
                value.members_.emplace_back(std::move(key), ParseValue(text, at));
                SkipSpace(text, at);
                if (text.at(at) == ',') {
                    ++at;
                }
                SkipSpace(text, at);
            }
            ++at;
        } else if (c == '[') {
            value.type_ = Type::Array;
            ++at;
            SkipSpace(text, at);
            while (text.at(at) != ']') {
                value.items_.push_back(ParseValue(text, at));
                SkipSpace(text, at);
                if (text.at(at) == ',') {
                    ++at;
                }
                SkipSpace(text, at);
            }
            ++at;
        } else if (c == '"') {
            value.type_ = Type::String;
            value.string_ = ParseString(text, at);
        } else if (Take(text, at, "true") || Take(text, at, "false")) {
            value.type_ = Type::Boolean;
            value.boolean_ = text[at - 1] == 'e' && text[at - 2] == 'u';
        } else if (Take(text, at, "null")) {
            value.type_ = Type::Null;
        } else {
            value.type_ = Type::Number;
            std::size_t used = 0;
            value.number_ = std::stoll(text.substr(at), &used);
            at += used;
        }
        return value;
    }

    Type type_ = Type::Null;
    bool boolean_ = false;
    int64_t number_ = 0;
    std::string string_;
    std::vector<JsonValue> items_;
    std::vector<std::pair<std::string, JsonValue>> members_;
};

} // namespace veyra::vxd::test
