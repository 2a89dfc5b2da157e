// The real ldx7320 executable, run as a user runs it: its command line with exit codes and
// messages, and against boards on pseudo-terminals its start-up bytes, a run without a
// board, and a clean end on every ending signal.
#include "Bytes.h"
#include "PtyBoard.h"

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>
#include <csignal>
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

namespace {

// The line's settings; cooked first, when asked, as a terminal program might have left it:
// canonical, echoing, 4800 baud.
termios LineOf(const QString& device, bool cook = false)
{
    const int fd = ::open(QFile::encodeName(device).constData(), O_RDWR | O_NOCTTY);
    termios line{};
    ::tcgetattr(fd, &line);
    if (cook) {
        line.c_lflag |= ICANON | ECHO;
        ::cfsetspeed(&line, B4800);
        ::tcsetattr(fd, TCSANOW, &line);
    }
    ::close(fd);
    return line;
}

// Standard output and standard error together, gathered until the pattern shows or the
// program ends by itself.
QString PrintedUntil(QProcess& program, const QString& pattern)
{
    QString printed;
    (void)QTest::qWaitFor([&] {
        printed += program.readAllStandardOutput() + program.readAllStandardError();
        return QRegularExpression(pattern).match(printed).hasMatch() || program.state() == QProcess::NotRunning;
    }, 30000);
    return printed + program.readAllStandardOutput() + program.readAllStandardError();
}

// Sends the signal to a program that waits for its user; its exit code, or -1 when it did not
// end normally.
int EndedBy(int signal, QProcess& program)
{
    ::kill(pid_t(program.processId()), signal);
    return program.waitForFinished(30000) && program.exitStatus() == QProcess::NormalExit ? program.exitCode() : -1;
}

}  // namespace

class TestProgram : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { qputenv("QT_QPA_PLATFORM", "offscreen"); }  // the panel's window, wherever this runs

    // These end by themselves; nothing here may signal them, or a slow exit would die of it.
    void optionsThatEndAtOnce_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("printed");
        QTest::newRow("--help wins over the other options, its table the program's options alone, exit 0") << QStringList{"--trace", "--help"} << 0 << "^usage: ldx7320 [^\n]*\nControl panel[^\n]*\n\nOptions:\n  -h, --help +show this help and exit\n(  [^\n]*\n)*  --list-ports +list the serial ports of this machine and exit\n\nBy default ";
        QTest::newRow("--version prints the version, exit 0") << QStringList{"--version"} << 0 << "^LDX7320 1\\.0\\.0\\.1\n$";
        QTest::newRow("--list-ports lists or says there are none, exit 0") << QStringList{"--list-ports"} << 0 << "(free|in use by[^\n]*|^No serial ports found\\.)\n$";
        QTest::newRow("an unknown option is a usage error, exit 2") << QStringList{"--speed"} << 2 << "^ldx7320: unknown option '--speed'\nusage: ";
        QTest::newRow("--port without a device, exit 2") << QStringList{"--port"} << 2 << "^ldx7320: --port needs a device";
        QTest::newRow("--port= with an empty device, exit 2") << QStringList{"--port="} << 2 << "^ldx7320: --port needs a device";
        QTest::newRow("a value given to an option that takes none, exit 2") << QStringList{"--simulate=1"} << 2 << "^ldx7320: --simulate takes no value\nusage: ";
    }
    void optionsThatEndAtOnce()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, exitCode);
        QFETCH(QString, printed);
        QProcess program;
        program.start(LDX_PROGRAM, arguments);
        QVERIFY(program.waitForFinished(30000));
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.exitCode(), exitCode);
        const QString output = exitCode == 0 ? program.readAllStandardOutput() : program.readAllStandardError();
        QVERIFY2(QRegularExpression(printed).match(output).hasMatch(), qPrintable(output));
    }

    // The panel starts and waits for its user, saying on standard error what it did: its
    // start-up traced on the simulated board, or for each port why it was not taken while the
    // message waits for its OK. A signal ends it with 0. Qt's own options are Qt's: with no
    // display and no platform in the environment, only -platform offscreen lets it start.
    void startsAndWaitsForItsUser_data()
    {
        QTest::addColumn<QString>("arguments");
        QTest::addColumn<QString>("printed");  // PTY: the silent board's device; MS: a round trip
        QTest::addColumn<QByteArray>("wire");  // what the silent board got
        QTest::newRow("the simulated board, traced") << "--simulate -style=fusion --trace" << "ldx7320: simulated board  sent 0xBB  received 0x4B in MS\nldx7320: simulated board  sent 0xB0  received 0x4B in MS\n" << QByteArray();
        QTest::newRow("no board") << "--port /nonexistent/ttyUSB9 --port PTY" << "ldx7320: No LDX7320 board found on the ports tried:\nldx7320:   /nonexistent/ttyUSB9: no such device\nldx7320:   PTY: opened, but nothing answered the probe\n" << Bytes({0xBB});
    }
    void startsAndWaitsForItsUser()
    {
        QFETCH(QString, arguments);
        QFETCH(QString, printed);
        QFETCH(QByteArray, wire);
        CPtyBoard silent([](quint8) { return QByteArray(); });
        const QString expected = "^" + QRegularExpression::escape(printed.replace("PTY", silent.DevicePath())).replace("MS", "[0-9]+\\.[0-9]{2} ms");
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY", "XDG_RUNTIME_DIR"})  // no warning without XDG's
            environment.remove(name);
        QTemporaryDir temporary;
        environment.insert("TMPDIR", temporary.path());
        QProcess program;
        program.setProcessEnvironment(environment);
        program.start(LDX_PROGRAM, QStringList{"-platform", "offscreen"} + arguments.replace("PTY", silent.DevicePath()).split(' '));
        const QString said = PrintedUntil(program, expected);
        QVERIFY2(QRegularExpression(expected).match(said).hasMatch(), qPrintable(said));
        QCOMPARE(program.state(), QProcess::Running);
        QCOMPARE(EndedBy(SIGTERM, program), 0);
        QCOMPARE(silent.ReceivedAfterDrain(), wire);
    }

    // The panel probes, switches the output off and waits in its window; each ending
    // signal then ends it as EXIT does: nothing more is sent, the line is as it was, and no
    // lock file is left.
    void endsCleanlyOnEverySignal_data()
    {
        QTest::addColumn<int>("signal");
        QTest::addColumn<QString>("portOption");
        QTest::newRow("SIGTERM") << SIGTERM << "--port";
        QTest::newRow("SIGINT") << SIGINT << "--port";
        QTest::newRow("SIGHUP, with --port=DEVICE") << SIGHUP << "--port=";
    }
    void endsCleanlyOnEverySignal()
    {
        QFETCH(int, signal);
        QFETCH(QString, portOption);
        CPtyBoard board;
        const termios before = LineOf(board.DevicePath(), true);
        QProcess program;
        const QStringList arguments = portOption.endsWith('=') ? QStringList{portOption + board.DevicePath()}
                                                               : QStringList{portOption, board.DevicePath()};
        program.start(LDX_PROGRAM, arguments);
        QCOMPARE(board.WaitForReceived(2), Bytes({0xBB, 0xB0}));
        QVERIFY(board.Locked());
        QCOMPARE(EndedBy(signal, program), 0);
        QCOMPARE(board.ReceivedAfterDrain(), Bytes({0xBB, 0xB0}));
        QVERIFY(!board.Locked());
        const termios after = LineOf(board.DevicePath());
        QCOMPARE(::cfgetospeed(&after), ::cfgetospeed(&before));
        QCOMPARE(after.c_lflag & (ICANON | ECHO), before.c_lflag & (ICANON | ECHO));
    }
};

QTEST_GUILESS_MAIN(TestProgram)
#include "test_program.moc"
