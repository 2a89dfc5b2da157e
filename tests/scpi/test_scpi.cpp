// The SCPI instrument in process, on the simulated board: each command's answer and bytes,
// the errors with their codes and what they leave on the wire (nothing), the error queue and
// the event status register, a board that fails at every byte of a current write and comes
// back.
#include "BoardCommands.h"
#include "Bytes.h"
#include "FaultyBoard.h"
#include "Instrument.h"
#include "LineAssembler.h"
#include "ScpiCommands.h"
#include "ScpiErrors.h"
#include "SimulatedBoard.h"

#include <QtTest>

using namespace scpi;

namespace {

// An instrument on a simulated board on "SIM" holding A 37, B 0xC5, C 63 and S 0xCC, found
// and with the probe forgotten; what it says for a person is kept.
struct Bench {
    board::CSimulatedPortProvider ports;
    std::shared_ptr<CFaultyBoard> board = ports.Attach<CFaultyBoard>("SIM");
    QStringList log;
    CInstrument instrument{ports, {"SIM"}, false, [this](const QString& line) { log << line; }};
    Session session;

    Bench()
    {
        board->registers = {37, 0xC5, 63, 0xCC};
        instrument.LookForBoard();
        instrument.Attach(session);
        board->ClearReceived();
    }
    QString Run(const QByteArray& line) { return QString::fromLatin1(instrument.RunLine(session, line).value_or("(none)")); }
    QString NextError() { return ErrorAnswer(session.errors.Next()); }
};

}  // namespace

class TestScpi : public QObject {
    Q_OBJECT

private slots:
    void commandsAnswerAndSendTheirBytes_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<QString>("answer");
        QTest::addColumn<QByteArray>("wire");
        const QByteArray none;
        QTest::newRow("*IDN? names the port and the version") << QByteArray("*idn?") << "Lumadex,LDX7320,SIM,1.0.0.1" << none;
        QTest::newRow("a current in amperes, as the panel writes it") << QByteArray("CURR:A 0.0125") << "(none)" << CurrentWrite(board::REGISTER_A, 24, 0xCC);
        QTest::newRow("a current in mA, a space before the unit") << QByteArray("current:a:level 12.5 mA") << "(none)" << CurrentWrite(board::REGISTER_A, 24, 0xCC);
        QTest::newRow("MAXimum") << QByteArray("CURR:B MAX") << "(none)" << CurrentWrite(board::REGISTER_B, 63, 0xCC);
        QTest::newRow("MINimum by code") << QByteArray("CURR:C:CODE minimum") << "(none)" << CurrentWrite(board::REGISTER_C, 0, 0xCC);
        QTest::newRow("B after A by SCPI's path rule") << QByteArray("CURR:A 0.0005;B 0.001") << "(none)" << CurrentWrite(board::REGISTER_A, 0, 0xCC) + CurrentWrite(board::REGISTER_B, 1, 0xCC);
        QTest::newRow("a current read in NR3") << QByteArray("CURR:A?") << "1.90E-02" << Bytes({0x90});
        QTest::newRow("the code of B, its high bits dropped") << QByteArray("CURR:B:CODE?") << "5" << Bytes({0x91});
        QTest::newRow("a register's byte as read") << QByteArray("REG:B?") << "197" << Bytes({0x91});
        QTest::newRow("the LEDs on") << QByteArray("LED?") << "B1,B2" << Bytes({0x93});
        QTest::newRow("LEDs written") << QByteArray("LED A1,c2") << "(none)" << Bytes({0x83, 0x21});
        QTest::newRow("no LED") << QByteArray("LED:STAT NONE") << "(none)" << Bytes({0x83, 0x00});
        QTest::newRow("the output as switched here") << QByteArray("OUTP ON;OUTP?") << "1" << Bytes({0xB1});
        QTest::newRow("the output before any switch") << QByteArray("OUTPut:STATe?") << "0" << none;
        QTest::newRow("the output switched by 1 and 0") << QByteArray("OUTP 1;OUTP 0;OUTP?") << "0" << Bytes({0xB1, 0xB0});
        QTest::newRow("queries in one line, one answer") << QByteArray("SYST:VERS?;*OPC?;REG:S?") << "1999.0;1;204" << Bytes({0x93});
        QTest::newRow("*RST: output off, LEDs off, currents at 0") << QByteArray("*RST") << "(none)" << Bytes({0xB0, 0x83, 0x00, 0x80, 0, 0x93, 0x83, 0x00, 0x81, 0, 0x93, 0x83, 0x00, 0x82, 0, 0x93, 0x83, 0x00});
        QTest::newRow("CR LF as a line end") << QByteArray("*OPC?\r") << "1" << none;
    }
    void commandsAnswerAndSendTheirBytes()
    {
        QFETCH(QByteArray, line);
        QFETCH(QString, answer);
        QFETCH(QByteArray, wire);
        Bench bench;
        QCOMPARE(bench.Run(line), answer);
        QCOMPARE(bench.board->Received(), wire);
        QCOMPARE(bench.NextError(), "0,\"No error\"");
    }

    // A unit in error is queued with SCPI's code; it and the rest of its line send nothing.
    void errorsGoToTheQueueAndSendNothing_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<QString>("error");
        QTest::addColumn<QByteArray>("wire");
        QTest::newRow("an unknown header") << QByteArray("CURR:A 0.0005;VOLT 5;CURR:B 0.0005") << "-113,\"Undefined header;VOLT\"" << CurrentWrite(board::REGISTER_A, 0, 0xCC);
        QTest::newRow("a current between steps") << QByteArray("CURR:A 12.3MA") << "-222,\"Data out of range;12.3MA is not one of the 64 steps: 0.5 mA to 32.0 mA in steps of 0.5 mA\"" << QByteArray();
        QTest::newRow("above 32 mA") << QByteArray("CURR:A 0.0325") << "-222,\"Data out of range;0.0325 is not one of the 64 steps: 0.5 mA to 32.0 mA in steps of 0.5 mA\"" << QByteArray();
        QTest::newRow("code 64") << QByteArray("CURR:A:CODE 64") << "-222,\"Data out of range;code 64 is out of range: 0 to 63\"" << QByteArray();
        QTest::newRow("a volt") << QByteArray("CURR:A 5V") << "-104,\"Data type error;'5V' is not a current: amperes, or a number with A or MA\"" << QByteArray();
        QTest::newRow("a tilde is no LED") << QByteArray("LED ~") << "-222,\"Data out of range;'~' is not an LED: the LEDs are A1 A2 B1 B2 C1 C2, or none\"" << QByteArray();
        QTest::newRow("a leading colon goes back to the root") << QByteArray("CURR:A 0.0005;:B 0.001") << "-113,\"Undefined header;B\"" << CurrentWrite(board::REGISTER_A, 0, 0xCC);
        QTest::newRow("only the first error of a line") << QByteArray("VOLT 5;LED A1,,B1") << "-113,\"Undefined header;VOLT\"" << QByteArray();
        QTest::newRow("only the first error of a line, a parameter's") << QByteArray("OUTP 2;LED A1,,B1") << "-222,\"Data out of range;2 is not 1 or 0\"" << QByteArray();
        QTest::newRow("MAYBE is no boolean") << QByteArray("OUTP MAYBE") << "-104,\"Data type error;'MAYBE' is not ON, OFF, 1 or 0\"" << QByteArray();
        QTest::newRow("2 is no boolean") << QByteArray("OUTP 2") << "-222,\"Data out of range;2 is not 1 or 0\"" << QByteArray();
        QTest::newRow("a missing parameter") << QByteArray("OUTP") << "-109,\"Missing parameter\"" << QByteArray();
        QTest::newRow("a parameter too many") << QByteArray("OUTP ON,OFF") << "-108,\"Parameter not allowed;'OFF'\"" << QByteArray();
        QTest::newRow("a query with a parameter") << QByteArray("*IDN? 1") << "-108,\"Parameter not allowed;'1'\"" << QByteArray();
        QTest::newRow("a NUL") << QByteArray("CURR:A 0.0005\0", 14) << "-102,\"Syntax error;character 0x00\"" << QByteArray();
        QTest::newRow("no header") << QByteArray("12") << "-102,\"Syntax error;no header at '12'\"" << QByteArray();
        QTest::newRow("a colon before a common command") << QByteArray(":*IDN?") << "-102,\"Syntax error;':' before a common command\"" << QByteArray();
        QTest::newRow("an empty parameter") << QByteArray("LED A1,,B1") << "-102,\"Syntax error;an empty parameter\"" << QByteArray();
    }
    void errorsGoToTheQueueAndSendNothing()
    {
        QFETCH(QByteArray, line);
        QFETCH(QString, error);
        QFETCH(QByteArray, wire);
        Bench bench;
        QCOMPARE(bench.Run(line), "(none)");
        QCOMPARE(bench.board->Received(), wire);
        QCOMPARE(bench.NextError(), error);
        QCOMPARE(bench.NextError(), "0,\"No error\"");
    }

    // At least 16; when full, the last becomes -350 and later ones are lost. *ESR? has the
    // bits of what came and is cleared by reading; *CLS clears both.
    void theErrorQueueAndTheEventStatus()
    {
        Bench bench;
        bench.Run("FOO");
        QCOMPARE(bench.Run("*ESR?;*ESR?"), "32;0");
        QCOMPARE(bench.NextError(), "-113,\"Undefined header;FOO\"");
        for (int i = 0; i < 20; ++i)
            bench.Run("CURR:A:CODE 64");
        QCOMPARE(bench.Run("*ESR?"), "24");  // execution error, and the overflow's device error
        QCOMPARE(bench.session.errors.Count(), 16);
        QStringList codes;
        for (int i = 0; i < 15; ++i)
            codes << bench.NextError().left(5);
        QCOMPARE(codes, QStringList(15, "-222,"));
        QCOMPARE(bench.NextError(), "-350,\"Queue overflow\"");
        bench.Run("FOO;*OPC");
        bench.Run("*CLS");
        QCOMPARE(bench.Run("*ESR?;SYST:ERR?"), "0;0,\"No error\"");
        bench.Run("*OPC");
        QCOMPARE(bench.Run("*ESR?"), "1");
    }

    // The help lists each header once, a line each, with what it takes and its query.
    void theHelpListsTheCommandTable()
    {
        const QString list = "\n" + CommandList() + "\n";
        QVERIFY2(list.startsWith("\n  *IDN?\n  *RST\n"), qPrintable(list));
        for (const char* line : {"  *ESE <0..255>, *ESE?", "  STATus:PRESet", "  CURRent:A|B|C:CODE 0..63|MINimum|MAXimum, CURRent:A|B|C:CODE?"})
            QVERIFY2(list.contains(QString("\n") + line + "\n"), line);
    }

    // Each class of error sets its own bit of the event status register.
    void eachClassOfErrorSetsItsEventBit_data()
    {
        QTest::addColumn<int>("code");
        QTest::addColumn<int>("bit");
        QTest::newRow("-1xx, a command error") << kUndefinedHeader << kCommandError;
        QTest::newRow("-2xx, an execution error") << kHardwareError << kExecutionError;
        QTest::newRow("-3xx, a device-dependent error") << kSelfTestFailed << kDeviceError;
        QTest::newRow("-4xx, a query error") << -410 << kQueryError;
    }
    void eachClassOfErrorSetsItsEventBit()
    {
        QFETCH(int, code);
        QFETCH(int, bit);
        CErrorQueue queue;
        queue.Add({code, {}});
        QCOMPARE(queue.TakeEventStatus(), bit);
    }

    // The status byte as a driver polls it: *ESE and *SRE chosen, an error, then the bits
    // seen; *STB? clears nothing, *ESR? clears the event summary's cause, SYST:ERR? the
    // queue's bit. An answer of the same line waiting is the message-available bit.
    void theStatusByte()
    {
        Bench bench;
        QCOMPARE(bench.Run("*ESE 60;*SRE 32;*ESE?;*SRE?;*STB?"), "60;32;16");  // two answers wait
        QCOMPARE(bench.Run("*STB?"), "0");
        bench.Run("CURR:A:CODE 99");
        QCOMPARE(bench.Run("*STB?"), "100");  // the error queue 4, the event summary 32, the master summary 64
        QCOMPARE(bench.Run("*STB?"), "100");
        QCOMPARE(bench.Run("*ESR?;*STB?"), "16;20");  // the answer to *ESR? waits: 16
        QCOMPARE(bench.Run("SYST:ERR:COUN?;SYST:ERR?;SYST:ERR:COUN?").left(10), "1;-222,\"Da");
        QCOMPARE(bench.Run("*STB?"), "0");
        QCOMPARE(bench.Run("*SRE 255;*SRE?;*ESE 255.4;*ESE?"), "191;255");  // the master summary cannot enable itself
        bench.session.answersOnTheirWay = 1;  // an earlier answer still on its way
        QCOMPARE(bench.Run("*STB?"), "80");
        QCOMPARE(bench.session.PublishedStatusByte(false), 80);
        bench.session.answersOnTheirWay = 0;
        bench.session.answerHeld = true;  // an answer a VXI-11 client has not fetched
        QCOMPARE(bench.session.PublishedStatusByte(false), 80);
    }

    void theStatusEnableRegistersTakeNumbersInRange_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<QString>("error");
        QTest::newRow("*ESE 256") << QByteArray("*ESE 256") << "-222,\"Data out of range;256 is out of range: 0 to 255\"";
        QTest::newRow("*SRE -1") << QByteArray("*SRE -1") << "-222,\"Data out of range;-1 is out of range: 0 to 255\"";
        QTest::newRow("an enable of 65536") << QByteArray("STAT:QUES:ENAB 65536") << "-222,\"Data out of range;65536 is out of range: 0 to 65535\"";
        QTest::newRow("*ESE ON") << QByteArray("*ESE ON") << "-104,\"Data type error;'ON' is not a number\"";
    }
    void theStatusEnableRegistersTakeNumbersInRange()
    {
        QFETCH(QByteArray, line);
        QFETCH(QString, error);
        Bench bench;
        bench.Run("*ESE 4;*SRE 4;STAT:QUES:ENAB 4");
        QCOMPARE(bench.Run(line), "(none)");
        QCOMPARE(bench.NextError(), error);
        QCOMPARE(bench.Run("*ESE?;*SRE?;STAT:QUES:ENAB?"), "4;4;4");
    }

    // QUEStionable bit 9 is the board lost or never found: its event is latched in every
    // client's session until read, summed into the status byte through the enable register;
    // *CLS clears the events, STATus:PRESet the enables, *RST neither.
    void theQuestionableRegisterSaysWhenThereIsNoBoard()
    {
        Bench bench;
        Session other;
        bench.instrument.Attach(other);
        QCOMPARE(bench.Run("STAT:QUES:COND?;STAT:QUES?;STAT:OPER?;STAT:OPER:COND?"), "0;0;0;0");
        bench.Run("STAT:QUES:ENAB 512;*SRE 8");
        bench.board->faults.unpluggedFrom = 0;
        bench.Run("LED?");
        QCOMPARE(bench.Run("STAT:QUES:COND?;*STB?"), "512;92");  // 4 the -240, 8 the summary, 16 an answer, 64 the master
        QCOMPARE(bench.Run("STAT:QUES?;STAT:QUES?"), "512;0");
        bench.board = bench.ports.Attach<CFaultyBoard>("SIM");
        QCOMPARE(bench.Run("*RST;STAT:QUES:COND?;STAT:QUES:ENAB?;*SRE?"), "0;512;8");
        QCOMPARE(bench.instrument.RunLine(other, "STAT:QUES?;STAT:QUES:COND?;SYST:ERR?"), "512;0;0,\"No error\"");
        bench.board->faults.unpluggedFrom = 0;
        bench.Run("LED?");
        bench.Run("*CLS");
        QCOMPARE(bench.Run("STAT:QUES?;SYST:ERR:COUN?;STAT:QUES:ENAB?"), "0;0;512");
        bench.Run("STAT:PRES");
        QCOMPARE(bench.Run("STAT:QUES:ENAB?;STAT:OPER:ENAB?;*SRE?"), "0;0;8");
        bench.instrument.Detach(other);
    }

    // *TST?: the probe and a read of REGISTER_S, nothing written; 1 with -330 saying why.
    void theSelfTest_data()
    {
        QTest::addColumn<int>("silentFrom");
        QTest::addColumn<QString>("answer");
        QTest::addColumn<QByteArray>("wire");
        QTest::addColumn<QString>("error");
        QTest::newRow("passed") << -1 << "0" << Bytes({0xBB, 0x93}) << "0,\"No error\"";
        QTest::newRow("the probe unanswered") << 0 << "1" << Bytes({0xBB}) << "-330,\"Self-test failed;the board did not answer 0xBB\"";
        QTest::newRow("the read of REGISTER_S unanswered") << 1 << "1" << Bytes({0xBB, 0x93}) << "-330,\"Self-test failed;the board did not answer the read of REGISTER_S\"";
    }
    void theSelfTest()
    {
        QFETCH(int, silentFrom);
        QFETCH(QString, answer);
        QFETCH(QByteArray, wire);
        QFETCH(QString, error);
        Bench bench;
        bench.board->faults.silentFrom = silentFrom;
        QCOMPARE(bench.Run("*TST?"), answer);
        QCOMPARE(bench.board->Received(), wire);
        QCOMPARE(bench.NextError(), error);
        const std::array<quint8, 4> unchanged{37, 0xC5, 63, 0xCC};
        QCOMPARE(bench.board->registers, unchanged);
    }

    void theSelfTestWithoutABoard()
    {
        Bench bench;
        bench.board->faults.unpluggedFrom = 0;
        bench.Run("LED?");
        QCOMPARE(bench.Run("*CLS;*TST?;SYST:ERR:ALL?"), "1;-330,\"Self-test failed;no board\"");
        QCOMPARE(bench.Run("SYST:ERR:ALL?"), "0,\"No error\"");
    }

    // The board gone at any byte of a current write: -240, the port closed and the loss
    // said once; queries answer SCPI's not-a-number while there is no board; a board that
    // comes back is found by the next command, with the probe before its bytes.
    void aBoardGoneAtEveryByteOfACurrentWriteComesBack_data()
    {
        QTest::addColumn<int>("byte");
        for (int byte = 0; byte < 5; ++byte)
            QTest::addRow("gone at byte %d", byte) << byte;
    }
    void aBoardGoneAtEveryByteOfACurrentWriteComesBack()
    {
        QFETCH(int, byte);
        Bench bench;
        bench.board->faults.unpluggedFrom = byte;
        QCOMPARE(bench.Run("CURR:A 0.0125"), "(none)");
        QCOMPARE(bench.board->Received(), CurrentWrite(board::REGISTER_A, 24, 0xCC).left(byte));
        QCOMPARE(bench.NextError().left(21), "-240,\"Hardware error;");
        QCOMPARE(bench.log.value(bench.log.size() - 1).left(20), "board lost on SIM: a");
        QCOMPARE(bench.Run("CURR:A?;LED?;REG:S?"), "9.91E37;UNKNOWN;9.91E37");
        QCOMPARE(bench.NextError(), "-240,\"Hardware error;no board\"");
        QCOMPARE(bench.log.value(bench.log.size() - 1), "no board found: SIM: opened, but the probe could not be exchanged");
        bench.board = bench.ports.Attach<CFaultyBoard>("SIM");
        bench.board->registers[board::REGISTER_A] = 24;
        QCOMPARE(bench.Run("CURR:A?"), "1.25E-02");
        QCOMPARE(bench.board->Received(), Bytes({0xBB, 0x90}));
        QCOMPARE(bench.log.value(bench.log.size() - 1), "board found on SIM");
    }

    void aBoardThatAnswersWronglyIsLost_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<QString>("why");
        QTest::newRow("output on answered 0x6B") << QByteArray("OUTP ON") << "the board answered 0x6B to 0xB1 instead of 0x4B (ACK)";
        QTest::newRow("a write answered 0x6B") << QByteArray("LED A1") << "the board answered 0x6B to 0x83 instead of 0x4B (ACK)";
        QTest::newRow("a read not answered") << QByteArray("REG:S?") << "the board did not answer the read of REGISTER_S";
    }
    void aBoardThatAnswersWronglyIsLost()
    {
        QFETCH(QByteArray, line);
        QFETCH(QString, why);
        Bench bench;
        bench.board->faults.wrongAnswerAt = 0;
        bench.board->faults.wrongAnswer = line.endsWith('?') ? std::nullopt : std::optional<quint8>('k');
        bench.Run(line);
        QCOMPARE(bench.NextError(), "-240,\"Hardware error;" + why + "\"");
        QCOMPARE(bench.log.value(bench.log.size() - 1), "board lost on SIM: " + why);
        QCOMPARE(bench.Run("*IDN?"), "Lumadex,LDX7320,SIM,1.0.0.1");  // looked for and found again
    }

    // Lines come in pieces: LF ends one wherever it falls, a CR before it is dropped, and a
    // line of over 4096 bytes before its LF comes out as too long, without its text, once
    // its LF has come.
    void linesOutOfPieces()
    {
        CLineAssembler lines;
        QCOMPARE(lines.Take("*IDN?").size(), 0);
        const QList<CLineAssembler::Line> taken = lines.Take("\n*OPC?\r\n");
        QCOMPARE(taken.size(), 2);
        QCOMPARE(taken.at(0).text, "*IDN?");
        QCOMPARE(taken.at(1).text, "*OPC?");
        QVERIFY(!lines.Take(QByteArray(4096, 'A') + '\n').value(0).tooLong);  // the longest a line may be
        QCOMPARE(lines.Take(QByteArray(4096, 'A')).size(), 0);
        QCOMPARE(lines.Take("B").size(), 0);
        const QList<CLineAssembler::Line> long_ = lines.Take("C\nREG:S?\n");
        QCOMPARE(long_.size(), 2);
        QVERIFY(long_.at(0).tooLong);
        QCOMPARE(long_.at(0).text, QByteArray());
        QCOMPARE(long_.at(1).text, "REG:S?");
        QVERIFY(!long_.at(1).tooLong);
    }
};

QTEST_GUILESS_MAIN(TestScpi)
#include "test_scpi.moc"
