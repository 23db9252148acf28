#include "CPasswordConfirmDlg.h"

#include "CPasswordEdit.h"
#include "ControlId.h"
#include "DialogParts.h"
#include "Resource.h"
#include "Strings.h"

#include <QGridLayout>
#include <QLabel>
#include <QPushButton>

namespace veyra::admin {

CPasswordConfirmDlg::CPasswordConfirmDlg(QWidget *parent)
    : QDialog(parent)
{
    setWindowTitle(Text(text::kConfirmCaption));
    auto *layout = new QGridLayout(this);
    layout->addWidget(MakeStatic(this, IDC_STATIC, Text(text::kConfirmGuide)), 0, 0, 1, 2);
    QLabel *label = MakeStatic(this, IDC_STATIC, Text(text::kConfirmLabel));
    password_ = ui::WithId(new CPasswordEdit(this), IDC_CONFIRM_PASSWORD);
    password_->setEchoMode(QLineEdit::Password);
    password_->setMaxLength(kFieldTextLimit);
    label->setBuddy(password_);
    layout->addWidget(label, 1, 0);
    layout->addWidget(password_, 1, 1);
    QPushButton *ok = MakeButton(this, IDOK, Text(text::kOk));
    QPushButton *cancel = MakeButton(this, IDCANCEL, Text(text::kCancel));
    ok->setDefault(true);
    layout->addWidget(ok, 0, 2);
    layout->addWidget(cancel, 1, 2);
    connect(ok, &QPushButton::clicked, this, &CPasswordConfirmDlg::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

QString CPasswordConfirmDlg::Password() const
{
    return password_->text();
}

void CPasswordConfirmDlg::accept()
{
    if (password_->text().isEmpty()) {
        password_->setFocus();
        return;
    }
    QDialog::accept();
}

} // namespace veyra::admin
