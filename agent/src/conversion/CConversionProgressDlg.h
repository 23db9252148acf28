// The progress window of a conversion run: the file, where it goes, how much
// of it is done, a bar and a cancel button. It disables the conversion dialog
// for as long as it exists.
#pragma once

#include "AgentDialog.h"

#include <QBasicTimer>
#include <QPointer>

#include <cstdint>

class QLabel;
class QProgressBar;

namespace veyra::agent {

class CConversionProgressDlg : public AgentDialog {
    Q_OBJECT

public:
    explicit CConversionProgressDlg(QWidget *owner);
    ~CConversionProgressDlg() override;

    void setFile(const QString &source, const QString &destination);
    // One step of the bar per 256 bytes of the file.
    void setRange(uint64_t fileLength);
    void showAmount(uint64_t fileLength, uint64_t done);
    void advance();
    // Whether a cancel was asked for since the last check.
    bool checkCancel();

    // Cancel asks for the run to stop; the window stays until the run ends.
    void reject() override;

protected:
    void timerEvent(QTimerEvent *event) override;

private:
    QPointer<QWidget> owner_;
    bool disabledOwner_ = false;
    bool cancelRequested_ = false;
    QLabel *animation_;
    QLabel *file_;
    QLabel *fromTo_;
    QLabel *counter_;
    QProgressBar *bar_;
    QBasicTimer timer_;
};

// Processes every pending event of the thread.
void PumpMessages();

} // namespace veyra::agent
