#include "TrackbarNotifier.h"

#include <QKeyEvent>
#include <QSlider>

namespace controls {

CTrackbarNotifier::CTrackbarNotifier(QSlider* slider) : QObject(slider), m_slider(slider)
{
    // While the thumb is dragged, sliderMoved reports each new position; the
    // SliderMove action raised beside it is the same move and is not counted twice.
    connect(slider, &QSlider::sliderMoved, this, [this] { Notify(TB_THUMBTRACK); });
    connect(slider, &QSlider::sliderReleased, this, [this] {
        Notify(TB_THUMBPOSITION);
        Notify(TB_ENDTRACK);
    });
    connect(slider, &QSlider::actionTriggered, this, &CTrackbarNotifier::OnAction);
    slider->installEventFilter(this);
}

void CTrackbarNotifier::OnAction(int action)
{
    switch (action) {
    case QAbstractSlider::SliderSingleStepAdd:
        Notify(TB_LINEDOWN);
        break;
    case QAbstractSlider::SliderSingleStepSub:
        Notify(TB_LINEUP);
        break;
    case QAbstractSlider::SliderPageStepAdd:
        Notify(TB_PAGEDOWN);
        break;
    case QAbstractSlider::SliderPageStepSub:
        Notify(TB_PAGEUP);
        break;
    case QAbstractSlider::SliderToMinimum:
        Notify(TB_TOP);
        break;
    case QAbstractSlider::SliderToMaximum:
        Notify(TB_BOTTOM);
        break;
    case QAbstractSlider::SliderMove:
        if (m_slider->isSliderDown())
            return;  // part of a drag: reported through sliderMoved
        // The mouse wheel moves without a press or a release to end it.
        Notify(TB_THUMBPOSITION);
        Notify(TB_ENDTRACK);
        return;
    default:
        return;
    }
    m_endTrackPending = true;
}

bool CTrackbarNotifier::eventFilter(QObject*, QEvent* event)
{
    const bool released = event->type() == QEvent::MouseButtonRelease
        || (event->type() == QEvent::KeyRelease && !static_cast<QKeyEvent*>(event)->isAutoRepeat());
    if (released && m_endTrackPending) {
        m_endTrackPending = false;
        Notify(TB_ENDTRACK);
    }
    return false;
}

void CTrackbarNotifier::Notify(int code)
{
    emit scrolled(code, m_slider->sliderPosition(), m_slider);
}

}  // namespace controls
