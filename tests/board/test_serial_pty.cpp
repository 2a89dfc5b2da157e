// The link through QSerialPort on real pseudo-terminals with a board answering on the
// master side: bytes and stray bytes on the wire, who holds a device, devices that cannot
// be taken, and the board's device vanishing under an idle or a busy panel.
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

// A board on a pseudo-terminal that answers as the real one does, but can be told to say its
// next answer twice, or to pull its own plug when the n-th byte from now arrives, leaving that
// byte unanswered.
struct FaultyPty {
    CPtyBoard::Responder chip = CPtyBoard::AnswerLikeTheBoard();
    std::atomic<bool> doubleNextAnswer{false};
    std::atomic<int> unplugIn{-1};
    CPtyBoard pty{[this](quint8 byte) {
        if (unplugIn >= 0 && unplugIn-- == 0) {
            pty.Unplug();
            return QByteArray();
        }
        return chip(byte).repeated(doubleNextAnswer.exchange(false) ? 2 : 1);
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
    QString Traced(const QString& what) const { return pty.DevicePath() + "  " + what; }
};

}  // namespace

class TestSerialPty : public QObject {
    Q_OBJECT

private slots:
    void thePortIsTakenAndSaysItHasNoFifoNorLowLatencyMode()
    {
        PtyLink p;
        QCOMPARE(p.link.OpenPortName(), p.pty.DevicePath());
        QVERIFY(p.pty.Locked());
        // A pseudo-terminal has no UART and no serial driver to ask for low latency; it works
        // all the same.
        QCOMPARE(p.host.diagnostics.value(0), p.Traced("no receive FIFO trigger to set: not a 16550-type port"));
        QVERIFY2(p.host.diagnostics.value(1).startsWith(p.Traced("low-latency mode not available: ")),
                 qPrintable(p.host.diagnostics.join('\n')));
    }

    void strayAndDoubledBytesAreDropped()
    {
        PtyLink p;
        p.link.WriteRegister(REGISTER_S, 0x01);
        p.pty.SendUnasked(Bytes({0x3F, 0x4B, 0x4B}));
        p.doubleNextAnswer = true;
        QCOMPARE(p.link.ReadRegister(REGISTER_S).value, std::optional<quint8>(0x01));
        QVERIFY(p.host.diagnostics.contains(p.Traced("dropped 0x3F 0x4B 0x4B, which arrived between exchanges")));
        QVERIFY(p.host.diagnostics.contains(p.Traced("sent 0x93  received 0x01, then dropped 0x01")));
    }

    // A byte that cannot leave within the write time-out is dropped, so that it never goes
    // out later inside another exchange.
    void aByteThatCannotLeaveIsDropped()
    {
        PtyLink p;
        p.pty.HoldOutput(true);
        const Exchange held = p.link.ExchangeByte(CMD_OUTPUT_ON);
        p.pty.HoldOutput(false);
        QVERIFY(held.Completed());
        QCOMPARE(p.link.ExchangeByte(CMD_OUTPUT_OFF).reply, std::optional<quint8>(ACK));
        QCOMPARE(p.pty.ReceivedAfterDrain(), Bytes({CMD_PROBE, CMD_OUTPUT_OFF}));
    }

    // Who holds a device: a live process named in its lock file, another process that has
    // it open, or nobody. A dead pid, pid 0 and this process's own name nobody.
    void portHolderNamesTheProcessThatHoldsTheDevice()
    {
        CPtyBoard pty;
        QCOMPARE(PortHolder(pty.DevicePath()), QString());
        QProcess sleeper;
        sleeper.start("sleep", {"30"});
        QVERIFY(sleeper.waitForStarted());
        QTemporaryDir locks;
        qputenv("TMPDIR", QFile::encodeName(locks.path()));
        const auto restore = qScopeGuard([] { qunsetenv("TMPDIR"); });  // also when a check fails
        QFile lock(locks.filePath(LockFileName(pty.DevicePath())));
        const auto holderWithLockFileOf = [&](qint64 pid) {
            (void)lock.open(QIODevice::WriteOnly | QIODevice::Truncate);
            lock.write(QByteArray::number(pid).rightJustified(10) + '\n');
            lock.close();
            return PortHolder(pty.DevicePath());
        };
        for (const qint64 nobody : {qint64(0), qint64(999999999), qint64(::getpid())})
            QVERIFY2(holderWithLockFileOf(nobody).isEmpty(), qPrintable(QString::number(nobody)));
        QVERIFY(holderWithLockFileOf(1).contains("pid 1"));  // whatever its name
        QCOMPARE(holderWithLockFileOf(sleeper.processId()), QString("sleep (pid %1)").arg(sleeper.processId()));
        lock.remove();
        QProcess opener;
        opener.setStandardInputFile(pty.DevicePath());
        opener.start("sleep", {"30"});
        QVERIFY(opener.waitForStarted());
        QCOMPARE(PortHolder(pty.DevicePath()), QString("sleep (pid %1)").arg(opener.processId()));
    }

    // A port that cannot be taken says why; one held by another program is left to it.
    void openFailuresSayWhy()
    {
        CPtyBoard other;
        CSerialPortDevice holder(other.DevicePath());
        QVERIFY(!holder.Open({}, {}));
        const int locked = ::posix_openpt(O_RDWR | O_NOCTTY);  // its terminal refuses to open until unlocked
        QVERIFY(locked >= 0 && ::grantpt(locked) == 0);
        const std::pair<QString, OpenFailure::Reason> failures[] = {
            {other.DevicePath(), OpenFailure::Reason::InUse},
            {QDir::tempPath(), OpenFailure::Reason::NotASerialPort},
            {"/nonexistent/ttyS9", OpenFailure::Reason::NoSuchDevice},
            {QString(::ptsname(locked)), OpenFailure::Reason::CannotOpen}};
        for (const auto& [port, reason] : failures) {
            const std::optional<OpenFailure> failure = CSerialPortDevice(port).Open({}, {});
            QVERIFY2(failure && failure->reason == reason, qPrintable(port));
        }
        ::close(locked);
        QCOMPARE(holder.Send(CMD_OUTPUT_OFF, 500), TransferOutcome::Completed);
        QCOMPARE(other.WaitForReceived(1), Bytes({CMD_OUTPUT_OFF}));
    }

    // at: the byte of the action at which the device vanishes; -1: between two clicks.
    // Whether the byte still left or the device failed while the answer was awaited, the
    // board is gone and the panel ends. A write's missing acknowledgement is said, and its
    // port closed; a step whose read of REGISTER_S finds the device gone writes nothing back,
    // and so has nothing to say.
    void deviceVanishesDuringAnAction_data()
    {
        QTest::addColumn<int>("control");
        QTest::addColumn<int>("at");
        QTest::addColumn<bool>("said");
        const std::tuple<int, const char*, int> actions[] = {
            {IDC_UP_A, "a step", 5}, {IDC_WRITE_S, "REGISTER_S's Write", 2}, {IDC_READ_A, "A's Read", 1}, {IDC_ENABLE, "ENABLE", 1}};
        for (const auto& [control, name, bytes] : actions) {
            for (int at = -1; at < bytes; ++at) {
                const bool said = control == IDC_WRITE_S || (control == IDC_UP_A && at != 2);
                QTest::addRow("%s, at byte %d", name, at) << control << at << said;
            }
        }
    }
    void deviceVanishesDuringAnAction()
    {
        QFETCH(int, control);
        QFETCH(int, at);
        QFETCH(bool, said);
        FaultyPty p;
        CPanelFixture panel(p.ports, {p.pty.DevicePath()});
        if (control == IDC_ENABLE)
            QVERIFY(panel.Start());
        else
            QVERIFY(panel.SwitchOn({IDC_LED_A1}));
        if (at < 0)
            p.pty.Unplug();
        p.unplugIn = at;
        panel.Click(control);
        QVERIFY(panel.dialog->EndRequested());
        QVERIFY(!panel.dialog->isVisible());
        QCOMPARE(panel.messages.size(), said ? 1 : 0);
        QCOMPARE(panel.dialog->QuitRequested(), said);
    }
};

QTEST_MAIN(TestSerialPty)
#include "test_serial_pty.moc"
