#include "CAccessDlg.h"

#include "DialogParts.h"
#include "Icons.h"
#include "Resource.h"
#include "Strings.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QLabel>
#include <QWindow>

namespace veyra::admin {
namespace {

// Which icon the next animation step shows, for the whole program: a second
// access window goes on where the first one stopped.
bool nextIconIsOn = true;

} // namespace

CAccessDlg::CAccessDlg()
    : QDialog(nullptr, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint)
{
    setWindowTitle(Text(text::kAccessCaption));
    auto *layout = new QGridLayout(this);
    icon_ = MakeIcon(this, IDC_ACCESS_ICON, IDI_ACCESS_OFF);
    layout->addWidget(icon_, 0, 0, 2, 1);
    status_ = MakeStatic(this, IDC_ACCESS_STATUS, QString());
    layout->addWidget(status_, 0, 1);
    layout->addWidget(MakeStatic(this, IDC_STATIC, Text(text::kAccessNotice)), 1, 1);
    timer_.setInterval(kAnimationPeriodMs);
    connect(&timer_, &QTimer::timeout, this, &CAccessDlg::OnTimer);
}

CAccessDlg::~CAccessDlg()
{
    Close();
}

void CAccessDlg::Open(QWidget *owner)
{
    owner_ = owner;
    if (owner != nullptr && owner->isEnabled()) {
        owner->setEnabled(false);
        disabledOwner_ = true;
    }
    adjustSize();
    if (owner != nullptr) {
        // The owner's window is this window's owner (its transient parent), so
        // that it stays above the operation dialog and has no task bar entry
        // of its own; no Qt parent, which would disable it with the owner.
        QWidget *ownerWindow = owner->window();
        ownerWindow->winId();
        winId();
        windowHandle()->setTransientParent(ownerWindow->windowHandle());
        move(owner->frameGeometry().center() - rect().center());
    }
    show();
    timer_.start();
}

void CAccessDlg::SetStatusText(const QString &text)
{
    status_->setText(text);
}

void CAccessDlg::Close()
{
    timer_.stop();
    if (disabledOwner_ && owner_ != nullptr) {
        owner_->setEnabled(true);
    }
    disabledOwner_ = false;
    hide();
}

void CAccessDlg::OnTimer()
{
    SetStaticIcon(icon_, nextIconIsOn ? IDI_ACCESS_ON : IDI_ACCESS_OFF);
    nextIconIsOn = !nextIconIsOn;
}

void CAccessDlg::reject() {}

void CAccessDlg::closeEvent(QCloseEvent *event)
{
    event->ignore();
}

} // namespace veyra::admin
