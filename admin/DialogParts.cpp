#include "DialogParts.h"

#include "ControlId.h"
#include "Icons.h"
#include "Strings.h"
#include "UiHost.h"

#include <QDialog>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

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

int AddInputFields(QWidget *dialog, QGridLayout *layout,
                   std::initializer_list<std::pair<const char *, QLineEdit *>> fields)
{
    int row = 1;
    for (const auto &[labelText, edit] : fields) {
        QLabel *label = MakeStatic(dialog, ui::IDC_STATIC, Text(labelText));
        label->setBuddy(edit);
        edit->setMaxLength(kFieldTextLimit);
        layout->addWidget(label, row, 1);
        layout->addWidget(edit, row, 2);
        ++row;
    }
    return row;
}

QPushButton *AddExecuteAndClose(QDialog *dialog, QGridLayout *layout, int rows)
{
    QPushButton *execute = MakeButton(dialog, ui::IDOK, Text(text::kExecute));
    QPushButton *close = MakeButton(dialog, ui::IDCANCEL, Text(text::kClose));
    execute->setDefault(true);
    auto *buttons = new QVBoxLayout;
    buttons->addWidget(execute);
    buttons->addWidget(close);
    buttons->addStretch();
    layout->addLayout(buttons, 0, 3, rows, 1);
    QObject::connect(close, &QPushButton::clicked, dialog, &QDialog::reject);
    return execute;
}

} // namespace veyra::admin
