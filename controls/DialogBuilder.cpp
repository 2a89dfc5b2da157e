#include "DialogBuilder.h"

#include "BitmapButton.h"
#include "ResourceIds.h"
#include "Trackbar.h"

#include <QCheckBox>
#include <QDialog>
#include <QFontMetrics>
#include <QGroupBox>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>

namespace controls {

namespace {

constexpr char kControlIdProperty[] = "controlId";

int MulDiv(int value, int numerator, int denominator)
{
    return static_cast<int>((static_cast<long long>(value) * numerator * 2 + denominator) / (denominator * 2));
}

QWidget* MakeControl(const res::ControlTemplate& control, QDialog* dialog)
{
    const QString caption = QString::fromLatin1(control.caption);
    switch (control.kind) {
    case res::ControlKind::DefPushButton: {
        auto* button = new QPushButton(caption, dialog);
        button->setDefault(true);
        return button;
    }
    case res::ControlKind::PushButton:
        return new QPushButton(caption, dialog);
    case res::ControlKind::OwnerDrawButton:
        return new CBitmapButton(caption, dialog);
    case res::ControlKind::AutoCheckBox:
        return new QCheckBox(caption, dialog);
    case res::ControlKind::Trackbar:
        return new CTrackbar(dialog);
    case res::ControlKind::GroupBox:
        return new QGroupBox(caption, dialog);
    case res::ControlKind::Static:
        return new QLabel(caption, dialog);
    case res::ControlKind::StaticCentreV: {
        auto* label = new QLabel(caption, dialog);
        label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        return label;
    }
    case res::ControlKind::BitmapStatic:
        return new QLabel(dialog);
    case res::ControlKind::IconStatic: {
        auto* label = new QLabel(dialog);
        label->setPixmap(dialog->windowIcon().pixmap(32, 32));
        return label;
    }
    case res::ControlKind::Edit:
        return new QLineEdit(caption, dialog);
    }
    return nullptr;
}

}  // namespace

QRect DialogBaseUnits::ToPixels(int left, int top, int cx, int cy) const
{
    return QRect(MulDiv(left, x, 4), MulDiv(top, y, 8), MulDiv(cx, x, 4), MulDiv(cy, y, 8));
}

QSize DialogBaseUnits::ToPixels(int cx, int cy) const
{
    return QSize(MulDiv(cx, x, 4), MulDiv(cy, y, 8));
}

DialogBaseUnits BaseUnitsOf(const QFont& font)
{
    const QFontMetrics metrics(font);
    const int letters = metrics.horizontalAdvance(
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    return {(letters / 26 + 1) / 2, metrics.ascent() + metrics.descent()};
}

QFont TemplateFont(const res::DialogTemplate& dialogTemplate)
{
    QFont font(QString::fromLatin1(dialogTemplate.fontFace), dialogTemplate.pointSize);
    // Liberation Sans has Arial's metrics; fontconfig usually maps Arial onto it.
    font.setFamilies({QString::fromLatin1(dialogTemplate.fontFace), QStringLiteral("Liberation Sans"),
                      QStringLiteral("Arial"), QStringLiteral("Helvetica")});
    return font;
}

QMap<int, QWidget*> BuildDialog(QDialog* dialog, const res::DialogTemplate& dialogTemplate)
{
    const QFont font = TemplateFont(dialogTemplate);
    dialog->setFont(font);
    dialog->setWindowTitle(QString::fromLatin1(dialogTemplate.caption));
    const DialogBaseUnits units = BaseUnitsOf(font);
    dialog->setFixedSize(units.ToPixels(dialogTemplate.cx, dialogTemplate.cy));

    // Controls are made in the template's order, which is also their tab order.
    QMap<int, QWidget*> controls;
    QList<QGroupBox*> groupBoxes;
    for (const res::ControlTemplate& control : dialogTemplate.controls) {
        QWidget* widget = MakeControl(control, dialog);
        widget->setObjectName(QString::fromLatin1(control.name));
        widget->setProperty(kControlIdProperty, control.id);
        widget->setGeometry(units.ToPixels(control.x, control.y, control.cx, control.cy));
        widget->setFocusPolicy(control.tabStop ? Qt::StrongFocus : Qt::NoFocus);
        if (auto* group = qobject_cast<QGroupBox*>(widget))
            groupBoxes << group;
        if (control.id != res::IDC_STATIC)
            controls.insert(control.id, widget);
    }
    // A group box only frames the controls inside it: keep it beneath them, so that it
    // neither hides them nor takes their clicks.
    for (QGroupBox* group : groupBoxes)
        group->lower();
    return controls;
}

int ControlId(const QWidget* control)
{
    return control ? control->property(kControlIdProperty).toInt() : 0;
}

}  // namespace controls
