#include "CErrorReportDlg.h"

#include "CardRecords.h"
#include "ErrorTable.h"
#include "Resource.h"
#include "Strings.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace veyra::agent {

namespace {

QLabel *WrappedText(QWidget *parent, int id)
{
    QLabel *label = Tagged(new QLabel(parent), id);
    label->setWordWrap(true);
    label->setMinimumWidth(360);
    return label;
}

QGroupBox *Group(QWidget *parent, const char *title, QLabel *content)
{
    auto *group = new QGroupBox(Text(title), parent);
    auto *layout = new QVBoxLayout(group);
    layout->addWidget(content);
    return group;
}

} // namespace

CErrorReportDlg::CErrorReportDlg(QWidget *parent)
    : AgentDialog(parent)
    , title_(WrappedText(this, IDC_ERROR_TITLE))
    , extraText_(Tagged(new QLabel(this), IDC_ERROR_EXTRA))
    , codeText_(Tagged(new QLabel(this), IDC_ERROR_CODE))
    , detail_(WrappedText(this, IDC_ERROR_DETAIL))
    , remedy_(WrappedText(this, IDC_ERROR_REMEDY))
{
    setWindowTitle(Text(text::kErrorCaption));
    auto *hand = Tagged(new QLabel(this), IDC_ERROR_ICON);
    ShowIcon(hand, IDI_ERROR_HAND);
    extraText_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);

    auto *codeLine = new QHBoxLayout;
    codeLine->addWidget(Tagged(new QLabel(Text(text::kErrorCodeLabel), this), ui::IDC_STATIC));
    codeLine->addWidget(extraText_);
    codeLine->addWidget(Tagged(new QLabel(Text(text::kErrorCodeSeparator), this), ui::IDC_STATIC));
    codeLine->addWidget(codeText_);
    codeLine->addStretch();

    auto *head = new QGridLayout;
    head->addWidget(hand, 0, 0, 2, 1, Qt::AlignTop);
    head->addWidget(title_, 0, 1);
    head->addLayout(codeLine, 1, 1);

    QPushButton *ok = addButton(text::kButtonOk, ui::IDOK);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(head);
    layout->addWidget(Group(this, text::kErrorDetailGroup, detail_));
    layout->addWidget(Group(this, text::kErrorRemedyGroup, remedy_));
    layout->addWidget(ok, 0, Qt::AlignHCenter);
}

void CErrorReportDlg::setStatus(int32_t code, int32_t extra)
{
    code_ = code;
    extra_ = extra;
}

void CErrorReportDlg::onInitDialog()
{
    const ErrorEntry &entry = LookUpError(uint32_t(code_));
    title_->setText(Text(entry.title));
    codeText_->setText(QString::asprintf("%04X", unsigned(code_)));
    extraText_->setText(QString::asprintf("%02d", extra_));
    detail_->setText(Text(entry.detail));
    remedy_->setText(Text(entry.remedy));
    ui::MessageBeep(ui::MB_ICONHAND);
}

void ReportCardError(QWidget *parent, const CardRecords &records)
{
    CErrorReportDlg dialog(parent);
    dialog.setStatus(records.status->Code, records.status->Extra);
    dialog.exec();
}

} // namespace veyra::agent
