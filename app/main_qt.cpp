// Quorvel on Qt: the program opens its one window and ends when the user closes it.
#include <QApplication>

#include "app/frm_main.h"
#include "platform/qt/qt_toolkit.h"

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    QApplication::setApplicationName("quorvel");
    QApplication::setDesktopFileName("quorvel");
    quorvel::qt::QtToolkit toolkit;
    quorvel::frmMain form(toolkit);
    form.show();
    return QApplication::exec();
}
