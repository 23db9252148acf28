#include "CNetworkFolderDlg.h"

#include "Resource.h"
#include "Strings.h"
#include "UserFolder.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace veyra::agent {

CNetworkFolderDlg::CNetworkFolderDlg(QWidget *parent)
    : AgentDialog(parent), pathEdit_(Tagged(new QLineEdit(this), IDC_NETWORK_PATH))
{
    setWindowTitle(Text(text::kNetworkTitle));
    const auto [ok, cancel] = addOkCancel();
    QPushButton *browse = addButton(text::kNetworkBrowseButton, IDC_BROWSE);
    connect(browse, &QPushButton::clicked, this, &CNetworkFolderDlg::browse);

    auto *label = Tagged(new QLabel(Text(text::kNetworkPathLabel), this), ui::IDC_STATIC);
    label->setBuddy(pathEdit_);
    pathEdit_->setMinimumWidth(320);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    auto *layout = new QGridLayout(this);
    layout->addWidget(Tagged(new QLabel(Text(text::kNetworkLine), this), ui::IDC_STATIC), 0, 0, 1, 3);
    layout->addWidget(label, 1, 0);
    layout->addWidget(pathEdit_, 1, 1);
    layout->addWidget(browse, 1, 2);
    layout->addLayout(buttons, 2, 0, 1, 3);
}

void CNetworkFolderDlg::browse()
{
    const QString picked = ui::BrowseForFolder(this, Text(text::kNetworkBrowseTitle));
    if (!picked.isEmpty() && picked.size() < kNetworkPathLimit) {
        pathEdit_->setText(picked);
    }
}

void CNetworkFolderDlg::accept()
{
    const QString path = pathEdit_->text();
    if (path.isEmpty()) {
        return;
    }
    if (path.size() > kNetworkPathLimit) {
        ui::MessageBox(this, Text(text::kNetworkPathTooLong), Text(text::kProductName), ui::MB_ICONHAND);
        return;
    }
    if (!IsExistingFolder(path)) {
        ui::MessageBox(this, Text(text::kNetworkFolderNotFound), Text(text::kProductName), ui::MB_ICONHAND);
        return;
    }
    path_ = path;
    QDialog::accept();
}

} // namespace veyra::agent
