// The built ldx7320-cli against boards on real pseudo-terminals: how its runs end, and the
// standard-input mode a script keeps open for a whole sweep.
#include "PtyBoard.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QtTest>
#include <atomic>
#include <csignal>
#include <unistd.h>

namespace {

constexpr int kNoReader = -1;  // standard output a pipe that nobody reads

// One run of the program. "PTY" in the arguments stands for the board's device, which
// answers `answered` bytes (all when -1) and then nothing.
struct Run {
    QStringList arguments;
    QByteArray input;  // standard input, closed after it unless the run is interrupted
    int answered = -1;
    int interruption = 0;  // a signal, kNoReader, or 0
    int exitCode = 0;
    QByteArray received;
    QString out;  // the start of standard output, empty when there is none
    QString err;  // the start of standard error
};

}  // namespace

Q_DECLARE_METATYPE(Run)

class TestCliProgram : public QObject {
    Q_OBJECT

private slots:
    // A wrong command line is refused before the port is
    // opened: the board hears nothing. Every run ends with the port closed and its lock file
    // gone. A signal lets the command under way (on, whose answer the board holds back until
    // then) finish and be answered, starts no other, and ends the run with 1; so does a
    // reader that goes away.
    void runsAndHowTheyEnd_data()
    {
        QTest::addColumn<Run>("run");
        const auto row = [](const char* name, const QString& arguments, const QByteArray& input, int exitCode,
                            const QString& out, const QString& err) {
            QTest::newRow(name) << Run{arguments.split(' '), input, -1, 0, exitCode, {}, out, err};
        };
        const QString refused = "ldx7320-cli: command ";
        row("unknown command", "--port=PTY on ; frob", "", 2, "",
            refused + "2 (frob): unknown command 'frob': on, off, leds, read, set, status, ports\nusage: ");
        row("code 64", "--port=PTY on ; set A 64", "", 2, "",
            refused + "2 (set A 64): code 64 is out of range: 0 to 63\n");
        row("12.3mA", "--port=PTY set B 12.3mA", "", 2, "",
            refused + "1 (set B 12.3mA): 12.3 mA is not one of the 64 steps: 0.5 mA to 32.0 mA in steps of 0.5 mA\n");
        row("LED D1", "--port=PTY leds A1,D1 ; on", "", 2, "",
            refused + "1 (leds A1,D1): 'D1' is not an LED: the LEDs are A1 A2 B1 B2 C1 C2, or none\n");
        row("register X", "--port=PTY read X", "", 2, "", refused + "1 (read X): 'X' is not a register");
        row("channel S", "--port=PTY set s 5", "", 2, "", refused + "1 (set s 5): 's' is not a channel");
        row("';' in a word", "--port=PTY on;off", "", 2, "", refused + "1 (on;off): ';' separates commands only");
        row("--simulate with --port", "--simulate --port=PTY on", "", 2, "",
            "ldx7320-cli: --simulate and --port cannot be used together\nusage: ");
        row("no command", "--json --trace", "", 2, "", "ldx7320-cli: no command given\nusage: ");
        row("refused in JSON", "--json --port=PTY set A 5x", "", 2,
            R"({"command":"set","error":"'5x' is neither a code (0 to 63) nor a current such as 12.5mA",)"
            R"("number":1})" "\n", "usage: ");
        row("--version", "--version", "", 0, "ldx7320-cli " LDX_VERSION "\n", "");
        row("--help", "--help", "", 0, "usage: ldx7320-cli [--port DEVICE]... [--simulate] [--trace] [--json] COMMAND",
            "");
        row("--simulate, a last line without its end", "--simulate -", "read s", 0, "read s: 0x00, LEDs on: none\n",
            "");
        row("ports alone", "--json --port=PTY ports", "", 0, R"({"command":"ports","number":1,"ports":[)", "");
        const QString noAck = "the board did not acknowledge a byte (\"COM Error\" or \"Power OFF\")";
        const QString comError = "ldx7320-cli: \"COM Error\" or \"Power OFF\"\n";
        QTest::newRow("the board stops answering")
            << Run{{"--port", "PTY", "-"}, "on\nset A 5\n", 2, 0, 1, QByteArray::fromHex("BB B1 80"),
                   "on: output on\nerror: line 2 (set A 5): " + noAck + "\n",
                   comError + "ldx7320-cli: line 2 (set A 5) failed: " + noAck + "; the run ends here\n"};
        // A name of this process's own, whose lock file no other test run holds.
        const QString missing = "/nonexistent/ttyCLI" + QString::number(QCoreApplication::applicationPid());
        QTest::newRow("no board")
            << Run{{"--port", missing, "--port", "PTY", "on"}, {}, 0, 0, 1, QByteArray::fromHex("BB"), "",
                   "No LDX7320 board found on the ports tried:\n  " + missing + ": no such device\n"
               "  PTY: opened, but nothing answered the probe\n" + comError};
        const QByteArray onOnly = QByteArray::fromHex("BB B1");
        QTest::newRow("SIGTERM during a command") << Run{{"--port=PTY", "on", ";", "off"}, {}, -1, SIGTERM, 1, onOnly,
                                                         "on: output on\n", "ldx7320-cli: ended by a signal before command 2 (off)\n"};
        QTest::newRow("SIGINT while a line is awaited") << Run{{"--port=PTY", "-"}, "on\n", -1, SIGINT, 1, onOnly,
                                                               "on: output on\n", "ldx7320-cli: ended by a signal after line 1\n"};
        QTest::newRow("no reader") << Run{{"--port=PTY", "-"}, "on\noff\n", -1, kNoReader, 1, onOnly, "", ""};
    }
    void runsAndHowTheyEnd()
    {
        QFETCH(Run, run);
        auto& [arguments, input, answered, interruption, exitCode, received, out, err] = run;
        std::atomic<bool> held{interruption != 0};
        auto board = CPtyBoard::AnswerLikeTheBoard();
        int count = 0;
        CPtyBoard pty([&](quint8 byte) {
            for (int wait = 0; byte == 0xB1 && held && wait < 5000; ++wait)
                QThread::msleep(1);
            return run.answered >= 0 && ++count > run.answered ? QByteArray() : board(byte);
        });
        QProcess program;
        if (interruption == kNoReader) {
            program.setChildProcessModifier([] {
                int ends[2];
                if (::pipe(ends) == 0 && ::dup2(ends[1], STDOUT_FILENO) >= 0)
                    ::close(ends[0]);
            });
        }
        program.start(LDX_CLI_PROGRAM, arguments.replaceInStrings("PTY", pty.DevicePath()));
        program.write(input);
        if (interruption) {
            QCOMPARE(pty.ReceivedOnce(2), QByteArray::fromHex("BB B1"));
            QVERIFY(pty.Locked());
            if (interruption == SIGTERM)
                ::kill(pid_t(program.processId()), SIGTERM);
            held = false;
            if (interruption == SIGINT && program.waitForReadyRead(5000))
                ::kill(pid_t(program.processId()), SIGINT);  // while the next line is awaited
        } else {
            program.closeWriteChannel();
        }
        QVERIFY(program.waitForFinished(20000));
        QCOMPARE(program.exitStatus() == QProcess::NormalExit ? program.exitCode() : -1, exitCode);
        const QString outText = program.readAllStandardOutput(), errText = program.readAllStandardError();
        QCOMPARE(outText.left(out.size()), out);
        QCOMPARE(outText.isEmpty(), out.isEmpty());
        QCOMPARE(errText.left(err.size()), err.replace("PTY", pty.DevicePath()));
        QTest::qWait(20);  // the board's thread takes what is on the line
        QCOMPARE(pty.ReceivedOnce(int(received.size())), received);
        QVERIFY(!pty.Locked());
    }

    // One process and one open port for a hundred current writes, each answered before the
    // next line is written; a refused line is answered and the sweep goes on, to end with 2.
    // Every command's bytes on the wire; an empty line ends the run, whatever follows it.
    void aSweepThroughStandardInput()
    {
        CPtyBoard pty;
        QProcess program;
        program.start(LDX_CLI_PROGRAM, {"--port", pty.DevicePath(), "--json", "-"});
        const auto nextAnswer = [&program] {
            while (!program.canReadLine() && program.waitForReadyRead(5000)) {}
            return QJsonDocument::fromJson(program.readLine()).object();
        };
        QByteArray expected = QByteArray::fromHex("BB");
        for (int step = 0; step < 100; ++step) {
            const int code = step == 50 ? 64 : step % 64;
            program.write(QStringLiteral("set A %1\n").arg(code).toLatin1());
            const QJsonObject answer = nextAnswer();
            QCOMPARE(answer["number"].toInt(), step + 1);
            QCOMPARE(answer["code"].toInt(code), code);
            QCOMPARE(answer.contains("error"), code == 64);
            if (code < 64)
                expected += QByteArray::fromHex("80") + char(code) + QByteArray::fromHex("93 83 00");
        }
        program.write("status\nleds A1,B2\nread S\non\noff\n\nleds none\n");  // the rest of the commands, all at once
        const QJsonObject status = nextAnswer();
        QCOMPARE(status["output"].toString(), "unknown");
        QCOMPARE(status["registers"]["A"]["code"].toInt(), 99 % 64);
        nextAnswer();
        QCOMPARE(nextAnswer()["leds"].toVariant().toStringList(), QStringList({"A1", "B2"}));
        QVERIFY(program.waitForFinished(5000));
        QCOMPARE(program.exitCode(), 2);
        expected += QByteArray::fromHex("93 90 91 92 83 09 93 B1 B0");
        QCOMPARE(pty.ReceivedOnce(int(expected.size())), expected);
    }
};

QTEST_GUILESS_MAIN(TestCliProgram)
#include "test_cli_program.moc"
