// The card information view: lists the user IDs registered on the card.
#pragma once

#include <QDialog>

class QListWidget;
class QPushButton;

namespace veyra::admin {

class CCardInfoViewDlg : public QDialog {
    Q_OBJECT

public:
    explicit CCardInfoViewDlg(QWidget *parent = nullptr);

    // The execute button: reads the card and rebuilds the list.
    void OnOK();

private:
    QListWidget *userList_;
    QPushButton *execute_;
};

} // namespace veyra::admin
