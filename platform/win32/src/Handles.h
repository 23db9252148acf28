// The process's handle table: file, search and mutex handles as opaque numbers
// that are never handed out twice, so a stale handle fails cleanly with
// ERROR_INVALID_HANDLE.
#pragma once

#include "WinTypes.h"

#include <memory>

namespace veyra::win32::detail {

class HandleObject {
public:
    // Search handles are closed by FindClose, everything else by CloseHandle.
    enum class Closer { CloseHandle, FindClose };

    virtual ~HandleObject() = default;
    virtual Closer closer() const { return Closer::CloseHandle; }
};

HANDLE AddHandle(std::shared_ptr<HandleObject> object);
std::shared_ptr<HandleObject> FindHandle(HANDLE handle);
// Takes the object out of the table when the closer fits; the last holder of
// the object closes what it holds.
std::shared_ptr<HandleObject> RemoveHandle(HANDLE handle, HandleObject::Closer closer);

template <typename Object>
std::shared_ptr<Object> FindHandleOf(HANDLE handle)
{
    return std::dynamic_pointer_cast<Object>(FindHandle(handle));
}

} // namespace veyra::win32::detail
