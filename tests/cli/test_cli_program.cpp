// The built ldx7320-cli against boards on real pseudo-terminals: command lines refused before
// anything is sent, how a run ends (a failure, a signal, a reader that goes away), and the
// standard-input mode a script keeps open for a whole sweep.
#include "Bytes.h"
#include "PtyBoard.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QtTest>
#include <atomic>
#include <csignal>
#include <unistd.h>

namespace {

struct Finished {
    int exitCode = -1;  // -1 when the program did not end by itself with an exit code
    QString out, err;
};

// Waits for the program's own end; nothing here signals a program that may be ending.
Finished WaitForEnd(QProcess& program)
{
    Finished finished;
    if (program.waitForFinished(30000) && program.exitStatus() == QProcess::NormalExit)
        finished.exitCode = program.exitCode();
    finished.out = program.readAllStandardOutput();
    finished.err = program.readAllStandardError();
    return finished;
}

QStringList WithDevice(const QString& arguments, const CPtyBoard& board)
{
    return QString(arguments).replace("PTY", board.DevicePath()).split(' ');
}

const QString kUsage = "usage: ldx7320-cli ";

}  // namespace

class TestCliProgram : public QObject {
    Q_OBJECT

private slots:
    // Every command of the line is checked before the port is opened (the texts of each
    // refusal are test_cli_run's): the board hears nothing, the exit code is 2, and standard
    // error says which command and why, or what is wrong with the options.
    void refusedCommandLinesSendNothing_data()
    {
        QTest::addColumn<QString>("arguments");
        QTest::addColumn<QString>("err");
        QTest::newRow("an unknown second command") << "--port=PTY on ; frob"
            << "ldx7320-cli: command 2 (frob): unknown command 'frob': on, off, leds, read, set, status, ports\n" + kUsage;
        QTest::newRow("--simulate with --port") << "--simulate --port=PTY on"
            << "ldx7320-cli: --simulate and --port cannot be used together\n" + kUsage;
        QTest::newRow("no command") << "--json --trace" << "ldx7320-cli: no command given\n" + kUsage;
    }
    void refusedCommandLinesSendNothing()
    {
        QFETCH(QString, arguments);
        QFETCH(QString, err);
        CPtyBoard board;
        QProcess program;
        program.start(LDX_CLI_PROGRAM, WithDevice(arguments, board));
        const Finished finished = WaitForEnd(program);
        QCOMPARE(finished.exitCode, 2);
        QCOMPARE(finished.err.left(err.size()), err);
        QCOMPARE(finished.out, QString());
        QCOMPARE(board.ReceivedAfterDrain(), QByteArray());
    }

    // With --json a refused command is answered on standard output, where a script reads.
    void aRefusedCommandInJsonIsAnAnswer()
    {
        QProcess program;
        program.start(LDX_CLI_PROGRAM, {"--json", "--simulate", "set", "A", "5x"});
        const Finished finished = WaitForEnd(program);
        QCOMPARE(finished.exitCode, 2);
        const QJsonObject answer = QJsonDocument::fromJson(finished.out.toUtf8()).object();
        QCOMPARE(answer["command"].toString(), "set");
        QCOMPARE(answer["number"].toInt(), 1);
        QCOMPARE(answer["error"].toString(), "'5x' is neither a code (0 to 63) nor a current such as 12.5mA");
        QVERIFY(finished.err.startsWith(kUsage));
    }

    void versionAndHelp()
    {
        QProcess version, help;
        version.start(LDX_CLI_PROGRAM, {"--version"});
        help.start(LDX_CLI_PROGRAM, {"--help"});
        QCOMPARE(WaitForEnd(version).out, "ldx7320-cli " LDX_VERSION "\n");
        QVERIFY(WaitForEnd(help).out.startsWith(kUsage + "[--port DEVICE]... [--simulate] [--trace] [--json] COMMAND"));
    }

    // The `-` mode takes a last line that has no line end; `ports` needs no board and opens
    // no port.
    void runsThatNeedNoSignal_data()
    {
        QTest::addColumn<QString>("arguments");
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<QString>("out");
        QTest::newRow("a last line without its end") << "--simulate -" << QByteArray("read s") << "read s: 0x00, LEDs on: none\n";
        QTest::newRow("Qt's own options taken as the panel takes them") << "-style fusion --simulate read S" << QByteArray()
                                                                         << "read S: 0x00, LEDs on: none\n";
        QTest::newRow("ports alone opens no port") << "--json --port=PTY ports" << QByteArray()
                                                   << R"({"command":"ports","number":1,"ports":[)";
    }
    void runsThatNeedNoSignal()
    {
        QFETCH(QString, arguments);
        QFETCH(QByteArray, input);
        QFETCH(QString, out);
        CPtyBoard board;
        QProcess program;
        program.start(LDX_CLI_PROGRAM, WithDevice(arguments, board));
        program.write(input);
        program.closeWriteChannel();
        const Finished finished = WaitForEnd(program);
        QCOMPARE(finished.exitCode, 0);
        QCOMPARE(finished.out.left(out.size()), out);
        QCOMPARE(board.ReceivedAfterDrain(), QByteArray());
    }

    // A board that stops answering fails the command under way: the message once, the
    // failed line answered, nothing later sent, exit 1, and the port released.
    void aBoardThatStopsAnsweringEndsTheRun()
    {
        auto chip = CPtyBoard::AnswerLikeTheBoard();
        std::atomic<int> answered{0};
        CPtyBoard board([&](quint8 byte) { return ++answered > 2 ? QByteArray() : chip(byte); });
        QProcess program;
        program.start(LDX_CLI_PROGRAM, {"--port", board.DevicePath(), "-"});
        program.write("on\nset A 5\noff\n");
        program.closeWriteChannel();
        const Finished finished = WaitForEnd(program);
        const QString noAck = "the board did not acknowledge a byte (\"COM Error\" or \"Power OFF\")";
        QCOMPARE(finished.exitCode, 1);
        QCOMPARE(finished.out, "on: output on\nerror: line 2 (set A 5): " + noAck + "\n");
        QCOMPARE(finished.err, "ldx7320-cli: \"COM Error\" or \"Power OFF\"\n"
                               "ldx7320-cli: line 2 (set A 5) failed: " + noAck + "; the run ends here\n");
        QCOMPARE(board.ReceivedAfterDrain(), Bytes({0xBB, 0xB1, 0x80}));
        QVERIFY(!board.Locked());
    }

    // With no board, each port tried and why, then the panel's message once; exit 1.
    void noBoardSaysWhyForEachPort()
    {
        CPtyBoard silent([](quint8) { return QByteArray(); });
        // A name of this process's own, whose lock file no other test run holds.
        const QString missing = "/nonexistent/ttyCLI" + QString::number(QCoreApplication::applicationPid());
        QProcess program;
        program.start(LDX_CLI_PROGRAM, {"--port", missing, "--port", silent.DevicePath(), "on"});
        const Finished finished = WaitForEnd(program);
        QCOMPARE(finished.exitCode, 1);
        QCOMPARE(finished.out, QString());
        const QStringList said = finished.err.split('\n');
        QCOMPARE(said.mid(0, 3), QStringList({"No LDX7320 board found on the ports tried:", "  " + missing + ": no such device",
                                              "  " + silent.DevicePath() + ": opened, but nothing answered the probe"}));
        QCOMPARE(said.value(3), "What to try:");
        QCOMPARE(said.mid(said.size() - 3), QStringList({"  start with --simulate to try it on the simulated board",
                                                         "ldx7320-cli: \"COM Error\" or \"Power OFF\"", ""}));
        QCOMPARE(silent.ReceivedAfterDrain(), Bytes({0xBB}));
    }

    // A signal that comes while a command is on the wire lets that command finish and be
    // answered, starts no other, closes the port and ends the run with 1. The board sends
    // the signal itself when 0xB1 arrives, before it answers, so the program is certainly
    // inside the command.
    void aSignalLetsTheCommandUnderWayFinish()
    {
        auto chip = CPtyBoard::AnswerLikeTheBoard();
        std::atomic<qint64> pid{0};
        std::atomic<bool> lockedDuringTheCommand{false};
        CPtyBoard* self = nullptr;
        CPtyBoard board([&](quint8 byte) {
            if (byte == 0xB1) {
                while (pid == 0) {}  // set as soon as the program has started
                lockedDuringTheCommand = self->Locked();
                ::kill(pid_t(pid), SIGTERM);
            }
            return chip(byte);
        });
        self = &board;
        QProcess program;
        program.start(LDX_CLI_PROGRAM, {"--port=" + board.DevicePath(), "on", ";", "off"});
        pid = program.processId();
        const Finished finished = WaitForEnd(program);
        QCOMPARE(finished.exitCode, 1);
        QCOMPARE(finished.out, "on: output on\n");
        QCOMPARE(finished.err, "ldx7320-cli: ended by a signal before command 2 (off)\n");
        QVERIFY(lockedDuringTheCommand);
        QCOMPARE(board.ReceivedAfterDrain(), Bytes({0xBB, 0xB1}));
        QVERIFY(!board.Locked());
    }

    // A signal while the next line is awaited ends the wait and the run.
    void aSignalWhileALineIsAwaitedEndsTheRun()
    {
        CPtyBoard board;
        QProcess program;
        program.start(LDX_CLI_PROGRAM, {"--port=" + board.DevicePath(), "-"});
        program.write("on\n");
        QVERIFY(QTest::qWaitFor([&] { return program.canReadLine(); }, 30000));
        QCOMPARE(program.readLine(), "on: output on\n");
        QVERIFY(board.Locked());
        ::kill(pid_t(program.processId()), SIGINT);
        const Finished finished = WaitForEnd(program);
        QCOMPARE(finished.exitCode, 1);
        QCOMPARE(finished.err, "ldx7320-cli: ended by a signal after line 1\n");
        QCOMPARE(board.ReceivedAfterDrain(), Bytes({0xBB, 0xB1}));
        QVERIFY(!board.Locked());
    }

    // When nobody reads the answers any more, the first answer that cannot be written
    // ends the run: no later command is sent.
    void aReaderThatGoesAwayEndsTheRun()
    {
        CPtyBoard board;
        QProcess program;
        program.setChildProcessModifier([] {  // standard output a pipe whose reader is gone
            int ends[2];
            if (::pipe(ends) == 0 && ::dup2(ends[1], STDOUT_FILENO) >= 0)
                ::close(ends[0]);
        });
        program.start(LDX_CLI_PROGRAM, {"--port=" + board.DevicePath(), "-"});
        program.write("on\noff\n");
        program.closeWriteChannel();
        const Finished finished = WaitForEnd(program);
        QCOMPARE(finished.exitCode, 1);
        QCOMPARE(board.ReceivedAfterDrain(), Bytes({0xBB, 0xB1}));
        QVERIFY(!board.Locked());
    }

    // One process and one open port for a hundred current writes, each answered before the
    // next line is written; a refused line is answered and the sweep goes on, to end with 2.
    // Every command's bytes on the wire; an empty line ends the run, whatever follows it.
    void aSweepThroughStandardInput()
    {
        CPtyBoard board;
        QProcess program;
        program.start(LDX_CLI_PROGRAM, {"--port", board.DevicePath(), "--json", "-"});
        const auto nextAnswer = [&program] {
            while (!program.canReadLine() && program.waitForReadyRead(30000)) {}
            return QJsonDocument::fromJson(program.readLine()).object();
        };
        QByteArray expected = Bytes({0xBB});
        for (int step = 0; step < 100; ++step) {
            const int code = step == 50 ? 64 : step % 64;
            program.write(QStringLiteral("set A %1\n").arg(code).toLatin1());
            const QJsonObject answer = nextAnswer();
            QCOMPARE(answer["number"].toInt(), step + 1);
            QCOMPARE(answer["code"].toInt(code), code);
            QCOMPARE(answer.contains("error"), code == 64);
            if (code < 64)
                expected += Bytes({0x80, code, 0x93, 0x83, 0x00});
        }
        program.write("status\nleds A1,B2\nread S\non\noff\n\nleds none\n");  // the rest of the commands, all at once
        const QJsonObject status = nextAnswer();
        QCOMPARE(status["output"].toString(), "unknown");
        QCOMPARE(status["registers"]["A"]["code"].toInt(), 35);
        QCOMPARE(nextAnswer()["value"].toInt(), 0x09);
        QCOMPARE(nextAnswer()["leds"].toVariant().toStringList(), QStringList({"A1", "B2"}));
        QCOMPARE(WaitForEnd(program).exitCode, 2);
        expected += Bytes({0x93, 0x90, 0x91, 0x92, 0x83, 0x09, 0x93, 0xB1, 0xB0});
        QCOMPARE(board.ReceivedAfterDrain(), expected);
    }
};

QTEST_GUILESS_MAIN(TestCliProgram)
#include "test_cli_program.moc"
