#include "AboutDlg.h"

#include "DialogBuilder.h"
#include "DialogTemplates.h"
#include "ResourceIds.h"

#include <QPushButton>

CAboutDlg::CAboutDlg(const QIcon& icon, QWidget* parent) : QDialog(parent)
{
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint
                   | Qt::MSWindowsFixedSizeDialogHint);
    setWindowIcon(icon);
    const QMap<int, QWidget*> controls = controls::BuildDialog(this, res::AboutDialogTemplate());
    connect(qobject_cast<QPushButton*>(controls.value(res::IDOK)), &QPushButton::clicked, this, &QDialog::accept);
}

void CAboutDlg::Run(QWidget* parent, const QIcon& icon)
{
    CAboutDlg about(icon, parent);
    about.exec();
}
