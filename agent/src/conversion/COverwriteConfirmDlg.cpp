#include "COverwriteConfirmDlg.h"

#include "ConversionResource.h"
#include "Strings.h"
#include "UserFolder.h"
#include "Win32.h"

#include <QDateTime>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include <cstdint>

namespace veyra::agent {

namespace {

using namespace veyra::win32;

// FILETIME counts 100-nanosecond steps from 1601-01-01 (UTC).
constexpr uint64_t kTicksPerSecond = 10'000'000;
constexpr int64_t kSecondsFrom1601To1970 = 11'644'473'600;

struct FileFacts {
    QString time;
    QString size;
};

// The last-write time in local time and the size in bytes.
FileFacts FactsOf(const QString &path)
{
    WIN32_FIND_DATAA entry{};
    HANDLE search = FindFirstFileA(Native(path).constData(), &entry);
    if (search == INVALID_HANDLE_VALUE) {
        return {};
    }
    FindClose(search);
    const uint64_t ticks = (uint64_t(entry.ftLastWriteTime.dwHighDateTime) << 32) | entry.ftLastWriteTime.dwLowDateTime;
    const QDateTime written =
        QDateTime::fromSecsSinceEpoch(int64_t(ticks / kTicksPerSecond) - kSecondsFrom1601To1970).toLocalTime();
    const uint64_t size = (uint64_t(entry.nFileSizeHigh) << 32) | entry.nFileSizeLow;
    return {written.toString(QStringLiteral("yy/MM/dd HH:mm:ss")), QString::number(size) + Text(text::kOverwriteBytes)};
}

QGroupBox *FactsGroup(QWidget *parent, const char *title, const FileFacts &facts, int timeId, int sizeId)
{
    auto *group = new QGroupBox(Text(title), parent);
    auto *layout = new QGridLayout(group);
    layout->addWidget(Tagged(new QLabel(Text(text::kOverwriteTimeLabel), group), ui::IDC_STATIC), 0, 0);
    layout->addWidget(Tagged(new QLabel(facts.time, group), timeId), 0, 1);
    layout->addWidget(Tagged(new QLabel(Text(text::kOverwriteSizeLabel), group), ui::IDC_STATIC), 1, 0);
    layout->addWidget(Tagged(new QLabel(facts.size, group), sizeId), 1, 1);
    layout->setColumnStretch(1, 1);
    return group;
}

} // namespace

COverwriteConfirmDlg::COverwriteConfirmDlg(const QString &source, const QString &destination, QWidget *parent)
    : AgentDialog(parent)
{
    setWindowTitle(Text(text::kOverwriteCaption));
    auto *name = new QHBoxLayout;
    name->addWidget(Tagged(new QLabel(Text(text::kOverwriteNameLabel), this), ui::IDC_STATIC));
    name->addWidget(Tagged(new QLabel(NameOf(destination), this), IDC_OVERWRITE_NAME), 1);

    QPushButton *yes = addButton(text::kOverwriteYes, IDC_OVERWRITE_YES);
    QPushButton *all = addButton(text::kOverwriteAll, IDC_OVERWRITE_ALL);
    QPushButton *no = addButton(text::kOverwriteNo, IDC_OVERWRITE_NO);
    QPushButton *cancel = addButton(text::kButtonCancel, ui::IDCANCEL);
    yes->setDefault(true);
    connect(yes, &QPushButton::clicked, this, [this] { done(kOverwriteThis); });
    connect(all, &QPushButton::clicked, this, [this] { done(kOverwriteAll); });
    connect(no, &QPushButton::clicked, this, [this] { done(kOverwriteSkip); });
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    auto *buttons = new QHBoxLayout;
    for (QPushButton *button : {yes, all, no, cancel}) {
        buttons->addWidget(button);
    }

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(Tagged(new QLabel(Text(text::kOverwriteLine1), this), ui::IDC_STATIC));
    layout->addWidget(Tagged(new QLabel(Text(text::kOverwriteLine2), this), ui::IDC_STATIC));
    layout->addLayout(name);
    layout->addWidget(FactsGroup(this, text::kOverwriteSourceGroup, FactsOf(source), IDC_OVERWRITE_SOURCE_TIME,
                                 IDC_OVERWRITE_SOURCE_SIZE));
    layout->addWidget(FactsGroup(this, text::kOverwriteTargetGroup, FactsOf(destination), IDC_OVERWRITE_TARGET_TIME,
                                 IDC_OVERWRITE_TARGET_SIZE));
    layout->addLayout(buttons);
}

} // namespace veyra::agent
