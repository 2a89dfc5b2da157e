// The board link against the simulated board: the bytes of every command and what each
// returns, stray bytes, how a failure is said once, the search for the board's port, and the
// names and listing of the ports.
#include "Bytes.h"
#include "BoardCommands.h"
#include "BoardLink.h"
#include "FakeHost.h"
#include "FaultyBoard.h"
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
const QString kLost = "a byte could not be exchanged: the port failed or the device went away";

// A link connected to a simulated board on COM3, tracing, with the probe forgotten.
struct Connected {
    CSimulatedPortProvider ports;
    std::shared_ptr<CFaultyBoard> board = ports.Attach<CFaultyBoard>("COM3");
    CFakeHost host;
    CBoardLink link{ports, host};

    explicit Connected(const SimulatedFaults& faults = {})
    {
        link.FindBoardPort(kCandidates);
        board->ClearReceived();
        board->faults = faults;
        link.SetTrace(true);
    }
};

// Faults from a byte after the probe (which Connected forgets).
enum class Fault { None, WrongAnswer, Silent, Unplugged };
SimulatedFaults FaultFrom(Fault fault, int byte)
{
    SimulatedFaults faults;
    (fault == Fault::WrongAnswer ? faults.wrongAnswerAt : fault == Fault::Silent ? faults.silentFrom : faults.unpluggedFrom) =
        fault == Fault::None ? -1 : byte;
    return faults;
}

enum class Operation { OutputOn, OutputOff, WriteS, ReadA, CurrentA };
BoardResult Run(Operation operation, CBoardLink& link)
{
    switch (operation) {
    case Operation::OutputOn: return link.SwitchOutput(true);
    case Operation::OutputOff: return link.SwitchOutput(false);
    case Operation::WriteS: return link.WriteRegister(REGISTER_S, 0x21);
    case Operation::ReadA: return link.ReadRegister(REGISTER_A);
    case Operation::CurrentA: break;
    }
    return link.WriteCurrent(REGISTER_A, 5);
}

}  // namespace

Q_DECLARE_METATYPE(Operation)
Q_DECLARE_METATYPE(Fault)
Q_DECLARE_METATYPE(BoardResult::Status)

class TestBoardLink : public QObject {
    Q_OBJECT

private slots:
    // The index is taken modulo 4 and the value's low 8 bits go out.
    void aWriteSendsTheCommandThenTheValue()
    {
        Connected c;
        QVERIFY(c.link.WriteRegister(5, 0x1C5).Done());
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
        const BoardResult write = c.link.WriteCurrent(REGISTER_B, 40);
        QVERIFY(write.Done());
        QVERIFY(write.codeWritten);
        QCOMPARE(c.board->Received(), CurrentWrite(board::REGISTER_B, 0x28, 0x2D));
        QCOMPARE(c.board->registers[REGISTER_B], quint8(40));
    }

    // What each operation sends when the board fails it at a byte, and what it returns: the
    // status every program decides by, and the words they show. A write stops at the first
    // byte not acknowledged; the port stays open for the caller to close.
    void operationsSayWhatWentWrong_data()
    {
        QTest::addColumn<Operation>("operation");
        QTest::addColumn<Fault>("fault");
        QTest::addColumn<int>("atByte");
        QTest::addColumn<QByteArray>("sent");
        QTest::addColumn<BoardResult::Status>("status");
        QTest::addColumn<QString>("words");
        using S = BoardResult::Status;
        QTest::newRow("output on") << Operation::OutputOn << Fault::None << 0 << Bytes({0xB1}) << S::Done << "";
        QTest::newRow("output on, a wrong answer") << Operation::OutputOn << Fault::WrongAnswer << 0 << Bytes({0xB1}) << S::NotAcknowledged << "the board answered 0x00 to 0xB1 instead of 0x4B (ACK)";
        QTest::newRow("output off, no answer") << Operation::OutputOff << Fault::Silent << 0 << Bytes({0xB0}) << S::NotAcknowledged << "the board did not answer 0xB0";
        QTest::newRow("output on, the device gone") << Operation::OutputOn << Fault::Unplugged << 0 << Bytes({}) << S::PortLost << kLost;
        QTest::newRow("a write's command byte not acknowledged") << Operation::WriteS << Fault::WrongAnswer << 0 << Bytes({0x83}) << S::NotAcknowledged << "the board answered 0x00 to 0x83 instead of 0x4B (ACK)";
        QTest::newRow("a write's value byte unanswered") << Operation::WriteS << Fault::Silent << 1 << Bytes({0x83, 0x21}) << S::NotAcknowledged << "the board did not answer 0x21";
        QTest::newRow("a write whose device goes") << Operation::WriteS << Fault::Unplugged << 1 << Bytes({0x83}) << S::NotAcknowledged << kLost;
        QTest::newRow("a read unanswered") << Operation::ReadA << Fault::Silent << 0 << Bytes({0x90}) << S::NoAnswer << "the board did not answer the read of REGISTER_A";
        QTest::newRow("a read whose device goes") << Operation::ReadA << Fault::Unplugged << 0 << Bytes({}) << S::PortLost << kLost;
        QTest::newRow("a current whose code is not acknowledged") << Operation::CurrentA << Fault::WrongAnswer << 1 << Bytes({0x80, 0x05}) << S::NotAcknowledged << "the board answered 0x00 to 0x05 instead of 0x4B (ACK)";
        QTest::newRow("a current whose read of S is unanswered: no write-back") << Operation::CurrentA << Fault::Silent << 2 << Bytes({0x80, 0x05, 0x93}) << S::NoAnswer << "code 5 (3.0 mA) was written to A, but REGISTER_S was not written back: the board did not answer its read";
        QTest::newRow("a current whose read of S loses the device") << Operation::CurrentA << Fault::Unplugged << 2 << Bytes({0x80, 0x05}) << S::PortLost << kLost;
        QTest::newRow("a current whose write-back is not acknowledged") << Operation::CurrentA << Fault::WrongAnswer << 4 << CurrentWrite(board::REGISTER_A, 0x05, 0x00) << S::NotAcknowledged << "the board answered 0x00 to 0x00 instead of 0x4B (ACK)";
    }
    void operationsSayWhatWentWrong()
    {
        QFETCH(Operation, operation);
        QFETCH(Fault, fault);
        QFETCH(int, atByte);
        QFETCH(QByteArray, sent);
        QFETCH(BoardResult::Status, status);
        QFETCH(QString, words);
        Connected c(FaultFrom(fault, atByte));
        const BoardResult result = Run(operation, c.link);
        QCOMPARE(c.board->Received(), sent);
        QCOMPARE(result.status, status);
        QCOMPARE(result.words, words);
        QVERIFY(c.link.IsPortOpen());
        // A current's code counts as written once its two bytes were acknowledged.
        QCOMPARE(result.codeWritten, operation == Operation::CurrentA && atByte >= 2);
    }

    // Only the first byte answers a command. An answer that came after its exchange gave up,
    // or a byte the board sent unasked, never answers the next command.
    void bytesBeyondTheAnswerAreDropped()
    {
        Connected c;
        c.board->registers = {9, 0, 0, 0x05};
        c.board->faults.extraAfterAnswer = "K";
        QCOMPARE(c.link.ReadRegister(REGISTER_A).value, std::optional<quint8>(9));
        c.board->faults.extraAfterAnswer.clear();
        c.board->faults.lateFrom = c.board->ReceivedCount();
        QCOMPARE(c.link.ReadRegister(REGISTER_A).value, std::nullopt);
        c.board->faults.lateFrom = -1;
        c.board->SendUnasked(Bytes({0x3F}));
        QCOMPARE(c.link.ReadRegister(REGISTER_S).value, std::optional<quint8>(0x05));
        QCOMPARE(c.host.diagnostics, QStringList({"COM3  sent 0x90  received 0x09, then dropped 0x4B", "COM3  sent 0x90  received none",
                                                  "COM3  dropped 0x09 0x3F, which arrived between exchanges",
                                                  "COM3  sent 0x93  received 0x05"}));
    }

    // A port that answers the probe otherwise is closed before the next is tried; the
    // first that acknowledges it is kept, and the later ones are never opened.
    void theSearchTakesTheFirstPortThatAcknowledgesTheProbe()
    {
        CSimulatedPortProvider ports;
        ports.Attach<CFaultyBoard>("COM4")->faults.probeAnswer = 'k';
        ports.Attach<CFaultyBoard>("COM3")->faults.probeAnswer = CMD_PROBE;
        ports.Attach("COM2");
        ports.Attach("COM1");
        CFakeHost host;
        {
            CBoardLink link(ports, host);
            const BoardResult search = link.FindBoardPort(kCandidates);
            QVERIFY(search.Done());
            QCOMPARE(search.port, "COM2");
            QCOMPARE(link.OpenPortName(), "COM2");
            QCOMPARE(ports.Board("COM4")->CloseCount(), 1);
            QCOMPARE(ports.Board("COM3")->CloseCount(), 1);
            QCOMPARE(ports.Board("COM1")->OpenCount(), 0);
        }
        QVERIFY(!ports.Board("COM2")->IsOpen());  // released with its link, as at the end of a run
    }

    // With no board, why for each port on one line and in the report, and no port left
    // open; saying so is the caller's.
    void theSearchSaysWhyEachPortWasNotTaken()
    {
        CSimulatedPortProvider ports;
        ports.Attach<CFaultyBoard>("COM2")->faults.silentFrom = 0;
        ports.Attach<CFaultyBoard>("COM4")->faults.probeAnswer = 0x00;
        ports.Attach("COM1");
        CFakeHost host;
        CBoardLink holder(ports, host);
        QVERIFY(!holder.OpenPort("COM1"));  // another program has COM1
        CBoardLink search(ports, host);
        const BoardResult found = search.FindBoardPort({"COM2", "COM4", "COM1", "COM9"});
        QCOMPARE(found.status, BoardResult::Status::NoBoard);
        QCOMPARE(found.words, "no board found: COM2: opened, but nothing answered the probe; "
                              "COM4: opened, but answered 0x00 instead of 0x4B; COM1: in use by another program; COM9: no such device");
        QCOMPARE(found.report.mid(0, 3), QStringList({"No LDX7320 board found on the ports tried:",
                                                      "  COM2: opened, but nothing answered the probe",
                                                      "  COM4: opened, but answered 0x00 instead of 0x4B"}));
        QCOMPARE(found.report.value(7), "  the serial ports this computer lists: COM1, COM2, COM4");
        QVERIFY(!search.IsPortOpen());
    }

    // The heading and the reasons, then what to try (the rest is in the panel's and the
    // programs' tests).
    void theNoBoardReportEndsWithWhatToTry()
    {
        const QStringList report = NoBoardReport({"COM4: no such device"}, {"COM3", "COM7"});
        QCOMPARE(report.value(1), "  COM4: no such device");
        QCOMPARE(report.value(4), "  the serial ports this computer lists: COM3, COM7");
        QCOMPARE(report.value(5), "  " + PortOptionAdvice());
        QCOMPARE(NoBoardReport({}, {}).value(1), "  no port to try");
        QCOMPARE(NoBoardReport({}, {}).value(4), "  this computer lists no serial port");
    }

    // COM4..COM1 first; off Windows the USB adapters present follow, in natural order.
    void theDefaultCandidates()
    {
        QTemporaryDir devices;
        for (const char* name : {"ttyUSB10", "ttyUSB2", "ttyACM0", "ttyS5", "cu.usbmodem3", "cu.usbserial-A1"})
            QVERIFY2(QFile(devices.filePath(name)).open(QIODevice::WriteOnly), name);
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
        QVERIFY(!NaturalLess("ttyS1", "ttyS1"));
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
