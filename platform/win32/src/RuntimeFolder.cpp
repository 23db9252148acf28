#include "Errors.h"
#include "PathMap.h"

#include "RuntimeFolder.h"

#include <cerrno>

namespace veyra::win32 {

// An existing folder must be ours and closed to others, since the locks
// inside it decide which program may run.
std::optional<std::string> RuntimeFolder(std::string &problem)
{
    const std::string folder = runtime::RuntimeFolder();
    if (!runtime::MakePrivateFolder(folder, problem))
        return detail::FailErrno(errno, std::nullopt);
    return folder;
}

std::optional<std::string> RuntimeFolder()
{
    std::string problem;
    return RuntimeFolder(problem);
}

} // namespace veyra::win32
