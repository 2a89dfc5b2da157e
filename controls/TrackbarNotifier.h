// Turns a QSlider's signals into the trackbar notifications of a Windows trackbar, one
// per scroll code, so that each gesture causes as many current writes there as here:
// every position of a drag, then two more at release; a key press or a click beside the
// thumb, then one more when the key or the button is let go.
#pragma once

#include <QAbstractSlider>
#include <QObject>

class QSlider;

namespace controls {

// Windows trackbar scroll codes.
enum TrackbarCode {
    TB_LINEUP = 0,
    TB_LINEDOWN = 1,
    TB_PAGEUP = 2,
    TB_PAGEDOWN = 3,
    TB_THUMBPOSITION = 4,
    TB_THUMBTRACK = 5,
    TB_TOP = 6,
    TB_BOTTOM = 7,
    TB_ENDTRACK = 8,
};

class CTrackbarNotifier : public QObject {
    Q_OBJECT

public:
    explicit CTrackbarNotifier(QSlider* slider);

signals:
    // code: one of TrackbarCode; position: the slider's position when it was raised.
    void scrolled(int code, int position, QSlider* slider);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void OnAction(int action);
    void Notify(int code);

    QSlider* m_slider;
    bool m_endTrackPending = false;  // a key or a click moved the slider; its release ends it
};

}  // namespace controls
