#include "Trackbar.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QStyle>
#include <QStyleOptionSlider>

namespace controls {

namespace {

// The keys the Windows trackbar handles, with the code each sends.
int CodeOfKey(int key)
{
    switch (key) {
    case Qt::Key_Left:
    case Qt::Key_Up:
        return TB_LINEUP;
    case Qt::Key_Right:
    case Qt::Key_Down:
        return TB_LINEDOWN;
    case Qt::Key_PageUp:
        return TB_PAGEUP;
    case Qt::Key_PageDown:
        return TB_PAGEDOWN;
    case Qt::Key_Home:
        return TB_TOP;
    case Qt::Key_End:
        return TB_BOTTOM;
    default:
        return -1;
    }
}

}  // namespace

CTrackbar::CTrackbar(QWidget* parent) : QSlider(Qt::Horizontal, parent)
{
    setTickPosition(QSlider::TicksBothSides);
    // A drag reports each new position; its release ends it.
    connect(this, &QSlider::sliderMoved, this, [this] { Notify(TB_THUMBTRACK); });
    connect(this, &QSlider::sliderReleased, this, [this] {
        Notify(TB_THUMBPOSITION);
        Notify(TB_ENDTRACK);
    });
}

void CTrackbar::keyPressEvent(QKeyEvent* event)
{
    const int position = sliderPosition();
    switch (CodeOfKey(event->key())) {
    case TB_LINEUP: MoveTo(TB_LINEUP, position - singleStep()); break;
    case TB_LINEDOWN: MoveTo(TB_LINEDOWN, position + singleStep()); break;
    case TB_PAGEUP: MoveTo(TB_PAGEUP, position - pageStep()); break;
    case TB_PAGEDOWN: MoveTo(TB_PAGEDOWN, position + pageStep()); break;
    case TB_TOP: MoveTo(TB_TOP, minimum()); break;
    case TB_BOTTOM: MoveTo(TB_BOTTOM, maximum()); break;
    default:
        event->ignore();  // not the trackbar's: Tab, Enter and the like go to the dialog
        return;
    }
    event->accept();
}

void CTrackbar::keyReleaseEvent(QKeyEvent* event)
{
    if (CodeOfKey(event->key()) < 0) {
        event->ignore();
        return;
    }
    if (!event->isAutoRepeat())
        Notify(TB_ENDTRACK);
}

// Any button press is the trackbar's (a mouse event comes accepted); only the left moves it.
void CTrackbar::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    QStyleOptionSlider option;
    initStyleOption(&option);
    const QPoint point = event->position().toPoint();
    switch (style()->hitTestComplexControl(QStyle::CC_Slider, &option, point, this)) {
    case QStyle::SC_SliderHandle:
        QSlider::mousePressEvent(event);  // a drag
        return;
    case QStyle::SC_SliderGroove:
        m_pointerValue = ValueUnder(point);
        if (m_pointerValue == sliderPosition())
            return;
        m_pageCode = m_pointerValue > sliderPosition() ? TB_PAGEDOWN : TB_PAGEUP;
        PageTowardsPointer();
        m_pageTimer.start(kPageRepeatMs, this);
        return;
    default:
        return;  // the tick marks
    }
}

void CTrackbar::mouseMoveEvent(QMouseEvent* event)
{
    if (m_pageCode)
        m_pointerValue = ValueUnder(event->position().toPoint());
    else
        QSlider::mouseMoveEvent(event);
}

void CTrackbar::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        event->accept();
        return;
    }
    if (!m_pageCode) {
        QSlider::mouseReleaseEvent(event);  // ends a drag, if there was one
        return;
    }
    m_pageTimer.stop();
    m_pageCode.reset();
    Notify(TB_ENDTRACK);
}

void CTrackbar::wheelEvent(QWheelEvent* event)
{
    event->ignore();
}

void CTrackbar::timerEvent(QTimerEvent* event)
{
    if (event->timerId() != m_pageTimer.timerId()) {
        QSlider::timerEvent(event);
        return;
    }
    const bool beyond = m_pageCode == TB_PAGEDOWN ? m_pointerValue > sliderPosition() : m_pointerValue < sliderPosition();
    if (beyond)
        PageTowardsPointer();
    else
        m_pageTimer.stop();  // reached: no more pages until the next press
}

void CTrackbar::PageTowardsPointer()
{
    const int step = m_pageCode == TB_PAGEDOWN ? pageStep() : -pageStep();
    MoveTo(*m_pageCode, sliderPosition() + step);
}

void CTrackbar::MoveTo(int code, int target)
{
    const int position = qBound(minimum(), target, maximum());
    if (position == sliderPosition())
        return;
    setSliderPosition(position);
    Notify(code);
}

// The position the thumb's centre would have at point, as the style lays the slider out.
int CTrackbar::ValueUnder(const QPoint& point) const
{
    QStyleOptionSlider option;
    initStyleOption(&option);
    const QRect groove = style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderGroove, this);
    const QRect handle = style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, this);
    const int span = groove.width() - handle.width();
    const int x = point.x() - handle.width() / 2 - groove.x();
    return QStyle::sliderValueFromPosition(minimum(), maximum(), x, span, option.upsideDown);
}

void CTrackbar::Notify(int code)
{
    emit scrolled(code, sliderPosition(), this);
}

}  // namespace controls
