#include "platform/qt/qt_widgets.h"

#include <QMouseEvent>
#include <QPainter>
#include <QStyleOptionButton>
#include <QStyleOptionFocusRect>
#include <QStylePainter>
#include <algorithm>

namespace quorvel::qt {

CaptionLabel::CaptionLabel(int designWidth, QWidget* parent)
    : QLabel(parent), designWidth_(designWidth) {
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
    setTextFormat(Qt::PlainText);
}

void CaptionLabel::setCaption(const QString& caption) {
    caption_ = caption;
    fit();
}

void CaptionLabel::fit() {
    const int needed = fontMetrics().horizontalAdvance(caption_) + 2;
    int limit = parentWidget() ? parentWidget()->width() - x() - 2 : needed;
    if (parentWidget()) {
        const QList<QWidget*> siblings =
            parentWidget()->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
        for (const QWidget* other : siblings) {
            const QRect place = other->geometry();
            const bool onMyLine = place.top() <= geometry().bottom() && place.bottom() >= y();
            if (other != this && !other->isHidden() && onMyLine &&
                place.left() >= x() + designWidth_) {
                limit = std::min(limit, place.left() - x() - 2);
            }
        }
    }
    const int width = std::clamp(needed, designWidth_, std::max(designWidth_, limit));
    resize(width, height());
    setText(needed <= width ? caption_
                            : fontMetrics().elidedText(caption_, Qt::ElideRight, width - 2));
    // The whole caption stays readable as the tip of a label that had to shorten it.
    if (needed > width && toolTip().isEmpty()) setToolTip(caption_);
}

void CaptionLabel::mouseReleaseEvent(QMouseEvent* event) {
    QLabel::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()) &&
        clicked) {
        clicked();
    }
}

OptionPushButton::OptionPushButton(QWidget* parent) : QPushButton(parent) {
    setCheckable(true);
    setAutoExclusive(true);
}

void OptionPushButton::paintEvent(QPaintEvent*) {
    QStylePainter painter(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    const QString caption = option.text;
    option.text.clear();
    painter.drawControl(QStyle::CE_PushButton, option);
    QRect area = style()->subElementRect(QStyle::SE_PushButtonContents, &option, this);
    if (option.state & (QStyle::State_Sunken | QStyle::State_On)) {
        area.translate(style()->pixelMetric(QStyle::PM_ButtonShiftHorizontal, &option, this),
                       style()->pixelMetric(QStyle::PM_ButtonShiftVertical, &option, this));
    }
    painter.drawItemText(area, Qt::AlignCenter | Qt::TextWordWrap, palette(), isEnabled(), caption,
                         QPalette::ButtonText);
}

WrappingCheckBox::WrappingCheckBox(QWidget* parent) : QCheckBox(parent) {}

QRect WrappingCheckBox::textRect() const {
    QStyleOptionButton option;
    initStyleOption(&option);
    const QRect indicator = style()->subElementRect(QStyle::SE_CheckBoxIndicator, &option, this);
    const int spacing = style()->pixelMetric(QStyle::PM_CheckBoxLabelSpacing, &option, this);
    return rect().adjusted(indicator.width() + spacing, 0, 0, 0);
}

void WrappingCheckBox::paintEvent(QPaintEvent*) {
    QStylePainter painter(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    QStyleOptionButton indicator = option;
    indicator.rect = style()->subElementRect(QStyle::SE_CheckBoxIndicator, &option, this);
    indicator.rect.moveTop((height() - indicator.rect.height()) / 2);
    painter.drawPrimitive(QStyle::PE_IndicatorCheckBox, indicator);

    const QRect area = textRect();
    const int flags = Qt::AlignLeft | Qt::AlignVCenter | Qt::TextWordWrap;
    painter.drawItemText(area, flags, palette(), isEnabled(), text(), QPalette::WindowText);
    if (hasFocus()) {
        QStyleOptionFocusRect focus;
        focus.initFrom(this);
        focus.rect = fontMetrics().boundingRect(area, flags, text()).adjusted(-2, 0, 2, 1);
        painter.drawPrimitive(QStyle::PE_FrameFocusRect, focus);
    }
}

bool WrappingCheckBox::hitButton(const QPoint& pos) const {
    return rect().contains(pos);
}

BarShape::BarShape(Color fill, Color border, QWidget* parent)
    : QWidget(parent),
      fill_(fill.red, fill.green, fill.blue),
      border_(border.red, border.green, border.blue) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void BarShape::setWidthInTwips(float width) {
    width_ = width;
    update();
}

void BarShape::paintEvent(QPaintEvent*) {
    if (!(width_ > 0)) return;
    const double onePixel = 1.0 / devicePixelRatioF();
    const double shown =
        std::clamp(static_cast<double>(width_) / twipsPerPixel, onePixel, double(width()));
    QPainter painter(this);
    const QRectF bar(0, 0, shown, height());
    painter.fillRect(bar, border_);
    const QRectF inside = bar.adjusted(1, 1, -1, -1);
    if (inside.width() > 0) painter.fillRect(inside, fill_);
}

}  // namespace quorvel::qt
