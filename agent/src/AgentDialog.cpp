#include "AgentDialog.h"

#include "Strings.h"
#include "WinUser.h"

#include <QLabel>
#include <QPushButton>

namespace veyra::agent {

namespace {
constexpr char kIconIdProperty[] = "iconId";
}

QIcon AgentIcon(int id)
{
    return QIcon(QStringLiteral(":/icons/%1.svg").arg(id));
}

void ShowIcon(QLabel *picture, int id, int size)
{
    picture->setPixmap(AgentIcon(id).pixmap(size, size));
    picture->setProperty(kIconIdProperty, id);
}

int ShownIcon(const QLabel *picture)
{
    return picture->property(kIconIdProperty).toInt();
}

AgentDialog::AgentDialog(QWidget *parent, Qt::WindowFlags flags) : QDialog(parent, flags) {}

void AgentDialog::showEvent(QShowEvent *event)
{
    if (!initialised_) {
        initialised_ = true;
        onInitDialog();
    }
    QDialog::showEvent(event);
}

void AgentDialog::done(int result)
{
    initialised_ = false;
    QDialog::done(result);
}

// A window disabled already stays as it is; the focus, which disabling takes
// away, goes back where it was.
InputBlocked::InputBlocked(QWidget *window)
{
    if (window && window->isEnabled()) {
        window_ = window;
        focus_ = window->focusWidget();
        window->setEnabled(false);
    }
}

InputBlocked::~InputBlocked()
{
    if (!window_) {
        return;
    }
    window_->setEnabled(true);
    if (focus_) {
        focus_->setFocus();
    }
}

QPushButton *AgentDialog::addButton(const char *text, int id)
{
    return Tagged(new QPushButton(Text(text), this), id);
}

AgentDialog::OkCancel AgentDialog::addOkCancel()
{
    QPushButton *ok = addButton(text::kButtonOk, ui::IDOK);
    QPushButton *cancel = addButton(text::kButtonCancel, ui::IDCANCEL);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    return {ok, cancel};
}

} // namespace veyra::agent
