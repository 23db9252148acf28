#include "Icons.h"

#include "Resource.h"

#include <QLabel>
#include <QVariant>

namespace veyra::admin {
namespace {

constexpr int kIconSize = 32;
constexpr const char *kIconIdProperty = "iconId";

} // namespace

QIcon LoadIcon(int iconId)
{
    if (iconId == IDI_HAND) {
        return QIcon(QStringLiteral(":/icons/error.svg"));
    }
    return QIcon(QStringLiteral(":/icons/%1.svg").arg(iconId));
}

void SetStaticIcon(QLabel *control, int iconId)
{
    control->setPixmap(LoadIcon(iconId).pixmap(kIconSize, kIconSize));
    control->setProperty(kIconIdProperty, iconId);
}

int StaticIconOf(const QLabel *control)
{
    return control->property(kIconIdProperty).toInt();
}

} // namespace veyra::admin
