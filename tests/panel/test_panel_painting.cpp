// What the panel draws beyond its standard controls: the banner, the channel colours, the
// bitmap step buttons and the minimised icon.
#include "PanelFixture.h"

#include "BitmapButton.h"
#include "Painting.h"

#include <QGroupBox>

using namespace res;

namespace {

QImage Pixels(const QPixmap& pixmap)
{
    return pixmap.toImage().convertToFormat(QImage::Format_ARGB32);
}

}  // namespace

class TestPanelPainting : public QObject {
    Q_OBJECT

private slots:
    void channelTextsWearTheirChannelsColour()
    {
        CPanelFixture panel;
        QVERIFY(panel.Start());
        const QColor red(214, 52, 29), green(0, 125, 30), blue(0, 0, 255);
        const std::map<int, QColor> coloured{
            {IDC_GROUP_A, red}, {IDC_CAPTION_A, red}, {IDC_LED_A1, red}, {IDC_LED_A2, red},
            {IDC_GROUP_B, green}, {IDC_CAPTION_B, green}, {IDC_LED_B1, green}, {IDC_LED_B2, green},
            {IDC_GROUP_C, blue}, {IDC_CAPTION_C, blue}, {IDC_LED_C1, blue}, {IDC_LED_C2, blue},
        };
        const QColor standard = panel.dialog->palette().color(QPalette::Active, QPalette::WindowText);
        for (const auto& [id, colour] : coloured)
            QCOMPARE(panel.Item(id)->palette().color(QPalette::Active, QPalette::WindowText), colour);
        for (int id : {IDC_GROUP_S, IDC_CURRENT_A, IDC_CURRENT_B, IDC_CURRENT_C, IDC_BIT7_A, IDC_BIT0_C, IDC_ENABLE,
                       IDOK, IDC_WRITE_S})
            QCOMPARE(panel.Item(id)->palette().color(QPalette::Active, QPalette::WindowText), standard);
    }

    void stepButtonsShowTheirImages()
    {
        CPanelFixture panel;
        QVERIFY(panel.Start());
        for (int id : {IDC_DOWN_A, IDC_UP_A, IDC_DOWN_B, IDC_UP_B, IDC_DOWN_C, IDC_UP_C}) {
            auto* button = qobject_cast<controls::CBitmapButton*>(panel.Item(id));
            QVERIFY(!button->NormalImage().isNull());
            QVERIFY(!button->PressedImage().isNull());
            QCOMPARE(button->size(), QSize(22, 17));
            QCOMPARE(button->NormalImage().toImage(), QPixmap(":/images/" + button->text() + "U.xpm").toImage());
            // Disabled or focused, it looks as it does normally.
            QCOMPARE(Pixels(button->grab()), Pixels(button->NormalImage()));
        }
        panel.SwitchOn({IDC_LED_A2});
        auto* up = qobject_cast<controls::CBitmapButton*>(panel.Item(IDC_UP_A));
        up->setFocus();
        QCOMPARE(Pixels(up->grab()), Pixels(up->NormalImage()));
        QTest::mousePress(up, Qt::LeftButton);
        QCOMPARE(Pixels(up->grab()), Pixels(up->PressedImage()));
        QTest::mouseRelease(up, Qt::LeftButton);
        QCOMPARE(Pixels(up->grab()), Pixels(up->NormalImage()));
        // A step button whose images are missing keeps its place and draws nothing.
        controls::CBitmapButton missing(QStringLiteral("DN9"));
        QVERIFY(!missing.AutoLoad());
        QVERIFY(missing.NormalImage().isNull());
    }

    void bannerIsDrawnTransparentAtItsPlace()
    {
        const QPixmap banner = panel::BannerImage(":/images/banner.xpm");
        QCOMPARE(banner.size(), QSize(450, 64));
        const QImage pixels = banner.toImage();
        QCOMPARE(qAlpha(pixels.pixel(0, 0)), 0);           // white is transparent
        bool purpleDrawn = false;
        for (int y = 0; y < pixels.height() && !purpleDrawn; ++y)
            for (int x = 0; x < 120 && !purpleDrawn; ++x)
                purpleDrawn = pixels.pixel(x, y) == qRgb(128, 0, 128);
        QVERIFY(purpleDrawn);
        QVERIFY(panel::BannerImage(":/images/none.xpm").isNull());

        CPanelFixture panel;
        QVERIFY(panel.Start());
        QCOMPARE(panel.dialog->m_imageList.size(), 1);
        // The panel shows the banner's purple at the banner control's client position.
        const QImage shown = panel.dialog->grab().toImage();
        const QPoint origin = panel.Item(IDC_BANNER)->pos();
        int matching = 0, purple = 0;
        for (int y = 0; y < 64; ++y) {
            for (int x = 0; x < 450 && origin.x() + x < shown.width(); ++x) {
                if (pixels.pixel(x, y) != qRgb(128, 0, 128))
                    continue;
                ++purple;
                matching += shown.pixel(origin.x() + x, origin.y() + y) == qRgb(128, 0, 128);
            }
        }
        QVERIFY(purple > 0);
        QVERIFY2(matching > purple * 9 / 10, qPrintable(QString("%1 of %2").arg(matching).arg(purple)));
    }

    void minimisedIconIsCentredAsBefore()
    {
        QCOMPARE(panel::MinimisedIconOrigin(QSize(100, 100), QSize(32, 32)), QPoint(34, 34));
        QCOMPARE(panel::MinimisedIconOrigin(QSize(0, 0), QSize(32, 32)), QPoint(-15, -15));
    }
};

QTEST_MAIN(TestPanelPainting)
#include "test_panel_painting.moc"
