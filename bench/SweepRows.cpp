// The real panel on the offscreen platform against the simulated board pacing bytes at
// 9600 baud: trackbar A set to 0..63, each position a current write of five exchanges.
#include "Bench.h"

#include "DialogBuilder.h"
#include "PanelDlg.h"
#include "ResourceIds.h"
#include "SimulatedBoard.h"
#include "Trackbar.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <stdexcept>

namespace bench {

namespace {

constexpr int kPositions = 64;
constexpr int kBytesPerCurrentWrite = 5;

QWidget* Control(CPanelDlg& dialog, int id)
{
    for (QWidget* control : dialog.findChildren<QWidget*>()) {
        if (controls::ControlId(control) == id)
            return control;
    }
    throw std::runtime_error("the panel has no control " + std::to_string(id));
}

// ENABLE, LED A1 ticked and REGISTER_S written, so that trackbar A writes the current.
void EnableChannelA(CPanelDlg& dialog)
{
    for (int id : {res::IDC_ENABLE, res::IDC_LED_A1, res::IDC_WRITE_S})
        qobject_cast<QAbstractButton*>(Control(dialog, id))->click();
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
    CPanelDlg dialog(ports, PanelSetup{{port}, false, true});
    QString message;
    dialog.SetMessageShower([&message](const QString& text, const QString&) { message = text; });
    if (!dialog.StartUp())
        throw std::runtime_error("the panel did not start on the simulated board");
    dialog.show();
    EnableChannelA(dialog);
    auto* trackbar = qobject_cast<controls::CTrackbar*>(Control(dialog, res::IDC_SLIDER1));

    const int bytesBefore = board->ReceivedCount();
    std::vector<double> writesMs;
    double repaintsMs = 0;
    const Clock::time_point sweepStart = Clock::now();
    for (int position = 0; position < kPositions; ++position) {
        const Clock::time_point writeStart = Clock::now();
        trackbar->setValue(position);
        emit trackbar->scrolled(controls::ScrollCode::ThumbTrack, position, trackbar);  // as a drag tells it
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
