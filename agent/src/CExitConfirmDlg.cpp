#include "CExitConfirmDlg.h"

#include "Resource.h"
#include "Strings.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>

namespace veyra::agent {

CExitConfirmDlg::CExitConfirmDlg(QWidget *parent)
    : AgentDialog(parent, Qt::Dialog | Qt::FramelessWindowHint), line_(Tagged(new QLabel(this), IDC_EXIT_LINE))
{
    auto *icon = Tagged(new QLabel(this), IDC_EXIT_ICON);
    ShowIcon(icon, IDI_EXIT_WARNING);
    const auto [ok, cancel] = addOkCancel();

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    auto *layout = new QGridLayout(this);
    layout->addWidget(icon, 0, 0, 2, 1, Qt::AlignTop);
    layout->addWidget(line_, 0, 1);
    layout->addWidget(Tagged(new QLabel(Text(text::kExitQuestion), this), ui::IDC_STATIC), 1, 1);
    layout->addLayout(buttons, 2, 0, 1, 2);
}

void CExitConfirmDlg::onInitDialog()
{
    line_->setText(Text(text::kExitLine));
}

} // namespace veyra::agent
