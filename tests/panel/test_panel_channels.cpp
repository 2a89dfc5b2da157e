// The current channels: steps, Write, Read, the bits fields and the trackbars, with every
// byte on the wire.
#include "PanelFixture.h"
#include "Trackbar.h"

#include <QSignalSpy>
#include <QStyle>
#include <QStyleOptionSlider>

namespace {

struct ChannelIds {
    int down, up, write, read, bits, trackbar, label;
};
const ChannelIds kA{IDC_DOWN_A, IDC_UP_A, IDC_WRITE_A, IDC_READ_A, IDC_BITS_A, IDC_SLIDER1, IDC_CURRENT_A};
const ChannelIds kB{IDC_DOWN_B, IDC_UP_B, IDC_WRITE_B, IDC_READ_B, IDC_BITS_B, IDC_SLIDER2, IDC_CURRENT_B};
const ChannelIds kC{IDC_DOWN_C, IDC_UP_C, IDC_WRITE_C, IDC_READ_C, IDC_BITS_C, IDC_SLIDER3, IDC_CURRENT_C};

const QString kText5 = " X  X  0  0   0  1  0  1 ";
const QString kText37 = " X  X  1  0   0  1  0  1 ";
const QString kText38 = " X  X  1  0   0  1  1  0 ";
const QString kText63 = " X  X  1  1   1  1  1  1 ";

// A panel with all three channels on and a chip whose REGISTER_S reads 0x2D.
struct AllOn : CPanelFixture {
    AllOn() : on(SwitchOn({IDC_LED_A1, IDC_LED_B1, IDC_LED_C1})) { board->registers[board::REGISTER_S] = 0x2D; }
    const bool on;  // each test checks it first

    // Selects the character at position and types text over it, as a key stroke does.
    void TypeOver(int field, int position, const QString& text)
    {
        Field(field)->setFocus();
        Field(field)->setSelection(position, 1);
        QTest::sendKeyEvent(QTest::Press, Field(field), Qt::Key_unknown, text, Qt::NoModifier);
        QTest::sendKeyEvent(QTest::Release, Field(field), Qt::Key_unknown, text, Qt::NoModifier);
    }
    // Types a '1' that would make the text 26 characters long, which the field rejects.
    QString TextAfterARejectedEdit(int field)
    {
        Field(field)->setCursorPosition(3);
        QTest::keyClicks(Field(field), "1");
        return Field(field)->text();
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

void MovePointer(QSlider* trackbar, const QPoint& to)
{
    QMouseEvent move(QEvent::MouseMove, to, trackbar->mapToGlobal(to), Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(trackbar, &move);
}

// The code of every current write of a channel on the wire.
QList<int> WrittenCodes(const QByteArray& wire)
{
    QList<int> codes;
    for (int i = 0; i + 4 < wire.size(); i += 5)
        codes << quint8(wire.at(i + 1));
    return codes;
}

}  // namespace

Q_DECLARE_METATYPE(ChannelIds)

class TestPanelChannels : public QObject {
    Q_OBJECT

private slots:
    // The step starts from the trackbar; the chip's REGISTER_S is read and written back, and
    // trackbar, label and bits field all show the stepped code.
    void aStepWritesTheNextCode_data()
    {
        QTest::addColumn<ChannelIds>("channel");
        QTest::addColumn<bool>("up");
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("to");
        QTest::addColumn<QByteArray>("wire");
        QTest::addColumn<QString>("label");
        QTest::addColumn<QString>("bits");
        QTest::newRow("Up on B from 62 writes 63") << kB << true << 62 << 63 << CurrentWrite(board::REGISTER_B, 0x3F, 0x2D) << "LED current : 32.0 mA" << kText63;
        QTest::newRow("Down on A from 1 writes 0") << kA << false << 1 << 0 << CurrentWrite(board::REGISTER_A, 0x00, 0x2D) << "LED current : 0.5 mA" << kTemplateText;
        QTest::newRow("Up on C from 0 writes 1") << kC << true << 0 << 1 << CurrentWrite(board::REGISTER_C, 0x01, 0x2D) << "LED current : 1.0 mA" << " X  X  0  0   0  0  0  1 ";
        QTest::newRow("Up on A from 36 writes 37") << kA << true << 36 << 37 << CurrentWrite(board::REGISTER_A, 0x25, 0x2D) << "LED current : 19.0 mA" << kText37;
        QTest::newRow("Up at 63 sends nothing") << kB << true << 63 << 63 << QByteArray() << "LED current : 0.5 mA" << kTemplateText;
        QTest::newRow("Down at 0 sends nothing") << kA << false << 0 << 0 << QByteArray() << "LED current : 0.5 mA" << kTemplateText;
    }
    void aStepWritesTheNextCode()
    {
        QFETCH(ChannelIds, channel);
        QFETCH(bool, up);
        QFETCH(int, from);
        QFETCH(int, to);
        QFETCH(QByteArray, wire);
        QFETCH(QString, label);
        QFETCH(QString, bits);
        AllOn panel;
        QVERIFY(panel.on);
        panel.Trackbar(channel.trackbar)->setValue(from);
        panel.Click(up ? channel.up : channel.down);
        QCOMPARE(panel.Wire(), wire);
        QCOMPARE(panel.Trackbar(channel.trackbar)->value(), to);
        QCOMPARE(panel.Label(channel.label)->text(), label);
        QCOMPARE(panel.Field(channel.bits)->text(), bits);
    }

    // The trackbar and the label follow the typed text, which stays as typed. With the
    // channel's boxes unticked, Write stays usable until REGISTER_S is written again.
    void writeSendsTheTypedCode_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("untickFirst");
        QTest::addColumn<QByteArray>("wire");
        QTest::addColumn<QString>("label");
        QTest::newRow("code 10") << " X  X  0  0   1  0  1  0 " << false << CurrentWrite(board::REGISTER_C, 0x0A, 0x2D) << "LED current : 5.5 mA";
        QTest::newRow("code 5, the boxes unticked") << kText5 << true << CurrentWrite(board::REGISTER_C, 0x05, 0x2D) << "LED current : 3.0 mA";
    }
    void writeSendsTheTypedCode()
    {
        QFETCH(QString, text);
        QFETCH(bool, untickFirst);
        QFETCH(QByteArray, wire);
        QFETCH(QString, label);
        AllOn panel;
        QVERIFY(panel.on);
        panel.Field(kC.bits)->setText(text);
        if (untickFirst)
            panel.Click(IDC_LED_C1);
        panel.Click(kC.write);
        QCOMPARE(panel.Wire(), wire);
        QCOMPARE(panel.Trackbar(kC.trackbar)->value(), int(quint8(wire.at(1))));
        QCOMPARE(panel.Label(kC.label)->text(), label);
        QVERIFY(panel.Label(kC.label)->isVisible());
        QCOMPARE(panel.Field(kC.bits)->text(), text);
    }

    // Such a text would read as a value far outside 0..63: nothing is sent, nothing changes.
    void aTextThatIsNotWholeBitsIsNotWritten_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("a digit deleted (24 characters)") << " X  X  0  0   1  0  1   ";
        QTest::newRow("a digit moved to the end (reads -496)") << " X  X  0     0  0  0  0 1";
    }
    void aTextThatIsNotWholeBitsIsNotWritten()
    {
        QFETCH(QString, text);
        AllOn panel;
        QVERIFY(panel.on);
        panel.Trackbar(kC.trackbar)->setValue(10);
        panel.Field(kC.bits)->setText(text);
        QCOMPARE(panel.Field(kC.bits)->text(), text);  // the bits edit rule lets it stand
        panel.Click(kC.write);
        QVERIFY(panel.Wire().isEmpty());
        QCOMPARE(panel.Trackbar(kC.trackbar)->value(), 10);
    }

    // Only the read goes out, and the reply's two high bits are dropped; a silent board
    // reads as 0; with neither of the channel's boxes ticked nothing is sent or shown. The
    // other fields are not touched.
    void readShowsTheChipsLowSixBits_data()
    {
        QTest::addColumn<int>("chip");  // -1: the board stays silent
        QTest::addColumn<bool>("untickFirst");
        QTest::addColumn<QByteArray>("wire");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("bits");
        QTest::newRow("0xC5 is code 5") << 0xC5 << false << Bytes({0x91}) << 5 << kText5;
        QTest::newRow("silence is code 0") << -1 << false << Bytes({0x91}) << 0 << kTemplateText;
        QTest::newRow("no box ticked: nothing") << 0xC5 << true << QByteArray() << 20 << kTemplateText;
    }
    void readShowsTheChipsLowSixBits()
    {
        QFETCH(int, chip);
        QFETCH(bool, untickFirst);
        QFETCH(QByteArray, wire);
        QFETCH(int, code);
        QFETCH(QString, bits);
        AllOn panel;
        QVERIFY(panel.on);
        panel.Trackbar(kB.trackbar)->setValue(20);
        panel.board->registers[board::REGISTER_B] = quint8(chip);
        panel.board->faults.silentFrom = chip < 0 ? panel.board->ReceivedCount() : -1;
        if (untickFirst)
            panel.Click(IDC_LED_B1);
        QSignalSpy changedA(panel.Field(kA.bits), &QLineEdit::textChanged);
        panel.Click(kB.read);
        QCOMPARE(changedA.count(), 0);
        QCOMPARE(panel.Wire(), wire);
        QCOMPARE(panel.Trackbar(kB.trackbar)->value(), code);
        QCOMPARE(panel.Field(kB.bits)->text(), bits);
    }

    // A rejected edit brings back the field's last accepted text. A code shown by Read or a
    // step is not accepted by showing it, the user's next accepted edit is, and DISABLE makes
    // the template the accepted text, also where the field already showed it.
    void aRejectedEditBringsBackTheLastAcceptedText()
    {
        AllOn panel;
        QVERIFY(panel.on);
        panel.board->registers[board::REGISTER_A] = 37;
        panel.Click(kA.read);
        QCOMPARE(panel.Field(kA.bits)->text(), kText37);
        QCOMPARE(panel.TextAfterARejectedEdit(kA.bits), kTemplateText);
        panel.Click(kA.up);
        panel.TypeOver(kA.bits, 23, "0");  // accepted: the text of 38 as it was
        QCOMPARE(panel.TextAfterARejectedEdit(kA.bits), kText38);
        panel.board->registers[board::REGISTER_A] = 0;
        panel.Click(kA.read);  // shows the template
        panel.Click(IDC_ENABLE);  // disabled: every field shows the template and takes it
        panel.Click(IDC_ENABLE);
        panel.Click(IDC_LED_A1);
        panel.Click(IDC_WRITE_S);
        QCOMPARE(panel.TextAfterARejectedEdit(kA.bits), kTemplateText);
    }

    // A foreign character is repaired where typed, and the caret stays there. One that takes
    // two UTF-16 units is one character of the text: 25 stay 25.
    void typingIsRepairedWhereTyped()
    {
        AllOn panel;
        QVERIFY(panel.on);
        panel.Field(kA.bits)->setText(kText38);
        panel.TypeOver(kA.bits, 7, "7");  // over the top bit of 38
        QCOMPARE(panel.Field(kA.bits)->text(), " X  X  0  0   0  1  1  0 ");
        QCOMPARE(panel.Field(kA.bits)->cursorPosition(), 8);
        panel.TypeOver(kA.bits, 17, QString::fromUtf8("\xF0\x9F\x92\xA1"));
        QCOMPARE(panel.Field(kA.bits)->text(), " X  X  0  0   0  0  1  0 ");
    }

    // One current write per notification the Windows trackbar sends for the key: the move,
    // then TB_ENDTRACK at the release with the same code; nothing at an end it cannot pass.
    void keysOnTheTrackbar_data()
    {
        QTest::addColumn<int>("start");
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("repeats");  // key presses repeated while held
        QTest::addColumn<QList<int>>("writes");
        QTest::newRow("Left at 10 moves to 9") << 10 << int(Qt::Key_Left) << 0 << QList<int>{9, 9};
        QTest::newRow("Up at 10 moves toward 0") << 10 << int(Qt::Key_Up) << 0 << QList<int>{9, 9};
        QTest::newRow("Down at 10 moves toward 63") << 10 << int(Qt::Key_Down) << 0 << QList<int>{11, 11};
        QTest::newRow("PageUp at 20 moves a page of 12") << 20 << int(Qt::Key_PageUp) << 0 << QList<int>{8, 8};
        QTest::newRow("PageUp at 11 stops at 0") << 11 << int(Qt::Key_PageUp) << 0 << QList<int>{0, 0};
        QTest::newRow("PageDown at 11 moves to 23") << 11 << int(Qt::Key_PageDown) << 0 << QList<int>{23, 23};
        QTest::newRow("Home at 10 goes to 0") << 10 << int(Qt::Key_Home) << 0 << QList<int>{0, 0};
        QTest::newRow("End at 10 goes to 63") << 10 << int(Qt::Key_End) << 0 << QList<int>{63, 63};
        QTest::newRow("Right held at 10: a write a press, one at the release") << 10 << int(Qt::Key_Right) << 2 << QList<int>{11, 12, 13, 13};
        QTest::newRow("Left held at 1: nothing once at 0") << 1 << int(Qt::Key_Left) << 2 << QList<int>{0, 0};
        QTest::newRow("Home at 0: only the release") << 0 << int(Qt::Key_Home) << 0 << QList<int>{0};
        QTest::newRow("PageDown at 63: only the release") << 63 << int(Qt::Key_PageDown) << 0 << QList<int>{63};
        QTest::newRow("a letter does nothing") << 10 << int(Qt::Key_A) << 0 << QList<int>{};
    }
    void keysOnTheTrackbar()
    {
        QFETCH(int, start);
        QFETCH(int, key);
        QFETCH(int, repeats);
        QFETCH(QList<int>, writes);
        AllOn panel;
        QVERIFY(panel.on);
        QSlider* trackbar = panel.Trackbar(kA.trackbar);
        trackbar->setValue(start);
        trackbar->setFocus();
        QTest::keyPress(trackbar, Qt::Key(key));
        for (int i = 0; i < repeats; ++i) {
            QKeyEvent again(QEvent::KeyPress, key, Qt::NoModifier, QString(), true);
            QApplication::sendEvent(trackbar, &again);
        }
        QTest::keyRelease(trackbar, Qt::Key(key));
        QCOMPARE(WrittenCodes(panel.Wire()), writes);
        QCOMPARE(trackbar->value(), writes.isEmpty() ? start : writes.last());
    }

    // A left press beside the thumb pages towards the pointer at once, then every half
    // second while the pointer is still beyond the thumb; the release writes once more.
    // Moving the pointer while the button is held moves where the paging stops. Other buttons
    // do nothing.
    void mouseButtonsBesideTheThumb_data()
    {
        QTest::addColumn<int>("start");
        QTest::addColumn<int>("button");
        QTest::addColumn<int>("pointer");  // the code under the pointer; -1: on the thumb
        QTest::addColumn<bool>("held");    // until the paging has stopped
        QTest::addColumn<int>("moveTo");   // the code the pointer is moved over while held; -1: not moved
        QTest::addColumn<QList<int>>("writes");
        QTest::newRow("a click on the thumb writes where it is") << 10 << int(Qt::LeftButton) << -1 << false << -1 << QList<int>{10, 10};
        QTest::newRow("a click beside, far, pages 12 once") << 10 << int(Qt::LeftButton) << 55 << false << -1 << QList<int>{22, 22};
        QTest::newRow("a click beside, near, pages all the same") << 32 << int(Qt::LeftButton) << 26 << false << -1 << QList<int>{20, 20};
        QTest::newRow("a click beside may overshoot the pointer") << 32 << int(Qt::LeftButton) << 38 << false << -1 << QList<int>{44, 44};
        QTest::newRow("held beside pages up to the pointer") << 10 << int(Qt::LeftButton) << 58 << true << -1 << QList<int>{22, 34, 46, 58, 58};
        QTest::newRow("held beside pages down to the pointer") << 53 << int(Qt::LeftButton) << 5 << true << -1 << QList<int>{41, 29, 17, 5, 5};
        QTest::newRow("held, the pointer moved back, pages to it") << 10 << int(Qt::LeftButton) << 63 << true << 34 << QList<int>{22, 34, 34};
        QTest::newRow("a middle click beside does nothing") << 10 << int(Qt::MiddleButton) << 55 << false << -1 << QList<int>{};
        QTest::newRow("a middle click on the thumb does nothing") << 10 << int(Qt::MiddleButton) << -1 << false << -1 << QList<int>{};
        QTest::newRow("a right click beside does nothing") << 10 << int(Qt::RightButton) << 55 << false << -1 << QList<int>{};
    }
    void mouseButtonsBesideTheThumb()
    {
        QFETCH(int, start);
        QFETCH(int, button);
        QFETCH(int, pointer);
        QFETCH(bool, held);
        QFETCH(int, moveTo);
        QFETCH(QList<int>, writes);
        AllOn panel;
        QVERIFY(panel.on);
        auto* trackbar = qobject_cast<controls::CTrackbar*>(panel.Trackbar(kA.trackbar));
        trackbar->setValue(start);
        QPoint point = pointer < 0 ? HandleRect(trackbar).center() : PointOver(trackbar, pointer);
        QTest::mousePress(trackbar, Qt::MouseButton(button), {}, point);
        if (moveTo >= 0)
            MovePointer(trackbar, point = PointOver(trackbar, moveTo));
        if (held)
            QVERIFY(QTest::qWaitFor([trackbar] { return !trackbar->IsPaging(); }, 30000));
        QTest::mouseRelease(trackbar, Qt::MouseButton(button), {}, point);
        QVERIFY(!trackbar->IsPaging());  // no page after the release
        QCOMPARE(WrittenCodes(panel.Wire()), writes);
    }

    // Every position the trackbar reports on the way, and the last twice more at the
    // release; label and bits field follow. After a click beside the thumb, the next press
    // on the thumb drags again.
    void aDragWritesEveryPosition_data()
    {
        QTest::addColumn<bool>("clickBesideFirst");
        QTest::addColumn<QList<int>>("writes");
        QTest::newRow("from 10 to 20") << false << QList<int>{14, 17, 20, 20, 20};
        QTest::newRow("after a click beside") << true << QList<int>{22, 22, 14, 17, 20, 20, 20};
    }
    void aDragWritesEveryPosition()
    {
        QFETCH(bool, clickBesideFirst);
        QFETCH(QList<int>, writes);
        AllOn panel;
        QVERIFY(panel.on);
        QSlider* trackbar = panel.Trackbar(kA.trackbar);
        trackbar->setValue(10);
        if (clickBesideFirst)
            QTest::mouseClick(trackbar, Qt::LeftButton, {}, PointOver(trackbar, 55));
        QTest::mousePress(trackbar, Qt::LeftButton, {}, HandleRect(trackbar).center());
        for (int code : {14, 17, 20})
            MovePointer(trackbar, PointOver(trackbar, code));
        QTest::mouseRelease(trackbar, Qt::LeftButton, {}, PointOver(trackbar, 20));
        QCOMPARE(WrittenCodes(panel.Wire()), writes);
        QCOMPARE(panel.Label(kA.label)->text(), "LED current : 10.5 mA");
        QCOMPARE(panel.Field(kA.bits)->text(), " X  X  0  1   0  1  0  0 ");
    }

    void theWheelDoesNothing()
    {
        AllOn panel;
        QVERIFY(panel.on);
        QSlider* trackbar = panel.Trackbar(kA.trackbar);
        trackbar->setValue(10);
        const QPoint point = PointOver(trackbar, 30);
        for (int angle : {120, -120}) {
            QWheelEvent wheel(point, trackbar->mapToGlobal(point), {}, QPoint(0, angle), Qt::NoButton, Qt::NoModifier,
                              Qt::NoScrollPhase, false);
            QApplication::sendEvent(trackbar, &wheel);
        }
        QVERIFY(panel.Wire().isEmpty());
        QCOMPARE(trackbar->value(), 10);
    }
};

QTEST_MAIN(TestPanelChannels)
#include "test_panel_channels.moc"
