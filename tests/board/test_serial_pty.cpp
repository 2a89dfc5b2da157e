// The link through QSerialPort on real pseudo-terminals with a board answering on the
// master side: bytes and stray bytes on the wire, who holds a device, devices that cannot
// be taken at start-up, and the board's device vanishing under an idle or a busy panel.
#include "Bytes.h"
#include "FakeHost.h"
#include "PanelFixture.h"
#include "PortListing.h"
#include "PtyBoard.h"
#include "SerialPortDevice.h"
#include "SystemPorts.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QDir>
#include <atomic>
#include <fcntl.h>
#include <unistd.h>

using namespace board;

namespace {

// A board on a pseudo-terminal that answers as the real one does, but can be told to leave
// the next read of REGISTER_S unanswered, to say its next answer twice, or to pull its own
// plug when the n-th byte from now arrives, leaving that byte unanswered.
struct FaultyPty {
    CPtyBoard::Responder chip = CPtyBoard::AnswerLikeTheBoard();
    std::atomic<bool> dropNextReadOfS{false};
    std::atomic<bool> doubleNextAnswer{false};
    std::atomic<int> unplugIn{-1};
    CPtyBoard pty{[this](quint8 byte) {
        if (unplugIn >= 0 && unplugIn-- == 0) {
            pty.Unplug();
            return QByteArray();
        }
        const QByteArray answer = chip(byte).repeated(doubleNextAnswer.exchange(false) ? 2 : 1);
        return byte == 0x93 && dropNextReadOfS.exchange(false) ? QByteArray() : answer;
    }};
    CSystemPortProvider ports;
};

// A link connected to such a board, tracing into its host.
struct PtyLink : FaultyPty {
    CFakeHost host;
    CBoardLink link{ports, host};
    PtyLink()
    {
        link.SetTrace(true);
        link.FindBoardPort({"/nonexistent/ttyS9", pty.DevicePath()});
    }
};

// The panel on such a board.
struct PtyPanel : FaultyPty {
    CPanelFixture panel{ports, {pty.DevicePath()}};
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
        QCOMPARE(p.pty.Received().left(4), Bytes({CMD_PROBE, 0x80, 0x00, 0x90}));
        // A stray byte is dropped before the next command, and a second answer after the
        // first; when the read of REGISTER_S in a current write goes unanswered, the bytes
        // stop there and the chip keeps its value.
        p.link.WriteRegister(REGISTER_S, 0x01);
        p.pty.SendUnasked(Bytes({0x3F, 0x4B, 0x4B}));
        p.doubleNextAnswer = true;
        p.link.ReadRegister(REGISTER_S);
        QCOMPARE(p.link.m_byReply, quint8(0x01));
        QVERIFY(p.host.diagnostics.contains(p.pty.DevicePath() + "  dropped 0x3F 0x4B 0x4B, which arrived between exchanges"));
        QVERIFY(p.host.diagnostics.contains(p.pty.DevicePath() + "  sent 0x93  received 0x01, then dropped 0x01"));
        p.dropNextReadOfS = true;
        const int before = int(p.pty.Received().size());
        p.link.WriteCurrent(REGISTER_A, 5);
        QCOMPARE(p.pty.Received().mid(before), Bytes({0x80, 0x05, 0x93}));
        QVERIFY(!p.link.m_bReplyReceived);
        p.link.ReadRegister(REGISTER_S);
        QCOMPARE(p.link.m_byReply, quint8(0x01));
        QCOMPARE(p.host.messages.size() + p.host.cancels + p.host.quits, 0);
    }

    // Who holds a device: a live process named in its lock file, another process that has
    // it open, or nobody.
    void portHolderNamesTheProcessThatHoldsTheDevice()
    {
        CPtyBoard pty;
        QCOMPARE(PortHolder(pty.DevicePath()), QString());
        QProcess sleeper;
        sleeper.start("sleep", {"10"});
        QVERIFY(sleeper.waitForStarted());
        QTemporaryDir locks;
        qputenv("TMPDIR", QFile::encodeName(locks.path()));
        const auto restore = qScopeGuard([] { qunsetenv("TMPDIR"); });  // also when a check fails
        QFile lock(locks.filePath(LockFileName(pty.DevicePath())));
        for (qint64 pid : {qint64(0), qint64(1), qint64(999999999), qint64(::getpid()), sleeper.processId()}) {
            QVERIFY(lock.open(QIODevice::WriteOnly | QIODevice::Truncate));
            lock.write(QByteArray::number(pid).rightJustified(10) + '\n');
            lock.close();
            const QString holder = PortHolder(pty.DevicePath());
            QCOMPARE(holder.isEmpty(), pid != 1 && pid != sleeper.processId());
            QVERIFY(pid != sleeper.processId() || holder == QString("sleep (pid %1)").arg(pid));
        }
        lock.remove();
        QProcess opener;
        opener.setStandardInputFile(pty.DevicePath());
        opener.start("sleep", {"10"});
        QVERIFY(opener.waitForStarted());
        QCOMPARE(PortHolder(pty.DevicePath()), QString("sleep (pid %1)").arg(opener.processId()));
    }

    // at: the byte of the action at which the device vanishes; -1: between two clicks.
    // A write's missing acknowledgement is reported; a step whose read of REGISTER_S finds
    // the device gone writes nothing back, and so has nothing to report.
    void deviceVanishesDuringAnAction_data()
    {
        QTest::addColumn<int>("control");
        QTest::addColumn<int>("at");
        QTest::addColumn<bool>("reported");
        for (const auto& [control, name, bytes] : {std::tuple{IDC_UP_A, "step", 5}, {IDC_WRITE_S, "writeS", 2},
                                                   {IDC_READ_A, "read", 1}, {IDC_ENABLE, "enable", 1}}) {
            for (int at = -1; at < bytes; ++at)
                QTest::addRow("%s at byte %d", name, at) << control << at
                                                         << (control == IDC_WRITE_S || (control == IDC_UP_A && at != 2));
        }
    }
    void deviceVanishesDuringAnAction()
    {
        QFETCH(int, control);
        QFETCH(int, at);
        QFETCH(bool, reported);
        PtyPanel p;
        if (control == IDC_ENABLE)
            QVERIFY(p.panel.Start());
        else
            p.panel.SwitchOn({IDC_LED_A1});
        if (at < 0)
            p.pty.Unplug();
        p.unplugIn = at;
        p.panel.Click(control);
        // Whether the byte still left or the device failed while the answer was awaited,
        // the board is gone and the panel ends.
        QVERIFY(p.panel.dialog->EndRequested() && !p.panel.dialog->isVisible());
        QCOMPARE(p.panel.messages.size(), reported ? 1 : 0);
        QCOMPARE(p.panel.dialog->QuitRequested(), reported);
        QCOMPARE(p.panel.dialog->m_link.IsPortOpen(), !reported);
    }

    // A port that cannot be taken says why, and one held by another program is left to it.
    void openFailuresSayWhy()
    {
        CPtyBoard other;
        CSerialPortDevice holder(other.DevicePath());
        QString why;
        QVERIFY(holder.Open({}, {}, &why));
        const int locked = ::posix_openpt(O_RDWR | O_NOCTTY);  // its terminal refuses to open until unlocked
        QVERIFY(locked >= 0 && ::grantpt(locked) == 0);
        for (const auto& [port, reason] : {std::pair{other.DevicePath(), "in use by another program"},
                                           {QDir::tempPath(), "not a serial port"}, {"/nonexistent/ttyS9", "no such device"},
                                           {QString(::ptsname(locked)), "cannot be opened: "}}) {
            QVERIFY(!CSerialPortDevice(port).Open({}, {}, &why));
            QVERIFY2(why.startsWith(reason), qPrintable(why));
        }
        ::close(locked);
        QCOMPARE(holder.Send(board::CMD_OUTPUT_OFF, 500), TransferOutcome::Completed);
        QCOMPARE(other.WaitForReceived(1), Bytes({board::CMD_OUTPUT_OFF}));
    }
};

QTEST_MAIN(TestSerialPty)
#include "test_serial_pty.moc"
