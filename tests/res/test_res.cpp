// The bundled artwork, loaded through the resource system as the panel loads it: every
// image is linked in and keeps what the panel relies on (16-colour palette, white as the
// banner's transparent key, the step buttons' bevels and channel colours).
#include <QImage>
#include <QSet>
#include <QTest>

namespace {

const QRgb kWhite = qRgb(255, 255, 255);
const QRgb kGrey = qRgb(128, 128, 128);
const QRgb kSilver = qRgb(192, 192, 192);

const QSet<QRgb> kPalette = {
    qRgb(0, 0, 0), qRgb(128, 0, 0), qRgb(0, 128, 0), qRgb(128, 128, 0), qRgb(0, 0, 128), qRgb(128, 0, 128),
    qRgb(0, 128, 128), kSilver, kGrey, qRgb(255, 0, 0), qRgb(0, 255, 0), qRgb(255, 255, 0),
    qRgb(0, 0, 255), qRgb(255, 0, 255), qRgb(0, 255, 255), kWhite};

QImage Load(const QString& name)
{
    return QImage(QStringLiteral(":/images/%1.xpm").arg(name)).convertToFormat(QImage::Format_RGB32);
}

QSet<QRgb> Colours(const QImage& image, QRect area = {})
{
    QSet<QRgb> colours;
    area = area.isNull() ? image.rect() : area;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            colours.insert(image.pixel(x, y) | 0xFF000000u);
    return colours;
}

}  // namespace

class TestRes : public QObject {
    Q_OBJECT

private slots:
    void imagesHaveTheirSizeAndPalette_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QSize>("size");
        QTest::newRow("banner") << "banner" << QSize(450, 65);
        QTest::newRow("icon32") << "icon32" << QSize(32, 32);
        QTest::newRow("icon16") << "icon16" << QSize(16, 16);
        for (const char* step : {"DN1", "DN11", "DN2", "DN22", "DN3", "DN33"})
            for (const char* state : {"U", "D"})
                QTest::newRow(qPrintable(QString(step) + state)) << QString(step) + state << QSize(22, 17);
    }
    void imagesHaveTheirSizeAndPalette()
    {
        QFETCH(QString, name);
        QFETCH(QSize, size);
        const QImage image = Load(name);
        QCOMPARE(image.size(), size);
        const QSet<QRgb> colours = Colours(image);
        QVERIFY2(colours.size() <= 16 && kPalette.contains(colours), qPrintable(name));
    }

    void bannerIsPurpleOnWhite()
    {
        const QImage banner = Load("banner");
        QCOMPARE(Colours(banner), (QSet<QRgb>{kWhite, qRgb(128, 0, 128)}));
        QCOMPARE(Colours(banner, QRect(0, 64, 450, 1)), QSet<QRgb>{kWhite});  // the unused 65th row
        QVERIFY(Colours(banner, QRect(0, 0, 80, 64)).contains(qRgb(128, 0, 128)));  // the logo mark
    }

    void stepButtonsAreBevelledInTheirChannelsColour_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QRgb>("chevron");
        const QRgb colours[] = {qRgb(255, 0, 0), qRgb(0, 128, 0), qRgb(0, 0, 255)};
        for (int channel = 0; channel < 3; ++channel) {
            const QString up = QString("DN%1").arg(channel + 1);
            for (const QString& name : {up + "U", up + "D", up + up.right(1) + "U", up + up.right(1) + "D"})
                QTest::newRow(qPrintable(name)) << name << colours[channel];
        }
    }
    void stepButtonsAreBevelledInTheirChannelsColour()
    {
        QFETCH(QString, name);
        QFETCH(QRgb, chevron);
        const QImage image = Load(name);
        const bool raised = name.endsWith('U');
        const QRgb light = raised ? kWhite : kGrey, dark = raised ? kGrey : kWhite;
        QCOMPARE(Colours(image, QRect(0, 0, 21, 1)), QSet<QRgb>{light});   // top row
        QCOMPARE(Colours(image, QRect(0, 0, 1, 16)), QSet<QRgb>{light});   // left column
        QCOMPARE(Colours(image, QRect(1, 16, 21, 1)), QSet<QRgb>{dark});   // bottom row
        QCOMPARE(Colours(image, QRect(21, 1, 1, 16)), QSet<QRgb>{dark});   // right column
        QCOMPARE(Colours(image, QRect(1, 1, 20, 15)), (QSet<QRgb>{kSilver, chevron}));
        // The pressed image is another drawing, not the same one sunk.
        const QString other = name.left(name.size() - 1) + (raised ? "D" : "U");
        QVERIFY(Load(other).copy(1, 1, 20, 15) != image.copy(1, 1, 20, 15));
    }

    void iconsNameTheChannels()
    {
        for (const char* name : {"icon32", "icon16"}) {
            const QSet<QRgb> colours = Colours(Load(name));
            for (QRgb colour : {qRgb(128, 0, 128), qRgb(255, 0, 0), qRgb(0, 128, 0), qRgb(0, 0, 255), kWhite})
                QVERIFY2(colours.contains(colour), name);
        }
    }
};

QTEST_GUILESS_MAIN(TestRes)
#include "test_res.moc"
