#include "ShortNames.h"

#include "Strings.h"

#include <algorithm>
#include <set>

namespace veyra::win32::detail {

namespace {

constexpr size_t kBaseLength = 8;
constexpr size_t kExtensionLength = 3;

bool IsShortNameChar(char c)
{
    constexpr std::string_view kSpecial = "!#$%&'()-@^_`{}~";
    auto byte = static_cast<unsigned char>(c);
    return IsAsciiLetter(c) || (c >= '0' && c <= '9') || kSpecial.find(c) != std::string_view::npos || byte >= 0x80;
}

// A long name's characters as they may stand in a short name: letters upper
// case, blanks and dots dropped, anything else that is not allowed becomes '_'
// (a whole UTF-8 sequence counts as one character).
std::string ShortNameChars(std::string_view text)
{
    std::string chars;
    for (size_t i = 0; i < text.size(); ++i) {
        auto byte = static_cast<unsigned char>(text[i]);
        if (text[i] == ' ' || text[i] == '.')
            continue;
        if (byte >= 0x80) {
            while (i + 1 < text.size() && (static_cast<unsigned char>(text[i + 1]) & 0xC0) == 0x80)
                ++i;
            chars += '_';
            continue;
        }
        chars += IsShortNameChar(text[i]) ? AsciiUpper(text[i]) : '_';
    }
    return chars;
}

std::string MadeShortName(std::string_view base, std::string_view extension, unsigned number)
{
    std::string tail = "~" + std::to_string(number);
    std::string name(base.substr(0, kBaseLength > tail.size() ? kBaseLength - tail.size() : 0));
    name += tail;
    if (!extension.empty()) {
        name += '.';
        name += extension;
    }
    return name;
}

} // namespace

bool IsValidShortName(std::string_view name)
{
    if (name.empty() || name == "." || name == "..")
        return false;
    size_t dot = name.find('.');
    std::string_view base = name.substr(0, dot);
    std::string_view extension = dot == std::string_view::npos ? std::string_view{} : name.substr(dot + 1);
    if (base.empty() || base.size() > kBaseLength || extension.size() > kExtensionLength)
        return false;
    if (dot != std::string_view::npos && extension.empty())
        return false;
    return std::all_of(base.begin(), base.end(), IsShortNameChar) &&
           std::all_of(extension.begin(), extension.end(), IsShortNameChar);
}

ShortNameTable::ShortNameTable(std::vector<std::string> names)
{
    std::sort(names.begin(), names.end());

    // Valid 8.3 names keep themselves; of names equal but for letter case, the
    // first keeps it and the others get a made one.
    std::set<std::string> taken;
    std::vector<const std::string *> needShortName;
    for (const std::string &name : names) {
        if (!IsValidShortName(name) || !taken.insert(AsciiUpper(name)).second)
            needShortName.push_back(&name);
    }

    for (const std::string *name : needShortName) {
        std::string_view longName = *name;
        longName.remove_prefix(std::min(longName.find_first_not_of('.'), longName.size()));
        size_t dot = longName.rfind('.');
        std::string base = ShortNameChars(longName.substr(0, dot));
        std::string extension;
        if (dot != std::string_view::npos)
            extension = ShortNameChars(longName.substr(dot + 1)).substr(0, kExtensionLength);
        if (base.empty())
            base = "_";
        for (unsigned number = 1;; ++number) {
            std::string candidate = MadeShortName(base, extension, number);
            if (taken.insert(candidate).second) {
                alternates_[*name] = candidate;
                break;
            }
        }
    }
}

std::string ShortNameTable::AlternateOf(const std::string &name) const
{
    auto found = alternates_.find(name);
    return found == alternates_.end() ? std::string{} : found->second;
}

std::optional<std::string> ShortNameTable::EntryOf(std::string_view shortName) const
{
    for (const auto &[name, alternate] : alternates_) {
        if (AsciiEqualNoCase(alternate, shortName))
            return name;
    }
    return std::nullopt;
}

} // namespace veyra::win32::detail
