#pragma once

#include <QAccessible>
#include <QCheckBox>
#include <QLabel>
#include <QProxyStyle>
#include <QPushButton>
#include <QWidget>
#include <functional>

#include "platform/controls.h"

// The widgets Qt lacks for the design: captions that wrap like the classic controls', a label
// that takes clicks, a link, the progress bar shape, and a focus mark anyone can see.
namespace quorvel::qt {

inline constexpr double twipsPerPixel = 15.0;
inline int pixels(double twips) {
    return static_cast<int>(twips / twipsPerPixel + 0.5);
}

// A label shows its whole caption on its one line: it grows to the right as far as the next
// control on that line (or its container's edge) allows, and elides what still does not fit.
class CaptionLabel : public QLabel {
  public:
    CaptionLabel(int designWidth, QWidget* parent);
    void setCaption(const QString& caption);
    QString caption() const { return caption_; }
    void fit();
    // The field this label names: a screen reader calls the field by the label's caption.
    void nameField(QWidget* field);
    std::function<void()> clicked;

  protected:
    void mouseReleaseEvent(QMouseEvent* event) override;

  private:
    int designWidth_;
    QString caption_;
};

// A label used as a link: it takes the focus in its turn, Enter or Space on it is a click, and a
// screen reader announces it as a link.
class LinkLabel : public CaptionLabel {
    Q_OBJECT

  public:
    LinkLabel(int designWidth, QWidget* parent);

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
};

// What assistive tools see of a link label; installed with QAccessible::installFactory.
QAccessibleInterface* linkAccessible(const QString& className, QObject* object);

// Enter presses the button that has the focus, as Space does: without it Qt presses only a
// dialog's buttons.
class EnterPressesButtons : public QObject {
  public:
    using QObject::QObject;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};

// The style of the window with a focus mark that is plain to see: a frame two pixels wide in the
// selection colour, around the whole of a button or a field and around the caption of a check
// box or a link, whether the focus came by the keyboard or by a click.
class FocusFrameStyle : public QProxyStyle {
  public:
    explicit FocusFrameStyle(const QString& baseStyle);

    void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                       const QWidget* widget = nullptr) const override;
    void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget = nullptr) const override;
};

// An option button in push-button style: pressed in while selected, its caption wrapped onto as
// many lines as its narrow face needs, in its own colour where that can be read on the face the
// style draws, else in the nearest colour that can.
class OptionPushButton : public QPushButton {
  public:
    explicit OptionPushButton(QWidget* parent);

  protected:
    void paintEvent(QPaintEvent* event) override;
};

// A check box whose caption wraps within the box's width; a click anywhere on it ticks it.
class WrappingCheckBox : public QCheckBox {
  public:
    explicit WrappingCheckBox(QWidget* parent);

  protected:
    void paintEvent(QPaintEvent* event) override;
    bool hitButton(const QPoint& pos) const override;

  private:
    QRect textRect() const;
};

// The progress bar: a filled, outlined rectangle whose width in twips is a single-precision
// number. The widget keeps the bar's full size and paints the part the width covers, so a width
// below one pixel still shows and a high-DPI screen shows fractions of a pixel.
class BarShape : public QWidget {
  public:
    BarShape(Color fill, Color border, QWidget* parent);
    float widthInTwips() const { return width_; }
    void setWidthInTwips(float width);

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    QColor fill_, border_;
    float width_ = 0;
};

}  // namespace quorvel::qt
