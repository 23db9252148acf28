// The main menu: the four card operations, the about box and the exit button.
#pragma once

#include <QDialog>

class QMenu;

namespace veyra::admin {

class CAdminMainDlg : public QDialog {
    Q_OBJECT

public:
    explicit CAdminMainDlg(QWidget *parent = nullptr);

    // A command of the window menu.
    void OnSysCommand(int commandId);
    // The window menu, with the about command when string 101 has a text.
    QMenu *WindowMenu() const { return windowMenu_; }

protected:
    void contextMenuEvent(QContextMenuEvent *event) override;

private:
    template <typename Dialog>
    void RunOperation();

    QMenu *windowMenu_;
};

} // namespace veyra::admin
