// The Windows calls the programs make for files, folders, drives, memory and
// the single-instance mutex, with Windows inputs, results and error codes.
// Paths are Windows paths ("C:\Veyra\Docs", "\\server\share\x") in UTF-8;
// PathMap.h says how they meet the Unix tree. UTF-8 is the programs' code page
// for paths here, also where a path goes on to the driver (the hook's folder):
// no double-byte rules of the original code page apply to them.
#pragma once

#include "WinTypes.h"

namespace veyra::win32 {

// Errors: one code per thread, as on Windows.
VEYRA_WIN32_API DWORD GetLastError();
VEYRA_WIN32_API void SetLastError(DWORD errorCode);

// Drives.
VEYRA_WIN32_API DWORD GetLogicalDrives();
VEYRA_WIN32_API DWORD GetLogicalDriveStringsA(DWORD bufferLength, char *buffer);
VEYRA_WIN32_API UINT GetDriveTypeA(const char *rootPathName);
VEYRA_WIN32_API BOOL GetVolumeInformationA(const char *rootPathName, char *volumeNameBuffer, DWORD volumeNameSize,
                                           DWORD *volumeSerialNumber, DWORD *maximumComponentLength,
                                           DWORD *fileSystemFlags, char *fileSystemNameBuffer,
                                           DWORD fileSystemNameSize);
VEYRA_WIN32_API BOOL GetDiskFreeSpaceA(const char *rootPathName, DWORD *sectorsPerCluster, DWORD *bytesPerSector,
                                       DWORD *numberOfFreeClusters, DWORD *totalNumberOfClusters);
VEYRA_WIN32_API BOOL GetDiskFreeSpaceExA(const char *directoryName, ULONGLONG *freeBytesAvailableToCaller,
                                         ULONGLONG *totalNumberOfBytes, ULONGLONG *totalNumberOfFreeBytes);
// Answers the error code itself (NO_ERROR on success), as the WNet calls do.
VEYRA_WIN32_API DWORD WNetGetConnectionA(const char *localName, char *remoteName, DWORD *length);
VEYRA_WIN32_API UINT GetWindowsDirectoryA(char *buffer, UINT size);
VEYRA_WIN32_API DWORD GetCurrentDirectoryA(DWORD bufferLength, char *buffer);
// The drive of the current directory, 1 = A:, 0 when it lies on no drive.
VEYRA_WIN32_API int _getdrive();

// Paths, attributes and folders.
VEYRA_WIN32_API DWORD GetShortPathNameA(const char *longPath, char *shortPath, DWORD bufferLength);
VEYRA_WIN32_API DWORD GetFileAttributesA(const char *fileName);
VEYRA_WIN32_API BOOL SetFileAttributesA(const char *fileName, DWORD fileAttributes);
VEYRA_WIN32_API BOOL CreateDirectoryA(const char *pathName, void *securityAttributes);
VEYRA_WIN32_API BOOL MoveFileA(const char *existingFileName, const char *newFileName);
VEYRA_WIN32_API HANDLE FindFirstFileA(const char *fileName, WIN32_FIND_DATAA *findFileData);
VEYRA_WIN32_API BOOL FindNextFileA(HANDLE findFile, WIN32_FIND_DATAA *findFileData);
VEYRA_WIN32_API BOOL FindClose(HANDLE findFile);

// Files. A share mode of 0 opens the file exclusively: any other open of the
// same file, in this process or another, fails with ERROR_SHARING_VIOLATION
// until the handle is closed.
VEYRA_WIN32_API HANDLE CreateFileA(const char *fileName, DWORD desiredAccess, DWORD shareMode,
                                   void *securityAttributes, DWORD creationDisposition,
                                   DWORD flagsAndAttributes, HANDLE templateFile);
VEYRA_WIN32_API BOOL ReadFile(HANDLE file, void *buffer, DWORD numberOfBytesToRead, DWORD *numberOfBytesRead,
                              void *overlapped);
VEYRA_WIN32_API BOOL WriteFile(HANDLE file, const void *buffer, DWORD numberOfBytesToWrite,
                               DWORD *numberOfBytesWritten, void *overlapped);
VEYRA_WIN32_API DWORD GetFileSize(HANDLE file, DWORD *fileSizeHigh);
// Closes file and mutex handles; search handles go to FindClose.
VEYRA_WIN32_API BOOL CloseHandle(HANDLE object);

// Memory.
VEYRA_WIN32_API BOOL GlobalMemoryStatusEx(MEMORYSTATUSEX *buffer);

// Named mutexes, one namespace per user session. A named mutex exists while any
// process holds a handle to it; a process that dies lets go of its handles.
VEYRA_WIN32_API HANDLE CreateMutexA(void *mutexAttributes, BOOL initialOwner, const char *name);
VEYRA_WIN32_API HANDLE OpenMutexA(DWORD desiredAccess, BOOL inheritHandle, const char *name);
VEYRA_WIN32_API BOOL ReleaseMutex(HANDLE mutex);

} // namespace veyra::win32
