// The card initial setting: makes the inserted card a user card of this
// system, re-initialising it first if it has been set up before.
#pragma once

#include <QDialog>

namespace veyra::admin {

class CCardSettingDlg : public QDialog {
    Q_OBJECT

public:
    explicit CCardSettingDlg(QWidget *parent = nullptr);

    // The execute button.
    void OnOK();

private:
    bool running_ = false;
};

} // namespace veyra::admin
