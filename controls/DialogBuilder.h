// Builds a dialog's controls from its template, the way the Windows dialog manager does:
// dialog units scaled by the template font's average character width and height,
// controls created in template order, which is also the tab order.
#pragma once

#include "DialogTemplates.h"

#include <QFont>
#include <QMap>
#include <QRect>
#include <QSize>

class QDialog;
class QWidget;

namespace controls {

// Pixels per 4 horizontal and per 8 vertical dialog units.
struct DialogBaseUnits {
    int x;
    int y;
    QRect ToPixels(int x, int y, int cx, int cy) const;
    QSize ToPixels(int cx, int cy) const;
};

DialogBaseUnits BaseUnitsOf(const QFont& font);

// The template's font, or the metric-compatible face the system offers for it.
QFont TemplateFont(const res::DialogTemplate& dialogTemplate);

// Creates every control of the template as a child of dialog, sizes the dialog, and
// returns the controls by identifier (controls without one are left out).
QMap<int, QWidget*> BuildDialog(QDialog* dialog, const res::DialogTemplate& dialogTemplate);

// The identifier a control was created with.
int ControlId(const QWidget* control);

}  // namespace controls
