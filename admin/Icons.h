// The icons of VeyraADM by their resource numbers (Resource.h).
#pragma once

#include <QIcon>

class QLabel;

namespace veyra::admin {

QIcon LoadIcon(int iconId);
// Puts an icon into a static control, which keeps its number in the property
// "iconId".
void SetStaticIcon(QLabel *control, int iconId);
int StaticIconOf(const QLabel *control);

} // namespace veyra::admin
