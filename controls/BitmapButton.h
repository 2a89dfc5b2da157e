// A push button drawn from two images named by its caption: caption + "U" while up,
// caption + "D" while pressed. It has no focus or disabled look of its own.
#pragma once

#include <QAbstractButton>
#include <QPixmap>

namespace controls {

class CBitmapButton : public QAbstractButton {
    Q_OBJECT

public:
    explicit CBitmapButton(const QString& caption, QWidget* parent = nullptr);

    // Loads the images named by the caption and takes the normal image's size, keeping
    // the top-left corner. A button whose images are missing draws nothing.
    void AutoLoad();

    const QPixmap& NormalImage() const { return m_normal; }
    const QPixmap& PressedImage() const { return m_pressed; }
    // The image the button shows in its present state.
    const QPixmap& CurrentImage() const { return isDown() ? m_pressed : m_normal; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QPixmap m_normal;
    QPixmap m_pressed;
};

}  // namespace controls
