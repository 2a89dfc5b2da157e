// The real ldx7320 executable: its command line, and against a board on a pseudo-terminal
// its start-up bytes, a clean end on every ending signal, and what a run without a board
// says.
#include "Bytes.h"
#include "PtyBoard.h"

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QtTest>
#include <csignal>
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

namespace {

// The line as a terminal program might have left it (cooked, echoing, 4800 baud) and
// as it is now.
termios LineOf(const QString& device, bool setCooked = false)
{
    const int fd = ::open(QFile::encodeName(device).constData(), O_RDWR | O_NOCTTY);
    termios line{};
    ::tcgetattr(fd, &line);
    if (setCooked) {
        line.c_lflag |= ICANON | ECHO;
        ::cfsetspeed(&line, B4800);
        ::tcsetattr(fd, TCSANOW, &line);
    }
    ::close(fd);
    return line;
}

}  // namespace

class TestProgram : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { qputenv("QT_QPA_PLATFORM", "offscreen"); }  // the panel's window, wherever this runs

    // What the program prints, to standard output when it ends well and to standard error
    // else, and its exit code. A run that goes on is ended by SIGTERM once it has said so:
    // on the simulated board, and with no board (the signal closes the message box).
    void runs_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("output");
        QTest::newRow("help") << QStringList{"--trace", "--help"} << 0 << "^usage: ldx7320 ";
        QTest::newRow("version") << QStringList{"--version"} << 0 << "^LDX7320 1\\.0\\.0\\.1\n$";
        QTest::newRow("list-ports") << QStringList{"--list-ports"} << 0 << "(free|in use by|^No serial ports found\\.)\n$";
        QTest::newRow("unknown") << QStringList{"--speed"} << 2 << "^ldx7320: unknown option '--speed'\nusage: ";
        QTest::newRow("port without device") << QStringList{"--port"} << 2 << "^ldx7320: --port needs a device";
        QTest::newRow("empty port") << QStringList{"--port="} << 2 << "^ldx7320: --port needs a device";
        QTest::newRow("both") << QStringList{"--simulate", "--port", "x"} << 2
                              << "^ldx7320: --simulate and --port cannot be used together";
        QTest::newRow("simulated board") << QStringList{"--simulate", "--trace"} << 0 << "COM4  sent 0xB0  received 0x4B\n";
        QTest::newRow("no board") << QStringList{"--port", "/nonexistent/ttyUSB9", "--port", "SILENT"} << 0
                                  << "ldx7320: No LDX7320 board found on the ports tried:\n"
                                     "ldx7320:   /nonexistent/ttyUSB9: no such device\n"
                                     "ldx7320:   /dev/pts/[0-9]+: opened, but nothing answered the probe\n";
    }
    void runs()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, exitCode);
        QFETCH(QString, output);
        CPtyBoard silent([](quint8) { return QByteArray(); });
        QProcess program;
        program.start(LDX_PROGRAM, arguments.replaceInStrings("SILENT", silent.DevicePath()));
        QString printed;
        QVERIFY(QTest::qWaitFor([&] {
            printed += program.readAllStandardOutput() + program.readAllStandardError();
            return QRegularExpression(output).match(printed).hasMatch() || program.state() == QProcess::NotRunning;
        }, 10000));
        if (program.state() == QProcess::Running) {
            ::kill(pid_t(program.processId()), SIGTERM);
            QVERIFY(program.waitForFinished(10000));
        }
        printed += exitCode ? program.readAllStandardError() : program.readAllStandardOutput();
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.exitCode(), exitCode);
        QVERIFY2(QRegularExpression(output).match(printed).hasMatch(), qPrintable(printed));
    }

    // The panel probes, switches the output off and waits in its window; each ending
    // signal then ends it as EXIT does: nothing more is sent, the line is as it was, and no
    // lock file is left.
    void endsCleanlyOnASignal()
    {
        for (const auto& [signal, options] :
             {std::pair{SIGTERM, "--port PTY"}, {SIGINT, "--port PTY"}, {SIGHUP, "--port=PTY"}}) {
            CPtyBoard board;
            const termios before = LineOf(board.DevicePath(), true);
            QProcess program;
            program.start(LDX_PROGRAM, QString(options).replace("PTY", board.DevicePath()).split(' '));
            QCOMPARE(board.ReceivedOnce(2, 10000), Bytes({0xBB, 0xB0}));
            QVERIFY(board.Locked());
            QTest::qWait(100);
            ::kill(pid_t(program.processId()), signal);
            QVERIFY(program.waitForFinished(10000));
            QCOMPARE(program.exitStatus(), QProcess::NormalExit);
            QCOMPARE(program.exitCode(), 0);
            QCOMPARE(board.Received(), Bytes({0xBB, 0xB0}));
            QVERIFY(!board.Locked());
            const termios after = LineOf(board.DevicePath());
            QCOMPARE(::cfgetospeed(&after), ::cfgetospeed(&before));
            QCOMPARE(after.c_lflag & (ICANON | ECHO), before.c_lflag & (ICANON | ECHO));
        }
    }
};

QTEST_GUILESS_MAIN(TestProgram)
#include "test_program.moc"
