// The about box: program name, version and the publisher's notice.
#pragma once

#include <QDialog>

namespace veyra::admin {

class CAboutDlg : public QDialog {
    Q_OBJECT

public:
    explicit CAboutDlg(QWidget *parent = nullptr);
};

} // namespace veyra::admin
