// The About box: icon, version and a notice, closed by OK, Escape or the close box.
#pragma once

#include <QDialog>
#include <QIcon>

class CAboutDlg : public QDialog {
    Q_OBJECT

public:
    CAboutDlg(const QIcon& icon, QWidget* parent = nullptr);

    // Runs an About box modally over parent; what the panel's About command does.
    static void Run(QWidget* parent, const QIcon& icon);
};
