// Control IDs on Qt widgets: every control of a dialog carries the ID its
// dialog template gives it, so that code and tests find controls by ID.
#pragma once

#include "WinUser.h"

#include <QWidget>

namespace veyra::ui {

void SetControlId(QWidget *control, int id);
// Tags a new control with its ID and hands it back, for building dialogs.
template <typename T>
T *WithId(T *control, int id)
{
    SetControlId(control, id);
    return control;
}

// The control's ID; IDC_STATIC when it has none.
int ControlIdOf(const QWidget *control);

// The control with `id` in the window of `dialog` (not in windows it owns);
// nullptr when there is none or it is not a T.
QWidget *FindControlWidget(const QWidget *dialog, int id);

template <typename T = QWidget>
T *FindControl(const QWidget *dialog, int id)
{
    return qobject_cast<T *>(FindControlWidget(dialog, id));
}

} // namespace veyra::ui
