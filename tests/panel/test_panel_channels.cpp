// The current channels: steps, Write, Read and the trackbars, with every byte on the wire.
#include "PanelFixture.h"

#include "BitsCodec.h"

#include <QStyle>
#include <QStyleOptionSlider>

using namespace res;

namespace {

QString TextOf(int code)
{
    return QString::fromLatin1(codec::ValueToBits(code));
}

// A panel with all three channels on and a chip whose REGISTER_S reads 0x2D.
struct AllOn {
    CPanelFixture panel;

    AllOn()
    {
        [[maybe_unused]] const bool started = panel.Start();
        panel.SwitchOn({IDC_LED_A1, IDC_LED_B1, IDC_LED_C1});
        panel.board->registers[board::REGISTER_S] = 0x2D;
    }
    void StepTo(int trackbarId, int upId, int code)
    {
        while (panel.Trackbar(trackbarId)->value() < code)
            panel.Click(upId);
        panel.ClearWire();
    }
};

QRect HandleRect(QSlider* trackbar)
{
    QStyleOptionSlider option;
    option.initFrom(trackbar);
    option.minimum = trackbar->minimum();
    option.maximum = trackbar->maximum();
    option.sliderPosition = option.sliderValue = trackbar->sliderPosition();
    option.orientation = Qt::Horizontal;
    option.tickPosition = trackbar->tickPosition();
    return trackbar->style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, trackbar);
}

// The point in the channel where the thumb's centre would stand at code.
QPoint PointOver(QSlider* trackbar, int code)
{
    const QRect handle = HandleRect(trackbar);
    const int span = trackbar->width() - handle.width();
    const int x = QStyle::sliderPositionFromValue(0, 63, code, span) + handle.width() / 2;
    return QPoint(x, handle.center().y());
}

// The code of every current write of channel A on the wire.
QList<int> WrittenCodes(const QByteArray& wire)
{
    QList<int> codes;
    for (int i = 0; i + 4 < wire.size(); i += 5)
        codes << quint8(wire.at(i + 1));
    return codes;
}

}  // namespace

class TestPanelChannels : public QObject {
    Q_OBJECT

private slots:
    void stepsWriteTheNextCode()
    {
        AllOn on;
        CPanelFixture& panel = on.panel;
        on.StepTo(IDC_SLIDER2, IDC_UP_B, 62);
        panel.Click(IDC_UP_B);
        QCOMPARE(panel.Trackbar(IDC_SLIDER2)->value(), 63);
        QCOMPARE(panel.Label(IDC_CURRENT_B)->text(), QString("LED current : 32.0 mA"));
        QCOMPARE(panel.Field(IDC_BITS_B)->text(), TextOf(63));
        QCOMPARE(panel.Wire(), Bytes({0x81, 0x3F, 0x93, 0x83, 0x2D}));
        // At the ends nothing is sent and nothing changes.
        panel.ClearWire();
        panel.Click(IDC_UP_B);
        panel.Click(IDC_DOWN_A);
        QVERIFY(panel.Wire().isEmpty());
        QCOMPARE(panel.Trackbar(IDC_SLIDER2)->value(), 63);
        QCOMPARE(panel.Label(IDC_CURRENT_A)->text(), QString("LED current : 0.5 mA"));

        on.StepTo(IDC_SLIDER1, IDC_UP_A, 1);
        panel.Click(IDC_DOWN_A);
        QCOMPARE(panel.Trackbar(IDC_SLIDER1)->value(), 0);
        QCOMPARE(panel.Label(IDC_CURRENT_A)->text(), QString("LED current : 0.5 mA"));
        QCOMPARE(panel.Wire(), Bytes({0x80, 0x00, 0x93, 0x83, 0x2D}));
        QCOMPARE(panel.board->registers[board::REGISTER_A], quint8(0));
    }

    void writeSendsTheTypedCodeAndKeepsTheText()
    {
        AllOn on;
        CPanelFixture& panel = on.panel;
        panel.Field(IDC_BITS_C)->setText(TextOf(10));
        panel.Click(IDC_WRITE_C);
        QCOMPARE(panel.Trackbar(IDC_SLIDER3)->value(), 10);
        QCOMPARE(panel.Label(IDC_CURRENT_C)->text(), QString("LED current : 5.5 mA"));
        QCOMPARE(panel.Wire(), Bytes({0x82, 0x0A, 0x93, 0x83, 0x2D}));
        QCOMPARE(panel.Field(IDC_BITS_C)->text(), TextOf(10));
        // With the C boxes unticked, Write still writes and shows the label.
        panel.Click(IDC_LED_C1);
        panel.ClearWire();
        panel.Click(IDC_WRITE_C);
        QCOMPARE(panel.Wire(), Bytes({0x82, 0x0A, 0x93, 0x83, 0x2D}));
        QVERIFY(panel.Label(IDC_CURRENT_C)->isVisible());
    }

    void writeRefusesATextThatIsNotABitsText()
    {
        AllOn on;
        CPanelFixture& panel = on.panel;
        QLineEdit* field = panel.Field(IDC_BITS_A);
        field->setText(TextOf(3));
        panel.Click(IDC_WRITE_A);
        panel.ClearWire();
        // One digit deleted: 24 characters, reading as -16.
        field->setCursorPosition(23);
        field->setFocus();
        QTest::keyClick(field, Qt::Key_Delete);
        QCOMPARE(field->text().size(), 24);
        panel.Click(IDC_WRITE_A);
        // Digits shifted by one place: accepted by the rule, reading as -496.
        field->setText(QString::fromLatin1(QByteArray(codec::kBitsTemplate).remove(10, 1) + '1'));
        QCOMPARE(panel.dialog->BitsToValue(panel.dialog->m_strBitsA), -496);
        panel.Click(IDC_WRITE_A);
        QVERIFY(panel.Wire().isEmpty());
        QCOMPARE(panel.Trackbar(IDC_SLIDER1)->value(), 3);
        QCOMPARE(panel.Label(IDC_CURRENT_A)->text(), QString("LED current : 2.0 mA"));
        QCOMPARE(panel.board->registers[board::REGISTER_A], quint8(3));
    }

    void readShowsTheChipsCode()
    {
        AllOn on;
        CPanelFixture& panel = on.panel;
        panel.board->registers[board::REGISTER_A] = 0xC5;
        panel.Click(IDC_READ_A);
        QCOMPARE(panel.Wire(), Bytes({0x90}));
        QCOMPARE(panel.Trackbar(IDC_SLIDER1)->value(), 5);
        QCOMPARE(panel.Label(IDC_CURRENT_A)->text(), QString("LED current : 3.0 mA"));
        QCOMPARE(panel.Field(IDC_BITS_A)->text(), TextOf(5));
        // Neither box ticked: nothing is sent.
        panel.Click(IDC_LED_A1);
        panel.ClearWire();
        panel.Click(IDC_READ_A);
        QVERIFY(panel.Wire().isEmpty());
        // A silent board reads as code 0.
        panel.board->faults.silentFrom = panel.board->ReceivedCount();
        panel.Click(IDC_READ_B);
        QCOMPARE(panel.Label(IDC_CURRENT_B)->text(), QString("LED current : 0.5 mA"));
        QCOMPARE(panel.Field(IDC_BITS_B)->text(), TextOf(0));
        QVERIFY(panel.messages.isEmpty());
    }

    void aChannelsRefreshRewritesOnlyFieldsThatDiffer()
    {
        AllOn on;
        CPanelFixture& panel = on.panel;
        panel.Field(IDC_BITS_B)->setText(TextOf(7));
        panel.dialog->m_strBitsC = codec::ValueToBits(9);  // a member out of step with its field
        panel.Click(IDC_UP_A);
        QCOMPARE(panel.Field(IDC_BITS_A)->text(), TextOf(1));
        QCOMPARE(panel.Field(IDC_BITS_B)->text(), TextOf(7));
        QCOMPARE(panel.Field(IDC_BITS_C)->text(), TextOf(9));
        QCOMPARE(panel.dialog->m_strGoodBitsA, QByteArray(codec::kBitsTemplate));
        // A rejected edit now brings back the older accepted text.
        QLineEdit* field = panel.Field(IDC_BITS_A);
        field->setFocus();
        field->setCursorPosition(0);
        QTest::keyClicks(field, "1");
        QCOMPARE(field->text(), QString::fromLatin1(codec::kBitsTemplate));
    }

    void dragWritesEveryPositionThenTwiceAtRelease()
    {
        AllOn on;
        CPanelFixture& panel = on.panel;
        QSlider* trackbar = panel.Trackbar(IDC_SLIDER1);
        trackbar->setValue(10);
        panel.ClearWire();
        const QRect handle = HandleRect(trackbar);
        const auto xOf = [&](int code) { return PointOver(trackbar, code).x(); };
        QTest::mousePress(trackbar, Qt::LeftButton, {}, handle.center());
        QList<int> reported;
        for (int code = 11; code <= 20; ++code) {
            QMouseEvent move(QEvent::MouseMove, QPointF(xOf(code), handle.center().y()),
                             trackbar->mapToGlobal(QPointF(xOf(code), handle.center().y())), Qt::NoButton,
                             Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(trackbar, &move);
            reported << trackbar->sliderPosition();
        }
        QTest::mouseRelease(trackbar, Qt::LeftButton, {}, QPoint(xOf(20), handle.center().y()));
        QCOMPARE(trackbar->value(), 20);
        // Five bytes a write: every new position on the way, then 20 twice more.
        QByteArray expected;
        int last = 10;
        for (int code : reported) {
            if (code != last)
                expected += Bytes({0x80, code, 0x93, 0x83, 0x2D});
            last = code;
        }
        expected += Bytes({0x80, 20, 0x93, 0x83, 0x2D, 0x80, 20, 0x93, 0x83, 0x2D});
        QCOMPARE(panel.Wire(), expected);
        QCOMPARE(panel.Field(IDC_BITS_A)->text(), TextOf(20));
        QCOMPARE(panel.Label(IDC_CURRENT_A)->text(), QString("LED current : 10.5 mA"));
    }

    // Each gesture on the real trackbar, with the codes the current writes carry: one
    // write per notification the Windows trackbar sends for that gesture.
    void gesturesWriteAsTheWindowsTrackbarNotifies_data()
    {
        QTest::addColumn<int>("start");
        QTest::addColumn<QString>("gesture");
        QTest::addColumn<int>("where");  // a key, or the code under the pointer (-1: the thumb)
        QTest::addColumn<int>("repeats");  // auto-repeated key presses, or ms the button is held
        QTest::addColumn<QList<int>>("writes");
        const auto key = [](const char* name, int start, Qt::Key k, QList<int> writes, int repeats = 0) {
            QTest::newRow(name) << start << QString("key") << int(k) << repeats << writes;
        };
        key("Left", 10, Qt::Key_Left, {9, 9});
        key("Right", 10, Qt::Key_Right, {11, 11});
        key("Up lowers", 10, Qt::Key_Up, {9, 9});
        key("Down raises", 10, Qt::Key_Down, {11, 11});
        key("PageUp lowers a page", 20, Qt::Key_PageUp, {8, 8});
        key("PageUp stops at 0", 11, Qt::Key_PageUp, {0, 0});
        key("PageDown raises a page", 11, Qt::Key_PageDown, {23, 23});
        key("Home", 10, Qt::Key_Home, {0, 0});
        key("End", 10, Qt::Key_End, {63, 63});
        for (Qt::Key k : {Qt::Key_Home, Qt::Key_Left, Qt::Key_Up, Qt::Key_PageUp})
            key(qPrintable(QKeySequence(k).toString() + " at 0"), 0, k, {0});
        for (Qt::Key k : {Qt::Key_End, Qt::Key_Right, Qt::Key_Down, Qt::Key_PageDown})
            key(qPrintable(QKeySequence(k).toString() + " at 63"), 63, k, {63});
        key("Right held", 10, Qt::Key_Right, {11, 12, 13, 13}, 2);
        key("Left held into the end", 1, Qt::Key_Left, {0, 0}, 2);
        key("PageDown held into the end", 40, Qt::Key_PageDown, {52, 63, 63}, 2);
        key("a letter", 10, Qt::Key_A, {});
        const auto mouse = [](const char* name, int start, const char* button, int where, QList<int> writes,
                              int heldMs = 0) {
            QTest::newRow(name) << start << QString(button) << where << heldMs << writes;
        };
        mouse("click on the thumb", 10, "left", -1, {10, 10});
        mouse("click beside, far", 10, "left", 55, {22, 22});
        mouse("click beside, near", 32, "left", 26, {20, 20});
        mouse("click beside overshoots", 32, "left", 38, {44, 44});
        mouse("hold beside pages up to the pointer", 10, "left", 55, {22, 34, 46, 58, 58}, 1);
        mouse("hold beside, downwards", 53, "left", 8, {41, 29, 17, 5, 5}, 1);
        mouse("middle click beside", 10, "middle", 55, {});
        mouse("middle click on the thumb", 10, "middle", -1, {});
        mouse("right click beside", 10, "right", 55, {});
        mouse("wheel up", 10, "wheel", 120, {});
        mouse("wheel down", 10, "wheel", -120, {});
    }

    void gesturesWriteAsTheWindowsTrackbarNotifies()
    {
        QFETCH(int, start);
        QFETCH(QString, gesture);
        QFETCH(int, where);
        QFETCH(int, repeats);
        QFETCH(QList<int>, writes);
        AllOn on;
        CPanelFixture& panel = on.panel;
        QSlider* trackbar = panel.Trackbar(IDC_SLIDER1);
        trackbar->setValue(start);
        trackbar->setFocus();
        panel.ClearWire();
        const QPoint point = where < 0 ? HandleRect(trackbar).center() : PointOver(trackbar, where);
        if (gesture == "key") {
            QTest::keyPress(trackbar, Qt::Key(where));
            for (int i = 0; i < repeats; ++i) {
                QKeyEvent again(QEvent::KeyPress, where, Qt::NoModifier, QString(), true);
                QApplication::sendEvent(trackbar, &again);
            }
            QTest::keyRelease(trackbar, Qt::Key(where));
        } else if (gesture == "wheel") {
            QWheelEvent wheel(PointOver(trackbar, start), trackbar->mapToGlobal(PointOver(trackbar, start)), {},
                              QPoint(0, where), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
            QApplication::sendEvent(trackbar, &wheel);
        } else {
            const Qt::MouseButton button = gesture == "left" ? Qt::LeftButton
                : gesture == "middle"                        ? Qt::MiddleButton
                                                             : Qt::RightButton;
            QTest::mousePress(trackbar, button, {}, point);
            if (repeats) {
                // Held: pages every half second until the thumb has reached the pointer.
                QVERIFY(QTest::qWaitFor([&] { return trackbar->value() == writes.value(writes.size() - 2); }, 5000));
                QTest::qWait(700);
            }
            QTest::mouseRelease(trackbar, button, {}, point);
        }
        QCOMPARE(WrittenCodes(panel.Wire()), writes);
        QCOMPARE(trackbar->value(), writes.isEmpty() ? start : writes.back());
    }

    void scrollsFromOtherControlsChangeNothing()
    {
        AllOn on;
        CPanelFixture& panel = on.panel;
        panel.dialog->OnHScroll(5, 3, panel.Item(IDC_BITS_A));
        panel.dialog->OnHScroll(5, 3, nullptr);
        QVERIFY(panel.Wire().isEmpty());
    }
};

QTEST_MAIN(TestPanelChannels)
#include "test_panel_channels.moc"
