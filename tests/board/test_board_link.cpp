// The board link against the simulated board: the bytes of every command and what each
// returns, stray bytes, how a failure is said once, the search for the board's port, and the
// names and listing of the ports.
#include "Bytes.h"
#include "BoardCommands.h"
#include "BoardLink.h"
#include "FakeHost.h"
#include "LatencyCheck.h"
#include "PlatformAdvice.h"
#include "PortListing.h"
#include "SimulatedBoard.h"
#include "SystemPorts.h"

#include <QtTest>

using namespace board;

Q_DECLARE_METATYPE(board::PortLatency)

namespace {

const QStringList kCandidates{"COM4", "COM3", "COM2", "COM1"};

// A link connected to a simulated board on COM3, tracing, with the probe forgotten.
struct Connected {
    CSimulatedPortProvider ports;
    std::shared_ptr<CSimulatedBoard> board = ports.Attach("COM3");
    CFakeHost host;
    CBoardLink link{ports, host};

    Connected()
    {
        link.FindBoardPort(kCandidates);
        board->ClearReceived();
        link.SetTrace(true);
    }
    // Fault byte numbers count from the board's first byte.
    int NextByte() const { return board->ReceivedCount(); }
};

}  // namespace

class TestBoardLink : public QObject {
    Q_OBJECT

private slots:
    // The index is taken modulo 4 and the value's low 8 bits go out.
    void aWriteSendsTheCommandThenTheValue()
    {
        Connected c;
        QCOMPARE(c.link.WriteRegister(5, 0x1C5), WriteOutcome::Acknowledged);
        QCOMPARE(c.board->Received(), Bytes({0x81, 0xC5}));
        QCOMPARE(c.board->registers[REGISTER_B], quint8(0xC5));
        QCOMPARE(c.host.diagnostics, QStringList({"COM3  sent 0x81  received 0x4B", "COM3  sent 0xC5  received 0x4B"}));
        // Every exchange says its round trip.
        QVERIFY2(QRegularExpression("^COM3  sent 0x81  received 0x4B in [0-9]+\\.[0-9]{2} ms$").match(c.host.traced.value(0)).hasMatch(),
                 qPrintable(c.host.traced.value(0)));
    }

    // The register, then REGISTER_S read and written back with the very byte read.
    void aCurrentWriteWritesRegisterSBackAsRead()
    {
        Connected c;
        c.board->registers[REGISTER_S] = 0x2D;
        const CurrentWrite write = c.link.WriteCurrent(REGISTER_B, 40);
        QVERIFY(write.Done());
        QCOMPARE(c.board->Received(), Bytes({0x81, 0x28, 0x93, 0x83, 0x2D}));
        QCOMPARE(c.board->registers[REGISTER_B], quint8(40));
        QVERIFY(c.host.messages.isEmpty());
    }

    // With nothing true to write back, REGISTER_S is left as the chip has it.
    void aCurrentWriteWhoseReadOfSGoesUnansweredStopsThere()
    {
        Connected c;
        c.board->faults.wrongAnswerAt = c.NextByte() + 2;
        c.board->faults.wrongAnswer.reset();
        const CurrentWrite write = c.link.WriteCurrent(REGISTER_A, 5);
        QCOMPARE(write.code, WriteOutcome::Acknowledged);
        QVERIFY(write.readOfS.Completed());
        QCOMPARE(write.readOfS.reply, std::nullopt);
        QCOMPARE(write.writeBack, std::nullopt);
        QVERIFY(!write.Done());
        QCOMPARE(c.board->Received(), Bytes({0x80, 0x05, 0x93}));
        QCOMPARE(c.host.diagnostics.last(), "COM3  REGISTER_S not written back: its read got no answer");
    }

    // Only the first byte answers a command. An answer that came after its exchange gave up,
    // or a byte the board sent unasked, never answers the next command.
    void bytesBeyondTheAnswerAreDropped()
    {
        Connected c;
        c.board->registers = {9, 0, 0, 0x05};
        c.board->faults.extraAfterAnswer = "K";
        QCOMPARE(c.link.ReadRegister(REGISTER_A).reply, std::optional<quint8>(9));
        c.board->faults.extraAfterAnswer.clear();
        c.board->faults.lateFrom = c.NextByte();
        QCOMPARE(c.link.ReadRegister(REGISTER_A).reply, std::nullopt);
        c.board->faults.lateFrom = -1;
        c.board->SendUnasked(Bytes({0x3F}));
        QCOMPARE(c.link.ReadRegister(REGISTER_S).reply, std::optional<quint8>(0x05));
        QCOMPARE(c.host.diagnostics, QStringList({"COM3  sent 0x90  received 0x09, then dropped 0x4B", "COM3  sent 0x90  received none",
                                                  "COM3  dropped 0x09 0x3F, which arrived between exchanges",
                                                  "COM3  sent 0x93  received 0x05"}));
    }

    // A byte of a write that is not acknowledged is said once, and the port closed: the
    // value byte is not sent, and no later byte either.
    void aWriteThatIsNotAcknowledgedIsSaidOnceAndClosesThePort()
    {
        Connected c;
        c.board->faults.silentFrom = c.NextByte();
        QCOMPARE(c.link.WriteRegister(REGISTER_A, 12), WriteOutcome::NotAcknowledged);
        QCOMPARE(c.host.messages, QStringList("\"COM Error\" or \"Power OFF\""));
        QVERIFY(!c.link.IsPortOpen());
        QCOMPARE(c.board->CloseCount(), 1);
        QCOMPARE(c.link.ExchangeByte(CMD_OUTPUT_OFF).outcome, Exchange::Outcome::PortLost);
        QCOMPARE(c.link.WriteRegister(REGISTER_A, 12), WriteOutcome::PortLost);
        QCOMPARE(c.host.messages.size(), 1);
        QCOMPARE(c.board->Received(), Bytes({0x80}));
        QCOMPARE(c.host.diagnostics.last(), "COM3  sent 0x0C  send failed");
    }

    // A port that answers the probe otherwise is closed before the next is tried; the
    // first that acknowledges it is kept, and the later ones are never opened.
    void theSearchTakesTheFirstPortThatAcknowledgesTheProbe()
    {
        CSimulatedPortProvider ports;
        ports.Attach("COM4")->faults.probeAnswer = 'k';
        ports.Attach("COM3")->faults.probeAnswer = CMD_PROBE;
        ports.Attach("COM2");
        ports.Attach("COM1");
        CFakeHost host;
        {
            CBoardLink link(ports, host);
            const PortSearch search = link.FindBoardPort(kCandidates);
            QCOMPARE(search.port, "COM2");
            QCOMPARE(search.reasons, QStringList({"COM4: opened, but answered 0x6B instead of 0x4B",
                                                  "COM3: opened, but answered 0xBB instead of 0x4B"}));
            QCOMPARE(link.OpenPortName(), "COM2");
            QCOMPARE(ports.Board("COM4")->CloseCount(), 1);
            QCOMPARE(ports.Board("COM3")->CloseCount(), 1);
            QCOMPARE(ports.Board("COM1")->OpenCount(), 0);
        }
        QVERIFY(!ports.Board("COM2")->IsOpen());  // released with its link, as at the end of a run
        QVERIFY(host.messages.isEmpty());
    }

    // With no board, why for each port, and no port left open; saying so is the caller's.
    void theSearchSaysWhyEachPortWasNotTaken()
    {
        CSimulatedPortProvider ports;
        ports.Attach("COM2")->faults.silentFrom = 0;
        ports.Attach("COM4")->faults.probeAnswer = 0x00;
        ports.Attach("COM1");
        CFakeHost host;
        CBoardLink holder(ports, host);
        QVERIFY(!holder.OpenPort("COM1"));  // another program has COM1
        CBoardLink search(ports, host);
        const PortSearch found = search.FindBoardPort({"COM2", "COM4", "COM1", "COM9"});
        QVERIFY(!found.Found());
        QCOMPARE(found.reasons, QStringList({"COM2: opened, but nothing answered the probe",
                                             "COM4: opened, but answered 0x00 instead of 0x4B",
                                             "COM1: in use by another program", "COM9: no such device"}));
        QVERIFY(!search.IsPortOpen());
        QVERIFY(host.messages.isEmpty());
    }

    // The heading and the reasons, then what to try (the rest is in the panel's and the
    // programs' tests).
    void theNoBoardReportEndsWithWhatToTry()
    {
        const QStringList report = NoBoardReport({{}, {"COM4: no such device"}}, {"COM3", "COM7"});
        QCOMPARE(report.at(1), "  COM4: no such device");
        QCOMPARE(report.at(4), "  the serial ports this computer lists: COM3, COM7");
#ifdef Q_OS_WIN
        QCOMPARE(report.at(5), "  start with --port COMn to name the board's port");
#else
        QCOMPARE(report.at(5), "  start with --port DEVICE (/dev/ttyUSB0, say) to name the board's port");
#endif
        QCOMPARE(NoBoardReport({}, {}).at(1), "  no port to try");
        QCOMPARE(NoBoardReport({}, {}).at(4), "  this computer lists no serial port");
    }

    // COM4..COM1 first; off Windows the USB adapters present follow, in natural order.
    void theDefaultCandidates()
    {
        QTemporaryDir devices;
        for (const char* name : {"ttyUSB10", "ttyUSB2", "ttyACM0", "ttyS5", "cu.usbmodem3", "cu.usbserial-A1"})
            QVERIFY(QFile(devices.filePath(name)).open(QIODevice::WriteOnly));
#if defined(Q_OS_WIN)
        QCOMPARE(DefaultCandidatePorts().mid(0, 4), kCandidates);  // then whatever COM ports this machine has
#elif defined(Q_OS_MACOS)
        QCOMPARE(DefaultCandidatePorts(devices.path()),
                 kCandidates + QStringList({devices.filePath("cu.usbmodem3"), devices.filePath("cu.usbserial-A1")}));
#else
        QCOMPARE(DefaultCandidatePorts(devices.path()),
                 kCandidates + QStringList({devices.filePath("ttyACM0"), devices.filePath("ttyUSB2"), devices.filePath("ttyUSB10")}));
        QCOMPARE(CSystemPortProvider().DescribePort("COM4"), "COM4 (/dev/ttyS3)");
        QCOMPARE(CSystemPortProvider().DescribePort("/dev/ttyUSB0"), "/dev/ttyUSB0");
#endif
    }

    // On Windows the adapters come from the system's list: COM5 and up, by number, without
    // Bluetooth links.
    void theOtherComPortsOfAWindowsListing()
    {
        const QList<SerialPortEntry> listed{
            {"COM12", "COM12", "USB-SERIAL CH340", "wch.cn", 0x1A86, 0x7523, "", "", {}},
            {"COM9", "COM9", "Standard Serial over Bluetooth link", "Microsoft", {}, {}, "", "", {}},
            {"COM4", "COM4", "Communications Port", "(Standard port types)", {}, {}, "", "", {}},
            {"COM7", "COM7", "USB Serial Port", "FTDI", 0x0403, 0x6001, "A50285BI", "", {}},
            {"COM11", "COM11", "Serial port", "BlueTooth Inc.", {}, {}, "", "", {}},
            {"COM10", "COM10", "USB Serial Device", "Microsoft", 0x2341, 0x0043, "", "", {}},
            {"COM5", "COM5", "Prolific USB-to-Serial Comm Port", "Prolific", 0x067B, 0x2303, "", "", {}}};
        QCOMPARE(OtherComPorts(listed), QStringList({"COM5", "COM7", "COM10", "COM12"}));
    }

    // What slows the answers, from what the port says of itself; nothing when the median is
    // within a millisecond of the wire.
    void latencyAdviceNamesTheLikelyCause_data()
    {
        QTest::addColumn<double>("medianMs");
        QTest::addColumn<PortLatency>("port");
        QTest::addColumn<QString>("advice");
        const QString late = "the port passes answers on at once as far as it tells: the board itself answers late";
        QTest::newRow("within a millisecond") << 3.08 << PortLatency{8, 16, true} << "";
        QTest::newRow("a FIFO trigger of 8") << 4.6 << PortLatency{8, {}, false} << FifoTriggerAdvice(8);
        QTest::newRow("a latency timer of 16 ms") << 18.0 << PortLatency{{}, 16, true} << AdapterLatencyAdvice(16);
        QTest::newRow("an adapter whose timer is unknown") << 18.0 << PortLatency{{}, {}, true} << AdapterLatencyAdvice({});
        QTest::newRow("an adapter whose timer is 1 ms") << 5.0 << PortLatency{{}, 1, true} << late;
        QTest::newRow("a one-byte trigger") << 5.0 << PortLatency{1, {}, false} << late;
    }
    void latencyAdviceNamesTheLikelyCause()
    {
        QFETCH(double, medianMs);
        QFETCH(PortLatency, port);
        QFETCH(QString, advice);
        QCOMPARE(LatencyAdvice(medianMs, WireMsPerExchange(), port), advice);
    }

    void latencyFigures()
    {
        QCOMPARE(QString::number(WireMsPerExchange(9600), 'f', 3), "2.083");
        const LatencyCheck check{{1.0, 3.0, 2.0, 10.0}, {}};
        QCOMPARE(check.MedianMs(), 2.5);
        QCOMPARE(check.LongestMs(), 10.0);
        QCOMPARE(LatencyCheck({{4.0, 1.0, 9.0}, {}}).MedianMs(), 4.0);
    }

    void namesInNaturalOrder()
    {
        QVERIFY(NaturalLess("a9b", "a10a"));
        QVERIFY(NaturalLess("ttyS", "ttyS0"));  // a name that stops first comes first
        QVERIFY(NaturalLess("tty1", "ttyS"));  // a digit before a letter
    }

    void thePortListingIsAlignedWithDashesForTheUnknown()
    {
        QCOMPARE(FormatPortListing({}), QStringList("No serial ports found."));
        const QList<SerialPortEntry> ports{
            {"ttyS0", "/dev/ttyS0", "", "", {}, {}, "", "", {}},
            {"ttyUSB0", "/dev/ttyUSB0", "FT232R USB UART", "FTDI", 0x0403, 0x0000, "A50285BI", "minicom (pid 42)", 16}};
        QCOMPARE(FormatPortListing(ports),
                 QStringList({"ttyS0    /dev/ttyS0    -                -     -          -         -              free",
                              "ttyUSB0  /dev/ttyUSB0  FT232R USB UART  FTDI  0403:0000  A50285BI  latency 16 ms  in use by minicom (pid 42)"}));
    }

    // The advice names the group the device belongs to, when it is known.
    void permissionDeniedSaysWhichGroupToJoin()
    {
        QCOMPARE(Describe(OpenFailure{OpenFailure::Reason::PermissionDenied, "dialout"}),
                 "permission denied; the device belongs to group 'dialout': add yourself with "
                 "'sudo usermod -aG dialout $USER' and log in again");
        QCOMPARE(Describe(OpenFailure{OpenFailure::Reason::PermissionDenied, ""}), "permission denied");
        QCOMPARE(DeviceGroup(QDir::tempPath()), QFileInfo(QDir::tempPath()).group());
        QCOMPARE(DeviceGroup("/nonexistent/ttyUSB0"), QString());
    }
};

QTEST_APPLESS_MAIN(TestBoardLink)
#include "test_board_link.moc"
