// The current channels: steps, Write, Read, the bits fields and the trackbars, with every
// byte on the wire.
#include "PanelFixture.h"
#include "Trackbar.h"

#include <QApplication>
#include <QSignalSpy>
#include <QStyle>
#include <QStyleOptionSlider>

namespace {

// A panel with all three channels on and a chip whose REGISTER_S reads 0x2D.
struct AllOn : CPanelFixture {
    AllOn()
    {
        SwitchOn({IDC_LED_A1, IDC_LED_B1, IDC_LED_C1});
        board->registers[board::REGISTER_S] = 0x2D;
    }
    void StepTo(int trackbarId, int upId, int code)
    {
        while (Trackbar(trackbarId)->value() < code)
            Click(upId);
        ClearWire();
    }
    // What a channel shows of its code: trackbar, label and bits field, as "63 32.0 mA <bits>".
    QString Shows(int trackbar, int label, int field) const
    {
        return QString("%1 %2 %3").arg(Trackbar(trackbar)->value()).arg(Label(label)->text().mid(14), Field(field)->text());
    }
    static QString Showing(int code) { return QString("%1 %2 mA %3").arg(code).arg(codec::CurrentNumberText(code), TextOf(code)); }
    // Selects the character at position and types text over it, as a key stroke does.
    void TypeOver(QLineEdit* field, int position, const QString& text)
    {
        field->setFocus();
        field->setSelection(position, 1);
        QTest::sendKeyEvent(QTest::Press, field, Qt::Key_unknown, text, Qt::NoModifier);
        QTest::sendKeyEvent(QTest::Release, field, Qt::Key_unknown, text, Qt::NoModifier);
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
        AllOn panel;
        panel.StepTo(IDC_SLIDER2, IDC_UP_B, 62);
        panel.Click(IDC_UP_B);
        QCOMPARE(panel.Shows(IDC_SLIDER2, IDC_CURRENT_B, IDC_BITS_B), AllOn::Showing(63));
        QCOMPARE(panel.Wire(), Bytes({0x81, 0x3F, 0x93, 0x83, 0x2D}));
        // At the ends nothing is sent and nothing changes.
        panel.ClearWire();
        panel.Click(IDC_UP_B);
        panel.Click(IDC_DOWN_A);
        QVERIFY(panel.Wire().isEmpty());
        QCOMPARE(panel.Trackbar(IDC_SLIDER2)->value() + panel.Trackbar(IDC_SLIDER1)->value(), 63);
        panel.StepTo(IDC_SLIDER3, IDC_UP_C, 1);
        panel.Click(IDC_DOWN_C);
        QCOMPARE(panel.Shows(IDC_SLIDER3, IDC_CURRENT_C, IDC_BITS_C), AllOn::Showing(0));
        QCOMPARE(panel.Wire(), Bytes({0x82, 0x00, 0x93, 0x83, 0x2D}));
        panel.StepTo(IDC_SLIDER1, IDC_UP_A, 1);
        panel.Click(IDC_DOWN_A);
        panel.Click(IDC_DOWN_B);
        QCOMPARE(panel.Wire(), Bytes({0x80, 0x00, 0x93, 0x83, 0x2D, 0x81, 0x3E, 0x93, 0x83, 0x2D}));
    }

    // Write sends the typed code and leaves the text as typed, with the channel's boxes
    // unticked too; a text that is not a whole bits text is not written. Read shows the
    // chip's low six bits, sends nothing with neither box ticked, and takes 0 from a silent board.
    void writeAndRead()
    {
        AllOn panel;
        QLineEdit* field = panel.Field(IDC_BITS_C);
        field->setText(TextOf(10));
        panel.Click(IDC_LED_C1);
        panel.Click(IDC_WRITE_C);
        QCOMPARE(panel.Shows(IDC_SLIDER3, IDC_CURRENT_C, IDC_BITS_C), AllOn::Showing(10));
        QVERIFY(panel.Label(IDC_CURRENT_C)->isVisible());
        QCOMPARE(panel.Wire(), Bytes({0x82, 0x0A, 0x93, 0x83, 0x2D}));
        panel.ClearWire();
        field->setCursorPosition(23);
        QTest::keyClick(field, Qt::Key_Delete);
        panel.Click(IDC_WRITE_C);
        field->setText(QString::fromLatin1(QByteArray(codec::kBitsTemplate).remove(10, 1) + '1'));
        panel.Click(IDC_WRITE_C);
        panel.Click(IDC_READ_C);
        QVERIFY(panel.Wire().isEmpty());
        QCOMPARE(panel.Trackbar(IDC_SLIDER3)->value(), 10);
        panel.board->registers[board::REGISTER_A] = 0xC5;
        panel.Click(IDC_READ_A);
        QCOMPARE(panel.Wire(), Bytes({0x90}));
        QCOMPARE(panel.Shows(IDC_SLIDER1, IDC_CURRENT_A, IDC_BITS_A), AllOn::Showing(5));
        panel.board->faults.silentFrom = panel.board->ReceivedCount();
        panel.Click(IDC_READ_B);
        QCOMPARE(panel.Shows(IDC_SLIDER2, IDC_CURRENT_B, IDC_BITS_B), AllOn::Showing(0));
    }

    // A code shown by Read, a step or a trackbar becomes the last accepted text only with
    // the next accepted edit; a field rewrite touches only fields that differ. Typing is
    // repaired where it can be, the caret stays where the user typed, and a character
    // outside Latin-1 counts once.
    void shownCodesAreAcceptedOnlyByTheNextEdit()
    {
        AllOn panel;
        QSignalSpy changedB(panel.Field(IDC_BITS_B), &QLineEdit::textChanged);
        panel.board->registers[board::REGISTER_A] = 37;
        panel.Click(IDC_READ_A);
        QCOMPARE(changedB.count(), 0);
        QCOMPARE(panel.dialog->m_strGoodBitsA, QByteArray(codec::kBitsTemplate));
        panel.Field(IDC_BITS_A)->setCursorPosition(3);
        QTest::keyClicks(panel.Field(IDC_BITS_A), "1");  // rejected: the older text comes back
        QCOMPARE(panel.Field(IDC_BITS_A)->text(), TextOf(0));
        panel.Click(IDC_UP_A);
        panel.TypeOver(panel.Field(IDC_BITS_A), 23, "0");
        QCOMPARE(panel.dialog->m_strGoodBitsA, codec::ValueToBits(38));
        panel.dialog->m_strBitsC = "stale";
        panel.TypeOver(panel.Field(IDC_BITS_A), 7, "7");  // over the top bit of 38
        QCOMPARE(panel.Field(IDC_BITS_A)->text() + panel.dialog->m_strBitsC, TextOf(6) + codec::kBitsTemplate);
        QCOMPARE(panel.Field(IDC_BITS_A)->cursorPosition(), 8);
        QCOMPARE(panel.dialog->m_strGoodBitsA, codec::ValueToBits(6));
        panel.TypeOver(panel.Field(IDC_BITS_A), 10, QString::fromUtf8("\xF0\x9F\x92\xA1"));  // one character, two UTF-16 units
        QCOMPARE(panel.Field(IDC_BITS_A)->text(), TextOf(6));
    }

    // Each gesture on the real trackbar, with the codes its current writes carry: one
    // write per notification the Windows trackbar sends for that gesture, with the label
    // and the bits field following the last.
    void gesturesWriteAsTheWindowsTrackbarNotifies()
    {
        struct Gesture {
            const char* name;
            int start;
            const char* kind;
            int where;  // a key, or the code under the pointer (-1: the thumb)
            QList<int> writes;
            int repeats = 0;  // auto-repeated key presses, or whether the button is held
        };
        std::vector<Gesture> gestures{
            {"Left", 10, "key", Qt::Key_Left, {9, 9}}, {"Right", 10, "key", Qt::Key_Right, {11, 11}},
            {"Up lowers", 10, "key", Qt::Key_Up, {9, 9}}, {"Down raises", 10, "key", Qt::Key_Down, {11, 11}},
            {"PageUp lowers a page", 20, "key", Qt::Key_PageUp, {8, 8}}, {"PageUp stops at 0", 11, "key", Qt::Key_PageUp, {0, 0}},
            {"PageDown raises a page", 11, "key", Qt::Key_PageDown, {23, 23}},
            {"Home", 10, "key", Qt::Key_Home, {0, 0}}, {"End", 10, "key", Qt::Key_End, {63, 63}},
            {"Right held", 10, "key", Qt::Key_Right, {11, 12, 13, 13}, 2}, {"Left held into the end", 1, "key", Qt::Key_Left, {0, 0}, 2},
            {"a letter", 10, "key", Qt::Key_A, {}}, {"drag", 10, "drag", 20, {14, 17, 20, 20, 20}},
            {"click beside, then drag", 10, "click, drag", 20, {22, 22, 14, 17, 20, 20, 20}},
            {"click on the thumb", 10, "left", -1, {10, 10}}, {"click beside, far", 10, "left", 55, {22, 22}},
            {"click beside, near", 32, "left", 26, {20, 20}}, {"click beside overshoots", 32, "left", 38, {44, 44}},
            {"held beside, up to the pointer", 10, "left", 58, {22, 34, 46, 58, 58}, 1},
            {"held beside, downwards", 53, "left", 5, {41, 29, 17, 5, 5}, 1},
            {"held beside, the pointer moved nearer", 10, "left, moved", 34, {22, 34, 34}, 1},
            {"middle click beside", 10, "middle", 55, {}}, {"middle click on the thumb", 10, "middle", -1, {}},
            {"right click beside", 10, "right", 55, {}}, {"wheel up", 10, "wheel", 120, {}}, {"wheel down", 10, "wheel", -120, {}}};
        for (Qt::Key key : {Qt::Key_Home, Qt::Key_Left, Qt::Key_Up, Qt::Key_PageUp})
            gestures.push_back({"a key at 0", 0, "key", key, {0}});
        for (Qt::Key key : {Qt::Key_End, Qt::Key_Right, Qt::Key_Down, Qt::Key_PageDown})
            gestures.push_back({"a key at 63", 63, "key", key, {63}});
        for (const Gesture& g : gestures) {
            AllOn panel;
            QSlider* trackbar = panel.Trackbar(IDC_SLIDER1);
            trackbar->setValue(g.start);
            trackbar->setFocus();
            panel.ClearWire();
            const QPoint point = g.where < 0 ? HandleRect(trackbar).center() : PointOver(trackbar, g.where);
            const auto moveTo = [trackbar](const QPoint& to) {
                QMouseEvent move(QEvent::MouseMove, to, trackbar->mapToGlobal(to), Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
                QApplication::sendEvent(trackbar, &move);
            };
            if (QString(g.kind) == "key") {
                QTest::keyPress(trackbar, Qt::Key(g.where));
                for (int i = 0; i < g.repeats; ++i) {
                    QKeyEvent again(QEvent::KeyPress, g.where, Qt::NoModifier, QString(), true);
                    QApplication::sendEvent(trackbar, &again);
                }
                QTest::keyRelease(trackbar, Qt::Key(g.where));
            } else if (QString(g.kind) == "wheel") {
                QWheelEvent wheel(point, trackbar->mapToGlobal(point), {}, QPoint(0, g.where), Qt::NoButton,
                                  Qt::NoModifier, Qt::NoScrollPhase, false);
                QApplication::sendEvent(trackbar, &wheel);
            } else if (QString(g.kind).endsWith("drag")) {
                if (QString(g.kind) == "click, drag")  // paging over, the next press on the thumb drags
                    QTest::mouseClick(trackbar, Qt::LeftButton, {}, PointOver(trackbar, 55));
                QTest::mousePress(trackbar, Qt::LeftButton, {}, HandleRect(trackbar).center());
                for (int code : {14, 17, 20})
                    moveTo(PointOver(trackbar, code));
                QTest::mouseRelease(trackbar, Qt::LeftButton, {}, point);
            } else {
                const Qt::MouseButton button = QString(g.kind).startsWith("left") ? Qt::LeftButton
                    : QString(g.kind) == "middle"                                ? Qt::MiddleButton : Qt::RightButton;
                const bool moved = QString(g.kind) == "left, moved";  // pressed over 63, then moved over where
                QTest::mousePress(trackbar, button, {}, moved ? PointOver(trackbar, 63) : point);
                if (moved)
                    moveTo(point);
                // Held: a page every half second until the thumb has reached the pointer,
                // and then no more.
                if (g.repeats)
                    (void)QTest::qWaitFor([&] { return !qobject_cast<controls::CTrackbar*>(trackbar)->IsPaging(); }, 10000);
                QTest::mouseRelease(trackbar, button, {}, point);
            }
            const int final = g.writes.isEmpty() ? g.start : g.writes.back();
            QVERIFY2(WrittenCodes(panel.Wire()) == g.writes && trackbar->value() == final, g.name);
            if (!g.writes.isEmpty())
                QCOMPARE(panel.Shows(IDC_SLIDER1, IDC_CURRENT_A, IDC_BITS_A), AllOn::Showing(final));
        }
    }

};

QTEST_MAIN(TestPanelChannels)
#include "test_panel_channels.moc"
