// The program's profile, the registry of the original: sections and values
// under HKEY_CURRENT_USER\Software\<company>\<application>, here the QSettings
// file of the same organisation and application
// (~/.config/NORVEX/VeyraAP.conf for VeyraAP), one group per section.
#pragma once

#include <QString>

namespace veyra::win32 {

// Sets the company part of the registry root; the application part is the
// program's application name (by default its executable's name). Call it
// first, before any other profile call.
void SetRegistryKey(const QString &company);

// The stored integer, or the default when the value is missing or no integer.
int GetProfileInt(const QString &section, const QString &entry, int defaultValue);
QString GetProfileString(const QString &section, const QString &entry, const QString &defaultValue = {});
// Both write through at once, so that another process reads the new value.
bool WriteProfileInt(const QString &section, const QString &entry, int value);
bool WriteProfileString(const QString &section, const QString &entry, const QString &value);

} // namespace veyra::win32
