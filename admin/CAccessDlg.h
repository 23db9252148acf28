// The "accessing the card" window, shown while card commands change the card:
// it disables its owner, shows a status line and animates its icon every half
// second (the card calls pump the program's events while they wait).
#pragma once

#include <QDialog>
#include <QPointer>
#include <QTimer>

class QLabel;

namespace veyra::admin {

class CAccessDlg : public QDialog {
    Q_OBJECT

public:
    CAccessDlg();
    ~CAccessDlg() override;

    // Shows the window over `owner`, disabling the owner if it is enabled.
    void Open(QWidget *owner);
    void SetStatusText(const QString &text);
    // Stops the animation, enables the owner again if Open disabled it, and
    // hides the window.
    void Close();

    // One step of the animation: the next of the two icons.
    void OnTimer();

    // Only the program closes this window: Escape does nothing.
    void reject() override;

    static constexpr int kAnimationPeriodMs = 500;

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    QLabel *status_;
    QLabel *icon_;
    QTimer timer_;
    QPointer<QWidget> owner_;
    bool disabledOwner_ = false;
};

} // namespace veyra::admin
