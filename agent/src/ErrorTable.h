// The wording of every status code a card call can fail with: a title line, a
// detail text and a remedy text, with one default entry for codes not listed.
#pragma once

#include <cstdint>

namespace veyra::agent {

struct ErrorEntry {
    uint32_t code;
    const char *title;
    const char *detail;
    const char *remedy; // may be empty
};

// The entry of `code`, or the default entry when the table does not list it.
const ErrorEntry &LookUpError(uint32_t code);

} // namespace veyra::agent
