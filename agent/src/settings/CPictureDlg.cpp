#include "CPictureDlg.h"

#include "SettingsResource.h"

#include <QLabel>
#include <QMouseEvent>
#include <QVBoxLayout>

namespace veyra::agent {

namespace {
// 101 x 94 dialog units.
constexpr int kWidth = 152;
constexpr int kHeight = 153;
} // namespace

CPictureDlg::CPictureDlg(QWidget *parent) : AgentDialog(parent, Qt::Dialog | Qt::FramelessWindowHint)
{
    setFixedSize(kWidth, kHeight);
    auto *picture = Tagged(new QLabel(this), IDC_PICTURE);
    picture->setPixmap(AgentIcon(IDB_PICTURE).pixmap(kWidth, kHeight));
    picture->setProperty("iconId", IDB_PICTURE);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(picture);
}

// Nothing plays when the desktop has no start-up sound.
void CPictureDlg::onInitDialog()
{
    ui::PlaySound(Text(text::kStartSound), ui::SND_ALIAS | ui::SND_ASYNC | ui::SND_NODEFAULT);
}

void CPictureDlg::mouseDoubleClickEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton) {
        accept();
        return;
    }
    AgentDialog::mouseDoubleClickEvent(event);
}

} // namespace veyra::agent
