#include "UserFolder.h"

#include "Des.h"
#include "Profile.h"
#include "Win32.h"

#include <QSettings>

#include <algorithm>
#include <cstring>

namespace veyra::agent {

namespace {

using namespace veyra::win32;

constexpr char kUserFolderSection[] = "UserFolder";
constexpr QChar kBackslash = u'\\';
// Refused in folder names; the message lists only some of them.
constexpr char16_t kForbiddenCharacters[] = u"\\/:;,*?\"<>|";

QString RootOf(const QString &path)
{
    return path.left(1).toUpper() + QStringLiteral(":\\");
}

// A bit that is as wanted already is not written again.
void ChangeAttributeBit(const QString &path, uint32_t bit, bool set)
{
    const QByteArray native = Native(path);
    const DWORD attributes = GetFileAttributesA(native.constData());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        return;
    }
    const DWORD changed = set ? (attributes | bit) : (attributes & ~bit);
    if (changed != attributes) {
        SetFileAttributesA(native.constData(), changed);
    }
}

void ApplyVisibility(const QString &folder, int invisible)
{
    if (invisible == 1) {
        ClearAttributeBit(folder, FILE_ATTRIBUTE_NORMAL);
        SetAttributeBit(folder, FILE_ATTRIBUTE_HIDDEN);
    } else {
        ClearAttributeBit(folder, FILE_ATTRIBUTE_HIDDEN);
        SetAttributeBit(folder, FILE_ATTRIBUTE_NORMAL);
    }
}

// Every folder the profile remembers for a user. The profile functions read
// one value by name; the section's list comes from the same store.
QStringList RememberedUserFolders()
{
    QSettings settings;
    settings.beginGroup(QString::fromLatin1(kUserFolderSection));
    QStringList folders;
    for (const QString &entry : settings.childKeys()) {
        folders << settings.value(entry).toString();
    }
    return folders;
}

// A base folder of any drive ("D:\Veyra"), where the setup dialog makes the
// user folders.
bool IsBaseFolder(const QString &path)
{
    const QString base = DefaultBaseFolder();
    return path.size() == base.size() && path.mid(1).compare(base.mid(1), Qt::CaseInsensitive) == 0;
}

// The folders the visibility rule may touch: the base folders, the folders in
// them, and the folders that users have chosen elsewhere. A user folder whose
// parent is a drive's root (C:\Documents) leaves the root and every other
// folder of that drive alone.
class UserFolders {
public:
    UserFolders() : remembered_(RememberedUserFolders()) {}

    // In the base folder, a name no user folder may have (a leading full stop)
    // is none: the protection keeps its stores there under such names.
    bool contains(const QString &folder) const
    {
        const bool inBaseFolder = IsBaseFolder(ParentOf(folder)) && !NameOf(folder).startsWith(u'.');
        return IsBaseFolder(folder) || inBaseFolder || remembered_.contains(folder, Qt::CaseInsensitive);
    }

private:
    QStringList remembered_;
};

} // namespace

QString UserFolderEntryName(const QByteArray &userId)
{
    uint8_t block[16] = {};
    std::memcpy(block, userId.constData(), std::min<std::size_t>(userId.size(), sizeof block));
    uint8_t key[8];
    for (int i = 0; i < 8; ++i) {
        key[i] = block[i] ^ block[i + 8];
    }
    const uint8_t iv[8] = {};
    des::cbc(key, block, block, 2, iv, des::Direction::Encipher);
    return QString::fromLatin1(QByteArray(reinterpret_cast<const char *>(block), sizeof block).toHex().toUpper());
}

QString ReadUserFolder(const QByteArray &userId)
{
    return GetProfileString(kUserFolderSection, UserFolderEntryName(userId), QString());
}

void WriteUserFolder(const QByteArray &userId, const QString &path)
{
    WriteProfileString(kUserFolderSection, UserFolderEntryName(userId), path);
}

QString DefaultBaseFolder()
{
    char windows[MAX_PATH] = {};
    GetWindowsDirectoryA(windows, MAX_PATH);
    const QString directory = QString::fromUtf8(windows);
    return directory.left(directory.indexOf(kBackslash)) + QStringLiteral("\\Veyra");
}

DriveReadiness CheckDriveReadiness(const QString &path)
{
    const QByteArray root = Native(RootOf(path));
    if (GetVolumeInformationA(root.constData(), nullptr, 0, nullptr, nullptr, nullptr, nullptr, 0)) {
        return DriveReadiness::Ready;
    }
    return GetLastError() == ERROR_NOT_READY ? DriveReadiness::NotReady : DriveReadiness::Failed;
}

std::optional<uint64_t> FreeSpaceOf(const QString &path)
{
    const QByteArray root = Native(RootOf(path));
    ULONGLONG available = 0;
    if (!GetDiskFreeSpaceExA(root.constData(), &available, nullptr, nullptr)) {
        return std::nullopt;
    }
    return available;
}

bool EntryExists(const QString &path)
{
    const QString name = NameOf(path);
    const QByteArray pattern = Native(ParentOf(path) + QStringLiteral("\\*.*"));
    WIN32_FIND_DATAA entry{};
    HANDLE search = FindFirstFileA(pattern.constData(), &entry);
    if (search == INVALID_HANDLE_VALUE) {
        return false;
    }
    bool found = false;
    do {
        found = QString::fromUtf8(entry.cFileName).compare(name, Qt::CaseInsensitive) == 0;
    } while (!found && FindNextFileA(search, &entry));
    FindClose(search);
    return found;
}

bool IsExistingFolder(const QString &path)
{
    const DWORD attributes = GetFileAttributesA(Native(path).constData());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

QString ParentOf(const QString &path)
{
    return path.left(path.lastIndexOf(kBackslash));
}

QString NameOf(const QString &path)
{
    return path.mid(path.lastIndexOf(kBackslash) + 1);
}

FolderNameCheck CheckFolderName(const QString &name)
{
    if (name.isEmpty()) {
        return FolderNameCheck::Empty;
    }
    if (name.startsWith(u'.')) {
        return FolderNameCheck::LeadingFullStop;
    }
    const QString forbidden = QString::fromUtf16(kForbiddenCharacters);
    if (std::any_of(name.begin(), name.end(), [&forbidden](QChar c) { return forbidden.contains(c); })) {
        return FolderNameCheck::ForbiddenCharacter;
    }
    return FolderNameCheck::Acceptable;
}

bool DriverCanProtect(const QString &path)
{
    return Native(path).size() < qsizetype(MAX_PATH);
}

void SetAttributeBit(const QString &path, uint32_t bit)
{
    ChangeAttributeBit(path, bit, true);
}

void ClearAttributeBit(const QString &path, uint32_t bit)
{
    ChangeAttributeBit(path, bit, false);
}

void ApplyFolderVisibility(const QString &parent, int invisible)
{
    const UserFolders userFolders;
    if (userFolders.contains(parent)) {
        ApplyVisibility(parent, invisible);
    }
    const QByteArray pattern = Native(parent + QStringLiteral("\\*.*"));
    WIN32_FIND_DATAA entry{};
    HANDLE search = FindFirstFileA(pattern.constData(), &entry);
    if (search == INVALID_HANDLE_VALUE) {
        return;
    }
    do {
        const bool isFolder = (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        const bool isSelfOrParent = std::strcmp(entry.cFileName, ".") == 0 || std::strcmp(entry.cFileName, "..") == 0;
        const QString folder = parent + kBackslash + QString::fromUtf8(entry.cFileName);
        if (isFolder && !isSelfOrParent && userFolders.contains(folder)) {
            ApplyVisibility(folder, invisible);
        }
    } while (FindNextFileA(search, &entry));
    FindClose(search);
}

std::optional<QString> DriverFormOf(const QString &path)
{
    if (GetDriveTypeA(Native(path.left(3)).constData()) != DRIVE_REMOTE) {
        return path;
    }
    char remote[MAX_PATH] = {};
    DWORD length = MAX_PATH;
    if (WNetGetConnectionA(Native(path.left(2)).constData(), remote, &length) != NO_ERROR) {
        return std::nullopt;
    }
    return QString::fromUtf8(remote) + path.mid(2);
}

} // namespace veyra::agent
