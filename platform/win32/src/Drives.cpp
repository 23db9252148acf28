#include "DriveMap.h"
#include "Errors.h"
#include "Paths.h"
#include "Strings.h"

#include <algorithm>
#include <cerrno>
#include <sys/stat.h>
#include <sys/statvfs.h>

namespace veyra::win32 {

using namespace detail;

namespace {

constexpr std::string_view kWindowsDirectory = "C:\\WINDOWS";
constexpr DWORD kMaximumComponentLength = 255;
constexpr DWORD kBytesPerSector = 512;

// The drive or share a root path ("X:\", "X:", "\\server\share\") names; the
// current directory's when the path is null.
std::optional<Volume> RootVolume(const char *rootPathName)
{
    std::optional<std::string> root =
        rootPathName ? std::optional<std::string>(rootPathName) : CurrentWindowsDirectory();
    if (!root)
        return std::nullopt;
    std::optional<WindowsPath> parsed = ParseWindowsPath(*root);
    if (!parsed)
        return std::nullopt;
    if (rootPathName && !parsed->components.empty())
        return Fail(ERROR_DIR_NOT_ROOT, std::nullopt);
    DWORD error = ERROR_SUCCESS;
    const Volume *volume = VolumeOf(*CurrentDriveMap(), *parsed, error);
    if (!volume)
        return Fail(error, std::nullopt);
    return *volume;
}

struct FreeSpace {
    uint64_t unitSize;
    uint64_t availableUnits; // to this user
    uint64_t freeUnits;
    uint64_t totalUnits;
};

// The space of the filesystem holding a folder. A CD-ROM has none free.
std::optional<FreeSpace> FreeSpaceOf(const char *directoryName)
{
    std::optional<std::string> path =
        directoryName ? std::optional<std::string>(directoryName) : CurrentWindowsDirectory();
    if (!path)
        return std::nullopt;
    std::optional<ResolvedPath> resolved = ResolveExisting(path->c_str());
    if (!resolved)
        return std::nullopt;
    struct stat status {};
    if (::stat(resolved->unixPath.c_str(), &status) != 0)
        return FailErrno(errno, std::nullopt);
    if (!S_ISDIR(status.st_mode))
        return Fail(ERROR_DIRECTORY, std::nullopt);
    struct statvfs space {};
    if (::statvfs(resolved->unixPath.c_str(), &space) != 0)
        return FailErrno(errno, std::nullopt);
    if (VolumeIsWriteProtected(resolved->volume))
        return FreeSpace{space.f_frsize, 0, 0, space.f_blocks};
    return FreeSpace{space.f_frsize, space.f_bavail, space.f_bfree, space.f_blocks};
}

DWORD ClampToDword(uint64_t value)
{
    return static_cast<DWORD>(std::min<uint64_t>(value, 0xFFFFFFFFu));
}

} // namespace

DWORD GetLogicalDrives()
{
    std::shared_ptr<const DriveMap> map = CurrentDriveMap();
    DWORD drives = 0;
    for (size_t i = 0; i < map->drives.size(); ++i) {
        if (map->drives[i])
            drives |= DWORD{1} << i;
    }
    return drives;
}

DWORD GetLogicalDriveStringsA(DWORD bufferLength, char *buffer)
{
    // "C:\<0>Z:\<0><0>": the length counts every zero but the last.
    std::string strings;
    DWORD drives = GetLogicalDrives();
    for (char letter = 'A'; letter <= 'Z'; ++letter) {
        if (drives & (DWORD{1} << (letter - 'A'))) {
            strings += std::string{letter, ':', '\\'};
            strings += '\0';
        }
    }
    return CopyOut(strings, buffer, bufferLength);
}

UINT GetDriveTypeA(const char *rootPathName)
{
    std::optional<Volume> volume = RootVolume(rootPathName);
    return volume ? VolumeType(*volume) : DRIVE_NO_ROOT_DIR;
}

BOOL GetVolumeInformationA(const char *rootPathName, char *volumeNameBuffer, DWORD volumeNameSize,
                           DWORD *volumeSerialNumber, DWORD *maximumComponentLength, DWORD *fileSystemFlags,
                           char *fileSystemNameBuffer, DWORD fileSystemNameSize)
{
    std::optional<Volume> volume = RootVolume(rootPathName);
    if (!volume)
        return FALSE;
    if (DWORD readiness = VolumeReadiness(*volume); readiness != ERROR_SUCCESS)
        return Fail(readiness, FALSE);
    struct stat status {};
    if (::stat(volume->folder.c_str(), &status) != 0)
        return FailErrno(errno, FALSE);

    bool cdrom = VolumeType(*volume) == DRIVE_CDROM;
    std::string_view fileSystemName = cdrom ? "CDFS" : "NTFS";
    if ((volumeNameBuffer && volumeNameSize < 1) ||
        (fileSystemNameBuffer && fileSystemNameSize < fileSystemName.size() + 1))
        return Fail(ERROR_INSUFFICIENT_BUFFER, FALSE);
    if (volumeNameBuffer)
        CopyOut("", volumeNameBuffer, volumeNameSize);
    if (volumeSerialNumber)
        *volumeSerialNumber = static_cast<DWORD>(status.st_dev ^ (status.st_dev >> 32));
    if (maximumComponentLength)
        *maximumComponentLength = kMaximumComponentLength;
    if (fileSystemFlags)
        *fileSystemFlags = FILE_CASE_PRESERVED_NAMES | (cdrom ? FILE_READ_ONLY_VOLUME : 0);
    if (fileSystemNameBuffer)
        CopyOut(fileSystemName, fileSystemNameBuffer, fileSystemNameSize);
    return TRUE;
}

BOOL GetDiskFreeSpaceA(const char *rootPathName, DWORD *sectorsPerCluster, DWORD *bytesPerSector,
                       DWORD *numberOfFreeClusters, DWORD *totalNumberOfClusters)
{
    std::optional<FreeSpace> space = FreeSpaceOf(rootPathName);
    if (!space)
        return FALSE;
    // A cluster is the filesystem's block, counted in 512-byte sectors.
    uint64_t sectorSize = std::min<uint64_t>(space->unitSize, kBytesPerSector);
    uint64_t sectors = std::max<uint64_t>(space->unitSize / sectorSize, 1);
    uint64_t clusterSize = sectors * sectorSize;
    if (sectorsPerCluster)
        *sectorsPerCluster = ClampToDword(sectors);
    if (bytesPerSector)
        *bytesPerSector = ClampToDword(sectorSize);
    if (numberOfFreeClusters)
        *numberOfFreeClusters = ClampToDword(space->availableUnits * space->unitSize / clusterSize);
    if (totalNumberOfClusters)
        *totalNumberOfClusters = ClampToDword(space->totalUnits * space->unitSize / clusterSize);
    return TRUE;
}

BOOL GetDiskFreeSpaceExA(const char *directoryName, ULONGLONG *freeBytesAvailableToCaller,
                         ULONGLONG *totalNumberOfBytes, ULONGLONG *totalNumberOfFreeBytes)
{
    std::optional<FreeSpace> space = FreeSpaceOf(directoryName);
    if (!space)
        return FALSE;
    if (freeBytesAvailableToCaller)
        *freeBytesAvailableToCaller = space->availableUnits * space->unitSize;
    if (totalNumberOfBytes)
        *totalNumberOfBytes = space->totalUnits * space->unitSize;
    if (totalNumberOfFreeBytes)
        *totalNumberOfFreeBytes = space->freeUnits * space->unitSize;
    return TRUE;
}

DWORD WNetGetConnectionA(const char *localName, char *remoteName, DWORD *length)
{
    if (!localName || !length)
        return Fail(ERROR_INVALID_PARAMETER, ERROR_INVALID_PARAMETER);
    std::string_view device = localName;
    if (device.size() != 2 || !IsAsciiLetter(device[0]) || device[1] != ':')
        return Fail(ERROR_BAD_DEVICE, ERROR_BAD_DEVICE);
    const Volume *drive = CurrentDriveMap()->Drive(device[0]);
    if (!drive)
        return Fail(ERROR_BAD_DEVICE, ERROR_BAD_DEVICE);
    if (drive->network.empty())
        return Fail(ERROR_NOT_CONNECTED, ERROR_NOT_CONNECTED);
    if (!remoteName || *length < drive->network.size() + 1) {
        *length = static_cast<DWORD>(drive->network.size() + 1);
        return Fail(ERROR_MORE_DATA, ERROR_MORE_DATA);
    }
    CopyOut(drive->network, remoteName, *length);
    SetLastError(NO_ERROR);
    return NO_ERROR;
}

UINT GetWindowsDirectoryA(char *buffer, UINT size)
{
    return CopyOut(kWindowsDirectory, buffer, size);
}

DWORD GetCurrentDirectoryA(DWORD bufferLength, char *buffer)
{
    std::optional<std::string> current = CurrentWindowsDirectory();
    if (!current)
        return 0;
    return CopyOut(*current, buffer, bufferLength);
}

int _getdrive()
{
    std::optional<std::string> current = CurrentWindowsDirectory();
    if (!current || current->size() < 2 || (*current)[1] != ':')
        return 0;
    return AsciiUpper((*current)[0]) - 'A' + 1;
}

} // namespace veyra::win32
