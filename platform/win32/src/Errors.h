// Failing with a Windows error code, and the one translation of errno values.
#pragma once

#include "Win32.h"

namespace veyra::win32::detail {

DWORD ErrorFromErrno(int errnoValue);

// Sets the last error and hands back the call's failure result, so that a
// failing step reads `return Fail(ERROR_NOT_READY, FALSE);`.
template <typename Result>
Result Fail(DWORD error, Result result)
{
    SetLastError(error);
    return result;
}

template <typename Result>
Result FailErrno(int errnoValue, Result result)
{
    return Fail(ErrorFromErrno(errnoValue), result);
}

} // namespace veyra::win32::detail
