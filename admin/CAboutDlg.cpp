#include "CAboutDlg.h"

#include "DialogParts.h"
#include "Resource.h"
#include "Strings.h"

#include <QGridLayout>
#include <QLabel>
#include <QPushButton>

namespace veyra::admin {

CAboutDlg::CAboutDlg(QWidget *parent)
    : QDialog(parent)
{
    setWindowTitle(Text(text::kAboutCaption));
    auto *layout = new QGridLayout(this);
    layout->addWidget(MakeIcon(this, IDC_STATIC, IDR_MAINFRAME), 0, 0, 3, 1);
    layout->addWidget(MakeStatic(this, IDC_ABOUT_NAME, LoadString(IDS_APP_TITLE)), 0, 1);
    layout->addWidget(MakeStatic(this, IDC_ABOUT_VERSION, LoadString(IDS_VERSION)), 1, 1);
    layout->addWidget(MakeStatic(this, IDC_ABOUT_NOTICE, LoadString(IDS_PUBLISHER_NOTICE)), 2, 1);
    QPushButton *ok = MakeButton(this, IDOK, Text(text::kOk));
    ok->setDefault(true);
    layout->addWidget(ok, 0, 2);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
}

} // namespace veyra::admin
