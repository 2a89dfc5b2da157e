#include "AboutDlg.h"

#include "DialogBuilder.h"
#include "DialogTemplates.h"
#include "ResourceIds.h"

#include <QPushButton>

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent)
{
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint
                   | Qt::MSWindowsFixedSizeDialogHint);
    const QMap<int, QWidget*> controls = controls::BuildDialog(this, res::AboutDialogTemplate());
    connect(qobject_cast<QPushButton*>(controls.value(res::IDOK)), &QPushButton::clicked, this, &QDialog::accept);
}

void CAboutDlg::Run(QWidget* parent)
{
    CAboutDlg about(parent);
    about.exec();
}
