// How a fuzz target reports what it found: a message, then abort(), which the
// fuzzer takes for a crash and saves the input of.
#pragma once

namespace veyra::fuzz {

// Prints the message (printf-style) on stderr and aborts.
[[noreturn]] void Abort(const char *format, ...) __attribute__((format(printf, 1, 2)));

// For a system call that failed: prints `what` with the reason errno gives, and aborts.
[[noreturn]] void AbortWithErrno(const char *what);

} // namespace veyra::fuzz
