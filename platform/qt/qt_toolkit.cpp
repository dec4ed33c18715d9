#include "platform/qt/qt_toolkit.h"

#include <QAccessible>
#include <QApplication>
#include <QCloseEvent>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFrame>
#include <QIcon>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMessageBox>
#include <QMimeData>
#include <QMouseEvent>
#include <QScopedValueRollback>
#include <QScreen>
#include <QUrl>
#include <QVBoxLayout>
#include <utility>

#include "platform/qt/qt_widgets.h"
#include "platform/stop_signals.h"
#include "platform/wrap_text.h"

// Outside any namespace, as Qt's resource initialisation requires.
static void initialiseArtwork() {
    Q_INIT_RESOURCE(quorvel);
}

namespace quorvel::qt {
namespace {

QString qs(const std::string& text) {
    return QString::fromStdString(text);
}
QString qs(const char* text) {
    return QString::fromUtf8(text);
}

QColor color(const Color& c) {
    return QColor(c.red, c.green, c.blue);
}

// The design's faces are Windows fonts. Where they are missing, the metric-compatible free faces
// take their place, so captions keep the widths they were designed for.
void substituteMissingFonts() {
    QFont::insertSubstitutions("MS Sans Serif", {"Microsoft Sans Serif", "Liberation Sans", "Arimo",
                                                 "Arial", "Helvetica", "DejaVu Sans"});
    QFont::insertSubstitutions("Arial", {"Liberation Sans", "Arimo", "Helvetica", "DejaVu Sans"});
}

QFont font(const Font& design) {
    QFont font(qs(design.face));
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(design.points);
    return font;
}

QIcon pictureIcon(Picture picture, QSize& size) {
    const char* name = "";
    switch (picture) {
        case Picture::OpenFolder:
            name = "open_folder", size = {24, 23};
            break;
        case Picture::FloppyDisk:
            name = "floppy_disk", size = {24, 23};
            break;
        case Picture::Scissors:
            name = "scissors", size = {48, 48};
            break;
        case Picture::None:
            return {};
    }
    QIcon icon;
    icon.addFile(QString(":/quorvel/%1.png").arg(name), size);
    icon.addFile(QString(":/quorvel/%1@2x.png").arg(name), size * 2);
    return icon;
}

QIcon windowIcon() {
    QIcon icon;
    icon.addFile(":/quorvel/quorvel.png", {32, 32});
    icon.addFile(":/quorvel/quorvel@2x.png", {64, 64});
    return icon;
}

void setTextColor(QWidget& widget, QPalette::ColorRole role, const Color& c) {
    QPalette palette = widget.palette();
    // Only the live states: a disabled control greys its text as usual.
    palette.setColor(QPalette::Active, role, color(c));
    palette.setColor(QPalette::Inactive, role, color(c));
    widget.setPalette(palette);
}

// A control and its widget. The widget belongs to the window; the control only points to it.
class QtControl final : public Control {
  public:
    QtControl(const ControlDesign& design, QWidget* widget)
        : design_(design),
          widget_(widget),
          caption_(design.text),
          toolTip_(design.toolTip),
          value_(design.selected ? 1 : 0),
          width_(static_cast<float>(design.width)),
          visible_(design.visible) {}

    std::string text() const override {
        if (!widget_) return caption_;
        switch (design_.kind) {
            case ControlKind::TextBox:
                return static_cast<QLineEdit*>(widget_.data())->text().toStdString();
            case ControlKind::Label:
                return static_cast<CaptionLabel*>(widget_.data())->caption().toStdString();
            case ControlKind::OptionButton:
            case ControlKind::CheckBox:
                return static_cast<QAbstractButton*>(widget_.data())->text().toStdString();
            default:
                return caption_;
        }
    }
    void setText(const std::string& text) override {
        caption_ = text;
        if (!widget_) return;
        switch (design_.kind) {
            case ControlKind::TextBox:
                static_cast<QLineEdit*>(widget_.data())->setText(qs(text));
                static_cast<QLineEdit*>(widget_.data())->setCursorPosition(0);
                break;
            case ControlKind::Label:
                static_cast<CaptionLabel*>(widget_.data())->setCaption(qs(text));
                break;
            case ControlKind::OptionButton:
            case ControlKind::CheckBox:
                static_cast<QAbstractButton*>(widget_.data())->setText(qs(text));
                break;
            default:
                break;
        }
    }
    bool visible() const override { return visible_; }
    void setVisible(bool visible) override {
        visible_ = visible;
        if (widget_) widget_->setVisible(visible);
    }
    bool enabled() const override {
        return widget_ ? !widget_->testAttribute(Qt::WA_ForceDisabled) : true;
    }
    void setEnabled(bool enabled) override {
        if (widget_) widget_->setEnabled(enabled);
    }
    std::string toolTip() const override {
        return widget_ ? widget_->toolTip().toStdString() : toolTip_;
    }
    void setToolTip(const std::string& tip) override {
        toolTip_ = tip;
        if (!widget_) return;
        widget_->setToolTip(qs(tip));
        if (design_.kind == ControlKind::PictureButton && !*design_.accessibleName) {
            widget_->setAccessibleName(qs(tip));
        }
    }
    int value() const override {
        if (auto* button = qobject_cast<QAbstractButton*>(widget_.data());
            button && button->isCheckable()) {
            return button->isChecked() ? 1 : 0;
        }
        return value_;
    }
    void setValue(int value) override {
        value_ = value;
        auto* button = qobject_cast<QAbstractButton*>(widget_.data());
        if (!button || !button->isCheckable()) return;
        // An option of a group can only be cleared by leaving the group for a moment.
        const bool exclusive = button->autoExclusive();
        button->setAutoExclusive(false);
        button->setChecked(value != 0);
        button->setAutoExclusive(exclusive);
    }
    float width() const override {
        if (auto* bar = dynamic_cast<BarShape*>(widget_.data())) return bar->widthInTwips();
        return width_;
    }
    void setWidth(float width) override {
        width_ = width;
        if (auto* bar = dynamic_cast<BarShape*>(widget_.data())) bar->setWidthInTwips(width);
    }
    void setFocus() override {
        if (widget_) widget_->setFocus(Qt::OtherFocusReason);
    }

    void clickedByUser() {
        if (onClick) onClick();
    }

  private:
    ControlDesign design_;
    QPointer<QWidget> widget_;
    std::string caption_, toolTip_;
    int value_;
    float width_;
    bool visible_;
};

// The widget that draws the control.
QWidget* makeWidget(const ControlDesign& design, QWidget* parent) {
    switch (design.kind) {
        case ControlKind::Frame: {
            auto* frame = new QFrame(parent);
            frame->setFrameStyle(QFrame::Box | QFrame::Sunken);  // etched, as a frame without title
            return frame;
        }
        case ControlKind::TextBox: {
            auto* box = new QLineEdit(parent);
            box->setReadOnly(design.locked);
            box->setText(qs(design.text));
            return box;
        }
        case ControlKind::Label: {
            if (design.handCursor) return new LinkLabel(pixels(design.width), parent);
            return new CaptionLabel(pixels(design.width), parent);
        }
        case ControlKind::PictureButton: {
            auto* button = new QPushButton(parent);
            QSize size;
            button->setIcon(pictureIcon(design.picture, size));
            button->setIconSize(size);
            return button;
        }
        case ControlKind::OptionButton: {
            auto* option = new OptionPushButton(parent);
            option->setText(qs(design.text));
            option->setChecked(design.selected);
            return option;
        }
        case ControlKind::CheckBox: {
            auto* box = new WrappingCheckBox(parent);
            box->setText(qs(design.text));
            return box;
        }
        case ControlKind::Shape: {
            const Color fill = design.backColor.value_or(Color{0, 0, 0});
            const Color border = design.foreColor.value_or(fill);
            auto* bar = new BarShape(fill, border, parent);
            bar->setWidthInTwips(static_cast<float>(design.width));
            return bar;
        }
    }
    return new QWidget(parent);
}

}  // namespace

// The window closes as any other does; a run that is working notices at its next yield. Files
// dropped on it are taken while its inputs are usable.
class QtToolkit::MainWindow : public QWidget {
  public:
    explicit MainWindow(QtToolkit& kit) : kit_(kit) { setAcceptDrops(true); }

  protected:
    void closeEvent(QCloseEvent* event) override {
        kit_.closed_ = true;
        event->accept();
    }
    void dragEnterEvent(QDragEnterEvent* event) override {
        if (inputsUsable() && !localFiles(*event->mimeData()).empty()) {
            event->acceptProposedAction();
        }
    }
    void dropEvent(QDropEvent* event) override {
        const std::vector<std::string> paths = localFiles(*event->mimeData());
        if (!inputsUsable() || paths.empty() || !kit_.onFilesDropped) return;
        event->acceptProposedAction();
        kit_.onFilesDropped(paths);
    }

  private:
    bool inputsUsable() const {
        const auto* frame = findChild<QWidget*>("Frame1");
        return frame && frame->isEnabled();
    }
    static std::vector<std::string> localFiles(const QMimeData& data) {
        std::vector<std::string> paths;
        for (const QUrl& url : data.urls()) {
            if (url.isLocalFile()) paths.push_back(url.toLocalFile().toStdString());
        }
        return paths;
    }

    QtToolkit& kit_;
};

// Watches every event the application delivers, and keeps from the window the input that comes
// while it only repaints.
class QtToolkit::RepaintOnly : public QObject {
  public:
    explicit RepaintOnly(QtToolkit& kit) : kit_(kit) {}

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        return kit_.keptFromRepaint(watched, event);
    }

  private:
    QtToolkit& kit_;
};

QtToolkit::QtToolkit()
    : style_(std::make_unique<FocusFrameStyle>(QApplication::style()->name())),
      enterPresses_(std::make_unique<EnterPressesButtons>()),
      repaintOnly_(std::make_unique<RepaintOnly>(*this)) {
    QCoreApplication::instance()->installEventFilter(repaintOnly_.get());
    initialiseArtwork();
    substituteMissingFonts();
    static const bool linksAnnounced = (QAccessible::installFactory(linkAccessible), true);
    Q_UNUSED(linksAnnounced);
}

QtToolkit::~QtToolkit() = default;

QWidget* QtToolkit::window() const {
    return window_.get();
}

void QtToolkit::createWindow(const WindowDesign& design) {
    window_ = std::make_unique<MainWindow>(*this);
    if (stopSignalDescriptor() >= 0) {
        stopSignals_ =
            std::make_unique<QSocketNotifier>(stopSignalDescriptor(), QSocketNotifier::Read);
        QObject::connect(stopSignals_.get(), &QSocketNotifier::activated, window_.get(), [this] {
            stopSignals_->setEnabled(false);
            window_->close();
        });
    }
    window_->setObjectName("frmMain");
    // A fixed layout: no maximize button, no resizing.
    window_->setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                            Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                            Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    window_->setWindowTitle(qs(design.caption));
    window_->setWindowIcon(windowIcon());
    window_->setFont(font(design.font));
    window_->setFixedSize(pixels(design.clientWidth), pixels(design.clientHeight));
}

std::unique_ptr<Control> QtToolkit::createControl(const ControlDesign& design, Control* frame) {
    QWidget* parent = window_.get();
    if (frame) {
        if (QWidget* frameWidget = window_->findChild<QWidget*>("Frame1")) parent = frameWidget;
    }
    QWidget* widget = makeWidget(design, parent);
    auto control = std::make_unique<QtControl>(design, widget);
    // A click on the widget is a click on the control the program holds.
    QtControl* held = control.get();
    if (design.handCursor) link_ = held, linkWidget_ = widget;
    if (auto* label = dynamic_cast<CaptionLabel*>(widget)) {
        label->clicked = [held] { held->clickedByUser(); };
    } else if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
        QObject::connect(button, &QAbstractButton::clicked, button,
                         [held] { held->clickedByUser(); });
    }

    widget->setObjectName(qs(design.name));
    widget->setStyle(style_.get());
    if (qobject_cast<QAbstractButton*>(widget)) widget->installEventFilter(enterPresses_.get());
    if (*design.accessibleName) widget->setAccessibleName(qs(design.accessibleName));
    if (*design.labelledBy) labelledFields_.emplace_back(widget, qs(design.labelledBy));
    widget->setGeometry(pixels(design.left), pixels(design.top), pixels(design.width),
                        pixels(design.height));
    widget->setFont(font(design.font));
    if (design.foreColor && design.kind != ControlKind::Shape) {
        const bool button =
            design.kind == ControlKind::OptionButton || design.kind == ControlKind::PictureButton;
        setTextColor(*widget, button ? QPalette::ButtonText : QPalette::WindowText,
                     *design.foreColor);
    }
    if (design.backColor && design.kind == ControlKind::TextBox) {
        QPalette palette = widget->palette();
        palette.setColor(QPalette::Base, color(*design.backColor));
        widget->setPalette(palette);
    }
    if (design.handCursor) widget->setCursor(Qt::PointingHandCursor);
    if (auto* label = dynamic_cast<CaptionLabel*>(widget)) label->setCaption(qs(design.text));
    control->setToolTip(design.toolTip);
    widget->setVisible(design.visible);

    if (widget->focusPolicy() != Qt::NoFocus) {
        if (!tabOrder_.empty() && tabOrder_.back()) QWidget::setTabOrder(tabOrder_.back(), widget);
        tabOrder_.emplace_back(widget);
    }
    return control;
}

void QtToolkit::showWindow() {
    // Every caption is fitted again now that all the controls stand in their places.
    for (auto* label : window_->findChildren<CaptionLabel*>()) label->fit();
    for (const auto& [field, labelName] : labelledFields_) {
        auto* label = window_->findChild<CaptionLabel*>(labelName);
        if (field && label) label->nameField(field);
    }
    window_->show();
    window_->raise();
    window_->activateWindow();
    // The first control in tab order that can take the focus has it when the window opens.
    for (const auto& widget : tabOrder_) {
        if (widget && widget->isVisible() && widget->isEnabled()) {
            widget->setFocus(Qt::TabFocusReason);
            break;
        }
    }
}

void* QtToolkit::windowHandle() const {
#ifdef _WIN32
    return reinterpret_cast<void*>(window_->winId());
#else
    return static_cast<DialogHost*>(const_cast<QtToolkit*>(this));
#endif
}

// A long text, a long path above all, is broken into lines that keep the box within the screen:
// the box's own wrapping breaks only at spaces.
void QtToolkit::messageBox(const std::string& text, const std::string& title) {
    QMessageBox box(QMessageBox::Information, qs(title), QString(), QMessageBox::Ok, window_.get());
    box.setWindowModality(Qt::ApplicationModal);
    box.setTextFormat(Qt::PlainText);
    const auto* label = box.findChild<QLabel*>("qt_msgbox_label");
    const QFontMetrics metrics = label ? label->fontMetrics() : box.fontMetrics();
    const QScreen* screen =
        window_->screen() ? window_->screen() : QGuiApplication::primaryScreen();
    const int maxWidth =
        static_cast<int>(screen->availableGeometry().width() * messageShareOfScreen);
    box.setText(qs(wrapToWidth(text, maxWidth, [&metrics](std::string_view part) {
        return metrics.horizontalAdvance(QString::fromUtf8(part.data(), qsizetype(part.size())));
    })));
    box.exec();
}

std::string QtToolkit::inputBox(const std::string& prompt, const std::string& title,
                                const std::string& defaultText) {
    QDialog box(window_.get());
    box.setObjectName("InputBox");
    box.setWindowTitle(qs(title));
    box.setWindowModality(Qt::ApplicationModal);
    auto* layout = new QVBoxLayout(&box);
    auto* label = new QLabel(qs(prompt), &box);
    label->setObjectName("prompt");
    label->setWordWrap(true);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto* answer = new QLineEdit(qs(defaultText), &box);
    answer->setObjectName("answer");
    answer->selectAll();
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &box);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &box, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &box, &QDialog::reject);
    layout->addWidget(label);
    layout->addWidget(answer);
    layout->addWidget(buttons);
    box.setMinimumWidth(360);
    answer->setFocus();
    if (box.exec() != QDialog::Accepted) return "";
    return answer->text().toStdString();
}

void QtToolkit::doEvents() {
    deliverHeldClicks();
    for (auto& [window, event] : std::exchange(inputForLater_, {})) {
        if (window) QCoreApplication::postEvent(window, event.release());
    }
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void QtToolkit::repaint() {
    const QScopedValueRollback<bool> repainting(repainting_, true);
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

namespace {

bool isInput(QEvent::Type type) {
    switch (type) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::ShortcutOverride:
        case QEvent::Wheel:
        case QEvent::ContextMenu:
        case QEvent::TouchBegin:
        case QEvent::TouchUpdate:
        case QEvent::TouchEnd:
        case QEvent::TabletPress:
        case QEvent::TabletRelease:
        case QEvent::DragEnter:
        case QEvent::DragMove:
        case QEvent::Drop:
            return true;
        default:
            return false;
    }
}

bool isDrag(QEvent::Type type) {
    return type == QEvent::DragEnter || type == QEvent::DragMove || type == QEvent::Drop;
}

bool isActivationKey(const QEvent& event) {
    const int key = static_cast<const QKeyEvent&>(event).key();
    return key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Space;
}

}  // namespace

// Input reaches a window first and its widgets through it, so it is kept at the window: what is
// kept for later goes to its widgets from there, as it would have. A drop is refused: its data
// lives only as long as the drag.
bool QtToolkit::keptFromRepaint(QObject* watched, QEvent* event) {
    if (!repainting_ || !watched->isWindowType() || !isInput(event->type())) return false;
    if (isDrag(event->type())) {
        event->ignore();
    } else if (activatesTheLink(*event)) {
        hold(*link_);
    } else if (!meantForTheLink(*event)) {
        inputForLater_.emplace_back(watched, event->clone());
    }
    return true;
}

bool QtToolkit::meantForTheLink(const QEvent& event) const {
    if (!linkWidget_) return false;
    if (const auto* mouse = dynamic_cast<const QMouseEvent*>(&event)) {
        return window_->childAt(mouse->position().toPoint()) == linkWidget_;
    }
    if (const auto* key = dynamic_cast<const QKeyEvent*>(&event)) {
        return QApplication::focusWidget() == linkWidget_ && isActivationKey(*key);
    }
    return false;
}

bool QtToolkit::activatesTheLink(const QEvent& event) const {
    if (!meantForTheLink(event)) return false;
    if (event.type() == QEvent::KeyPress) {
        return !static_cast<const QKeyEvent&>(event).isAutoRepeat();
    }
    return event.type() == QEvent::MouseButtonRelease &&
           static_cast<const QMouseEvent&>(event).button() == Qt::LeftButton;
}

}  // namespace quorvel::qt
