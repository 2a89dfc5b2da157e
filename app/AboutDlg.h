// The About box: the panel's icon, version and a notice, closed by OK, Escape or the close
// box.
#pragma once

#include <QDialog>

class CAboutDlg : public QDialog {
    Q_OBJECT

public:
    // The box shows its parent's window icon.
    explicit CAboutDlg(QWidget* parent);

    // Runs an About box modally over parent; what the panel's About command does.
    static void Run(QWidget* parent);
};
