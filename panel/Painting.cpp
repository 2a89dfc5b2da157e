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
    m_banner = panel::BannerImage(QStringLiteral(":/images/banner.xpm"));
}

// Each channel's group box, caption and LED boxes are written in the channel's colour;
// every other control keeps the default.
void CPanelDlg::ApplyChannelColours(const QMap<int, QWidget*>& built)
{
    for (const panel::Channel& channel : panel::Channels()) {
        for (int id : {channel.groupId, channel.captionId, channel.firstLedId, channel.secondLedId}) {
            QWidget* control = built.value(id);
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
        painter.drawPixmap(panel::MinimisedIconOrigin(size(), icon), m_icon.pixmap(icon));
        return;
    }
    // Drawn at the banner control's own place in the client area, once start-up has
    // loaded it.
    if (!m_banner.isNull())
        painter.drawPixmap(m_bannerPlace->pos(), m_banner);
}
