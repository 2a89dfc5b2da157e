// The real panel on the offscreen platform, started against a simulated board that
// records every byte. The board link's message is answered by the fixture and kept.
#pragma once

#include "AboutDlg.h"
#include "BoardCommands.h"
#include "Bytes.h"
#include "DialogBuilder.h"
#include "FaultyBoard.h"
#include "PanelDlg.h"
#include "ResourceIds.h"

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

// What a bits field shows for code 0, and before any code.
const QString kTemplateText = " X  X  0  0   0  0  0  0 ";

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
                           const QString& boardPort = "COM4", bool simulated = false)
        : CPanelFixture(ports, candidates, simulated)
    {
        if (!boardPort.isEmpty())
            board = ports.Attach<CFaultyBoard>(boardPort);
    }
    // The panel on other ports, such as a board on a pseudo-terminal.
    CPanelFixture(board::CPortProvider& provider, const QStringList& candidates, bool simulated = false)
        : dialog(std::make_unique<CPanelDlg>(provider, PanelSetup{candidates, false, simulated}))
    {
        dialog->SetMessageShower([this](const QString& text, const QString&) { messages << text; });
        dialog->SetAboutBox(&CAboutDlg::Run);
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

    // A control of the panel by its template id.
    QWidget* Item(int id) const
    {
        for (QWidget* control : dialog->findChildren<QWidget*>()) {
            if (controls::ControlId(control) == id)
                return control;
        }
        return nullptr;
    }
    QLineEdit* Field(int id) const { return qobject_cast<QLineEdit*>(Item(id)); }
    QSlider* Trackbar(int id) const { return qobject_cast<QSlider*>(Item(id)); }
    QLabel* Label(int id) const { return qobject_cast<QLabel*>(Item(id)); }
    QCheckBox* Box(int id) const { return qobject_cast<QCheckBox*>(Item(id)); }
    QString Text(int id) const { return qobject_cast<QAbstractButton*>(Item(id))->text(); }

    void Click(int id) const { QTest::mouseClick(Item(id), Qt::LeftButton); }

    // The LED boxes ticked, as REGISTER_S bits.
    int TickedLeds() const
    {
        int bits = 0;
        for (int bit = 0; bit < 6; ++bit)
            bits |= Box(IDC_LED_A1 + bit)->isChecked() ? 1 << bit : 0;
        return bits;
    }

    // Start, ENABLE, tick the given boxes, write REGISTER_S, and forget those bytes; false
    // when start-up already ended the panel.
    [[nodiscard]] bool SwitchOn(std::initializer_list<int> boxes)
    {
        if (!Start())
            return false;
        Click(IDC_ENABLE);
        for (int id : boxes)
            Click(id);
        Click(IDC_WRITE_S);
        ClearWire();
        return true;
    }

    board::CSimulatedPortProvider ports;
    std::shared_ptr<CFaultyBoard> board;
    std::unique_ptr<CPanelDlg> dialog;
    QStringList messages;
};
