// The card error dialog: the message of a card status code, followed by the
// code as "(%04X)".
#pragma once

#include <QDialog>

#include <cstdint>

class QLabel;

namespace veyra::admin {

class CCardErrorDlg : public QDialog {
    Q_OBJECT

public:
    explicit CCardErrorDlg(QWidget *parent = nullptr);

    // The code to report, a Code of the status information.
    void SetStatusCode(int32_t code);
    QString MessageText() const;

    // The string that words a status code; M2 (string 172) for any code without one.
    static int StringOf(int32_t code);
    static QString MessageOf(int32_t code);

private:
    QLabel *message_;
};

// Reports a failed card command over `owner` and waits for OK.
void ShowCardError(QWidget *owner, int32_t code);

} // namespace veyra::admin
