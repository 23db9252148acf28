#include "MessagePump.h"

#include "Kernel.h"

#include <QCoreApplication>

namespace veyra::ui {
namespace {

void ProcessPendingEvents()
{
    if (QCoreApplication::instance() != nullptr) {
        QCoreApplication::processEvents();
    }
}

} // namespace

void InstallQtMessagePump()
{
    kernel::SetMessagePump(&ProcessPendingEvents);
}

void RemoveQtMessagePump()
{
    kernel::SetMessagePump(nullptr);
}

} // namespace veyra::ui
