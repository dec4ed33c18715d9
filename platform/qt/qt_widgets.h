#pragma once

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QWidget>
#include <functional>

#include "platform/controls.h"

// The widgets Qt lacks for the design: captions that wrap like the classic controls', a label
// that takes clicks, and the progress bar shape.
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
    std::function<void()> clicked;

  protected:
    void mouseReleaseEvent(QMouseEvent* event) override;

  private:
    int designWidth_;
    QString caption_;
};

// An option button in push-button style: pressed in while selected, its caption wrapped onto as
// many lines as its narrow face needs.
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
