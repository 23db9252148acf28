#include "PowerEvents.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusInterface>
#include <QDBusReply>

namespace veyra::power {

namespace {

constexpr char kLogindService[] = "org.freedesktop.login1";
constexpr char kLogindPath[] = "/org/freedesktop/login1";
constexpr char kLogindManager[] = "org.freedesktop.login1.Manager";

constexpr char kUPowerService[] = "org.freedesktop.UPower";
constexpr char kDisplayDevicePath[] = "/org/freedesktop/UPower/devices/DisplayDevice";
constexpr char kUPowerDevice[] = "org.freedesktop.UPower.Device";
constexpr char kProperties[] = "org.freedesktop.DBus.Properties";

// UPower's warning levels: 1 none, 2 discharging, 3 low, 4 critical, 5 action.
constexpr uint kWarningLow = 3;

} // namespace

PowerEvents::PowerEvents(QObject *parent) : QObject(parent)
{
    QDBusConnection bus = QDBusConnection::systemBus();
    if (!bus.isConnected()) {
        return;
    }
    if (bus.interface()->isServiceRegistered(kLogindService)) {
        watchesSleep_ = bus.connect(kLogindService, kLogindPath, kLogindManager, QStringLiteral("PrepareForSleep"),
                                    this, SLOT(onPrepareForSleep(bool)));
        if (watchesSleep_) {
            takeSleepDelay();
        }
    }
    if (bus.interface()->isServiceRegistered(kUPowerService)) {
        bus.connect(kUPowerService, kDisplayDevicePath, kProperties, QStringLiteral("PropertiesChanged"), this,
                    SLOT(onDevicePropertiesChanged(QString, QVariantMap, QStringList)));
        QDBusInterface device(kUPowerService, kDisplayDevicePath, kUPowerDevice, bus);
        warningLevel_ = device.property("WarningLevel").toUInt();
    }
}

PowerEvents::~PowerEvents() = default;

// logind waits for a delay inhibitor's holder to close it before sleeping.
void PowerEvents::takeSleepDelay()
{
    QDBusInterface manager(kLogindService, kLogindPath, kLogindManager, QDBusConnection::systemBus());
    const QDBusReply<QDBusUnixFileDescriptor> reply =
        manager.call(QStringLiteral("Inhibit"), QStringLiteral("sleep"), QStringLiteral("VeyraAP"),
                     QStringLiteral("Protection of the user folder is taken down"), QStringLiteral("delay"));
    if (reply.isValid()) {
        sleepDelay_ = reply.value();
    }
}

void PowerEvents::onPrepareForSleep(bool sleeping)
{
    if (sleeping) {
        emit powerBroadcast(PBT_APMSUSPEND);
        sleepDelay_ = QDBusUnixFileDescriptor();
        return;
    }
    takeSleepDelay();
    emit powerBroadcast(PBT_APMRESUMESUSPEND);
}

void PowerEvents::onDevicePropertiesChanged(const QString &interfaceName, const QVariantMap &changed,
                                            const QStringList &)
{
    const auto level = changed.constFind(QStringLiteral("WarningLevel"));
    if (interfaceName == QLatin1String(kUPowerDevice) && level != changed.constEnd()) {
        onWarningLevel(level->toUInt());
    }
}

// One event each time the level falls to low or below, not on every change.
void PowerEvents::onWarningLevel(uint level)
{
    const bool becameLow = level >= kWarningLow && warningLevel_ < kWarningLow;
    warningLevel_ = level;
    if (becameLow) {
        emit powerBroadcast(PBT_APMBATTERYLOW);
    }
}

} // namespace veyra::power
