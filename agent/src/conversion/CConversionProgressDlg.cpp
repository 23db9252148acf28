#include "CConversionProgressDlg.h"

#include "ConversionResource.h"
#include "Strings.h"
#include "UserFolder.h"

#include <QCoreApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimerEvent>
#include <QVBoxLayout>

#include <algorithm>
#include <climits>

namespace veyra::agent {

namespace {

constexpr uint64_t kBytesPerStep = 256;
constexpr uint64_t kBytesPerKb = 1024;
constexpr qsizetype kDriveRootLength = 3;
constexpr qsizetype kBareDriveLength = 2;
constexpr int kMinimumWidth = 360;

// A folder as the window names it: its last component, or the whole drive root.
QString ShownFolder(QString folder)
{
    if (folder.size() == kBareDriveLength) {
        folder += u'\\';
    }
    return folder.size() == kDriveRootLength ? folder : NameOf(folder);
}

} // namespace

void PumpMessages()
{
    QCoreApplication::processEvents();
}

CConversionProgressDlg::CConversionProgressDlg(QWidget *owner)
    : AgentDialog(owner)
    , owner_(owner)
    , animation_(Tagged(new QLabel(this), IDC_PROGRESS_ANIMATION))
    , file_(Tagged(new QLabel(this), IDC_PROGRESS_FILE))
    , fromTo_(Tagged(new QLabel(this), IDC_PROGRESS_FROM_TO))
    , counter_(Tagged(new QLabel(this), IDC_PROGRESS_COUNTER))
    , bar_(Tagged(new QProgressBar(this), IDC_PROGRESS_BAR))
{
    setWindowTitle(Text(text::kProgressCaption));
    setMinimumWidth(kMinimumWidth);
    ShowIcon(animation_, IDI_PROGRESS_FIRST);
    bar_->setTextVisible(false);
    QPushButton *cancel = addButton(text::kButtonCancel, ui::IDCANCEL);
    connect(cancel, &QPushButton::clicked, this, &CConversionProgressDlg::reject);

    auto *counterLine = new QHBoxLayout;
    counterLine->addStretch();
    counterLine->addWidget(counter_);
    counterLine->addWidget(Tagged(new QLabel(Text(text::kCounterUnit), this), ui::IDC_STATIC));
    auto *lines = new QVBoxLayout;
    lines->addWidget(file_);
    lines->addWidget(fromTo_);
    lines->addLayout(counterLine);
    auto *head = new QHBoxLayout;
    head->addWidget(animation_, 0, Qt::AlignTop);
    head->addLayout(lines, 1);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(head);
    layout->addWidget(bar_);
    layout->addWidget(cancel, 0, Qt::AlignHCenter);

    // The window lives under the dialog it disables, so it enables itself again.
    if (owner_ && owner_->isEnabled()) {
        owner_->setEnabled(false);
        disabledOwner_ = true;
    }
    setEnabled(true);
    setModal(false);
    show();
    timer_.start(kProgressTimerMs, this);
    raise();
    activateWindow();
}

CConversionProgressDlg::~CConversionProgressDlg()
{
    timer_.stop();
    if (disabledOwner_ && owner_) {
        owner_->setEnabled(true);
    }
}

void CConversionProgressDlg::setFile(const QString &source, const QString &destination)
{
    file_->setText(NameOf(source));
    bar_->setValue(0);
    fromTo_->setText(Text(text::kFromToStart) + ShownFolder(ParentOf(source)) + Text(text::kFromToMiddle) +
                     ShownFolder(ParentOf(destination)) + Text(text::kFromToEnd));
}

// The whole range, whatever the file's size.
void CConversionProgressDlg::setRange(uint64_t fileLength)
{
    bar_->setRange(0, int(std::min<uint64_t>(fileLength / kBytesPerStep, INT_MAX)));
    bar_->setValue(0);
}

void CConversionProgressDlg::showAmount(uint64_t fileLength, uint64_t done)
{
    counter_->setText(QString::number(done / kBytesPerKb) + Text(text::kCounterSeparator) +
                      QString::number(fileLength / kBytesPerKb));
    PumpMessages();
}

void CConversionProgressDlg::advance()
{
    bar_->setValue(std::min(bar_->value() + 1, bar_->maximum()));
    PumpMessages();
}

bool CConversionProgressDlg::checkCancel()
{
    PumpMessages();
    const bool requested = cancelRequested_;
    cancelRequested_ = false;
    return requested;
}

void CConversionProgressDlg::reject()
{
    cancelRequested_ = true;
}

void CConversionProgressDlg::timerEvent(QTimerEvent *event)
{
    if (event->timerId() != timer_.timerId()) {
        AgentDialog::timerEvent(event);
        return;
    }
    const int shown = ShownIcon(animation_);
    ShowIcon(animation_, shown >= IDI_PROGRESS_LAST ? IDI_PROGRESS_FIRST : shown + 1);
}

} // namespace veyra::agent
