// Building blocks of the dialog templates: controls made with their IDs and texts.
#pragma once

#include "TVRCM20.h"

#include <QString>

class QLabel;
class QPushButton;
class QWidget;

namespace veyra::admin {

// The text limit of the input fields: the 16-byte fields of the card commands.
inline constexpr int kFieldTextLimit = TVRCM_ID_SIZE;

QLabel *MakeStatic(QWidget *dialog, int id, const QString &text);
// A static text that wraps, for guide lines.
QLabel *MakeGuide(QWidget *dialog, int id, const QString &text);
QLabel *MakeIcon(QWidget *dialog, int id, int iconId);
QPushButton *MakeButton(QWidget *dialog, int id, const QString &text);

} // namespace veyra::admin
