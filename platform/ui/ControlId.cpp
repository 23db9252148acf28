#include "ControlId.h"

#include <QVariant>

namespace veyra::ui {
namespace {

constexpr const char *kControlIdProperty = "controlId";

} // namespace

void SetControlId(QWidget *control, int id)
{
    control->setProperty(kControlIdProperty, id);
}

int ControlIdOf(const QWidget *control)
{
    const QVariant id = control->property(kControlIdProperty);
    return id.isValid() ? id.toInt() : IDC_STATIC;
}

QWidget *FindControlWidget(const QWidget *dialog, int id)
{
    const QList<QWidget *> children = dialog->findChildren<QWidget *>();
    for (QWidget *child : children) {
        if (child->window() == dialog->window() && child->property(kControlIdProperty).isValid() &&
            ControlIdOf(child) == id) {
            return child;
        }
    }
    return nullptr;
}

} // namespace veyra::ui
