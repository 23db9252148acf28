// VeyraAP, the resident user application: logs the user in with the card and
// keeps the user's folder protected while the program runs.
#include "CResidentApp.h"
#include "MessagePump.h"
#include "Strings.h"

#include <QApplication>

#include <cstdio>
#include <stdexcept>

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    QApplication::setApplicationName(QString::fromLatin1(veyra::agent::text::kProgramName));
    QApplication::setQuitOnLastWindowClosed(false);
    veyra::agent::InitAgentResources();
    veyra::ui::InstallQtMessagePump();
    try {
        veyra::agent::CResidentApp app;
        return app.run();
    } catch (const std::runtime_error &failure) {
        std::fprintf(stderr, "%s\n", failure.what());
        return 1;
    }
}
