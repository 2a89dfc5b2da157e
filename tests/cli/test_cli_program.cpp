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
#include <thread>
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
    // error says which command and why, or what is wrong with the options. With --json a
    // refused command is answered on standard output, where a script reads.
    void refusedCommandLinesSendNothing_data()
    {
        QTest::addColumn<QString>("arguments");
        QTest::addColumn<QString>("err");
        QTest::addColumn<QString>("out");
        QTest::newRow("an unknown second command") << "--port=PTY on ; frob" << "ldx7320-cli: command 2 (frob): unknown command 'frob': on, off, leds, read, set, status, latency, ports\n" + kUsage << "";
        QTest::newRow("--simulate with --port") << "--simulate --port=PTY on" << "ldx7320-cli: --simulate and --port cannot be used together\n" + kUsage << "";
        QTest::newRow("--paced without --simulate") << "--paced --port=PTY on" << "ldx7320-cli: --paced needs --simulate\n" + kUsage << "";
        QTest::newRow("no command") << "--json --trace" << "ldx7320-cli: no command given\n" + kUsage << "";
        QTest::newRow("in JSON") << "--json --port=PTY set A 5x" << kUsage << R"({"command":"set","error":"'5x' is neither a code (0 to 63) nor a current such as 12.5mA","number":1})" "\n";
    }
    void refusedCommandLinesSendNothing()
    {
        QFETCH(QString, arguments);
        QFETCH(QString, err);
        QFETCH(QString, out);
        CPtyBoard board;
        QProcess program;
        program.start(LDX_CLI_PROGRAM, WithDevice(arguments, board));
        const Finished finished = WaitForEnd(program);
        QCOMPARE(finished.exitCode, 2);
        QCOMPARE(finished.err.left(err.size()), err);
        QCOMPARE(finished.out, out);
        QCOMPARE(board.ReceivedAfterDrain(), QByteArray());
    }

    // The `-` mode takes a last line that has no line end; `ports`, --version and --help need
    // no board and open no port.
    void runsThatNeedNoSignal_data()
    {
        QTest::addColumn<QString>("arguments");
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<QString>("out");
        QTest::newRow("a last line without its end") << "--simulate -" << QByteArray("read s") << "read s: 0x00, LEDs on: none\n";
        QTest::newRow("Qt's own options taken as the panel takes them") << "-style fusion -reverse --simulate read S" << QByteArray() << "read S: 0x00, LEDs on: none\n";
        QTest::newRow("ports alone opens no port") << "--json --port=PTY ports" << QByteArray() << R"({"command":"ports","number":1,"ports":[)";
        QTest::newRow("--version") << "--version --port=PTY on" << QByteArray() << "ldx7320-cli " LDX_VERSION "\n";
        QTest::newRow("--help") << "--help --port=PTY on" << QByteArray() << kUsage + "[--port DEVICE]... [--simulate [--paced]] [--trace] [--json] COMMAND";
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

    // A board that takes 4 ms to answer is more than a millisecond above the wire's 2.08 ms
    // even on a pseudo-terminal, which adds nothing of its own: the advice says it is the board.
    void latencyOfABoardThatAnswersLate()
    {
        auto chip = CPtyBoard::AnswerLikeTheBoard();
        CPtyBoard board([&chip](quint8 byte) {
            std::this_thread::sleep_for(std::chrono::milliseconds(4));
            return chip(byte);
        });
        QProcess program;
        program.start(LDX_CLI_PROGRAM, {"--port", board.DevicePath(), "--json", "latency"});
        const Finished finished = WaitForEnd(program);
        QCOMPARE(finished.exitCode, 0);
        const QJsonObject answer = QJsonDocument::fromJson(finished.out.toUtf8()).object();
        QVERIFY2(answer["median_ms"].toDouble() >= 4, qPrintable(finished.out));
        QCOMPARE(answer["advice"].toString(), "the port passes answers on at once as far as it tells: the board itself answers late");
        QCOMPARE(board.ReceivedAfterDrain(), QByteArray(21, char(0xBB)));
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
                expected += CurrentWrite(board::REGISTER_A, code, 0x00);
        }
        program.write("status\nleds A1,B2\nread S\non\noff\n\nleds none\n");  // the rest of the commands, all at once
        QCOMPARE(WaitForEnd(program).exitCode, 2);
        expected += Bytes({0x93, 0x90, 0x91, 0x92, 0x83, 0x09, 0x93, 0xB1, 0xB0});
        QCOMPARE(board.ReceivedAfterDrain(), expected);
    }
};

QTEST_GUILESS_MAIN(TestCliProgram)
#include "test_cli_program.moc"
