#include "CCardErrorDlg.h"

#include "DialogParts.h"
#include "Resource.h"
#include "Strings.h"

#include <QGridLayout>
#include <QLabel>
#include <QPushButton>

#include <map>

namespace veyra::admin {
namespace {

// Status code to the string that words it.
const std::map<int32_t, int> kCodeStrings = {
    {0x0E00, 130}, {0x0F01, 125}, {0x0F02, 126}, {0x0F03, 127}, {0x0F04, 128}, {0x0F05, 129},
    {0x9101, 149}, {0x9102, 150}, {0x9103, 151}, {0x9104, 152}, {0x9105, 153}, {0x91F0, 154},
    {0x9201, 143}, {0x9202, 144}, {0x9203, 145}, {0x9204, 145}, {0x9205, 147}, {0x92F0, 148},
    {0x9301, 155}, {0x9302, 156}, {0x9303, 157}, {0x9304, 158}, {0x9305, 159}, {0x9306, 160},
    {0x9307, 161}, {0x93F0, 162}, {0x9601, 163}, {0x9602, 164}, {0x9603, 165}, {0x9604, 166},
    {0x9605, 167}, {0x96F0, 168}, {0xA101, 174}, {0xA102, 175}, {0xA103, 176}, {0xA104, 177},
    {0xA105, 178}, {0xA1F0, 179}, {0xA901, 179}, {0xA9F0, 179}, {0xEF00, 131}, {0xEF01, 132},
    {0xEF03, 134}, {0xEFF0, 136}, {0xF000, 124}, {0xF101, 137}, {0xF102, 138}, {0xF1F0, 139},
};

} // namespace

CCardErrorDlg::CCardErrorDlg(QWidget *parent)
    : QDialog(parent)
{
    setWindowTitle(Text(text::kErrorCaption));
    auto *layout = new QGridLayout(this);
    layout->addWidget(MakeIcon(this, IDC_ERROR_ICON, IDI_HAND), 0, 0);
    message_ = MakeGuide(this, IDC_ERROR_MESSAGE, QString());
    layout->addWidget(message_, 0, 1);
    QPushButton *ok = MakeButton(this, IDOK, Text(text::kOk));
    ok->setDefault(true);
    layout->addWidget(ok, 1, 0, 1, 2, Qt::AlignHCenter);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
}

void CCardErrorDlg::SetStatusCode(int32_t code)
{
    message_->setText(MessageOf(code));
}

QString CCardErrorDlg::MessageText() const
{
    return message_->text();
}

int CCardErrorDlg::StringOf(int32_t code)
{
    const auto found = kCodeStrings.find(code);
    return found != kCodeStrings.end() ? found->second : IDS_UNKNOWN_CARD_ERROR;
}

QString CCardErrorDlg::MessageOf(int32_t code)
{
    return LoadString(StringOf(code)) + QString::asprintf("(%04X)", uint32_t(code));
}

void ShowCardError(QWidget *owner, int32_t code)
{
    CCardErrorDlg dialog(owner);
    dialog.SetStatusCode(code);
    dialog.exec();
}

} // namespace veyra::admin
