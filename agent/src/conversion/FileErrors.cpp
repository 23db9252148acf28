#include "FileErrors.h"

#include "AgentDialog.h"
#include "ConversionResource.h"
#include "WinTypes.h"

#include <algorithm>
#include <initializer_list>

namespace veyra::agent {

namespace {

using namespace veyra::win32;

struct Cause {
    std::initializer_list<DWORD> errors;
    const char *text;
};

// Anything not listed is the generic cause.
const Cause kCauses[] = {
    {{NO_ERROR}, text::kFileErrorNone},
    {{ERROR_FILE_NOT_FOUND, ERROR_NO_MORE_FILES}, text::kFileErrorNotFound},
    {{ERROR_PATH_NOT_FOUND, ERROR_INVALID_NAME, ERROR_BAD_NETPATH, ERROR_BAD_NET_NAME, ERROR_FILENAME_EXCED_RANGE,
      ERROR_NOT_SAME_DEVICE, ERROR_DIRECTORY, ERROR_DIR_NOT_ROOT, ERROR_BAD_DEVICE, ERROR_CANT_RESOLVE_FILENAME},
     text::kFileErrorBadPath},
    {{ERROR_TOO_MANY_OPEN_FILES}, text::kFileErrorTooManyOpen},
    {{ERROR_ACCESS_DENIED, ERROR_WRITE_PROTECT, ERROR_FILE_EXISTS, ERROR_ALREADY_EXISTS, ERROR_NETNAME_DELETED,
      ERROR_BUSY, ERROR_NOT_OWNER},
     text::kFileErrorAccessDenied},
    {{ERROR_INVALID_HANDLE}, text::kFileErrorInvalidFile},
    {{ERROR_DIR_NOT_EMPTY}, text::kFileErrorRemoveCurrent},
    {{ERROR_SEEK}, text::kFileErrorBadSeek},
    {{ERROR_IO_DEVICE, ERROR_NOT_READY, ERROR_BAD_UNIT, ERROR_GEN_FAILURE}, text::kFileErrorHardIo},
    {{ERROR_SHARING_VIOLATION}, text::kFileErrorSharing},
    {{ERROR_LOCK_VIOLATION}, text::kFileErrorLock},
    {{ERROR_DISK_FULL, ERROR_FILE_TOO_LARGE}, text::kFileErrorDiskFull},
    {{ERROR_HANDLE_EOF}, text::kFileErrorEndOfFile},
};

} // namespace

QString FileErrorText(uint32_t systemError, const QString &fileName)
{
    const auto cause = std::find_if(std::begin(kCauses), std::end(kCauses), [systemError](const Cause &entry) {
        return std::find(entry.errors.begin(), entry.errors.end(), systemError) != entry.errors.end();
    });
    const char *wording = cause == std::end(kCauses) ? text::kFileErrorGeneric : cause->text;
    return Text(wording).replace(QStringLiteral("%1"), fileName);
}

} // namespace veyra::agent
