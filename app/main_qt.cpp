// Quorvel on Qt. With options (--split, --join, --help, --version) it runs in the terminal, with no
// window and no display. Otherwise it opens its one window, with the file it is given, if any,
// taken as the source picker takes it ("Open with", a double-click on a piece), and ends when the
// user closes it, or when a signal asks it to end (a logout, a shutdown), as at a close.
#include <QApplication>
#include <string>
#include <vector>

#include "app/frm_main.h"
#include "app/terminal.h"
#include "platform/qt/qt_toolkit.h"
#include "platform/stop_signals.h"

int main(int argc, char* argv[]) {
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    quorvel::stopOnSignals();
    if (quorvel::terminal::wanted(arguments)) return quorvel::terminal::run(arguments);
    QApplication application(argc, argv);
    QApplication::setApplicationName("quorvel");
    QApplication::setDesktopFileName("quorvel");
    quorvel::qt::QtToolkit toolkit;
    quorvel::frmMain form(toolkit);
    form.show();
    if (!arguments.empty()) form.takeFile(arguments.front());
    const int status = QApplication::exec();
    return quorvel::stopSignal() != 0 ? 128 + quorvel::stopSignal() : status;
}
