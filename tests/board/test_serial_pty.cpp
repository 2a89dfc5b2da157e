// The link through QSerialPort on a real pseudo-terminal, with a board answering on the
// master side.
#include "BoardCommands.h"
#include "BoardLink.h"
#include "FakeHost.h"
#include "PtyBoard.h"
#include "SerialPortDevice.h"

#include <QAbstractEventDispatcher>
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
        link.FindBoardPort({"/nonexistent/ttyS9", pty.DevicePath()});
        QVERIFY(link.IsPortOpen());
        QCOMPARE(link.OpenPortName(), pty.DevicePath());
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

    void silenceCompletesWithNothingAndALateByteAnswersTheNextExchange()
    {
        CPtyBoard pty([](quint8 byte) { return byte == CMD_PROBE ? QByteArray("K") : QByteArray(); });
        CSystemPortProvider ports;
        CFakeHost host;
        CBoardLink link(ports, host);
        link.FindBoardPort({pty.DevicePath()});
        QVERIFY(link.IsPortOpen());
        QVERIFY(link.ExchangeByte(CMD_OUTPUT_ON));
        QCOMPARE(link.m_byReply, quint8(0));
        // An answer that came after its exchange ended waits for the next one.
        pty.SendUnasked("Q");
        QTest::qWait(20);
        QVERIFY(link.ExchangeByte(CMD_READ_REG));
        QCOMPARE(link.m_byReply, quint8('Q'));
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
