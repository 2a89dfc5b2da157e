// The real panel on the offscreen platform, started against a simulated board that
// records every byte. The board link's message is answered by the fixture and kept.
#pragma once

#include "AboutDlg.h"
#include "BitsCodec.h"
#include "BoardCommands.h"
#include "Bytes.h"
#include "CurrentCode.h"
#include "PanelDlg.h"
#include "ResourceIds.h"
#include "SimulatedBoard.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSlider>
#include <QTimer>
#include <QtTest>
#include <memory>

using namespace res;

// The bits text of a code as a field shows it.
inline QString TextOf(int code)
{
    return QString::fromLatin1(codec::ValueToBits(code));
}

// Answers every modal box that opens with its OK button, noting what it showed.
struct CBoxAnswerer {
    QStringList seen;
    QTimer timer;
    CBoxAnswerer()
    {
        QObject::connect(&timer, &QTimer::timeout, [this] {
            auto* box = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            if (!box)
                return;
            if (box->property("answered").toBool()) {  // its OK did not close it
                seen << "still open";
                return box->reject();
            }
            box->setProperty("answered", true);
            seen << box->windowTitle();
            for (QLabel* label : box->findChildren<QLabel*>())
                seen << (label->pixmap().isNull() ? label->text() : QString("pixmap %1").arg(label->pixmap().width()));
            if (auto* message = qobject_cast<QMessageBox*>(box))
                seen << QString("icon %1").arg(message->icon()) << message->detailedText();
            for (QPushButton* button : box->findChildren<QPushButton*>())
                button->text().contains("OK") ? button->click() : void();
        });
        timer.start(10);
    }
};

class CPanelFixture {
public:
    explicit CPanelFixture(const QStringList& candidates = {"COM4", "COM3", "COM2", "COM1"},
                           const QString& boardPort = "COM4")
        : CPanelFixture(ports, candidates)
    {
        if (!boardPort.isEmpty())
            board = ports.Attach(boardPort);
    }
    // The panel on other ports, such as a board on a pseudo-terminal.
    CPanelFixture(board::CPortProvider& provider, const QStringList& candidates)
        : dialog(std::make_unique<CPanelDlg>(provider, candidates, false))
    {
        dialog->m_showMessage = [this](const QString& text, const QString&) { messages << text; };
        dialog->m_runAboutBox = &CAboutDlg::Run;
    }

    // Start-up as the program runs it; the panel is shown when start-up did not end it.
    bool Start()
    {
        const bool running = dialog->StartUp();
        if (running) {
            dialog->show();
            dialog->activateWindow();
            [[maybe_unused]] const bool exposed = QTest::qWaitForWindowExposed(dialog.get());
        }
        ClearWire();
        return running;
    }

    void ClearWire() { board ? board->ClearReceived() : void(); }
    QByteArray Wire() const { return board->Received(); }

    QWidget* Item(int id) const { return dialog->GetDlgItem(id); }
    QLineEdit* Field(int id) const { return qobject_cast<QLineEdit*>(Item(id)); }
    QSlider* Trackbar(int id) const { return qobject_cast<QSlider*>(Item(id)); }
    QLabel* Label(int id) const { return qobject_cast<QLabel*>(Item(id)); }
    QCheckBox* Box(int id) const { return qobject_cast<QCheckBox*>(Item(id)); }
    QString Text(int id) const { return qobject_cast<QAbstractButton*>(Item(id))->text(); }

    void Click(int id) const { QTest::mouseClick(Item(id), Qt::LeftButton); }

    // Start, ENABLE, tick the given boxes, write REGISTER_S, and forget those bytes.
    void SwitchOn(std::initializer_list<int> boxes)
    {
        [[maybe_unused]] const bool started = Start();
        Click(IDC_ENABLE);
        for (int id : boxes)
            Click(id);
        Click(IDC_WRITE_S);
        ClearWire();
    }

    board::CSimulatedPortProvider ports;
    std::shared_ptr<board::CSimulatedBoard> board;
    std::unique_ptr<CPanelDlg> dialog;
    QStringList messages;
};
