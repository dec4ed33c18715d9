// Quorvel on Qt: the program opens its one window and ends when the user closes it, or when a
// signal asks it to end (a logout, a shutdown), as at a close.
#include <QApplication>

#include "app/frm_main.h"
#include "platform/qt/qt_toolkit.h"
#include "platform/stop_signals.h"

int main(int argc, char* argv[]) {
    quorvel::stopOnSignals();
    QApplication application(argc, argv);
    QApplication::setApplicationName("quorvel");
    QApplication::setDesktopFileName("quorvel");
    quorvel::qt::QtToolkit toolkit;
    quorvel::frmMain form(toolkit);
    form.show();
    const int status = QApplication::exec();
    return quorvel::stopSignal() != 0 ? 128 + quorvel::stopSignal() : status;
}
