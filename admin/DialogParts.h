// Building blocks of the dialog templates: controls made with their IDs and texts.
#pragma once

#include "TVRCM20.h"

#include <QString>

#include <initializer_list>
#include <utility>

class QDialog;
class QGridLayout;
class QLabel;
class QLineEdit;
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

// One labelled input field a row, from row 1 on, in columns 1 and 2, each limited
// to kFieldTextLimit characters; returns the row after the last.
int AddInputFields(QWidget *dialog, QGridLayout *layout,
                   std::initializer_list<std::pair<const char *, QLineEdit *>> fields);
// The execute (IDOK, default) and close (IDCANCEL, rejects) buttons in column 3
// over `rows` rows; returns the execute button for the dialog to connect.
QPushButton *AddExecuteAndClose(QDialog *dialog, QGridLayout *layout, int rows);

} // namespace veyra::admin
