#include "BitmapButton.h"

#include <QPainter>

namespace controls {

namespace {

QPixmap LoadStepImage(const QString& name)
{
    return QPixmap(QStringLiteral(":/images/%1.xpm").arg(name));
}

}  // namespace

CBitmapButton::CBitmapButton(const QString& caption, QWidget* parent) : QAbstractButton(parent)
{
    setText(caption);
}

void CBitmapButton::AutoLoad()
{
    m_normal = LoadStepImage(text() + QLatin1Char('U'));
    m_pressed = LoadStepImage(text() + QLatin1Char('D'));
    if (!m_normal.isNull())
        resize(m_normal.size());
    update();
}

void CBitmapButton::paintEvent(QPaintEvent*)
{
    const QPixmap& image = CurrentImage();
    if (image.isNull())
        return;
    QPainter painter(this);
    painter.drawPixmap(0, 0, image);
}

}  // namespace controls
