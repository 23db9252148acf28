#include "Handles.h"

#include "Win32.h"

#include <map>
#include <mutex>

namespace veyra::win32::detail {

namespace {

struct HandleTable {
    std::mutex mutex;
    std::map<uintptr_t, std::shared_ptr<HandleObject>> objects;
    uintptr_t lastValue = 0;
};

HandleTable &Table()
{
    static HandleTable table;
    return table;
}

} // namespace

HANDLE AddHandle(std::shared_ptr<HandleObject> object)
{
    HandleTable &table = Table();
    std::lock_guard lock(table.mutex);
    table.lastValue += 4; // as Windows numbers its handles
    table.objects.emplace(table.lastValue, std::move(object));
    return reinterpret_cast<HANDLE>(table.lastValue);
}

std::shared_ptr<HandleObject> FindHandle(HANDLE handle)
{
    HandleTable &table = Table();
    std::lock_guard lock(table.mutex);
    auto found = table.objects.find(reinterpret_cast<uintptr_t>(handle));
    return found == table.objects.end() ? nullptr : found->second;
}

std::shared_ptr<HandleObject> RemoveHandle(HANDLE handle, HandleObject::Closer closer)
{
    HandleTable &table = Table();
    std::lock_guard lock(table.mutex);
    auto found = table.objects.find(reinterpret_cast<uintptr_t>(handle));
    if (found == table.objects.end() || found->second->closer() != closer)
        return nullptr;
    std::shared_ptr<HandleObject> object = std::move(found->second);
    table.objects.erase(found);
    return object;
}

} // namespace veyra::win32::detail

namespace veyra::win32 {

BOOL CloseHandle(HANDLE object)
{
    if (!detail::RemoveHandle(object, detail::HandleObject::Closer::CloseHandle)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    return TRUE;
}

} // namespace veyra::win32
