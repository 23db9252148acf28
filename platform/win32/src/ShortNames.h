// Short (8.3) names. A name that is a valid 8.3 name serves as its own short
// name; every other entry of a folder gets one made from its long name, like
// PROGRA~1 for "Program Files". The names are worked out from the folder's
// listing in byte order, so they are the same every time for the same listing
// and never clash within the folder.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace veyra::win32::detail {

bool IsValidShortName(std::string_view name);

class ShortNameTable {
public:
    explicit ShortNameTable(std::vector<std::string> names);

    // The made short name of an entry; "" when its own name serves.
    std::string AlternateOf(const std::string &name) const;
    // The entry whose made short name this is, in any letter case.
    std::optional<std::string> EntryOf(std::string_view shortName) const;

private:
    std::map<std::string, std::string> alternates_; // entry name -> made short name
};

} // namespace veyra::win32::detail
