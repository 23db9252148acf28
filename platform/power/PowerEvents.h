// Power events of the session, as the system's power broadcast codes: suspend
// and resume from logind's PrepareForSleep, battery low from UPower's warning
// level. Without a system bus (or without those services) no event ever comes
// and nothing fails.
#pragma once

#include <QDBusUnixFileDescriptor>
#include <QObject>

namespace veyra::power {

// The codes of the power broadcast.
constexpr int PBT_APMSUSPEND = 4;
constexpr int PBT_APMRESUMESUSPEND = 7;
constexpr int PBT_APMBATTERYLOW = 9;

class PowerEvents : public QObject {
    Q_OBJECT

public:
    explicit PowerEvents(QObject *parent = nullptr);
    ~PowerEvents() override;

    // Whether logind's sleep signal is being watched.
    bool watchesSleep() const { return watchesSleep_; }

signals:
    // Handlers connected directly run to their end before the machine sleeps:
    // the delay inhibitor is let go only after the suspend event returns.
    void powerBroadcast(int event);

private slots:
    void onPrepareForSleep(bool sleeping);
    void onDevicePropertiesChanged(const QString &interfaceName, const QVariantMap &changed,
                                   const QStringList &invalidated);

private:
    void takeSleepDelay();
    void onWarningLevel(uint level);

    bool watchesSleep_ = false;
    QDBusUnixFileDescriptor sleepDelay_;
    uint warningLevel_ = 0;
};

} // namespace veyra::power
