// The built ldx7320-cli against boards on real pseudo-terminals: what the command line
// decides alone, the standard-input mode a script keeps open, and every way a run ends early.
#include "PtyBoard.h"

#include <QDir>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QtTest>
#include <atomic>
#include <csignal>
#include <unistd.h>

namespace {

// What the board has received once count bytes are in (the pty is read by a thread).
QByteArray ReceivedOnce(const CPtyBoard& pty, int count)
{
    (void)QTest::qWaitFor([&] { return pty.Received().size() >= count; }, 2000);
    return pty.Received();
}

QJsonObject NextAnswer(QProcess& program)
{
    while (!program.canReadLine() && program.waitForReadyRead(5000)) {}
    return QJsonDocument::fromJson(program.readLine()).object();
}

// QSerialPort's lock file for the device, in the first of its folders that holds one.
QString LockFileOf(const QString& device)
{
    const QString name = "LCK.." + device.mid(5).replace('/', '_');
    for (const QString& folder : {QStringLiteral("/var/lock"), QDir::tempPath()}) {
        if (QFile::exists(folder + '/' + name))
            return folder + '/' + name;
    }
    return {};
}

}  // namespace

class TestCliProgram : public QObject {
    Q_OBJECT

private slots:
    // Runs to their end: "PTY" in the arguments stands for the board's device, which answers
    // `answered` bytes (all when -1) and then nothing. A wrong command line is refused
    // before the port is opened: the board hears nothing.
    void runsToTheirEnd_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QByteArray>("input");  // standard input, closed after it
        QTest::addColumn<int>("answered");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QByteArray>("received");
        QTest::addColumn<QString>("out");  // the start of standard output, empty when there is none
        QTest::addColumn<QString>("err");  // the start of standard error
        const QStringList port{"--port", "PTY"};
        const auto refused = [](const char* name, const QStringList& arguments, const QString& error, const QString& out = {}) {
            QTest::newRow(name) << arguments << QByteArray() << -1 << 2 << QByteArray() << out << error;
        };
        refused("unknown command", port + QStringList{"on", ";", "frob"},
                "ldx7320-cli: command 2 (frob): unknown command 'frob': on, off, leds, read, set, status, ports\nusage: ");
        refused("code 64", port + QStringList{"on", ";", "set", "A", "64"},
                "ldx7320-cli: command 2 (set A 64): code 64 is out of range: 0 to 63\n");
        refused("12.3mA", port + QStringList{"set", "B", "12.3mA"}, "ldx7320-cli: command 1 (set B 12.3mA): 12.3 mA is not "
                                                                    "one of the 64 steps: 0.5 mA to 32.0 mA in steps of 0.5 mA\n");
        refused("LED D1", port + QStringList{"leds", "A1,D1", ";", "on"},
                "ldx7320-cli: command 1 (leds A1,D1): 'D1' is not an LED: the LEDs are A1 A2 B1 B2 C1 C2, or none\n");
        refused("register X", port + QStringList{"read", "X"}, "ldx7320-cli: command 1 (read X): 'X' is not a register");
        refused("channel S", port + QStringList{"set", "s", "5"}, "ldx7320-cli: command 1 (set s 5): 's' is not a channel");
        refused("code too long", port + QStringList{"set", "A", "4294967296"}, "ldx7320-cli: command 1 (set A 4294967296): co");
        refused("';' in a word", port + QStringList{"on;off"}, "ldx7320-cli: command 1 (on;off): ';' separates commands only");
        refused("--simulate with --port", QStringList{"--simulate"} + port + QStringList{"on"},
                "ldx7320-cli: --simulate and --port cannot be used together\nusage: ");
        refused("no command", {"--json", "--trace"}, "ldx7320-cli: no command given\nusage: ");
        refused("in JSON", QStringList{"--json"} + port + QStringList{"set", "A", "5x"}, "usage: ",
                R"({"command":"set","error":"'5x' is neither a code (0 to 63) nor a current such as 12.5mA","number":1})" "\n");
        QTest::newRow("--version") << QStringList{"--version"} << QByteArray() << -1 << 0 << QByteArray()
                                   << "ldx7320-cli " LDX_VERSION "\n" << "";
        QTest::newRow("--help") << QStringList{"--help"} << QByteArray() << -1 << 0 << QByteArray()
                                << "usage: ldx7320-cli [--port DEVICE]... [--simulate] [--trace] [--json] COMMAND" << "";
        QTest::newRow("--simulate") << QStringList{"--simulate", "read", "s"} << QByteArray() << -1 << 0 << QByteArray()
                                    << "read s: 0x00, LEDs on: none\n" << "";
        QTest::newRow("the board stops answering") << QStringList{"--port=PTY", "-"} << QByteArray("on\nset A 5") << 2 << 1
                                                   << QByteArray::fromHex("BB B1 80") << "on: output on\nerror: line 2 (set A 5): the board did not acknowledge a byte (\"COM Error\" or \"Power OFF\")\n"
            << "ldx7320-cli: \"COM Error\" or \"Power OFF\"\nldx7320-cli: line 2 (set A 5) failed: the board did not acknowledge a byte (\"COM Error\" or \"Power OFF\"); the run ends here\n";
        QTest::newRow("no board") << QStringList{"--port", "/nonexistent/ttyX", "--port", "PTY", "on"} << QByteArray() << 0 << 1
                                  << QByteArray::fromHex("BB") << ""
                                  << "No LDX7320 board found on the ports tried:\n  /nonexistent/ttyX: no such device\n"
                                     "  PTY: opened, but nothing answered the probe\nldx7320-cli: \"COM Error\" or \"Power OFF\"\n";
    }
    void runsToTheirEnd()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QByteArray, input);
        QFETCH(int, answered);
        QFETCH(int, exitCode);
        QFETCH(QByteArray, received);
        QFETCH(QString, out);
        QFETCH(QString, err);
        auto board = CPtyBoard::AnswerLikeTheBoard();
        int count = 0;
        CPtyBoard pty([&](quint8 byte) { return answered >= 0 && ++count > answered ? QByteArray() : board(byte); });
        QProcess program;
        program.start(LDX_CLI_PROGRAM, arguments.replaceInStrings("PTY", pty.DevicePath()));
        program.write(input);
        program.closeWriteChannel();
        QVERIFY(program.waitForFinished(20000));
        QCOMPARE(program.exitStatus() == QProcess::NormalExit ? program.exitCode() : -1, exitCode);
        const QString outText = program.readAllStandardOutput(), errText = program.readAllStandardError();
        QCOMPARE(outText.left(out.size()), out);
        QCOMPARE(outText.isEmpty(), out.isEmpty());
        QCOMPARE(errText.left(err.size()), err.replace("PTY", pty.DevicePath()));
        QTest::qWait(20);  // the board's thread takes what is on the line
        QCOMPARE(ReceivedOnce(pty, int(received.size())), received);
    }

    // One process and one open port for a hundred current writes, each answered before the
    // next line is written; a refused line is answered and the sweep goes on. An empty line
    // ends the run, whatever follows it.
    void aSweepThroughStandardInput()
    {
        CPtyBoard pty;
        QProcess program;
        program.start(LDX_CLI_PROGRAM, {"--port", pty.DevicePath(), "--json", "-"});
        QByteArray expected = QByteArray::fromHex("BB");
        for (int step = 0; step < 100; ++step) {
            const int code = step == 50 ? 64 : step % 64;
            program.write(QStringLiteral("set A %1\n").arg(code).toLatin1());
            const QJsonObject answer = NextAnswer(program);
            QCOMPARE(answer["number"].toInt(), step + 1);
            QCOMPARE(answer["code"].toInt(code), code);
            QCOMPARE(answer.contains("error"), code == 64);
            if (code < 64)
                expected += QByteArray::fromHex("80") + char(code) + QByteArray::fromHex("93 83 00");
        }
        program.write("status\n\noff\n");
        const QJsonObject status = NextAnswer(program);
        QCOMPARE(status["output"].toString(), "unknown");
        QCOMPARE(status["registers"]["A"]["code"].toInt(), 99 % 64);
        QVERIFY(program.waitForFinished(5000));
        QCOMPARE(program.exitCode(), 2);
        QCOMPARE(ReceivedOnce(pty, int(expected.size()) + 4), expected + QByteArray::fromHex("93 90 91 92"));
    }

    // A signal lets the command under way finish and be answered, starts no other, and ends
    // the run with 1, the port closed (its lock file gone); so does a reader of the answers
    // that goes away.
    void aRunEndsCleanly_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("signal");
        QTest::addColumn<QByteArray>("out");
        QTest::addColumn<QByteArray>("err");
        QTest::newRow("SIGTERM during a command") << QStringList{"on", ";", "off"} << SIGTERM << QByteArray("on: output on\n")
                                                  << QByteArray("ldx7320-cli: ended by a signal before command 2 (off)\n");
        QTest::newRow("SIGINT while waiting for a line") << QStringList{"-"} << SIGINT << QByteArray("on: output on\n")
                                                         << QByteArray("ldx7320-cli: ended by a signal after line 1\n");
        QTest::newRow("no reader") << QStringList{"-"} << 0 << QByteArray() << QByteArray();
    }
    void aRunEndsCleanly()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, signal);
        QFETCH(QByteArray, out);
        QFETCH(QByteArray, err);
        std::atomic<bool> held{true};  // the board's answer to 0xB1 (on)
        auto board = CPtyBoard::AnswerLikeTheBoard();
        CPtyBoard pty([&](quint8 byte) {
            for (int wait = 0; byte == 0xB1 && held && wait < 5000; ++wait)
                QThread::msleep(1);
            return board(byte);
        });
        QProcess program;
        if (!signal) {  // standard output a pipe that nobody reads
            program.setChildProcessModifier([] {
                int ends[2];
                if (::pipe(ends) == 0 && ::dup2(ends[1], STDOUT_FILENO) >= 0)
                    ::close(ends[0]);
            });
        }
        program.start(LDX_CLI_PROGRAM, QStringList{"--port", pty.DevicePath()} + arguments);
        program.write("on\n");
        QCOMPARE(ReceivedOnce(pty, 2), QByteArray::fromHex("BB B1"));
        const QString lockFile = LockFileOf(pty.DevicePath());
        QVERIFY2(!lockFile.isEmpty(), "QSerialPort made no lock file");
        if (signal == SIGTERM)
            ::kill(pid_t(program.processId()), signal);
        held = false;
        if (signal == SIGINT && program.waitForReadyRead(5000))
            ::kill(pid_t(program.processId()), signal);
        QVERIFY(program.waitForFinished(5000));
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.exitCode(), 1);
        QVERIFY(!QFile::exists(lockFile));
        QCOMPARE(program.readAllStandardOutput(), out);
        QCOMPARE(program.readAllStandardError(), err);
        QCOMPARE(pty.Received(), QByteArray::fromHex("BB B1"));
    }
};

QTEST_GUILESS_MAIN(TestCliProgram)
#include "test_cli_program.moc"
