#include "CAccessingDlg.h"

#include "Resource.h"
#include "Strings.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QTimerEvent>
#include <QVBoxLayout>

namespace veyra::agent {

CAccessingDlg::CAccessingDlg(QWidget *owner)
    : AgentDialog(owner), owner_(owner), icon_(Tagged(new QLabel(this), IDC_ACCESS_ICON))
{
    setWindowTitle(Text(text::kAccessingCaption));
    if (owner_ && owner_->isEnabled()) {
        owner_->setEnabled(false);
        disabledOwner_ = true;
    }
    auto *lines = new QVBoxLayout;
    lines->addWidget(Tagged(new QLabel(Text(text::kAccessingLine), this), ui::IDC_STATIC));
    lines->addWidget(Tagged(new QLabel(Text(text::kAccessingWarning), this), ui::IDC_STATIC));
    auto *layout = new QHBoxLayout(this);
    layout->addWidget(icon_);
    layout->addLayout(lines);
    setModal(false);
    show();
}

CAccessingDlg::~CAccessingDlg()
{
    if (disabledOwner_ && owner_) {
        owner_->setEnabled(true);
    }
    timer_.stop();
}

void CAccessingDlg::onInitDialog()
{
    ShowIcon(icon_, IDI_ACCESS_2);
    timer_.start(kAccessTimerMs, this);
}

void CAccessingDlg::timerEvent(QTimerEvent *event)
{
    if (event->timerId() != timer_.timerId()) {
        AgentDialog::timerEvent(event);
        return;
    }
    ShowIcon(icon_, ShownIcon(icon_) == IDI_ACCESS_2 ? IDI_ACCESS_1 : IDI_ACCESS_2);
}

} // namespace veyra::agent
