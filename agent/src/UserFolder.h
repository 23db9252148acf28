// The user folder on disk and in the profile: its entry name, the remembered
// path, drive readiness, entry existence, folder names, attribute marks and the
// rule that hides the other users' folders. Paths are Windows paths.
#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <optional>

namespace veyra::agent {

// Where the logged-in user's folder is, while a user is logged in.
struct UserFolderState {
    QString path;   // no trailing backslash; empty until established
    QString parent; // the path up to, not including, its last backslash
    int networkFolderFlag = 0; // 1: the path begins with a backslash
};

// The profile entry of a user ID: the ID in a zeroed 16-byte block, enciphered
// with DES-CBC (zero IV) under the key made of the block's two halves XORed,
// as 32 upper-case hexadecimal digits. The ID itself is never stored.
QString UserFolderEntryName(const QByteArray &userId);
QString ReadUserFolder(const QByteArray &userId);
void WriteUserFolder(const QByteArray &userId, const QString &path);

// "C:\Veyra" on a system whose Windows folder lies on drive C.
QString DefaultBaseFolder();

enum class DriveReadiness { Ready, NotReady, Failed };
// The volume of the root "X:\", X being the path's first character.
DriveReadiness CheckDriveReadiness(const QString &path);

// The bytes the user may still write on the drive of `path` (its first
// character), without the part kept for the system; nullopt when the drive
// cannot tell.
std::optional<uint64_t> FreeSpaceOf(const QString &path);

// Whether the parent of `path` lists an entry of its name, in any letter case.
bool EntryExists(const QString &path);
// Whether `path` names an existing folder.
bool IsExistingFolder(const QString &path);

// The text before and after the last backslash.
QString ParentOf(const QString &path);
QString NameOf(const QString &path);

enum class FolderNameCheck { Empty, LeadingFullStop, ForbiddenCharacter, Acceptable };
FolderNameCheck CheckFolderName(const QString &name);

// Whether the driver can protect a folder at `path`: the driver keeps a path
// in MAX_PATH bytes with its zero, so a longer one would be made and then
// refused at the hook's activation.
bool DriverCanProtect(const QString &path);

// Attribute marks: each reads the attributes, changes one bit and writes them
// back; a failure is ignored.
void SetAttributeBit(const QString &path, uint32_t bit);
void ClearAttributeBit(const QString &path, uint32_t bit);

// With `invisible` 1 the parent and every folder in it become hidden, else all
// of them visible; only user folders are touched: the base folders, the
// folders in them and the folders the profile remembers for a user.
void ApplyFolderVisibility(const QString &parent, int invisible);

// The path a mapped network drive stands for ("\\server\share\Docs" for
// "N:\Docs" when N: maps \\server\share); the path itself on any other drive;
// nullopt when the mapping cannot be resolved.
std::optional<QString> DriverFormOf(const QString &path);

// UTF-8 for the platform calls.
inline QByteArray Native(const QString &path)
{
    return path.toUtf8();
}

} // namespace veyra::agent
