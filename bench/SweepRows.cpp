// The real panel on the offscreen platform against the simulated board pacing bytes at
// 9600 baud: trackbar A set to 0..63, each position a current write of five exchanges.
#include "Bench.h"

#include "PanelDlg.h"
#include "SimulatedBoard.h"
#include "Trackbar.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QSlider>
#include <stdexcept>

namespace bench {

namespace {

constexpr int kPositions = 64;
constexpr int kBytesPerCurrentWrite = 5;

// ENABLE, LED A1 ticked and REGISTER_S written, so that trackbar A writes the current.
void EnableChannelA(CPanelDlg& dialog)
{
    dialog.OnEnableToggle();
    dialog.m_chkLed[5]->setChecked(true);  // the boxes run from C2 down to A1
    dialog.OnLedA1();
    dialog.OnWriteS();
    QCoreApplication::processEvents();
}

QString OverWire(double measuredMs, double wireMs, int decimals)
{
    const double overPercent = 100 * (measuredMs - wireMs) / wireMs;
    return QStringLiteral("%1 (%2 %)").arg(Ms(measuredMs, decimals), QString::asprintf("%+.1f", overPercent));
}

}  // namespace

Rows MeasureCurrentWrites()
{
    const QString port = QStringLiteral("SIM");
    board::CSimulatedPortProvider ports;
    const auto board = ports.Attach(port);
    board->realTime = true;
    CPanelDlg dialog(ports, {port}, false);
    QString message;
    dialog.m_showMessage = [&message](const QString& text, const QString&) { message = text; };
    if (!dialog.StartUp())
        throw std::runtime_error("the panel did not start on the simulated board");
    dialog.show();
    EnableChannelA(dialog);

    const int bytesBefore = board->ReceivedCount();
    std::vector<double> writesMs;
    double repaintsMs = 0;
    const Clock::time_point sweepStart = Clock::now();
    for (int position = 0; position < kPositions; ++position) {
        const Clock::time_point writeStart = Clock::now();
        dialog.m_sliderA->setValue(position);
        dialog.OnHScroll(controls::TB_THUMBTRACK, position, dialog.m_sliderA);
        writesMs.push_back(MsSince(writeStart));
        const Clock::time_point repaintStart = Clock::now();
        QCoreApplication::processEvents();  // the repaint a drag gets between moves
        repaintsMs += MsSince(repaintStart);
    }
    const double sweepMs = MsSince(sweepStart);
    const int bytes = board->ReceivedCount() - bytesBefore;
    if (!message.isEmpty())
        throw std::runtime_error("the panel said: " + message.toStdString());

    const double sweepWireMs = kPositions * kCurrentWriteWireMs;
    const QString note = QStringLiteral("; repaints %1, %2 bytes sent").arg(Ms(repaintsMs)).arg(bytes);
    const bool allSent = bytes == kPositions * kBytesPerCurrentWrite;
    return {
        {QStringLiteral("Current write (5 exchanges), panel on the simulated board at 9600 baud, median of 64"),
         OverWire(Median(writesMs), kCurrentWriteWireMs, 2), Ms(kCurrentWriteWireMs, 2) + QStringLiteral(" wire")},
        {QStringLiteral("Trackbar sweep 0..63, panel on the simulated board at 9600 baud"),
         OverWire(sweepMs, sweepWireMs, 1) + note, Ms(sweepWireMs) + QStringLiteral(" wire"), {},
         allSent ? QString() : QStringLiteral("no")},
    };
}

}  // namespace bench
