// The board link against the simulated board: the bytes of every command, and what the
// link does to the program when the board or the port fails.
#include "BoardCommands.h"
#include "BoardLink.h"
#include "FakeHost.h"
#include "PortListing.h"
#include "SimulatedBoard.h"

#include <QtTest>

using namespace board;

namespace {

const QStringList kCandidates{"COM4", "COM3", "COM2", "COM1"};

QByteArray Bytes(std::initializer_list<int> values)
{
    QByteArray bytes;
    for (int value : values)
        bytes.append(char(value));
    return bytes;
}

// A link already connected to a simulated board on COM3, with the probe forgotten.
struct Connected {
    CSimulatedPortProvider ports;
    std::shared_ptr<CSimulatedBoard> board = ports.Attach("COM3");
    CFakeHost host;
    CBoardLink link{ports, host};

    Connected()
    {
        link.FindBoardPort(kCandidates);
        board->ClearReceived();
    }
    // Byte numbers for faults count from the board's first byte.
    int Next(int k = 0) const { return board->ReceivedCount() + k; }
};

}  // namespace

class TestBoardLink : public QObject {
    Q_OBJECT

private slots:
    void commandsGoOutAsTheCatalogueSays()
    {
        Connected c;
        c.board->registers[REGISTER_S] = 0x2D;
        c.link.WriteRegister(5, 0x1C5);  // index modulo 4, value's low 8 bits
        c.link.ReadRegister(3);
        QCOMPARE(c.link.m_byReply, quint8(0x2D));
        c.link.ExchangeByte(0x1BB);
        // A current write: B to 40, then REGISTER_S read and written back.
        c.link.WriteCurrent(REGISTER_B, 40);
        QCOMPARE(c.board->Received(), Bytes({0x81, 0xC5, 0x93, 0xBB, 0x81, 0x28, 0x93, 0x83, 0x2D}));
        QCOMPARE(c.board->registers[REGISTER_B], quint8(40));
        QCOMPARE(c.board->registers[REGISTER_S], quint8(0x2D));
        QCOMPARE(c.host.messages.size(), 0);
        QCOMPARE(c.host.cancels + c.host.quits, 0);
    }

    void repliesAreOneByteAndStrayBytesAreDiscarded()
    {
        Connected c;
        c.board->faults.extraAfterAnswer = "xyz";
        c.board->registers[REGISTER_A] = 7;
        QVERIFY(c.link.ExchangeByte(CMD_READ_REG));
        QCOMPARE(c.link.m_byReply, quint8(7));
        QVERIFY(c.link.ExchangeByte(CMD_READ_REG | 1));
        QCOMPARE(c.link.m_byReply, quint8(0));
    }

    // Neither an answer that came after its exchange gave up nor a byte sent unasked is
    // taken as the answer to the next command.
    void bytesBetweenExchangesAnswerNothing()
    {
        Connected c;
        c.link.SetTrace(true);
        c.board->registers[REGISTER_A] = 9;
        c.board->faults.lateFrom = c.Next();
        QVERIFY(c.link.ExchangeByte(CMD_READ_REG));
        QCOMPARE(c.link.m_byReply, quint8(0));
        QVERIFY(c.link.ExchangeByte(CMD_READ_REG | 2));
        QCOMPARE(c.link.m_byReply, quint8(0));
        c.board->faults.lateFrom = -1;
        c.board->SendUnasked(Bytes({0x3F, 0x4B}));
        c.link.ReadRegister(REGISTER_S);
        QCOMPARE(c.link.m_byReply, quint8(0));
        QVERIFY(c.link.m_bReplyReceived);
        QCOMPARE(c.host.diagnostics, (QStringList{"COM3  sent 0x90  received none",
                                                  "COM3  dropped 0x09, which arrived between exchanges",
                                                  "COM3  sent 0x92  received none",
                                                  "COM3  dropped 0x00 0x3F 0x4B, which arrived between exchanges",
                                                  "COM3  sent 0x93  received 0x00"}));
    }

    void aCurrentWriteWritesBackOnlyARegisterSItRead()
    {
        Connected c;
        c.board->registers[REGISTER_S] = 0x15;
        c.board->faults.wrongAnswerAt = c.Next(2);
        c.board->faults.wrongAnswer.reset();  // the read of REGISTER_S goes unanswered
        c.link.WriteCurrent(REGISTER_C, 63);
        QCOMPARE(c.board->Received(), Bytes({0x82, 0x3F, 0x93}));
        QCOMPARE(c.board->registers[REGISTER_C], quint8(63));
        QCOMPARE(c.board->registers[REGISTER_S], quint8(0x15));
        QCOMPARE(c.host.messages.size() + c.host.cancels + c.host.quits, 0);
    }

    void unacknowledgedCommandIsReportedOnceAndEndsTheLink()
    {
        Connected c;
        c.board->faults.silentFrom = c.Next();
        c.link.WriteRegister(REGISTER_A, 12);
        QCOMPARE(c.board->Received(), Bytes({0x80}));  // the value byte is never sent
        QCOMPARE(c.host.messages, QStringList{QString::fromLatin1(kComErrorMessage)});
        QCOMPARE(c.host.quits, 1);
        QVERIFY(!c.link.IsPortOpen());
        QCOMPARE(c.board->CloseCount(), 1);
        // Later sends of the same handler fail at once: they cancel, send and report nothing.
        c.link.WriteRegister(REGISTER_S, 1);
        QVERIFY(!c.link.ExchangeByte(CMD_OUTPUT_OFF));
        QCOMPARE(c.link.m_byReply, quint8(0));
        QCOMPARE(c.board->Received(), Bytes({0x80}));
        QCOMPARE(c.host.messages.size(), 1);
        QCOMPARE(c.board->CloseCount(), 1);
    }

    void failedSendCancelsWithoutAMessage()
    {
        Connected c;
        c.board->faults.unpluggedFrom = c.Next();
        QVERIFY(!c.link.ExchangeByte(CMD_OUTPUT_ON));
        QCOMPARE(c.host.cancels, 1);
        QCOMPARE(c.host.messages.size(), 0);
        QVERIFY(c.link.IsPortOpen());  // the port stays open until the process ends
        // Inside a write, the check after the failed send finds no ACK.
        c.link.WriteRegister(REGISTER_A, 1);
        QCOMPARE(c.host.messages.size(), 1);
        QCOMPARE(c.host.quits, 1);
        QVERIFY(c.board->Received().isEmpty());
    }

    void closePortAndQuitClosesOnce()
    {
        Connected c;
        c.link.ClosePortAndQuit();
        c.link.ClosePortAndQuit();
        QCOMPARE(c.board->CloseCount(), 1);
        QCOMPARE(c.host.quits, 2);
        QVERIFY(!c.link.ExchangeByte(CMD_PROBE));
        QCOMPARE(c.host.cancels, 1);
    }

    void searchTakesTheFirstPortThatAcknowledges()
    {
        CSimulatedPortProvider ports;
        auto foreign = ports.Attach("COM4");
        foreign->faults.probeAnswer = 'k';
        auto echo = ports.Attach("COM3");
        echo->faults.probeAnswer = CMD_PROBE;
        auto boardOnCom2 = ports.Attach("COM2");
        auto com1 = ports.Attach("COM1");
        CFakeHost host;
        CBoardLink link(ports, host);
        link.FindBoardPort(kCandidates);
        QCOMPARE(link.OpenPortName(), QString("COM2"));
        QCOMPARE(foreign->Received(), Bytes({CMD_PROBE}));
        QCOMPARE(foreign->CloseCount(), 1);
        QCOMPARE(echo->CloseCount(), 1);
        QVERIFY(boardOnCom2->IsOpen());
        QCOMPARE(com1->OpenCount(), 0);
        QCOMPARE(host.messages.size(), 0);
        QCOMPARE(host.quits, 0);
    }

    void searchWithoutABoardReportsOnceAndExplainsEachPort()
    {
        CSimulatedPortProvider ports;
        auto silent = ports.Attach("COM4");
        silent->faults.silentFrom = 0;
        auto busy = ports.Attach("COM2");
        CFakeHost other;
        CBoardLink holder(ports, other);
        QVERIFY(holder.OpenPort("COM2"));  // another program has COM2
        CFakeHost host;
        CBoardLink link(ports, host);
        link.FindBoardPort(kCandidates);
        QCOMPARE(host.messages, QStringList{QString::fromLatin1(kComErrorMessage)});
        QCOMPARE(host.quits, 1);
        QVERIFY(!link.IsPortOpen());
        // The same reasons go to standard error and into the message's details.
        const QString why = host.diagnostics.join('\n');
        QCOMPARE(host.details, QStringList{QString(why).remove("  ")});
        QVERIFY2(why.contains("COM4: opened, but nothing answered the probe"), qPrintable(why));
        QVERIFY2(why.contains("COM3: no such device"), qPrintable(why));
        QVERIFY2(why.contains("COM2: in use by another program"), qPrintable(why));
        QVERIFY2(why.contains("COM1: no such device"), qPrintable(why));
        // Nothing is sent once the search has given up.
        QVERIFY(!link.ExchangeByte(CMD_OUTPUT_OFF));
        QCOMPARE(silent->Received(), Bytes({CMD_PROBE}));
        QCOMPARE(busy->Received(), QByteArray());
    }

    void traceWritesOneLinePerExchange()
    {
        Connected c;
        c.link.SetTrace(true);
        c.board->registers[REGISTER_S] = 0x05;
        c.link.ReadRegister(REGISTER_S);
        c.board->faults.silentFrom = c.Next();
        QVERIFY(c.link.ExchangeByte(CMD_OUTPUT_OFF));  // silence completes the receive, with 0
        QCOMPARE(c.link.m_byReply, quint8(0));
        QCOMPARE(c.host.diagnostics, (QStringList{"COM3  sent 0x93  received 0x05", "COM3  sent 0xB0  received none"}));
    }

    // COM4..COM1 first; off Windows the USB adapters present follow, in natural order.
    void defaultCandidatesAddTheUsbAdapters()
    {
        QTemporaryDir devices;
        for (const char* name : {"ttyUSB10", "ttyUSB2", "ttyACM0", "ttyS5", "cu.usbmodem3", "cu.usbserial-A1", "video0"}) {
            QFile device(devices.filePath(name));
            QVERIFY(device.open(QIODevice::WriteOnly));
        }
        QStringList expected{"COM4", "COM3", "COM2", "COM1"};
#if defined(Q_OS_MACOS)
        expected << devices.filePath("cu.usbmodem3") << devices.filePath("cu.usbserial-A1");
#elif !defined(Q_OS_WIN)
        expected << devices.filePath("ttyACM0") << devices.filePath("ttyUSB2") << devices.filePath("ttyUSB10");
#endif
        QCOMPARE(DefaultCandidatePorts(devices.path()), expected);
    }

    void portListingIsAlignedWithDashesForTheUnknown()
    {
        QCOMPARE(FormatPortListing({}), QStringList{"No serial ports found."});
        const QList<SerialPortEntry> ports{
            {"ttyS0", "/dev/ttyS0", "", "", -1, -1, "", ""},
            {"ttyUSB0", "/dev/ttyUSB0", "FT232R USB UART", "FTDI", 0x0403, 0x6001, "A50285BI", "minicom (pid 42)"}};
        QCOMPARE(FormatPortListing(ports),
                 (QStringList{"ttyS0    /dev/ttyS0    -                -     -          -         free",
                              "ttyUSB0  /dev/ttyUSB0  FT232R USB UART  FTDI  0403:6001  A50285BI  in use by minicom (pid 42)"}));
    }
};

QTEST_APPLESS_MAIN(TestBoardLink)
#include "test_board_link.moc"
