// VeyraADM, the card administration tool.
#include "CAdminApp.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    veyra::admin::CAdminApp adminApp;
    return adminApp.Run();
}
