// ONC RPC and XDR as ldx7320-scpi reads them, without sockets: XDR's bounds, records out
// of their fragments however the bytes come, the reply every malformed call gets, and the
// portmapper's answers. Frames are built by the named helpers below.
#include "Portmapper.h"
#include "RpcDispatch.h"
#include "RpcRecords.h"
#include "Vxi11Messages.h"
#include "Xdr.h"

#include <QtTest>

using namespace scpi;

namespace {

QByteArray Words(std::initializer_list<quint32> values)
{
    CXdrWriter writer;
    for (quint32 value : values)
        writer.Unsigned(value);
    return writer.Data();
}

QByteArray Opaque(const QByteArray& bytes)
{
    return CXdrWriter().Opaque(bytes).Data();
}

QByteArray Fragment(const QByteArray& bytes, bool last)
{
    return Words({(last ? 0x80000000u : 0u) | quint32(bytes.size())}) + bytes;
}

// A call's header up to its credentials, then credentials (flavour, body) and an empty verifier.
QByteArray CallTo(quint32 program, quint32 version, quint32 procedure, const QByteArray& credentials = Words({0, 0}))
{
    return Words({7, 0, kRpcVersion, program, version, procedure}) + credentials + Words({0, 0});
}

// An accepted reply to xid 7 with that status, and what follows it.
QByteArray Accepted(AcceptStatus status, const QByteArray& rest = {})
{
    return Words({7, 1, 0, 0, 0, quint32(status)}) + rest;
}

constexpr quint32 kCorePort = 40123;

QByteArray Answer(const QByteArray& record)
{
    const QList<RpcProgram> programs{PortmapProgram(PortmapperMappings() + QList<PortMapping>{{kCoreProgram, kVxi11Version, kProtocolTcp, kCorePort}}),
                                     {kCoreProgram, kVxi11Version, [](const RpcCall&, const RpcRespond&) { return false; }}};
    QByteArray answer = "(none)";
    int replies = 0;
    Dispatch(record, programs, [&](const QByteArray& reply) {
        answer = reply.isEmpty() ? QByteArray("(none)") : reply;
        ++replies;
    });
    return replies == 1 ? answer : "(" + QByteArray::number(replies) + " replies)";
}

}  // namespace

class TestRpc : public QObject {
    Q_OBJECT

private slots:
    void xdrReadsWithinItsBounds_data()
    {
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<quint32>("bound");
        QTest::addColumn<QByteArray>("read");  // "(failed)" where the read fails
        QTest::newRow("padded to four") << Opaque("abcde") << 8u << QByteArray("abcde");
        QTest::newRow("empty") << Opaque({}) << 8u << QByteArray();
        QTest::newRow("at the bound") << Opaque("abcdefgh") << 8u << QByteArray("abcdefgh");
        QTest::newRow("over the bound") << Opaque("abcdefghi") << 8u << QByteArray("(failed)");
        QTest::newRow("its padding cut off") << Opaque("abcde").left(9) << 8u << QByteArray("(failed)");
        QTest::newRow("a length of 2^32 - 1") << Words({0xFFFFFFFF}) + "abcd" << 0xFFFFFFFFu << QByteArray("(failed)");
        QTest::newRow("no length") << QByteArray("ab") << 8u << QByteArray("(failed)");
    }
    void xdrReadsWithinItsBounds()
    {
        QFETCH(QByteArray, data);
        QFETCH(quint32, bound);
        QFETCH(QByteArray, read);
        CXdrReader reader(data);
        const QByteArray opaque = reader.Opaque(bound);
        QCOMPARE(reader.Failed() ? QByteArray("(failed)") : opaque, read);
        QVERIFY(opaque.isEmpty() || !reader.Failed());
        QVERIFY(reader.Unsigned() == 0 || !reader.Failed());  // nothing more after a failure
    }

    void aBooleanIsZeroOrOne()
    {
        CXdrReader reader(Words({1, 0, 2}));
        QVERIFY(reader.Boolean());
        QVERIFY(!reader.Boolean());
        QVERIFY(!reader.Failed());
        QVERIFY(!reader.Boolean());
        QVERIFY(reader.Failed());
    }

    // Every way of cutting the stream gives the same records.
    void recordsComeOutWholeFromAnyPieces_data()
    {
        QTest::addColumn<QByteArray>("stream");
        QTest::addColumn<QList<QByteArray>>("records");
        QTest::newRow("one fragment") << Fragment("abcd", true) << QList<QByteArray>{"abcd"};
        QTest::newRow("three fragments") << Fragment("ab", false) + Fragment("", false) + Fragment("cd", true) << QList<QByteArray>{"abcd"};
        QTest::newRow("two records") << Fragment("ab", true) + Fragment("cd", true) << QList<QByteArray>{"ab", "cd"};
        QTest::newRow("an empty record") << Fragment("", true) << QList<QByteArray>{""};
        QTest::newRow("a record at the bound") << Fragment(QByteArray(64, 'x'), true) << QList<QByteArray>{QByteArray(64, 'x')};
    }
    void recordsComeOutWholeFromAnyPieces()
    {
        QFETCH(QByteArray, stream);
        QFETCH(QList<QByteArray>, records);
        for (qsizetype piece = 1; piece <= stream.size(); ++piece) {
            CRecordAssembler assembler(64);
            QList<QByteArray> taken;
            for (qsizetype at = 0; at < stream.size(); at += piece)
                taken += assembler.Take(stream.mid(at, piece));
            QVERIFY2(taken == records && !assembler.Broken(), qPrintable(QStringLiteral("in pieces of %1").arg(piece)));
        }
    }

    void aRecordOverTheBoundBreaksTheStream_data()
    {
        QTest::addColumn<QByteArray>("stream");
        QTest::newRow("one fragment over it") << Fragment(QByteArray(65, 'x'), true);
        QTest::newRow("fragments that add up over it") << Fragment(QByteArray(40, 'x'), false) + Fragment(QByteArray(25, 'x'), true);
        QTest::newRow("a length of 2^31 - 1 announced") << Words({0xFFFFFFFF});
    }
    void aRecordOverTheBoundBreaksTheStream()
    {
        QFETCH(QByteArray, stream);
        CRecordAssembler assembler(64);
        QCOMPARE(assembler.Take(stream + Fragment("ok", true)), QList<QByteArray>());
        QVERIFY(assembler.Broken());
    }

    void aReplyIsOneLastFragment()
    {
        QCOMPARE(RecordMarked("abc"), Words({0x80000003}) + "abc");
    }

    // What each call gets: its results, or the error that says what was wrong with it.
    void callsGetTheirReplies_data()
    {
        QTest::addColumn<QByteArray>("record");
        QTest::addColumn<QByteArray>("reply");
        const quint32 portmap = kPortmapProgram;
        const quint32 getPort = quint32(PortmapProcedure::GetPort);
        const QByteArray coreTcp = Words({kCoreProgram, kVxi11Version, kProtocolTcp, 0});
        QTest::newRow("the null call") << CallTo(kCoreProgram, 1, 0) << Accepted(AcceptStatus::Success);
        QTest::newRow("AUTH_SYS credentials, ignored") << CallTo(kCoreProgram, 1, 0, Words({1}) + Opaque(Words({0, 0, 0, 0, 0}))) << Accepted(AcceptStatus::Success);
        QTest::newRow("another program") << CallTo(100003, 3, 0) << Accepted(AcceptStatus::ProgramUnavailable);
        QTest::newRow("VXI-11 version 2") << CallTo(kCoreProgram, 2, 0) << Accepted(AcceptStatus::ProgramMismatch, Words({1, 1}));
        QTest::newRow("rpcbind version 4") << CallTo(portmap, 4, 3) << Accepted(AcceptStatus::ProgramMismatch, Words({2, 2}));
        QTest::newRow("rpcbind version 3") << CallTo(portmap, 3, 3) << Accepted(AcceptStatus::ProgramMismatch, Words({2, 2}));
        QTest::newRow("a procedure the program lacks") << CallTo(kCoreProgram, 1, 99) << Accepted(AcceptStatus::ProcedureUnavailable);
        QTest::newRow("RPC version 3") << Words({7, 0, 3, portmap, 2, 0}) << Words({7, 1, 1, 0, 2, 2});
        QTest::newRow("credentials over 400 bytes") << CallTo(portmap, 2, 0, Words({1}) + Opaque(QByteArray(404, 'c'))) << Words({7, 1, 1, 1, 1});
        QTest::newRow("cut in its header") << CallTo(portmap, 2, 0).left(30) << Accepted(AcceptStatus::GarbageArguments);
        QTest::newRow("a verifier cut short") << CallTo(portmap, 2, 0).chopped(2) << Accepted(AcceptStatus::GarbageArguments);
        QTest::newRow("a reply, not a call") << Words({7, 1, 0, 0, 0, 0}) << QByteArray("(none)");
        QTest::newRow("no transaction id") << QByteArray("abc") << QByteArray("(none)");
        QTest::newRow("GETPORT of the core channel") << CallTo(portmap, 2, getPort) + coreTcp << Accepted(AcceptStatus::Success, Words({kCorePort}));
        QTest::newRow("GETPORT on UDP: none") << CallTo(portmap, 2, getPort) + Words({kCoreProgram, 1, kProtocolUdp, 0}) << Accepted(AcceptStatus::Success, Words({0}));
        QTest::newRow("GETPORT of another version: none") << CallTo(portmap, 2, getPort) + Words({kCoreProgram, 2, kProtocolTcp, 0}) << Accepted(AcceptStatus::Success, Words({0}));
        QTest::newRow("GETPORT cut short") << CallTo(portmap, 2, getPort) + coreTcp.left(12) << Accepted(AcceptStatus::GarbageArguments);
        QTest::newRow("SET refused") << CallTo(portmap, 2, quint32(PortmapProcedure::Set)) + Words({1234, 1, kProtocolTcp, 99}) << Accepted(AcceptStatus::Success, Words({0}));
        QTest::newRow("UNSET refused") << CallTo(portmap, 2, quint32(PortmapProcedure::Unset)) + coreTcp << Accepted(AcceptStatus::Success, Words({0}));
        QTest::newRow("DUMP lists the portmapper and the core channel")
            << CallTo(portmap, 2, quint32(PortmapProcedure::Dump))
            << Accepted(AcceptStatus::Success, Words({1, portmap, 2, kProtocolTcp, 111, 1, portmap, 2, kProtocolUdp, 111, 1, kCoreProgram, 1, kProtocolTcp, kCorePort, 0}));
        QTest::newRow("CALLIT is not answered here") << CallTo(portmap, 2, 5) + Words({kCoreProgram, 1, 0, 0}) << Accepted(AcceptStatus::ProcedureUnavailable);
    }
    void callsGetTheirReplies()
    {
        QFETCH(QByteArray, record);
        QFETCH(QByteArray, reply);
        QCOMPARE(Answer(record).toHex(' '), reply.toHex(' '));
    }

    // VXI-11's arguments decode whole and within their bounds, or not at all.
    void vxi11ArgumentsAreReadWholeOrNotAtAll_data()
    {
        QTest::addColumn<QByteArray>("arguments");
        QTest::addColumn<bool>("decoded");
        const QByteArray head = Words({1, 1000, 0, kEnd});
        QTest::newRow("a write") << head + Opaque("*IDN?\n") << true;
        QTest::newRow("a write of maxRecvSize") << head + Opaque(QByteArray(kMaxRecvSize, 'x')) << true;
        QTest::newRow("a write over maxRecvSize") << head + Opaque(QByteArray(kMaxRecvSize + 1, 'x')) << false;
        QTest::newRow("a write with a word more") << head + Opaque("*IDN?\n") + Words({0}) << false;
        QTest::newRow("a write cut short") << head + Opaque("*IDN?\n").chopped(1) << false;
    }
    void vxi11ArgumentsAreReadWholeOrNotAtAll()
    {
        QFETCH(QByteArray, arguments);
        QFETCH(bool, decoded);
        QCOMPARE(DecodeWrite(arguments).has_value(), decoded);
    }

    void aCreateLinkNamesItsDeviceWithinItsBound()
    {
        const std::optional<CreateLinkParms> parms = DecodeCreateLink(Words({5, 1, 300}) + Opaque("inst0"));
        QVERIFY(parms);
        QCOMPARE(parms->device, "inst0");
        QCOMPARE(parms->lockTimeout, 300u);
        QVERIFY(parms->lockDevice);
        QVERIFY(!DecodeCreateLink(Words({5, 0, 0}) + Opaque(QByteArray(kMaxDeviceName + 1, 'i'))));
        QVERIFY(!DecodeCreateLink(Words({5, 2, 0}) + Opaque("inst0")));  // a boolean of 2
    }
};

QTEST_GUILESS_MAIN(TestRpc)
#include "test_rpc.moc"
