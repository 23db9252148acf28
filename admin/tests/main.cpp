// Runs every test class of VeyraADM in one offscreen application.
#include <QApplication>
#include <QtTest>

#include <memory>

QObject *NewDialogTest();
QObject *NewFaultMatrixTest();
QObject *NewOperationTest();
QObject *NewVirtualCardTest();

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    int failures = 0;
    for (auto make : {&NewDialogTest, &NewOperationTest, &NewVirtualCardTest, &NewFaultMatrixTest}) {
        std::unique_ptr<QObject> test(make());
        failures += QTest::qExec(test.get(), argc, argv);
    }
    return failures == 0 ? 0 : 1;
}
