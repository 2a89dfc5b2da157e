// The link through QSerialPort on a real pseudo-terminal, with a board answering on the
// master side.
#include "BoardCommands.h"
#include "BoardLink.h"
#include "FakeHost.h"
#include "PortListing.h"
#include "PtyBoard.h"
#include "SerialPortDevice.h"
#include "SystemPorts.h"

#include <QAbstractEventDispatcher>
#include <QProcess>
#include <QtTest>

using namespace board;

namespace {

QByteArray Bytes(std::initializer_list<int> values)
{
    QByteArray bytes;
    for (int value : values)
        bytes.append(char(value));
    return bytes;
}

// Waits until the board has seen count bytes.
bool BoardSaw(const CPtyBoard& pty, int count)
{
    return QTest::qWaitFor([&] { return pty.Received().size() >= count; }, 2000);
}

}  // namespace

class TestSerialPty : public QObject {
    Q_OBJECT

private slots:
    void exchangesBytesWithTheBoard()
    {
        CPtyBoard pty;
        CSystemPortProvider ports;
        CFakeHost host;
        CBoardLink link(ports, host);
        link.SetTrace(true);
        link.FindBoardPort({"/nonexistent/ttyS9", pty.DevicePath()});
        QVERIFY(link.IsPortOpen());
        QCOMPARE(link.OpenPortName(), pty.DevicePath());
        // A pseudo-terminal has no serial driver to ask for low latency; it works all the same.
        QVERIFY2(host.diagnostics.value(0).startsWith(pty.DevicePath() + "  low-latency mode not available: "),
                 qPrintable(host.diagnostics.join('\n')));
        // Binary values pass unchanged, XON and XOFF included.
        for (int value : {0x00, 0x11, 0x13, 0xFF, 0x0D, 0x0A}) {
            link.WriteRegister(REGISTER_A, value);
            link.ReadRegister(REGISTER_A);
            QCOMPARE(int(link.m_byReply), value);
        }
        QCOMPARE(host.messages.size(), 0);
        QCOMPARE(host.cancels, 0);
        QCOMPARE(pty.Received().left(4), Bytes({CMD_PROBE, 0x80, 0x00, 0x90}));
    }

    // A byte that arrives between exchanges answers no command: it is dropped, and said
    // so in the trace, before the next byte is sent.
    void aStrayByteIsDroppedBeforeTheNextCommand()
    {
        CPtyBoard pty;
        CSystemPortProvider ports;
        CFakeHost host;
        CBoardLink link(ports, host);
        link.FindBoardPort({pty.DevicePath()});
        QVERIFY(link.IsPortOpen());
        link.WriteRegister(REGISTER_S, 0x01);
        link.SetTrace(true);
        pty.SendUnasked(Bytes({0x3F}));
        QTest::qWait(20);
        link.ReadRegister(REGISTER_S);
        QCOMPARE(link.m_byReply, quint8(0x01));
        QVERIFY2(host.diagnostics.contains(pty.DevicePath() + "  dropped 0x3F, which arrived between exchanges"),
                 qPrintable(host.diagnostics.join('\n')));
        QCOMPARE(host.messages.size(), 0);
    }

    // When the read of REGISTER_S inside a current write goes unanswered, the chip's
    // REGISTER_S is not overwritten with a value nobody read.
    void aCurrentWriteWithAnUnansweredReadLeavesRegisterSAlone()
    {
        CPtyBoard::Responder board = CPtyBoard::AnswerLikeTheBoard();
        std::atomic<bool> dropNextRead{false};
        CPtyBoard pty([&](quint8 byte) {
            const QByteArray answer = board(byte);
            if (byte == 0x93 && dropNextRead.exchange(false))
                return QByteArray();
            return answer;
        });
        CSystemPortProvider ports;
        CFakeHost host;
        CBoardLink link(ports, host);
        link.FindBoardPort({pty.DevicePath()});
        link.WriteRegister(REGISTER_S, 0x15);
        QVERIFY(BoardSaw(pty, 3));
        dropNextRead = true;
        const int before = int(pty.Received().size());
        link.WriteCurrent(REGISTER_A, 5);
        QCOMPARE(pty.Received().mid(before), Bytes({0x80, 0x05, 0x93}));
        link.ReadRegister(REGISTER_S);
        QCOMPARE(link.m_byReply, quint8(0x15));
        QCOMPARE(host.messages.size(), 0);
        QCOMPARE(host.cancels + host.quits, 0);
    }

    void extraBytesAfterTheReplyAreDiscarded()
    {
        CPtyBoard pty([](quint8) { return QByteArray("KXYZ"); });
        CSystemPortProvider ports;
        CFakeHost host;
        CBoardLink link(ports, host);
        link.FindBoardPort({pty.DevicePath()});
        QVERIFY(link.IsPortOpen());
        QTest::qWait(20);  // let every byte of the burst arrive before the next exchange
        QVERIFY(link.ExchangeByte(CMD_OUTPUT_ON));
        QCOMPARE(link.m_byReply, quint8('K'));
    }

    // Who holds a device: another process that has it open, or nobody.
    void portHolderNamesTheProcessThatHasTheDeviceOpen()
    {
        CPtyBoard pty;
        QCOMPARE(PortHolder(pty.DevicePath()), QString());
#ifdef Q_OS_LINUX
        QProcess sleeper;
        sleeper.setStandardInputFile(pty.DevicePath());
        sleeper.start("sleep", {"10"});
        QVERIFY(sleeper.waitForStarted());
        QCOMPARE(PortHolder(pty.DevicePath()), QString("sleep (pid %1)").arg(sleeper.processId()));
        sleeper.kill();
        sleeper.waitForFinished();
#endif
    }

    void vanishingBoardLeavesAnIdlePanelIdle()
    {
        CPtyBoard pty;
        CSystemPortProvider ports;
        CFakeHost host;
        CBoardLink link(ports, host);
        link.FindBoardPort({pty.DevicePath()});
        QVERIFY(BoardSaw(pty, 1));
        pty.Unplug();
        // A hung-up device must not keep waking the event loop.
        int wakeUps = 0;
        const auto counter = connect(QAbstractEventDispatcher::instance(), &QAbstractEventDispatcher::awake, this,
                                     [&wakeUps] { ++wakeUps; });
        QTest::qWait(200);
        disconnect(counter);
        QVERIFY2(wakeUps < 50, qPrintable(QString::number(wakeUps)));
        QVERIFY(!link.ExchangeByte(CMD_OUTPUT_OFF));
        QCOMPARE(host.cancels, 1);
    }
};

QTEST_GUILESS_MAIN(TestSerialPty)
#include "test_serial_pty.moc"
