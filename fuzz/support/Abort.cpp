#include "Abort.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>

namespace veyra::fuzz {

void Abort(const char *format, ...)
{
    va_list arguments;
    va_start(arguments, format);
    std::vfprintf(stderr, format, arguments);
    va_end(arguments);
    std::abort();
}

void AbortWithErrno(const char *what)
{
    std::perror(what);
    std::abort();
}

} // namespace veyra::fuzz
