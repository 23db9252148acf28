#include "Profile.h"

#include <QCoreApplication>
#include <QSettings>

namespace veyra::win32 {

namespace {

QVariant ReadValue(const QString &section, const QString &entry)
{
    QSettings settings;
    settings.beginGroup(section);
    return settings.value(entry);
}

bool WriteValue(const QString &section, const QString &entry, const QVariant &value)
{
    QSettings settings;
    settings.beginGroup(section);
    settings.setValue(entry, value);
    settings.endGroup();
    settings.sync();
    return settings.status() == QSettings::NoError;
}

} // namespace

void SetRegistryKey(const QString &company)
{
    QCoreApplication::setOrganizationName(company);
}

int GetProfileInt(const QString &section, const QString &entry, int defaultValue)
{
    QVariant value = ReadValue(section, entry);
    bool isNumber = false;
    int number = value.toInt(&isNumber);
    return isNumber ? number : defaultValue;
}

QString GetProfileString(const QString &section, const QString &entry, const QString &defaultValue)
{
    QVariant value = ReadValue(section, entry);
    return value.isValid() ? value.toString() : defaultValue;
}

bool WriteProfileInt(const QString &section, const QString &entry, int value)
{
    return WriteValue(section, entry, value);
}

bool WriteProfileString(const QString &section, const QString &entry, const QString &value)
{
    return WriteValue(section, entry, value);
}

} // namespace veyra::win32
