// A horizontal slider that answers keys and the mouse as the Windows trackbar does, and
// tells of every move with that trackbar's scroll codes. One notification is one current
// write to the board, so the gestures and their notifications are the Windows ones:
// - Left, Up, PageUp lower the position (a line of 1, a page of pageStep), Right, Down,
//   PageDown raise it, Home and End go to the ends; a key that cannot move notifies
//   nothing, and the release of any of these keys notifies TB_ENDTRACK once, however
//   long the key was held;
// - a left press on the thumb, then each position of the drag (TB_THUMBTRACK), and at
//   release TB_THUMBPOSITION and TB_ENDTRACK, even when the thumb did not move;
// - a left press beside the thumb moves one page towards the pointer at once, then a
//   page every kPageRepeatMs while the pointer is still beyond the thumb, and stops for
//   good once the thumb has reached or passed it; TB_ENDTRACK at release;
// - other buttons and the wheel move nothing and notify nothing.
#pragma once

#include <QBasicTimer>
#include <QSlider>
#include <optional>

class QStyleOptionSlider;

namespace controls {

// The Windows trackbar's scroll codes, with their values (TB_LINEUP .. TB_ENDTRACK).
enum class ScrollCode {
    LineUp = 0,
    LineDown = 1,
    PageUp = 2,
    PageDown = 3,
    ThumbPosition = 4,
    ThumbTrack = 5,
    Top = 6,
    Bottom = 7,
    EndTrack = 8,
};

class CTrackbar : public QSlider {
    Q_OBJECT

public:
    static constexpr int kPageRepeatMs = 500;

    explicit CTrackbar(QWidget* parent = nullptr);

    // Whether a held left button still pages the thumb towards the pointer; false once the
    // thumb has reached it, though the button may still be down.
    bool IsPaging() const { return m_pageTimer.isActive(); }

signals:
    // position: the slider's position when it was raised.
    void scrolled(controls::ScrollCode code, int position, QSlider* trackbar);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void timerEvent(QTimerEvent* event) override;

private:
    // Moves to target (kept within the range) and notifies code, unless nothing moves.
    // Where a key moves the thumb from where it is.
    int KeyTarget(ScrollCode code) const;
    void MoveTo(ScrollCode code, int target);
    void PageTowardsPointer();
    int ValueUnder(const QPoint& point) const;
    void Notify(ScrollCode code);

    QBasicTimer m_pageTimer;
    std::optional<ScrollCode> m_pageCode;  // PageUp or PageDown while the left button pages
    int m_pointerValue = 0;         // the position under the pointer while paging
};

}  // namespace controls
