#include "CUserFolderMissingDlg.h"

#include "Resource.h"
#include "Strings.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace veyra::agent {

CUserFolderMissingDlg::CUserFolderMissingDlg(const QString &path, QWidget *parent) : AgentDialog(parent)
{
    setWindowTitle(Text(text::kMissingTitle));
    QPushButton *setNew = addButton(text::kMissingNewButton, ui::IDOK);
    QPushButton *cancel = addButton(text::kButtonCancel, ui::IDCANCEL);
    setNew->setDefault(true);
    connect(setNew, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    auto *pathLine = new QHBoxLayout;
    pathLine->addWidget(Tagged(new QLabel(Text(text::kMissingLabel), this), ui::IDC_STATIC));
    pathLine->addWidget(Tagged(new QLabel(path, this), IDC_MISSING_PATH), 1);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(setNew);
    buttons->addWidget(cancel);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(Tagged(new QLabel(Text(text::kMissingLine), this), ui::IDC_STATIC));
    layout->addLayout(pathLine);
    layout->addWidget(Tagged(new QLabel(Text(text::kMissingHint), this), ui::IDC_STATIC));
    layout->addLayout(buttons);
}

} // namespace veyra::agent
