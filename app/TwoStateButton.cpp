#include "app/TwoStateButton.h"

#include <QPainter>
#include <QStyleOptionButton>

namespace {
constexpr int margin = 4;
}

TwoStateButton::TwoStateButton(QWidget* parent)
    : QAbstractButton(parent) {
    setCheckable(true);
    setIconSize({32, 32});
    connect(this, &QAbstractButton::toggled, this, &TwoStateButton::Click);
}

QSize TwoStateButton::sizeHint() const {
    return {137, 81};
}

void TwoStateButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);

    QStyleOptionButton option;
    option.initFrom(this);
    option.features = QStyleOptionButton::None;
    if (isDown() || isChecked())
        option.state |= QStyle::State_Sunken;
    else
        option.state |= QStyle::State_Raised;
    if (isChecked())
        option.state |= QStyle::State_On;
    style()->drawControl(QStyle::CE_PushButtonBevel, &option, &painter, this);

    // Pressed in, the contents move by the style's shift like a push button's.
    const bool pressed = option.state & QStyle::State_Sunken;
    const QPoint shift =
        pressed ? QPoint(style()->pixelMetric(QStyle::PM_ButtonShiftHorizontal, &option, this),
                         style()->pixelMetric(QStyle::PM_ButtonShiftVertical, &option, this))
                : QPoint();
    const QRect area = rect().adjusted(margin, margin, -margin, -margin).translated(shift);

    const QRect pictureRect(area.left() + (area.width() - iconSize().width()) / 2, area.top(),
                            iconSize().width(), iconSize().height());
    icon().paint(&painter, pictureRect, Qt::AlignCenter,
                 isEnabled() ? QIcon::Normal : QIcon::Disabled);

    const QRect captionRect = area.adjusted(0, iconSize().height() + 1, 0, 0);
    painter.setPen(palette().color(QPalette::ButtonText));
    painter.drawText(captionRect, Qt::AlignHCenter | Qt::AlignTop | Qt::TextWordWrap, text());

    if (hasFocus()) {
        QStyleOptionFocusRect focus;
        focus.initFrom(this);
        focus.rect = rect().adjusted(3, 3, -3, -3);
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, &painter, this);
    }
}
