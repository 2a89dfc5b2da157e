// The panel's own drawing: the banner at the banner control's place, the channel colours
// on the channel texts, and the icon while minimised.
#include "Painting.h"

#include "ChannelTable.h"
#include "PanelDlg.h"

#include <QBitmap>
#include <QPainter>
#include <QPalette>

namespace panel {

namespace {

constexpr int kBannerRows = 64;

}  // namespace

QPoint MinimisedIconOrigin(QSize client, QSize icon)
{
    return QPoint((client.width() - icon.width() + 1) / 2, (client.height() - icon.height() + 1) / 2);
}

QPixmap BannerImage(const QString& resource)
{
    const QPixmap bitmap(resource);
    if (bitmap.isNull())
        return {};
    QPixmap banner = bitmap.copy(0, 0, bitmap.width(), qMin(kBannerRows, bitmap.height()));
    banner.setMask(banner.createMaskFromColor(Qt::white, Qt::MaskInColor));
    return banner;
}

}  // namespace panel

void CPanelDlg::LoadBanner()
{
    const QPixmap banner = panel::BannerImage(QStringLiteral(":/images/banner.xpm"));
    if (!banner.isNull())
        m_imageList.append(banner);
}

// Each channel's group box, caption and LED boxes are written in the channel's colour;
// every other control keeps the default.
void CPanelDlg::ApplyChannelColours()
{
    for (const panel::Channel& channel : panel::Channels()) {
        for (int id : {channel.groupId, channel.captionId, channel.firstLedId, channel.secondLedId}) {
            QWidget* control = GetDlgItem(id);
            QPalette palette = control->palette();
            // A disabled LED box is greyed as usual.
            for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
                for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::ButtonText, QPalette::Text})
                    palette.setColor(group, role, QColor(channel.colour));
            }
            control->setPalette(palette);
        }
    }
}

void CPanelDlg::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    if (isMinimized()) {
        const QSize icon(32, 32);
        painter.drawPixmap(panel::MinimisedIconOrigin(size(), icon), m_hIcon.pixmap(icon));
        return;
    }
    // Drawn at the banner control's own place in the client area; the image is there only
    // once start-up has found that control.
    if (!m_imageList.isEmpty())
        painter.drawPixmap(m_pBanner->pos(), m_imageList.front());
}
