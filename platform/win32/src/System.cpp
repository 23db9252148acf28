#include "Errors.h"

#include <cerrno>
#include <sys/sysinfo.h>

namespace veyra::win32 {

BOOL GlobalMemoryStatusEx(MEMORYSTATUSEX *buffer)
{
    if (!buffer || buffer->dwLength != sizeof(MEMORYSTATUSEX))
        return detail::Fail(ERROR_INVALID_PARAMETER, FALSE);
    struct sysinfo info {};
    if (::sysinfo(&info) != 0)
        return detail::FailErrno(errno, FALSE);

    uint64_t unit = info.mem_unit;
    buffer->ullTotalPhys = info.totalram * unit;
    buffer->ullAvailPhys = (info.freeram + info.bufferram) * unit;
    buffer->ullTotalPageFile = (info.totalram + info.totalswap) * unit;
    buffer->ullAvailPageFile = (info.freeram + info.bufferram + info.freeswap) * unit;
    // The address space of a 64-bit process: 128 TiB, nearly all of it free.
    buffer->ullTotalVirtual = uint64_t{1} << 47;
    buffer->ullAvailVirtual = buffer->ullTotalVirtual;
    buffer->ullAvailExtendedVirtual = 0;
    buffer->dwMemoryLoad = buffer->ullTotalPhys
                               ? static_cast<DWORD>(100 - buffer->ullAvailPhys * 100 / buffer->ullTotalPhys)
                               : 0;
    return TRUE;
}

} // namespace veyra::win32
