#include "DosAttributes.h"

#include "Paths.h"
#include "SmallFiles.h"
#include "Strings.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>
#include <vector>

namespace veyra::win32::detail {

namespace {

constexpr const char *kDosAttribName = "user.DOSATTRIB";
constexpr const char *kHiddenListName = ".hidden";
constexpr size_t kHiddenListLimit = 1024 * 1024;
// The binary record's valid-fields word has this bit when the attribute word is set.
constexpr uint32_t kDosInfoAttribValid = 0x1;

bool NoExtendedAttributes(int errnoValue)
{
    return errnoValue == ENOTSUP;
}

uint32_t ReadLittleEndian(std::string_view data, size_t offset, size_t size)
{
    uint32_t value = 0;
    for (size_t i = 0; i < size; ++i)
        value |= static_cast<uint32_t>(static_cast<unsigned char>(data[offset + i])) << (8 * i);
    return value;
}

std::optional<DWORD> ReadStoredAttributes(const std::string &unixPath)
{
    char value[512];
    ssize_t size = ::getxattr(unixPath.c_str(), kDosAttribName, value, sizeof value);
    if (size < 0)
        return std::nullopt;
    return DecodeDosAttrib(std::string_view(value, static_cast<size_t>(size)));
}

int WriteStoredAttributes(const std::string &unixPath, DWORD attributes)
{
    if (attributes == 0) {
        if (::removexattr(unixPath.c_str(), kDosAttribName) != 0 && errno != ENODATA)
            return errno;
        return 0;
    }
    char value[16];
    int size = std::snprintf(value, sizeof value, "0x%x", attributes);
    return ::setxattr(unixPath.c_str(), kDosAttribName, value, static_cast<size_t>(size), 0) == 0 ? 0 : errno;
}

// The folder's hidden list: 0 when it was read or there is none, otherwise an
// errno value. What cannot be read (a FIFO, a device, a folder, a list larger
// than any a file manager keeps) is never waited on and never replaced.
int ReadHiddenList(const std::string &folder, std::vector<std::string> &lines)
{
    std::string text;
    switch (ReadSmallFile(JoinUnix(folder, kHiddenListName), kHiddenListLimit, text)) {
    case SmallFile::Read:
        break;
    case SmallFile::Missing:
        return 0;
    case SmallFile::TooLarge:
        return EFBIG;
    case SmallFile::Failed:
        return errno;
    default:
        return EACCES;
    }
    for (std::string_view line : Split(text, '\n'))
        lines.emplace_back(line);
    if (text.ends_with('\n'))
        lines.pop_back();
    return 0;
}

// Rewrites the list through a temporary file, so that a reader never sees half
// of it; an empty list leaves no file behind.
int WriteHiddenList(const std::string &folder, const std::vector<std::string> &lines)
{
    std::string listPath = JoinUnix(folder, kHiddenListName);
    bool empty = std::all_of(lines.begin(), lines.end(), [](const std::string &line) { return line.empty(); });
    if (empty)
        return ::unlink(listPath.c_str()) == 0 || errno == ENOENT ? 0 : errno;

    struct stat status {};
    mode_t mode = ::stat(listPath.c_str(), &status) == 0 ? status.st_mode & 07777 : 0644;
    std::string temporary = listPath + ".XXXXXX";
    int fd = ::mkstemp(temporary.data());
    if (fd < 0)
        return errno;
    std::string text;
    for (const std::string &line : lines)
        text += line + '\n';
    bool written =
        ::fchmod(fd, mode) == 0 && ::write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
    int error = written ? 0 : errno;
    ::close(fd);
    if (!error && ::rename(temporary.c_str(), listPath.c_str()) != 0)
        error = errno;
    if (error)
        ::unlink(temporary.c_str());
    return error;
}

bool IsListedHidden(const std::string &folder, const std::string &name)
{
    std::vector<std::string> lines;
    return ReadHiddenList(folder, lines) == 0 && std::find(lines.begin(), lines.end(), name) != lines.end();
}

int SetListedHidden(const std::string &folder, const std::string &name, bool hidden)
{
    std::vector<std::string> lines;
    if (int error = ReadHiddenList(folder, lines))
        return error;
    bool listed = std::find(lines.begin(), lines.end(), name) != lines.end();
    if (listed == hidden)
        return 0;
    if (hidden)
        lines.push_back(name);
    else
        std::erase(lines, name);
    return WriteHiddenList(folder, lines);
}

} // namespace

std::optional<DWORD> DecodeDosAttrib(std::string_view value)
{
    // The text form, alone or leading the binary record.
    std::string_view text = value.substr(0, value.find('\0'));
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        std::string digits(text.substr(2));
        char *end = nullptr;
        unsigned long attributes = std::strtoul(digits.c_str(), &end, 16);
        if (end && *end == '\0')
            return static_cast<DWORD>(attributes);
    }

    // The binary record: the text, its zero, padding to 2, a 16-bit version
    // and the same again as the union level, padding to 4, then the fields of
    // the version.
    if (text.size() == value.size())
        return std::nullopt;
    size_t offset = (text.size() + 2) & ~size_t{1};
    if (value.size() < offset + 4)
        return std::nullopt;
    uint32_t version = ReadLittleEndian(value, offset, 2);
    offset = (offset + 4 + 3) & ~size_t{3};
    if (value.size() < offset + 8)
        return std::nullopt;
    switch (version) {
    case 1:
        return ReadLittleEndian(value, offset, 4);
    case 2:
        return ReadLittleEndian(value, offset + 4, 4);
    case 3:
    case 4:
    case 5:
        if (!(ReadLittleEndian(value, offset, 4) & kDosInfoAttribValid))
            return std::nullopt;
        return ReadLittleEndian(value, offset + 4, 4);
    default:
        return std::nullopt;
    }
}

DWORD AttributesOf(const std::string &unixPath, const std::string &folder, const std::string &name)
{
    DWORD attributes = 0;
    if (std::optional<DWORD> stored = ReadStoredAttributes(unixPath))
        attributes = *stored & kStoredAttributes;
    else if (!name.empty() && IsListedHidden(folder, name))
        attributes = FILE_ATTRIBUTE_HIDDEN;

    struct stat status {};
    if (::stat(unixPath.c_str(), &status) == 0 && S_ISDIR(status.st_mode))
        attributes |= FILE_ATTRIBUTE_DIRECTORY;
    return attributes ? attributes : FILE_ATTRIBUTE_NORMAL;
}

int StoreAttributes(const std::string &unixPath, const std::string &folder, const std::string &name,
                    DWORD attributes)
{
    attributes &= kStoredAttributes;
    int error = WriteStoredAttributes(unixPath, attributes);
    if (error && !NoExtendedAttributes(error))
        return error;
    if (name.empty())
        return 0;
    return SetListedHidden(folder, name, attributes & FILE_ATTRIBUTE_HIDDEN);
}

int MoveHiddenListing(const std::string &oldFolder, const std::string &oldName, const std::string &newFolder,
                      const std::string &newName, bool hidden)
{
    if (int error = SetListedHidden(oldFolder, oldName, false))
        return error;
    return SetListedHidden(newFolder, newName, hidden);
}

} // namespace veyra::win32::detail
