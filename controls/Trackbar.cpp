#include "Trackbar.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QStyle>
#include <QStyleOptionSlider>

namespace controls {

namespace {

// The keys the Windows trackbar handles, with the code each sends; nothing for the others.
std::optional<ScrollCode> CodeOfKey(int key)
{
    switch (key) {
    case Qt::Key_Left:
    case Qt::Key_Up:
        return ScrollCode::LineUp;
    case Qt::Key_Right:
    case Qt::Key_Down:
        return ScrollCode::LineDown;
    case Qt::Key_PageUp:
        return ScrollCode::PageUp;
    case Qt::Key_PageDown:
        return ScrollCode::PageDown;
    case Qt::Key_Home:
        return ScrollCode::Top;
    case Qt::Key_End:
        return ScrollCode::Bottom;
    default:
        return std::nullopt;
    }
}

}  // namespace

CTrackbar::CTrackbar(QWidget* parent) : QSlider(Qt::Horizontal, parent)
{
    setTickPosition(QSlider::TicksBothSides);
    // A drag reports each new position; its release ends it.
    connect(this, &QSlider::sliderMoved, this, [this] { Notify(ScrollCode::ThumbTrack); });
    connect(this, &QSlider::sliderReleased, this, [this] {
        Notify(ScrollCode::ThumbPosition);
        Notify(ScrollCode::EndTrack);
    });
}

void CTrackbar::keyPressEvent(QKeyEvent* event)
{
    const std::optional<ScrollCode> code = CodeOfKey(event->key());
    if (!code) {
        event->ignore();  // not the trackbar's: Tab, Enter and the like go to the dialog
        return;
    }
    MoveTo(*code, KeyTarget(*code));  // the event came accepted
}

int CTrackbar::KeyTarget(ScrollCode code) const
{
    const int position = sliderPosition();
    switch (code) {
    case ScrollCode::LineUp: return position - singleStep();
    case ScrollCode::LineDown: return position + singleStep();
    case ScrollCode::PageUp: return position - pageStep();
    case ScrollCode::PageDown: return position + pageStep();
    case ScrollCode::Top: return minimum();
    case ScrollCode::Bottom: return maximum();
    case ScrollCode::ThumbPosition:
    case ScrollCode::ThumbTrack:
    case ScrollCode::EndTrack: break;
    }
    return position;
}

void CTrackbar::keyReleaseEvent(QKeyEvent* event)
{
    if (!CodeOfKey(event->key())) {
        event->ignore();
        return;
    }
    if (!event->isAutoRepeat())
        Notify(ScrollCode::EndTrack);
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
        m_pageCode = m_pointerValue > sliderPosition() ? ScrollCode::PageDown : ScrollCode::PageUp;
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
    if (event->button() != Qt::LeftButton)
        return;  // the trackbar's, and nothing to do (the event came accepted)
    if (!m_pageCode) {
        QSlider::mouseReleaseEvent(event);  // ends a drag, if there was one
        return;
    }
    m_pageTimer.stop();
    m_pageCode.reset();
    Notify(ScrollCode::EndTrack);
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
    const bool beyond = m_pageCode == ScrollCode::PageDown ? m_pointerValue > sliderPosition() : m_pointerValue < sliderPosition();
    if (beyond)
        PageTowardsPointer();
    else
        m_pageTimer.stop();  // reached: no more pages until the next press
}

void CTrackbar::PageTowardsPointer()
{
    const int step = m_pageCode == ScrollCode::PageDown ? pageStep() : -pageStep();
    MoveTo(*m_pageCode, sliderPosition() + step);
}

void CTrackbar::MoveTo(ScrollCode code, int target)
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

void CTrackbar::Notify(ScrollCode code)
{
    emit scrolled(code, sliderPosition(), this);
}

}  // namespace controls
