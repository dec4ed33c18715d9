#include "platform/qt/qt_widgets.h"

#include <QAccessibleWidget>
#include <QImage>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyleOptionButton>
#include <QStyleOptionFocusRect>
#include <QStylePainter>
#include <algorithm>

#include "platform/legible_color.h"

namespace quorvel::qt {
namespace {

bool isPress(const QKeyEvent& key) {
    return key.key() == Qt::Key_Return || key.key() == Qt::Key_Enter || key.key() == Qt::Key_Space;
}

Color designColor(const QColor& color) {
    return {static_cast<std::uint8_t>(color.red()), static_cast<std::uint8_t>(color.green()),
            static_cast<std::uint8_t>(color.blue())};
}

// A link as assistive tools know one: its caption for a name, its tip for a description, and
// one action, the click.
class LinkAccessible : public QAccessibleWidget {
  public:
    explicit LinkAccessible(LinkLabel* link) : QAccessibleWidget(link, QAccessible::Link) {}

    QString text(QAccessible::Text which) const override {
        if (which == QAccessible::Name && widget()->accessibleName().isEmpty()) {
            return static_cast<LinkLabel*>(widget())->caption();
        }
        return QAccessibleWidget::text(which);
    }
    QAccessible::State state() const override {
        QAccessible::State state = QAccessibleWidget::state();
        state.linked = true;
        return state;
    }
    QStringList actionNames() const override {
        return QStringList(pressAction()) + QAccessibleWidget::actionNames();
    }
    void doAction(const QString& action) override {
        auto* link = static_cast<LinkLabel*>(widget());
        if (action == pressAction() && link->clicked) {
            link->clicked();
        } else {
            QAccessibleWidget::doAction(action);
        }
    }
};

}  // namespace

CaptionLabel::CaptionLabel(int designWidth, QWidget* parent)
    : QLabel(parent), designWidth_(designWidth) {
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
    setTextFormat(Qt::PlainText);
}

void CaptionLabel::setCaption(const QString& caption) {
    caption_ = caption;
    if (buddy()) buddy()->setAccessibleName(caption);
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

void CaptionLabel::nameField(QWidget* field) {
    setBuddy(field);
    field->setAccessibleName(caption_);
}

void CaptionLabel::mouseReleaseEvent(QMouseEvent* event) {
    QLabel::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()) &&
        clicked) {
        clicked();
    }
}

LinkLabel::LinkLabel(int designWidth, QWidget* parent) : CaptionLabel(designWidth, parent) {
    setFocusPolicy(Qt::StrongFocus);
}

void LinkLabel::keyPressEvent(QKeyEvent* event) {
    if (!isPress(*event) || event->isAutoRepeat() || !clicked) {
        CaptionLabel::keyPressEvent(event);
        return;
    }
    clicked();
}

void LinkLabel::paintEvent(QPaintEvent* event) {
    CaptionLabel::paintEvent(event);
    if (!hasFocus()) return;
    QStylePainter painter(this);
    QStyleOptionFocusRect focus;
    focus.initFrom(this);
    const int textWidth = fontMetrics().horizontalAdvance(text());
    focus.rect = QRect(0, 0, std::min(width(), textWidth + 4), height());
    painter.drawPrimitive(QStyle::PE_FrameFocusRect, focus);
}

QAccessibleInterface* linkAccessible(const QString&, QObject* object) {
    auto* link = qobject_cast<LinkLabel*>(object);
    return link ? new LinkAccessible(link) : nullptr;
}

bool EnterPressesButtons::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        auto* button = qobject_cast<QAbstractButton*>(watched);
        if (button && (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)) {
            if (!key->isAutoRepeat()) button->click();
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}

FocusFrameStyle::FocusFrameStyle(const QString& baseStyle) : QProxyStyle(baseStyle) {}

void FocusFrameStyle::drawPrimitive(PrimitiveElement element, const QStyleOption* option,
                                    QPainter* painter, const QWidget* widget) const {
    if (element == PE_FrameFocusRect) {
        painter->save();
        painter->setRenderHint(QPainter::Antialiasing, false);
        painter->setPen(QPen(option->palette.color(QPalette::Active, QPalette::Highlight), 2));
        painter->setBrush(Qt::NoBrush);
        painter->drawRect(QRectF(option->rect).adjusted(1, 1, -1, -1));
        painter->restore();
        return;
    }
    QProxyStyle::drawPrimitive(element, option, painter, widget);
    if (element == PE_FrameLineEdit && (option->state & State_HasFocus)) {
        drawPrimitive(PE_FrameFocusRect, option, painter, widget);
    }
}

// A button's own faint focus mark gives way to the frame around the whole button.
void FocusFrameStyle::drawControl(ControlElement element, const QStyleOption* option,
                                  QPainter* painter, const QWidget* widget) const {
    const auto* button = qstyleoption_cast<const QStyleOptionButton*>(option);
    if (element != CE_PushButton || !button || !(button->state & State_HasFocus)) {
        QProxyStyle::drawControl(element, option, painter, widget);
        return;
    }
    QStyleOptionButton unfocused = *button;
    unfocused.state &= ~State_HasFocus;
    QProxyStyle::drawControl(element, &unfocused, painter, widget);
    drawPrimitive(PE_FrameFocusRect, option, painter, widget);
}

OptionPushButton::OptionPushButton(QWidget* parent) : QPushButton(parent) {
    setCheckable(true);
    setAutoExclusive(true);
}

void OptionPushButton::paintEvent(QPaintEvent*) {
    QStyleOptionButton option;
    initStyleOption(&option);
    const QString caption = option.text;
    option.text.clear();
    // The face is drawn first on its own, so the caption's colour can be chosen for it.
    QImage face(size() * devicePixelRatio(), QImage::Format_ARGB32_Premultiplied);
    face.setDevicePixelRatio(devicePixelRatio());
    face.fill(Qt::transparent);
    {
        QPainter facePainter(&face);
        style()->drawControl(QStyle::CE_PushButton, &option, &facePainter, this);
    }
    QStylePainter painter(this);
    painter.drawImage(0, 0, face);
    QPalette colors = palette();
    const QColor under = face.pixelColor(face.width() / 2, face.height() / 2);
    if (isEnabled() && under.alpha() == 255) {
        const Color legible =
            legibleOn(designColor(colors.color(QPalette::ButtonText)), designColor(under));
        colors.setColor(QPalette::ButtonText, QColor(legible.red, legible.green, legible.blue));
    }
    QRect area = style()->subElementRect(QStyle::SE_PushButtonContents, &option, this);
    if (option.state & (QStyle::State_Sunken | QStyle::State_On)) {
        area.translate(style()->pixelMetric(QStyle::PM_ButtonShiftHorizontal, &option, this),
                       style()->pixelMetric(QStyle::PM_ButtonShiftVertical, &option, this));
    }
    painter.drawItemText(area, Qt::AlignCenter | Qt::TextWordWrap, colors, isEnabled(), caption,
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
