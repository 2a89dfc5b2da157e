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
        QStyleOptionSlider option;
        option.initFrom(trackbar);
        option.minimum = trackbar->minimum();
        option.maximum = trackbar->maximum();
        option.sliderPosition = option.sliderValue = 10;
        option.orientation = Qt::Horizontal;
        option.tickPosition = trackbar->tickPosition();
        const QRect handle = trackbar->style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, trackbar);
        const QRect groove = trackbar->style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderGroove, trackbar);
        const int span = groove.width() - handle.width();
        const auto xOf = [&](int code) { return handle.center().x() + (code - 10) * span / 63; };
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

    void keysWriteOnceForTheMoveAndOnceAtRelease()
    {
        AllOn on;
        CPanelFixture& panel = on.panel;
        QSlider* trackbar = panel.Trackbar(IDC_SLIDER2);
        trackbar->setFocus();
        QTest::keyClick(trackbar, Qt::Key_Right);
        QCOMPARE(panel.Wire(), Bytes({0x81, 1, 0x93, 0x83, 0x2D, 0x81, 1, 0x93, 0x83, 0x2D}));
        panel.ClearWire();
        QTest::keyClick(trackbar, Qt::Key_End);
        QCOMPARE(panel.Wire(), Bytes({0x81, 63, 0x93, 0x83, 0x2D, 0x81, 63, 0x93, 0x83, 0x2D}));
        // At the end the key still notifies, with the same code.
        panel.ClearWire();
        QTest::keyClick(trackbar, Qt::Key_Right);
        QCOMPARE(panel.Wire().size(), 10);
        QCOMPARE(panel.Field(IDC_BITS_B)->text(), TextOf(63));
        QCOMPARE(panel.Label(IDC_CURRENT_B)->text(), QString("LED current : 32.0 mA"));
    }

    void clickBesideTheThumbPagesOnceAndEndsAtRelease()
    {
        AllOn on;
        CPanelFixture& panel = on.panel;
        QSlider* trackbar = panel.Trackbar(IDC_SLIDER3);
        const QPoint rightEnd(trackbar->width() - 3, trackbar->height() / 2);
        QTest::mousePress(trackbar, Qt::LeftButton, {}, rightEnd);
        QTest::mouseRelease(trackbar, Qt::LeftButton, {}, rightEnd);
        const int code = trackbar->value();
        QVERIFY(code > 0);
        QCOMPARE(panel.Wire(), Bytes({0x82, code, 0x93, 0x83, 0x2D, 0x82, code, 0x93, 0x83, 0x2D}));
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
