// The link through QSerialPort on a real pseudo-terminal, with a board answering on the
// master side.
#include "BoardCommands.h"
#include "BoardLink.h"
#include "FakeHost.h"
#include "PortListing.h"
#include "PtyBoard.h"
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

// A board on a pseudo-terminal and a link connected to it. The board answers as the real
// one does, except that it leaves the next read of REGISTER_S unanswered when told to.
struct PtyLink {
    CPtyBoard::Responder chip = CPtyBoard::AnswerLikeTheBoard();
    std::atomic<bool> dropNextReadOfS{false};
    CPtyBoard pty{[this](quint8 byte) {
        const QByteArray answer = chip(byte);
        return byte == 0x93 && dropNextReadOfS.exchange(false) ? QByteArray() : answer;
    }};
    CSystemPortProvider ports;
    CFakeHost host;
    CBoardLink link{ports, host};

    PtyLink()
    {
        link.SetTrace(true);
        link.FindBoardPort({"/nonexistent/ttyS9", pty.DevicePath()});
    }
    QByteArray SentSince(int count) const { return pty.Received().mid(count); }
};

}  // namespace

class TestSerialPty : public QObject {
    Q_OBJECT

private slots:
    void exchangesBytesWithTheBoard()
    {
        PtyLink p;
        QCOMPARE(p.link.OpenPortName(), p.pty.DevicePath());
        // A pseudo-terminal has no serial driver to ask for low latency; it works all the same.
        QVERIFY2(p.host.diagnostics.value(0).startsWith(p.pty.DevicePath() + "  low-latency mode not available: "),
                 qPrintable(p.host.diagnostics.join('\n')));
        // Binary values pass unchanged, XON and XOFF included.
        for (int value : {0x00, 0x11, 0x13, 0xFF, 0x0D, 0x0A}) {
            p.link.WriteRegister(REGISTER_A, value);
            p.link.ReadRegister(REGISTER_A);
            QCOMPARE(int(p.link.m_byReply), value);
        }
        QCOMPARE(p.host.messages.size() + p.host.cancels, 0);
        QCOMPARE(p.pty.Received().left(4), Bytes({CMD_PROBE, 0x80, 0x00, 0x90}));
    }

    // A stray byte is dropped before the next command; when the read of REGISTER_S in a
    // current write goes unanswered, the bytes stop there and the chip keeps its value.
    void strayBytesAndUnansweredReads()
    {
        PtyLink p;
        p.link.WriteRegister(REGISTER_S, 0x01);
        p.pty.SendUnasked(Bytes({0x3F, 0x4B, 0x4B}));
        QTest::qWait(20);
        p.link.ReadRegister(REGISTER_S);
        QCOMPARE(p.link.m_byReply, quint8(0x01));
        QVERIFY(p.host.diagnostics.contains(p.pty.DevicePath() + "  dropped 0x3F 0x4B 0x4B, which arrived between exchanges"));
        p.dropNextReadOfS = true;
        const int before = int(p.pty.Received().size());
        p.link.WriteCurrent(REGISTER_A, 5);
        QCOMPARE(p.SentSince(before), Bytes({0x80, 0x05, 0x93}));
        QVERIFY(!p.link.m_bReplyReceived);
        p.link.ReadRegister(REGISTER_S);
        QCOMPARE(p.link.m_byReply, quint8(0x01));
        QCOMPARE(p.host.messages.size() + p.host.cancels + p.host.quits, 0);
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

    void aVanishedBoardLeavesTheLinkIdleAndFailsItsNextSend()
    {
        PtyLink p;
        QVERIFY(QTest::qWaitFor([&] { return !p.pty.Received().isEmpty(); }, 2000));
        p.pty.Unplug();
        // A hung-up device must not keep waking the event loop.
        int wakeUps = 0;
        const auto counter = connect(QAbstractEventDispatcher::instance(), &QAbstractEventDispatcher::awake, this,
                                     [&wakeUps] { ++wakeUps; });
        QTest::qWait(200);
        disconnect(counter);
        QVERIFY2(wakeUps < 50, qPrintable(QString::number(wakeUps)));
        QVERIFY(!p.link.ExchangeByte(CMD_OUTPUT_OFF));
        QCOMPARE(p.host.cancels, 1);
    }
};

QTEST_GUILESS_MAIN(TestSerialPty)
#include "test_serial_pty.moc"
