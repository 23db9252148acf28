#include "DialogParts.h"

#include "ControlId.h"
#include "Icons.h"

#include <QLabel>
#include <QPushButton>

namespace veyra::admin {

QLabel *MakeStatic(QWidget *dialog, int id, const QString &text)
{
    return ui::WithId(new QLabel(text, dialog), id);
}

QLabel *MakeGuide(QWidget *dialog, int id, const QString &text)
{
    QLabel *guide = MakeStatic(dialog, id, text);
    guide->setWordWrap(true);
    guide->setMinimumWidth(300);
    return guide;
}

QLabel *MakeIcon(QWidget *dialog, int id, int iconId)
{
    QLabel *icon = ui::WithId(new QLabel(dialog), id);
    SetStaticIcon(icon, iconId);
    icon->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    return icon;
}

QPushButton *MakeButton(QWidget *dialog, int id, const QString &text)
{
    return ui::WithId(new QPushButton(text, dialog), id);
}

} // namespace veyra::admin
