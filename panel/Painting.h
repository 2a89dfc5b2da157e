// Pure helpers of the panel's painting, kept apart so they can be checked alone.
#pragma once

#include <QPixmap>
#include <QPoint>
#include <QSize>

namespace panel {

// Where the icon of the minimised panel is drawn: centred, rounding as the original did
// (a 0-pixel client with a 32-pixel icon gives -15, not -16).
QPoint MinimisedIconOrigin(QSize client, QSize icon);

// The banner as the panel draws it: the top 64 rows, white transparent. Null when the
// image is missing.
QPixmap BannerImage(const QString& resource);

}  // namespace panel
