// What the program's dialogs share: texts from the string table, icons from the
// resources, controls tagged with their IDs, and the initialisation that runs
// when a dialog run first shows (where the original did its dialog
// initialisation: once per run, as each run made the dialog window anew).
#pragma once

#include "CardRecords.h"
#include "ControlId.h"
#include "UiHost.h"

#include <QDialog>
#include <QIcon>
#include <QPointer>
#include <QString>

class QLabel;
class QPushButton;

namespace veyra::agent {

inline QString Text(const char *utf8)
{
    return QString::fromUtf8(utf8);
}

// One of the program's icons by its resource number.
QIcon AgentIcon(int id);
// A picture control showing icon `id`; its "iconId" property tells which.
void ShowIcon(QLabel *picture, int id, int size = 32);
int ShownIcon(const QLabel *picture);

template <typename T>
T *Tagged(T *control, int id)
{
    ui::SetControlId(control, id);
    return control;
}

class AgentDialog : public QDialog {
    Q_OBJECT

public:
    explicit AgentDialog(QWidget *parent = nullptr, Qt::WindowFlags flags = {});

    void done(int result) override;

protected:
    // Runs when a run of the dialog first shows.
    virtual void onInitDialog() {}
    void showEvent(QShowEvent *event) override;

    QPushButton *addButton(const char *text, int id);

    // The OK button (the default; it accepts) and the Cancel button (it rejects).
    struct OkCancel {
        QPushButton *ok;
        QPushButton *cancel;
    };
    OkCancel addOkCancel();

private:
    bool initialised_ = false;
};

// Keeps a window from taking input while it waits for the card. A card call
// lets the program's events run between its polls, and a second call started
// from them would run inside the first, on the same records.
class InputBlocked {
public:
    explicit InputBlocked(QWidget *window);
    ~InputBlocked();
    InputBlocked(const InputBlocked &) = delete;
    InputBlocked &operator=(const InputBlocked &) = delete;

private:
    QPointer<QWidget> window_;
    QPointer<QWidget> focus_;
};

// A card call made from `window`, which takes no input until the card answers.
template <typename Request, typename Status>
int CallCardFrom(QWidget *window, const CardRecords &records, CardFunction<Request, Status> function,
                 const Request &request, Status &result)
{
    const InputBlocked blocked(window);
    return CallCard(records, function, request, result);
}

} // namespace veyra::agent
