// The window on Qt as a person uses it: real widgets clicked and typed into through the window
// system, real message boxes and dialogs answered the way a person would. Runs under
// QT_QPA_PLATFORM=offscreen.
#include <QAbstractItemView>
#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFile>
#include <QFileDialog>
#include <QFontDatabase>
#include <QFontInfo>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QMimeData>
#include <QPointer>
#include <QPushButton>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QUrl>
#include <algorithm>
#include <cstdlib>
#include <deque>
#include <functional>
#include <memory>
#include <optional>

#include "app/frm_main.h"
#include "app/texts.h"
#include "platform/legible_color.h"
#include "platform/module1.h"
#include "platform/process.h"
#include "platform/qt/qt_toolkit.h"
#include "platform/win32_api.h"
#include "tests/support/files.h"

namespace quorvel::qt {
namespace {

using testing::bytesOf;
using testing::exists;
using testing::patternBytes;
using testing::pieceIn;
using testing::ScopedVariable;
using testing::TempFolder;
using testing::writeBytes;

// Answers the modal windows the program opens, in the order they open: each answer is called
// with the modal window once it is up. Answers run inside the modal window's own event loop.
class Modals {
  public:
    using Answer = std::function<void(QWidget*)>;

    Modals() {
        QObject::connect(&timer_, &QTimer::timeout, [this] { poll(); });
        timer_.start(5);
    }
    void then(Answer answer) { answers_.push_back(std::move(answer)); }
    bool allAnswered() const { return answers_.empty(); }
    int seen() const { return seen_; }

  private:
    void poll() {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || !modal->isVisible() || answers_.empty()) return;
        for (const auto& done : handled_) {
            if (done == modal) return;
        }
        handled_.emplace_back(modal);
        ++seen_;
        // Answered from a timer of its own: a timer never fires again while its own call runs,
        // and an answer may open the next modal window (a question over a file dialog).
        QTimer::singleShot(0, [answer = std::move(answers_.front()), modal = QPointer(modal)] {
            if (modal) answer(modal);
        });
        answers_.pop_front();
    }

    QTimer timer_;
    std::deque<Answer> answers_;
    std::vector<QPointer<QWidget>> handled_;
    int seen_ = 0;
};

// A click as a person makes it: through the window system, at the widget's place in its window.
void click(QWidget* widget) {
    QVERIFY(widget);
    QWidget* top = widget->window();
    const QPoint place = widget->mapTo(top, widget->rect().center());
    QTest::mouseClick(top->windowHandle(), Qt::LeftButton, Qt::NoModifier, place);
}

// Keys as a person types them: to whatever has the focus in the widget's window.
void type(QWidget* window, const QString& text) {
    for (const QChar c : text) {
        QTest::keyClick(window->windowHandle(), c.toLatin1());
    }
}

// A key as a person presses it: to whatever has the focus in the widget's window.
void press(QWidget* window, Qt::Key key) {
    QTest::keyClick(window->windowHandle(), key);
}

double contrast(const QColor& one, const QColor& other) {
    return contrastRatio(
        {std::uint8_t(one.red()), std::uint8_t(one.green()), std::uint8_t(one.blue())},
        {std::uint8_t(other.red()), std::uint8_t(other.green()), std::uint8_t(other.blue())});
}

// The strongest contrast between any pixel of the image and the colour of its face.
double strongestContrast(const QImage& image, const QColor& face) {
    double strongest = 1;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            strongest = std::max(strongest, contrast(image.pixelColor(x, y), face));
        }
    }
    return strongest;
}

QAbstractButton* dialogButton(QWidget* dialog, QDialogButtonBox::StandardButton which) {
    const auto boxes = dialog->findChildren<QDialogButtonBox*>();
    for (QDialogButtonBox* box : boxes) {
        if (QPushButton* button = box->button(which)) return button;
    }
    return nullptr;
}

// A file dialog answered by typing into its name field and pressing its accept button.
void typeIntoFileDialog(QWidget* modal, const QString& typed) {
    auto* dialog = qobject_cast<QFileDialog*>(modal);
    QVERIFY2(dialog, qPrintable(modal->metaObject()->className()));
    auto* name = dialog->findChild<QLineEdit*>("fileNameEdit");
    QVERIFY(name);
    // Set as a whole: typed key by key, the name would open the completion list first.
    name->setText(typed);
    const auto accept = dialog->acceptMode() == QFileDialog::AcceptOpen ? QDialogButtonBox::Open
                                                                        : QDialogButtonBox::Save;
    QAbstractButton* button = dialogButton(dialog, accept);
    if (!button) button = dialogButton(dialog, QDialogButtonBox::Ok);
    QVERIFY(button);
    QTest::mouseClick(button, Qt::LeftButton);  // a disabled button takes no click
}

void cancel(QWidget* modal) {
    QAbstractButton* button = dialogButton(modal, QDialogButtonBox::Cancel);
    QVERIFY(button);
    QTest::mouseClick(button, Qt::LeftButton);
}

struct Shown {
    QString text, title;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons buttons;
    bool modal = false;
};

// Reads a message box as a person would see it, then presses its OK button.
Modals::Answer readAndClose(Shown& shown) {
    return [&shown](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        QVERIFY2(box, qPrintable(modal->metaObject()->className()));
        shown = {box->text(), box->windowTitle(), box->icon(), box->standardButtons(),
                 box->isModal()};
        QTest::mouseClick(box->button(QMessageBox::Ok), Qt::LeftButton);
    };
}

}  // namespace

class QtWindowTest : public QObject {
    Q_OBJECT

    std::unique_ptr<QtToolkit> kit;
    std::unique_ptr<frmMain> form;
    std::unique_ptr<Modals> modals;

    template <class W = QWidget>
    W* widget(const char* name) {
        W* found = kit->window()->findChild<W*>(name);
        if (!found) qFatal("no widget %s", name);
        return found;
    }
    QLineEdit* edit(const char* name) { return widget<QLineEdit>(name); }

    void setCount(const QString& count) {
        edit("Text3")->setFocus();
        edit("Text3")->selectAll();
        type(kit->window(), count);
    }

  private slots:
    void init() {
        kit = std::make_unique<QtToolkit>();
        form = std::make_unique<frmMain>(*kit);
        modals = std::make_unique<Modals>();
        form->show();
        QVERIFY(QTest::qWaitForWindowExposed(kit->window()));
        kit->window()->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(kit->window()));
    }

    void cleanup() {
        QVERIFY2(modals->allAnswered(), "a dialog the test expected did not open");
        modals.reset();
        form.reset();
        kit.reset();
    }

    void opensAsDesigned() {
        QWidget* window = kit->window();
        QCOMPARE(window->size(), QSize(360, 221));
        QCOMPARE(window->minimumSize(), window->maximumSize());
        QVERIFY(window->windowTitle().startsWith("Quorvel v1.0 - "));
        QVERIFY(window->windowIcon().availableSizes().contains(QSize(32, 32)));
        QVERIFY(!(window->windowFlags() & Qt::WindowMaximizeButtonHint));

        // Places at 15 twips to the pixel; the frame holds its controls.
        QCOMPARE(widget("Frame1")->geometry(), QRect(8, 0, 345, 185));
        QCOMPARE(widget("Text3")->geometry(), QRect(168, 136, 41, 27));
        QCOMPARE(widget("cmd_Split")->geometry(), QRect(224, 120, 61, 57));
        QCOMPARE(widget("Opt2")->geometry(), QRect(296, 104, 41, 73));
        QCOMPARE(widget("sp")->geometry(), QRect(8, 184, 345, 9));
        QCOMPARE(widget("Label4")->pos(), QPoint(272, 200));
        for (const char* inFrame :
             {"Text1", "Text2", "Text3", "Label1", "Label2", "Label3", "cmd_Open", "cmd_Save",
              "cmd_Split", "Opt1", "Opt2", "Check1"}) {
            QCOMPARE(widget(inFrame)->parentWidget(), widget("Frame1"));
        }
        QCOMPARE(widget("Label4")->parentWidget(), window);
        QCOMPARE(widget("sp")->parentWidget(), window);

        // Looks.
        QCOMPARE(edit("Text3")->palette().color(QPalette::Base), QColor(255, 255, 192));
        QCOMPARE(edit("Text1")->palette().color(QPalette::Base), QColor(192, 255, 192));
        QCOMPARE(edit("Text2")->palette().color(QPalette::Base), QColor(192, 255, 192));
        QCOMPARE(widget("Opt1")->palette().color(QPalette::ButtonText), QColor(0, 0, 255));
        QCOMPARE(widget("Label4")->palette().color(QPalette::WindowText), QColor(0, 0, 255));
        QCOMPARE(widget("Label1")->font().pointSizeF(), 9.0);
        QCOMPARE(edit("Text3")->font().pointSizeF(), 8.25);
        // Where the Windows faces are missing, the ones with their widths stand in.
        if (QFontDatabase::hasFamily("Liberation Sans")) {
            QCOMPARE(QFontInfo(widget("Label1")->font()).family(), QString("Liberation Sans"));
            QCOMPARE(QFontInfo(edit("Text3")->font()).family(), QString("Liberation Sans"));
        }
        QCOMPARE(widget("Label4")->cursor().shape(), Qt::PointingHandCursor);
        QCOMPARE(widget("Label4")->toolTip(), QString("Check latest version."));
        QCOMPARE(widget("cmd_Split")->toolTip(), QString("Start Split"));
        QCOMPARE(widget<QPushButton>("cmd_Split")->iconSize(), QSize(48, 48));
        QCOMPARE(widget<QPushButton>("cmd_Open")->iconSize(), QSize(24, 23));
        QVERIFY(!widget<QPushButton>("cmd_Save")->icon().isNull());

        // State at start: Split mode, the count in focus, the path boxes locked.
        QVERIFY(widget<QPushButton>("Opt1")->isChecked());
        QVERIFY(!widget<QPushButton>("Opt2")->isChecked());
        QCOMPARE(QApplication::focusWidget(), widget("Text3"));
        QCOMPARE(edit("Text3")->text(), QString("2"));
        QVERIFY(edit("Text1")->isReadOnly());
        QVERIFY(edit("Text2")->isReadOnly());
        QVERIFY(!edit("Text3")->isReadOnly());
        QVERIFY(!widget("Check1")->isVisible());
        QVERIFY(!widget("sp")->isVisible());
        QCOMPARE(widget<QLabel>("Label1")->text(),
                 QString("Select a source file to split (any type):"));

        // Tab order: the design table's, the link last.
        QStringList order;
        QWidget* next = widget("Text3");
        do {
            if (next->focusPolicy() & Qt::TabFocus) order << next->objectName();
            next = next->nextInFocusChain();
        } while (next != widget("Text3"));
        QCOMPARE(order, (QStringList{"Text3", "cmd_Open", "cmd_Save", "cmd_Split", "Text1", "Text2",
                                     "Opt1", "Opt2", "Check1", "Label4"}));
    }

    // What a screen reader says of each control, in both modes; captions and tips stay as shown.
    void everyControlHasANameAndARole() {
        struct Expected {
            const char* widget;
            QAccessible::Role role;
            QString name;
        };
        const auto check = [this](const std::vector<Expected>& expected) {
            for (const Expected& control : expected) {
                QAccessibleInterface* seen =
                    QAccessible::queryAccessibleInterface(widget(control.widget));
                QVERIFY(seen);
                QCOMPARE(seen->role(), control.role);
                QCOMPARE(seen->text(QAccessible::Name), control.name);
            }
        };
        const QString chooseFile = "Choose the file to split or the first piece";
        const QString chooseFolder = "Choose the destination folder";
        check(
            {{"Text3", QAccessible::EditableText, "How many parts to split?"},
             {"cmd_Open", QAccessible::Button, chooseFile},
             {"cmd_Save", QAccessible::Button, chooseFolder},
             {"cmd_Split", QAccessible::Button, "Start Split"},
             {"Text1", QAccessible::EditableText, "Select a source file to split (any type):"},
             {"Text2", QAccessible::EditableText, "Select a path to save splited files:"},
             {"Opt1", QAccessible::RadioButton, "Split File"},
             {"Opt2", QAccessible::RadioButton, "Joint File"},
             {"Check1", QAccessible::CheckBox, "Delete splited files after file joint completed."},
             {"Label4", QAccessible::Link, "Check Update"}});
        QAccessibleInterface* link = QAccessible::queryAccessibleInterface(widget("Label4"));
        QCOMPARE(link->text(QAccessible::Description), QString("Check latest version."));
        QVERIFY(link->state().focusable);
        QVERIFY(link->actionInterface()->actionNames().contains(
            QAccessibleActionInterface::pressAction()));
        QCOMPARE(widget("cmd_Open")->toolTip(), QString());
        QCOMPARE(widget<QLabel>("Label4")->text(), QString("Check Update"));

        click(widget("Opt2"));
        check(
            {{"cmd_Split", QAccessible::Button, "Start Joint"},
             {"Text1", QAccessible::EditableText, "Select the first one from the splitted files:"},
             {"Text2", QAccessible::EditableText, "Select a path to save the joint file:"},
             {"cmd_Open", QAccessible::Button, chooseFile}});
        QCOMPARE(widget("cmd_Split")->toolTip(), QString("Start Joint"));
        click(widget("Opt1"));
        check({{"cmd_Split", QAccessible::Button, "Start Split"},
               {"Text2", QAccessible::EditableText, "Select a path to save splitted files:"}});
    }

    // Enter and Space on each button, option and the link do what a click does.
    void theKeyboardPressesEveryButtonAndTheLink() {
        TempFolder noBrowser;
        const ScopedVariable programFiles("programfiles", noBrowser.path());
        QWidget* window = kit->window();
        for (const Qt::Key key : {Qt::Key_Return, Qt::Key_Space}) {
            const int before = modals->seen();
            modals->then([](QWidget* dialog) {
                QCOMPARE(dialog->windowTitle(), QString(text::openTitle));
                cancel(dialog);
            });
            widget("cmd_Open")->setFocus();
            press(window, key);
            modals->then([](QWidget* dialog) {
                QCOMPARE(dialog->windowTitle(), QString(text::saveTitle));
                cancel(dialog);
            });
            widget("cmd_Save")->setFocus();
            press(window, key);
            Shown shown;
            modals->then(readAndClose(shown));
            setCount("1");
            widget("cmd_Split")->setFocus();
            press(window, key);
            QCOMPARE(shown.text, QString(text::badPartsCount));

            widget("Opt2")->setFocus();
            press(window, key);
            QVERIFY(widget<QPushButton>("Opt2")->isChecked());
            QVERIFY(widget("Check1")->isVisible());
            widget("Check1")->setFocus();
            press(window, key);
            QVERIFY(widget<QCheckBox>("Check1")->isChecked());
            press(window, key);
            QVERIFY(!widget<QCheckBox>("Check1")->isChecked());
            widget("Opt1")->setFocus();
            press(window, key);
            QVERIFY(widget<QPushButton>("Opt1")->isChecked());
            QVERIFY(widget("Text3")->isVisible());

            // The link comes after the last option in the tab order.
            widget("Opt2")->setFocus();
            press(window, Qt::Key_Tab);
            QCOMPARE(window->focusWidget(), widget("Label4"));
            modals->then([](QWidget* modal) {
                QCOMPARE(modal->objectName(), QString("InputBox"));
                cancel(modal);
            });
            press(window, key);
            QCOMPARE(modals->seen(), before + 4);
        }
    }

    // Focused, each control shows a frame two pixels wide in the selection colour.
    void theFocusIsPlainToSee() {
        form->Check1->setVisible(true);
        for (const char* name : {"Text3", "cmd_Open", "cmd_Save", "cmd_Split", "Text1", "Text2",
                                 "Opt1", "Opt2", "Check1", "Label4"}) {
            QWidget* control = widget(name);
            widget(name == QString("Text3") ? "Text1" : "Text3")->setFocus();
            const QImage unfocused = control->grab().toImage();
            control->setFocus(Qt::TabFocusReason);
            QCOMPARE(QApplication::focusWidget(), control);
            const QImage focused = control->grab().toImage();
            const QColor mark = control->palette().color(QPalette::Active, QPalette::Highlight);
            const int row = focused.height() / 2;
            int first = 0;
            while (first < focused.width() && focused.pixelColor(first, row) != mark) ++first;
            QVERIFY2(first + 1 < focused.width() / 2, name);
            QCOMPARE(focused.pixelColor(first + 1, row), mark);
            QVERIFY2(unfocused.pixelColor(first, row) != mark, name);
            QVERIFY2(unfocused.pixelColor(first + 1, row) != mark, name);
        }
    }

    // The selected option's caption reads clearly on the pressed face, also where the face is
    // dark.
    void theSelectedOptionIsLegible() {
        QWidget* option = widget("Opt1");
        QVERIFY(widget<QPushButton>("Opt1")->isChecked());
        for (const QColor face : {QColor(), QColor(0, 0, 128)}) {
            if (face.isValid()) {
                QPalette colors = option->palette();
                colors.setColor(QPalette::Button, face);
                option->setPalette(colors);
            }
            const QImage image = option->grab().toImage();
            const QColor drawnFace = image.pixelColor(image.width() / 2, 4);
            QVERIFY(strongestContrast(image, drawnFace) >= legibleContrast);
        }
    }

    // A message naming a long path wraps within the screen and keeps every character.
    void aLongMessageWrapsWithinTheScreen() {
        const QString message = "Path not found: /home/ana/out/" + QString(254, 'n') + ".bin_1.xst";
        QString shown;
        QRect place;
        modals->then([&](QWidget* modal) {
            auto* box = qobject_cast<QMessageBox*>(modal);
            QVERIFY(box);
            shown = box->text();
            place = box->frameGeometry();
            QTest::mouseClick(box->button(QMessageBox::Ok), Qt::LeftButton);
        });
        kit->messageBox(message.toStdString(), "quorvel");
        const QRect screen = kit->window()->screen()->availableGeometry();
        QVERIFY2(screen.contains(place), qPrintable(QString("%1 wide").arg(place.width())));
        QVERIFY(shown.contains('\n'));
        QCOMPARE(shown.remove('\n').remove(' '), QString(message).remove(' '));
    }

    void typingIntoALockedBoxChangesNothing() {
        edit("Text1")->setFocus();
        type(kit->window(), "typed");
        QCOMPARE(edit("Text1")->text(), QString());
        edit("Text3")->setFocus();
        edit("Text3")->selectAll();
        type(kit->window(), "7");
        QCOMPARE(form->Text3->text(), std::string("7"));
    }

    void clickingTheOptionsSwitchesModes() {
        form->Text1->setText("/in/a.bin");
        for (int twice = 0; twice < 2; ++twice) {
            click(widget("Opt2"));
            QVERIFY(widget<QPushButton>("Opt2")->isChecked());
            QVERIFY(!widget<QPushButton>("Opt1")->isChecked());
            QCOMPARE(widget<QLabel>("Label1")->text(),
                     QString("Select the first one from the splitted files:"));
            QCOMPARE(widget<QLabel>("Label2")->text(),
                     QString("Select a path to save the joint file:"));
            QCOMPARE(widget("cmd_Split")->toolTip(), QString("Start Joint"));
            QVERIFY(!widget("Label3")->isVisible());
            QVERIFY(!widget("Text3")->isVisible());
            QVERIFY(widget("Check1")->isVisible());
            QVERIFY(!widget("sp")->isVisible());
        }
        // The longer caption is shown whole, not cut at the label's designed width.
        QLabel* label1 = widget<QLabel>("Label1");
        QVERIFY(label1->width() >= label1->fontMetrics().horizontalAdvance(label1->text()));
        QVERIFY(label1->geometry().right() < widget("Opt1")->x());

        for (int twice = 0; twice < 2; ++twice) {
            click(widget("Opt1"));
            QVERIFY(widget<QPushButton>("Opt1")->isChecked());
            QCOMPARE(widget<QLabel>("Label1")->text(),
                     QString("Select a source file to split(any type):"));
            QCOMPARE(widget<QLabel>("Label2")->text(),
                     QString("Select a path to save splitted files:"));
            QCOMPARE(widget("cmd_Split")->toolTip(), QString("Start Split"));
            QVERIFY(widget("Label3")->isVisible());
            QVERIFY(widget("Text3")->isVisible());
            QVERIFY(!widget("Check1")->isVisible());
        }
        QCOMPARE(edit("Text1")->text(), QString("/in/a.bin"));
    }

    void aBadCountShowsTheCountMessage() {
        Shown shown;
        modals->then(readAndClose(shown));
        setCount("1");
        click(widget("cmd_Split"));
        QCOMPARE(modals->seen(), 1);
        QCOMPARE(shown.text, QString(text::badPartsCount));
        QCOMPARE(shown.title, QString::fromStdString(executableName()));
        QCOMPARE(shown.icon, QMessageBox::Information);
        QCOMPARE(shown.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
        QVERIFY(shown.modal);
        QCOMPARE(kit->window()->focusWidget(), widget("Text3"));
        QVERIFY(widget("sp")->isVisible());  // reset by the start, at width 1
        QCOMPARE(form->sp->width(), 1.0f);
    }

    void aSplitAndAJoinThroughTheRealWidgets() {
        TempFolder in, out;
        const std::string source = in / "photo.jpg";
        const std::string bytes = patternBytes(200002);
        writeBytes(source, bytes);

        // Split: pick the source, type 3, press the scissors.
        modals->then(
            [&](QWidget* dialog) { typeIntoFileDialog(dialog, QString::fromStdString(source)); });
        click(widget("cmd_Open"));
        QCOMPARE(edit("Text1")->text().toStdString(), source);
        QCOMPARE(edit("Text2")->text().toStdString(), in.path() + "/");
        setCount("3");
        Shown splitDone;
        modals->then(readAndClose(splitDone));
        click(widget("cmd_Split"));
        QCOMPARE(splitDone.text, QString(text::splitDone));
        QCOMPARE(splitDone.icon, QMessageBox::Information);
        QCOMPARE(bytesOf(pieceIn(in.path(), "photo.jpg", 1)), bytes.substr(0, 66668));
        QCOMPARE(bytesOf(pieceIn(in.path(), "photo.jpg", 2)), bytes.substr(66668, 66667));
        QCOMPARE(bytesOf(pieceIn(in.path(), "photo.jpg", 3)), bytes.substr(133335));
        QVERIFY(widget("sp")->isVisible());
        QCOMPARE(form->sp->width(), 5175.0f);
        QVERIFY(widget("Frame1")->isEnabled());

        // Join: Joint mode, pick the first piece and the destination, tick Delete, start.
        click(widget("Opt2"));
        modals->then([&](QWidget* dialog) {
            typeIntoFileDialog(dialog, QString::fromStdString(pieceIn(in.path(), "photo.jpg", 1)));
        });
        click(widget("cmd_Open"));
        modals->then([&](QWidget* dialog) {
            QCOMPARE(dialog->windowTitle(), QString(text::saveTitle));
            typeIntoFileDialog(dialog, QString::fromStdString(out.path()));
        });
        click(widget("cmd_Save"));
        QCOMPARE(edit("Text2")->text().toStdString(), out.path());
        click(widget("Check1"));
        QVERIFY(widget<QCheckBox>("Check1")->isChecked());
        Shown joinDone;
        modals->then(readAndClose(joinDone));
        click(widget("cmd_Split"));
        QCOMPARE(joinDone.text, QString(text::jointDone));
        QCOMPARE(bytesOf(out / "photo.jpg"), bytes);
        QCOMPARE(out.names(), std::vector<std::string>{"photo.jpg"});
        QCOMPARE(in.names(), std::vector<std::string>{"photo.jpg"});
    }

    void theBarIsPaintedInItsColoursAtTheWidthTheCodeSets() {
        QWidget* bar = widget("sp");
        form->sp->setVisible(true);
        form->sp->setWidth(1725.0f);  // a third of 5175 twips: 115 pixels
        const QImage image = bar->grab().toImage();
        QCOMPARE(image.pixelColor(0, 4), QColor(255, 255, 0));  // the outline
        QCOMPARE(image.pixelColor(50, 4), QColor(0, 128, 0));   // the fill
        QCOMPARE(image.pixelColor(113, 4), QColor(0, 128, 0));
        QCOMPARE(image.pixelColor(114, 4), QColor(255, 255, 0));  // the right edge
        QVERIFY(image.pixelColor(120, 4) != QColor(0, 128, 0));   // the rest is not drawn
        form->sp->setWidth(5175.0f);
        QCOMPARE(bar->grab().toImage().pixelColor(340, 4), QColor(0, 128, 0));
        QCOMPARE(form->sp->width(), 5175.0f);
    }

    void frame1BlocksInputDuringARun() {
        TempFolder in;
        const std::string source = in / "a.bin";
        writeBytes(source, patternBytes(4000));
        form->Text1->setText(source);
        form->sourcePath = form->Text1->text();
        form->Text2->setText(in.path());
        form->savePath = form->Text2->text();
        setCount("4");

        bool checkedDuringRun = false;
        Shown done;
        modals->then(readAndClose(done));
        // Runs at the run's first yield, between the first and the second piece.
        QTimer::singleShot(0, [&] {
            checkedDuringRun = true;
            QVERIFY(!widget("Frame1")->isEnabled());
            QVERIFY(!widget("Text3")->isEnabled());
            QVERIFY(!widget("cmd_Open")->isEnabled());
            QVERIFY(widget("Label4")->isEnabled());  // outside the frame: still live
            click(widget("Opt2"));
            click(widget("cmd_Open"));
            click(widget("cmd_Split"));
            click(widget("Check1"));
            type(kit->window(), "9");
            QCoreApplication::processEvents();
            QVERIFY(widget<QPushButton>("Opt1")->isChecked());
            QCOMPARE(widget("cmd_Split")->toolTip(), QString("Start Split"));
            QCOMPARE(edit("Text3")->text(), QString("4"));
            QCOMPARE(QApplication::activeModalWidget(), nullptr);  // no dialog opened
        });
        click(widget("cmd_Split"));
        QVERIFY(checkedDuringRun);
        QCOMPARE(done.text, QString(text::splitDone));
        QVERIFY(widget("Frame1")->isEnabled());
        QCOMPARE(in.names(),
                 (std::vector<std::string>{"a.bin", "a.bin_1.xst", "a.bin_2.xst", "a.bin_3.xst",
                                           "a.bin_4.xst", "a.bin_set.sha256"}));
    }

    // A piece larger than one copy block lets the window repaint in the middle of the piece,
    // with the inputs still blocked and the bar where the last whole piece left it.
    void aLongPieceLetsTheWindowRepaint() {
        TempFolder in;
        const std::string source = in / "big.bin";
        const std::string bytes = patternBytes(std::size_t{72} << 20);  // two pieces of 36 MiB
        writeBytes(source, bytes);
        form->Text1->setText(source);
        form->sourcePath = form->Text1->text();
        form->Text2->setText(in.path());
        form->savePath = form->Text2->text();
        setCount("2");

        qint64 firstPieceSoFar = -1;
        bool pieceNameTaken = true;
        // Looks at every repaint until the first piece has begun to grow, under a temporary name:
        // its own name appears once it is whole.
        QTimer probe;
        probe.callOnTimeout([&] {
            const QFileInfoList growing =
                QDir(QString::fromStdString(in.path()))
                    .entryInfoList({".big.bin_1.xst.quorvel-*"}, QDir::Files | QDir::Hidden);
            if (firstPieceSoFar > 0 || growing.size() != 1 || growing[0].size() == 0) return;
            firstPieceSoFar = growing[0].size();
            pieceNameTaken = exists(pieceIn(in.path(), "big.bin", 1));
            QVERIFY(!widget("Frame1")->isEnabled());
            QVERIFY(form->sp->width() < ProgressBar(*form->sp).fullWidth() / 2.0f);
        });
        probe.start(0);
        Shown done;
        modals->then(readAndClose(done));
        click(widget("cmd_Split"));
        probe.stop();
        QVERIFY(firstPieceSoFar > 0);
        QVERIFY(firstPieceSoFar < qint64(bytes.size() / 2));
        QVERIFY(!pieceNameTaken);
        QCOMPARE(done.text, QString(text::splitDone));
        QCOMPARE(bytesOf(pieceIn(in.path(), "big.bin", 2)), bytes.substr(bytes.size() / 2));
    }

    // The window closed in the middle of a split: the run stops at its next yield, nothing
    // partial stays, and the program's event loop ends as it does at any close.
    void closingDuringASplitLeavesNothingPartial() {
        TempFolder in;
        writeBytes(in / "a.bin", patternBytes(5000));
        form->Text1->setText(in / "a.bin");
        form->sourcePath = form->Text1->text();
        form->Text2->setText(in.path());
        form->savePath = form->Text2->text();
        setCount("5");

        QTimer::singleShot(0, [&] {
            QTimer::singleShot(0, [&] { kit->window()->close(); });  // at the first yield
            click(widget("cmd_Split"));
        });
        QTimer failSafe;  // ends with the test, so it cannot stop a later one
        failSafe.callOnTimeout([] { QCoreApplication::exit(99); });
        failSafe.start(10000);
        QCOMPARE(QApplication::exec(), 0);
        QVERIFY(kit->windowClosed());
        QCOMPARE(modals->seen(), 0);  // no message after the close
        // Piece 1 is put in place only once the set is whole.
        QCOMPARE(in.names(), std::vector<std::string>{"a.bin"});
    }

    void closingDuringAJoinLeavesNothingPartial() {
        TempFolder in, out;
        for (int n = 1; n <= 4; ++n) {
            writeBytes(pieceIn(in.path(), "a.bin", n), patternBytes(1000 + n));
        }
        click(widget("Opt2"));
        form->Text1->setText(pieceIn(in.path(), "a.bin", 1));
        form->sourcePath = form->Text1->text();
        form->Text2->setText(out.path());
        form->savePath = form->Text2->text();
        click(widget("Check1"));

        QTimer::singleShot(0, [&] {
            QTimer::singleShot(0, [&] { kit->window()->close(); });
            click(widget("cmd_Split"));
        });
        QTimer failSafe;  // ends with the test, so it cannot stop a later one
        failSafe.callOnTimeout([] { QCoreApplication::exit(99); });
        failSafe.start(10000);
        QCOMPARE(QApplication::exec(), 0);
        QCOMPARE(modals->seen(), 0);
        QCOMPARE(out.names(), std::vector<std::string>{});  // neither the file nor its temporary
        QCOMPARE(in.names().size(), std::size_t{4});        // and every piece kept
    }

    // The dialog layer: what GetOpenFileNameA's record asks for is what the dialog does.
    void theFileDialogHonoursItsRecord() {
        QTemporaryDir in;
        writeBytes(in.filePath("a.txt").toStdString(), "a");
        writeBytes(in.filePath("b.bin").toStdString(), "b");
        writeBytes(in.filePath("noext").toStdString(), "c");

        modals->then([&](QWidget* modal) {
            auto* dialog = qobject_cast<QFileDialog*>(modal);
            QVERIFY(dialog);
            QCOMPARE(dialog->windowTitle(), QString("Pick"));
            QCOMPARE(dialog->nameFilters(), (QStringList{"Text (*.txt)", "Every file (*)"}));
            QCOMPARE(dialog->directory().path(), in.path());
            QCOMPARE(dialog->fileMode(), QFileDialog::ExistingFiles);
            QVERIFY(dialog->testOption(QFileDialog::DontResolveSymlinks));
            QVERIFY(dialog->isModal());
            dialog->selectNameFilter("Every file (*)");  // as the user picks it
            auto* list = dialog->findChild<QAbstractItemView*>("listView");
            QTRY_COMPARE(list->model()->rowCount(list->rootIndex()), 3);
            typeIntoFileDialog(dialog, "\"b.bin\" \"noext\"");
        });
        const std::string filter("Text\0*.txt\0Every file\0*.*\0\0", 28);
        std::vector<char> file(2048, ' ');
        file.back() = '\0';
        const std::string folder = in.path().toStdString();
        OPENFILENAMEA record{};
        record.lStructSize = 76;
        record.hwndOwner = static_cast<HWND>(kit->windowHandle());
        record.lpstrFilter = filter.c_str();
        record.lpstrFile = file.data();
        record.nMaxFile = 2048;
        record.lpstrInitialDir = folder.c_str();
        record.lpstrTitle = "Pick";
        record.Flags = OFN_ALLOWMULTISELECT | OFN_EXPLORER | OFN_NODEREFERENCELINKS;
        QCOMPARE(GetOpenFileNameA(&record), 1);
        QCOMPARE(std::string(file.data(), folder.size() + 14),
                 folder + std::string("\0b.bin\0noext\0\0", 14));
    }

    // The program's own flags: several files picked in the list come back as their folder.
    void severalFilesPickedInTheListGiveTheirFolder() {
        QTemporaryDir in;
        writeBytes(in.filePath("a.bin").toStdString(), "a");
        writeBytes(in.filePath("b.bin").toStdString(), "b");
        modals->then([&](QWidget* modal) {
            auto* dialog = qobject_cast<QFileDialog*>(modal);
            QVERIFY(dialog);
            dialog->setDirectory(in.path());
            auto* list = dialog->findChild<QAbstractItemView*>("listView");
            QVERIFY(list);
            QCOMPARE(list->selectionMode(), QAbstractItemView::ExtendedSelection);
            QTRY_VERIFY(list->model()->rowCount(list->rootIndex()) == 2);
            list->selectAll();
            QCOMPARE(dialog->selectedFiles().size(), 2);
            QTest::mouseClick(dialogButton(dialog, QDialogButtonBox::Open), Qt::LeftButton);
        });
        click(widget("cmd_Open"));
        QCOMPARE(edit("Text1")->text(), in.path());
        QCOMPARE(edit("Text2")->text(), QFileInfo(in.path()).path() + "/");
    }

    void theSourcePickerOffersEveryFileAndStartsInTheProgramsFolder() {
        modals->then([&](QWidget* modal) {
            auto* dialog = qobject_cast<QFileDialog*>(modal);
            QVERIFY(dialog);
            QCOMPARE(dialog->windowTitle(), QString(text::openTitle));
            QCOMPARE(dialog->nameFilters(), QStringList{"All files (*)"});
            QCOMPARE(dialog->directory().path(), QString::fromStdString(executableFolder()));
            cancel(dialog);
        });
        form->Text1->setText("/kept");
        click(widget("cmd_Open"));
        QCOMPARE(edit("Text1")->text(), QString("/kept"));
    }

    void aNewNameCanBeConfirmedAfterTheQuestion() {
        QTemporaryDir in;
        const QString fresh = in.filePath("new.bin");
        modals->then([&](QWidget* dialog) {
            typeIntoFileDialog(dialog, fresh);  // asked, answered "No": the dialog stays
            QVERIFY(dialog->isVisible());
            typeIntoFileDialog(dialog, fresh);  // asked again, answered "Yes"
        });
        for (const auto answer : {QMessageBox::No, QMessageBox::Yes}) {
            modals->then([answer](QWidget* modal) {
                auto* question = qobject_cast<QMessageBox*>(modal);
                QVERIFY(question);
                QVERIFY(question->text().contains("new.bin"));
                QTest::mouseClick(question->button(answer), Qt::LeftButton);
            });
        }
        click(widget("cmd_Open"));
        QCOMPARE(edit("Text1")->text(), fresh);
        QVERIFY(!QFile::exists(fresh));  // confirmed, not created
    }

    void aLinkComesBackAsItself() {
        QTemporaryDir in;
        writeBytes(in.filePath("target.bin").toStdString(), "bytes");
        QVERIFY(QFile::link(in.filePath("target.bin"), in.filePath("link.bin")));
        modals->then([&](QWidget* dialog) { typeIntoFileDialog(dialog, in.filePath("link.bin")); });
        click(widget("cmd_Open"));
        QCOMPARE(edit("Text1")->text(), in.filePath("link.bin"));

        // Without OFN_NODEREFERENCELINKS the link stands for its target.
        modals->then([&](QWidget* dialog) { typeIntoFileDialog(dialog, in.filePath("link.bin")); });
        std::vector<char> file(2048, ' ');
        file.back() = '\0';
        OPENFILENAMEA record{};
        record.lStructSize = 76;
        record.hwndOwner = static_cast<HWND>(kit->windowHandle());
        record.lpstrFile = file.data();
        record.nMaxFile = 2048;
        record.Flags = OFN_EXPLORER;
        QCOMPARE(GetOpenFileNameA(&record), 1);
        QCOMPARE(QString(file.data()), QFileInfo(in.filePath("target.bin")).canonicalFilePath());
    }

    // As the system dialog does, the file dialog opens where the last file was picked when the
    // program asks for the same initial folder again.
    void theFileDialogOpensWhereTheLastFileWasPicked() {
        QTemporaryDir in;
        writeBytes(in.filePath("a.bin").toStdString(), "a");
        modals->then([&](QWidget* dialog) { typeIntoFileDialog(dialog, in.filePath("a.bin")); });
        click(widget("cmd_Open"));
        modals->then([&](QWidget* modal) {
            auto* dialog = qobject_cast<QFileDialog*>(modal);
            QVERIFY(dialog);
            QCOMPARE(dialog->directory().path(), in.path());
            cancel(dialog);
        });
        click(widget("cmd_Open"));
        QCOMPARE(edit("Text1")->text(), in.filePath("a.bin"));
    }

    void theFolderBrowserConfirmsOnlyFolders() {
        QTemporaryDir in;
        writeBytes(in.filePath("file.bin").toStdString(), "x");
        QVERIFY(QDir(in.path()).mkdir("sub"));

        // A file cannot be confirmed, neither by the button nor by Enter.
        modals->then([&](QWidget* modal) {
            auto* dialog = qobject_cast<QFileDialog*>(modal);
            QVERIFY(dialog);
            QCOMPARE(dialog->windowTitle(), QString(text::saveTitle));
            typeIntoFileDialog(dialog, in.filePath("file.bin"));
            static_cast<QDialog*>(dialog)->accept();  // as Enter in the name field
            QVERIFY(dialog->isVisible());
            cancel(dialog);
        });
        click(widget("cmd_Save"));
        QCOMPARE(edit("Text2")->text(), QString());

        modals->then([&](QWidget* dialog) { typeIntoFileDialog(dialog, in.filePath("sub")); });
        click(widget("cmd_Save"));
        QCOMPARE(edit("Text2")->text(), in.filePath("sub"));  // no trailing separator

        modals->then([&](QWidget* dialog) { typeIntoFileDialog(dialog, "/"); });
        click(widget("cmd_Save"));
        QCOMPARE(edit("Text2")->text(), QString("/"));  // the root keeps its separator

        modals->then([&](QWidget* dialog) { cancel(dialog); });
        click(widget("cmd_Save"));
        QCOMPARE(edit("Text2")->text(), QString("/"));
    }

    void theUpdateLinkFallsBackToTheInputBox() {
        TempFolder noBrowser;
        const ScopedVariable programFiles("programfiles", noBrowser.path());
        modals->then([&](QWidget* modal) {
            QCOMPARE(modal->objectName(), QString("InputBox"));
            QCOMPARE(modal->windowTitle(), QString::fromStdString(executableName()));
            QCOMPARE(modal->findChild<QLabel*>("prompt")->text(), QString(text::browserNotFound));
            QCOMPARE(modal->findChild<QLineEdit*>("answer")->text(),
                     QString("https://www.quorvel.example/update"));
            QVERIFY(dialogButton(modal, QDialogButtonBox::Ok));
            cancel(modal);
        });
        click(widget("Label4"));
    }

    // A file dropped from a file manager is taken as the source picker takes it; a piece opens
    // its set in Joint mode.
    void aFileDroppedOnTheWindowIsTaken() {
        TempFolder in;
        writeBytes(in / "photo.jpg", "a photo");
        writeBytes(pieceIn(in.path(), "a.bin", 1), "1");
        writeBytes(pieceIn(in.path(), "a.bin", 2), "2");
        const auto drop = [this](const std::string& path) {
            QMimeData files;
            files.setUrls({QUrl::fromLocalFile(QString::fromStdString(path))});
            const QPoint at = kit->window()->rect().center();
            QDragEnterEvent enter(at, Qt::CopyAction, &files, Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(kit->window(), &enter);
            QVERIFY(enter.isAccepted());
            QDropEvent dropped(at, Qt::CopyAction, &files, Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(kit->window(), &dropped);
        };
        drop(in / "photo.jpg");
        QCOMPARE(edit("Text1")->text().toStdString(), in / "photo.jpg");
        QCOMPARE(edit("Text2")->text().toStdString(), in.path() + "/");
        drop(pieceIn(in.path(), "a.bin", 2));
        QCOMPARE(edit("Text1")->text().toStdString(), pieceIn(in.path(), "a.bin", 1));
        QVERIFY(widget<QPushButton>("Opt2")->isChecked());
        QVERIFY(widget("Check1")->isVisible());
    }

    // While a run waits, the window repaints and takes a close; a click, Enter or Space on the
    // update link is held for the run's next step, and every other input comes at the next yield.
    void whileItRepaintsTheWindowTakesACloseAndHoldsTheLinksClick() {
        int linkActivations = 0;
        form->Label4->onClick = [&] { ++linkActivations; };
        QWindow* window = kit->window()->windowHandle();
        const auto post = [window](QEvent::Type type, QWidget* target) {
            const QPointF at = target->mapTo(target->window(), target->rect().center());
            const Qt::MouseButtons held =
                type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton;
            QCoreApplication::postEvent(
                window, new QMouseEvent(type, at, window->mapToGlobal(at), Qt::LeftButton, held,
                                        Qt::NoModifier));
        };
        for (QWidget* target : {widget("Label4"), widget("Opt2")}) {
            post(QEvent::MouseButtonPress, target);
            post(QEvent::MouseButtonRelease, target);
        }
        widget("Label4")->setFocus();
        QCoreApplication::postEvent(window,
                                    new QKeyEvent(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier));
        kit->repaint();
        QCOMPARE(linkActivations, 0);
        QCOMPARE(form->Opt2->value(), 0);  // a click in the frame waits

        kit->deliverHeldClicks();
        QCOMPARE(linkActivations, 2);
        kit->doEvents();
        QCOMPARE(form->Opt2->value(), 1);
        QVERIFY(form->Check1->visible());
        QCOMPARE(linkActivations, 2);

        QCoreApplication::postEvent(window, new QCloseEvent);
        kit->repaint();
        QVERIFY(kit->windowClosed());
    }
};

}  // namespace quorvel::qt

QTEST_MAIN(quorvel::qt::QtWindowTest)
#include "qt_window_test.moc"
