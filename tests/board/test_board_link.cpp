// The board link against the simulated board: the bytes of every command, what the link
// does to the program when the board or the port fails, and the names of the ports.
#include "Bytes.h"
#include "BoardCommands.h"
#include "BoardLink.h"
#include "FakeHost.h"
#include "PortListing.h"
#include "SimulatedBoard.h"
#include "SystemPorts.h"

#include <QtTest>

using namespace board;

namespace {

const QStringList kCandidates{"COM4", "COM3", "COM2", "COM1"};

// A link connected to a simulated board on COM3, with the probe forgotten.
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
    // Byte numbers for faults count from the board's first byte.
    int Next(int k = 0) const { return board->ReceivedCount() + k; }
};

}  // namespace

class TestBoardLink : public QObject {
    Q_OBJECT

private slots:
    void commandsAndTheirAnswers()
    {
        Connected c;
        c.board->registers[REGISTER_S] = 0x05;
        c.link.WriteRegister(5, 0x1C5);  // index modulo 4, value's low 8 bits
        c.link.ReadRegister(3);
        QCOMPARE(c.link.m_byReply, quint8(0x05));
        c.link.WriteCurrent(REGISTER_B, 40);
        QCOMPARE(c.board->Received(), Bytes({0x81, 0xC5, 0x93, 0x81, 0x28, 0x93, 0x83, 0x05}));
        QCOMPARE(c.board->registers[REGISTER_B], quint8(40));
        QCOMPARE(c.host.diagnostics.mid(2, 2), (QStringList{"COM3  sent 0x93  received 0x05", "COM3  sent 0x81  received 0x4B"}));
        QCOMPARE(c.host.messages.size() + c.host.cancels + c.host.quits, 0);
        // Only the first byte answers a command; what comes behind it, too late or unasked
        // is dropped, and the trace says so.
        c.host.diagnostics.clear();
        c.board->registers[REGISTER_A] = 9;
        c.board->faults.extraAfterAnswer = "K";
        c.link.ReadRegister(REGISTER_A);
        QCOMPARE(c.link.m_byReply, quint8(9));
        c.board->faults.extraAfterAnswer.clear();
        c.board->faults.lateFrom = c.Next();
        QVERIFY(c.link.ExchangeByte(CMD_READ_REG));
        QVERIFY(!c.link.m_bReplyReceived);
        c.board->faults.lateFrom = -1;
        c.board->SendUnasked(Bytes({0x3F}));
        c.link.ReadRegister(REGISTER_S);
        QCOMPARE(c.link.m_byReply, quint8(0x05));
        QVERIFY(c.link.m_bReplyReceived);
        QCOMPARE(c.host.diagnostics, (QStringList{"COM3  sent 0x90  received 0x09, then dropped 0x4B",
                                                  "COM3  sent 0x90  received none",
                                                  "COM3  dropped 0x09 0x3F, which arrived between exchanges",
                                                  "COM3  sent 0x93  received 0x05"}));
    }

    // A missing acknowledgement is said once, without details, and closes the port once;
    // every later send fails at once, cancelling, and the trace says so.
    void failuresEndTheLinkOnce()
    {
        Connected c;
        c.board->faults.silentFrom = c.Next();
        c.link.WriteRegister(REGISTER_A, 12);
        c.link.ClosePortAndQuit();
        QVERIFY(!c.link.ExchangeByte(CMD_OUTPUT_OFF));
        QCOMPARE(c.board->Received(), Bytes({0x80}));
        QCOMPARE(c.host.messages + c.host.details, (QStringList{QString::fromLatin1(kComErrorMessage), QString()}));
        QCOMPARE(QList<int>({c.host.quits, c.host.cancels, c.board->CloseCount()}), QList<int>({2, 2, 1}));
        QCOMPARE(c.host.diagnostics.last(), QString("COM3  sent 0xB0  send failed"));
    }

    // The search takes the first port whose board acknowledges the probe, closing those
    // that answer otherwise; without a board it says why for each port, once.
    void portSearch()
    {
        CSimulatedPortProvider ports;
        ports.Attach("COM4")->faults.probeAnswer = 'k';
        ports.Attach("COM3")->faults.probeAnswer = CMD_PROBE;
        ports.Attach("COM2");
        ports.Attach("COM1");
        CFakeHost host;
        {
            CBoardLink link(ports, host);
            link.FindBoardPort(kCandidates);
            QCOMPARE(link.OpenPortName(), QString("COM2"));
        }  // a port left open is released with its link, as at the end of a run
        QVERIFY(!ports.Board("COM2")->IsOpen());
        QCOMPARE(ports.Board("COM4")->Received() + ports.Board("COM3")->Received(), Bytes({CMD_PROBE, CMD_PROBE}));
        QCOMPARE(ports.Board("COM4")->CloseCount() + ports.Board("COM3")->CloseCount() + ports.Board("COM1")->OpenCount(), 2);
        QCOMPARE(host.messages.size() + host.quits, 0);

        ports.Attach("COM2")->faults.silentFrom = 0;
        CBoardLink holder(ports, host);
        QVERIFY(holder.OpenPort("COM1"));  // another program has COM1
        CFakeHost none;
        CBoardLink search(ports, none);
        search.FindBoardPort({"COM2", "COM4", "COM1", "COM9"});
        const QString why = "No LDX7320 board found on the ports tried:\nCOM2: opened, but nothing answered the probe\n"
                            "COM4: opened, but answered 0x6B instead of 0x4B\nCOM1: in use by another program\n"
                            "COM9: no such device";
        QCOMPARE(none.details, QStringList{why});
        QCOMPARE(none.diagnostics.join('\n'), QString(why).replace("\nCOM", "\n  COM"));
        QCOMPARE(none.messages, QStringList{QString::fromLatin1(kComErrorMessage)});
        QCOMPARE(none.quits, 1);
        QVERIFY(!search.IsPortOpen());
    }

    // COM4..COM1 first; off Windows the USB adapters present follow, in natural order.
    void portNames()
    {
        QTemporaryDir devices;
        for (const char* name : {"ttyUSB10", "ttyUSB2", "ttyACM0", "ttyS5", "cu.usbmodem3", "cu.usbserial-A1"})
            QVERIFY(QFile(devices.filePath(name)).open(QIODevice::WriteOnly));
        QStringList expected = kCandidates;
#if defined(Q_OS_WIN)
        QCOMPARE(DefaultCandidatePorts().mid(0, 4), expected);  // then whatever COM ports this machine has
#else
#if defined(Q_OS_MACOS)
        expected << devices.filePath("cu.usbmodem3") << devices.filePath("cu.usbserial-A1");
#else
        expected << devices.filePath("ttyACM0") << devices.filePath("ttyUSB2") << devices.filePath("ttyUSB10");
        QCOMPARE(CSystemPortProvider().DescribePort("COM4"), QString("COM4 (/dev/ttyS3)"));
#endif
        QCOMPARE(DefaultCandidatePorts(devices.path()), expected);
#endif
        // On Windows the adapters come from the system's list: COM5 and up, by number, no Bluetooth.
        const QList<SerialPortEntry> listed{
            {"COM12", "COM12", "USB-SERIAL CH340", "wch.cn", 0x1A86, 0x7523, "", ""},
            {"COM9", "COM9", "Standard Serial over Bluetooth link", "Microsoft", {}, {}, "", ""},
            {"COM3", "COM3", "Communications Port", "(Standard port types)", {}, {}, "", ""},
            {"COM7", "COM7", "USB Serial Port", "FTDI", 0x0403, 0x6001, "A50285BI", ""},
            {"COM11", "COM11", "Serial port", "BlueTooth Inc.", {}, {}, "", ""},
            {"COM10", "COM10", "USB Serial Device", "Microsoft", 0x2341, 0x0043, "", ""}};
        QCOMPARE(OtherComPorts(listed), QStringList({"COM7", "COM10", "COM12"}));
        for (const auto& [a, b] : {std::pair{"ttyS2", "ttyS10"}, {"tty", "ttyS0"}, {"ttyS", "ttyS0"}, {"a9b", "a10a"}, {"tty1", "ttyS"}})
            QVERIFY2(NaturalLess(a, b) && !NaturalLess(b, a), a);
    }

    void portListingIsAlignedWithDashesForTheUnknown()
    {
        QCOMPARE(FormatPortListing({}), QStringList{"No serial ports found."});
        const QList<SerialPortEntry> ports{
            {"ttyS0", "/dev/ttyS0", "", "", {}, {}, "", ""},
            {"ttyUSB0", "/dev/ttyUSB0", "FT232R USB UART", "FTDI", 0x0403, 0x0000, "A50285BI", "minicom (pid 42)"}};
        QCOMPARE(FormatPortListing(ports),
                 (QStringList{"ttyS0    /dev/ttyS0    -                -     -          -         free",
                              "ttyUSB0  /dev/ttyUSB0  FT232R USB UART  FTDI  0403:0000  A50285BI  in use by minicom (pid 42)"}));
    }
};

QTEST_APPLESS_MAIN(TestBoardLink)
#include "test_board_link.moc"
