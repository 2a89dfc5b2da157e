// Checks the bundled artwork through the resource system, the way the panel
// loads it: that every image is linked in, and that the drawings keep the
// rules the panel relies on (white is the transparent key, 16-colour palette,
// button bevels, chevron colours and directions).

#include <QImage>
#include <QMap>
#include <QSet>
#include <QTest>

namespace {

const QRgb kWhite = qRgb(255, 255, 255);
const QRgb kSilver = qRgb(192, 192, 192);
const QRgb kGrey = qRgb(128, 128, 128);
const QRgb kPurple = qRgb(128, 0, 128);
const QRgb kRed = qRgb(255, 0, 0);
const QRgb kGreen = qRgb(0, 128, 0);
const QRgb kBlue = qRgb(0, 0, 255);

const QSet<QRgb> kPalette = {
    qRgb(0, 0, 0),     qRgb(128, 0, 0),   qRgb(0, 128, 0),   qRgb(128, 128, 0),
    qRgb(0, 0, 128),   qRgb(128, 0, 128), qRgb(0, 128, 128), qRgb(192, 192, 192),
    qRgb(128, 128, 128), qRgb(255, 0, 0), qRgb(0, 255, 0),   qRgb(255, 255, 0),
    qRgb(0, 0, 255),   qRgb(255, 0, 255), qRgb(0, 255, 255), qRgb(255, 255, 255)};

const char *const kButtons[] = {"DN1U",  "DN1D",  "DN11U", "DN11D", "DN2U",  "DN2D",
                                "DN22U", "DN22D", "DN3U",  "DN3D",  "DN33U", "DN33D"};

QImage load(const QString &name)
{
    return QImage(QStringLiteral(":/images/") + name).convertToFormat(QImage::Format_RGB32);
}

QRgb at(const QImage &img, int x, int y) { return img.pixel(x, y) | 0xFF000000u; }

bool contains(const QImage &img, QRgb colour, QRect area = QRect())
{
    if (area.isNull())
        area = img.rect();
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (at(img, x, y) == colour)
                return true;
    return false;
}

// Pixels of one colour as text rows, so a failed comparison prints a picture.
QStringList mask(const QImage &img, QRgb colour)
{
    QStringList rows;
    for (int y = 0; y < img.height(); ++y) {
        QString row;
        for (int x = 0; x < img.width(); ++x)
            row += at(img, x, y) == colour ? QLatin1Char('#') : QLatin1Char('.');
        rows << row;
    }
    return rows;
}

QRgb channelColour(const QString &name)
{
    switch (name.at(2).toLatin1()) {
    case '1': return kRed;
    case '2': return kGreen;
    default: return kBlue;
    }
}

} // namespace

class TestRes : public QObject
{
    Q_OBJECT

private slots:
    void palette_data()
    {
        QTest::addColumn<QString>("name");
        for (const char *n : {"banner", "icon32", "icon16"})
            QTest::newRow(n) << QString::fromLatin1(n) + QStringLiteral(".xpm");
        for (const char *n : kButtons)
            QTest::newRow(n) << QString::fromLatin1(n) + QStringLiteral(".xpm");
    }

    // Every image must load from the resources, be opaque and stay within
    // the 16 standard colours, which is all the artwork was drawn for.
    void palette()
    {
        QFETCH(QString, name);
        const QImage raw(QStringLiteral(":/images/") + name);
        QVERIFY2(!raw.isNull(), qPrintable(name + QStringLiteral(" did not load")));
        QVERIFY(!raw.hasAlphaChannel());
        const QImage img = raw.convertToFormat(QImage::Format_RGB32);
        QSet<QRgb> used;
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x)
                used.insert(at(img, x, y));
        QVERIFY(used.size() <= 16);
        for (QRgb c : used)
            QVERIFY2(kPalette.contains(c), qPrintable(QString::number(c, 16)));
    }

    void banner()
    {
        const QImage img = load(QStringLiteral("banner.xpm"));
        QCOMPARE(img.size(), QSize(450, 65));

        // The panel keys out white, so the background is white and the
        // artwork is purple only; the last row stays clear.
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x) {
                const QRgb c = at(img, x, y);
                QVERIFY2(c == kWhite || c == kPurple, qPrintable(QStringLiteral("%1,%2").arg(x).arg(y)));
            }
        for (const QPoint p : {QPoint(0, 0), QPoint(449, 0), QPoint(0, 64), QPoint(449, 64)})
            QCOMPARE(at(img, p.x(), p.y()), kWhite);
        for (int x = 0; x < img.width(); ++x)
            QCOMPARE(at(img, x, 64), kWhite);

        QVERIFY(contains(img, kPurple, QRect(0, 0, 64, 64)));   // logo mark

        // Right of the logo: two lines of text, maker above, the larger
        // product name below.
        QList<QPair<int, int>> bands;
        for (int y = 0; y < 65; ++y) {
            if (!contains(img, kPurple, QRect(70, y, 380, 1)))
                continue;
            if (!bands.isEmpty() && bands.last().second == y - 1)
                bands.last().second = y;
            else
                bands.append({y, y});
        }
        QCOMPARE(bands.size(), 2);
        const int upper = bands[0].second - bands[0].first + 1;
        const int lower = bands[1].second - bands[1].first + 1;
        QVERIFY2(2 * lower >= 3 * upper, qPrintable(QStringLiteral("%1 vs %2").arg(lower).arg(upper)));
    }

    void button_data()
    {
        QTest::addColumn<QString>("name");
        for (const char *n : kButtons)
            QTest::newRow(n) << QString::fromLatin1(n);
    }

    void button()
    {
        QFETCH(QString, name);
        const QImage img = load(name + QStringLiteral(".xpm"));
        QCOMPARE(img.size(), QSize(22, 17));
        const int w = img.width(), h = img.height();
        const bool pressed = name.endsWith(QLatin1Char('D'));
        const bool right = name.size() == 4;   // DN1U points right, DN11U left
        const QRgb ink = channelColour(name);

        // Light from the top left: raised = white top/left, grey bottom/right;
        // pressed is the reverse. The two odd corners go with bottom/right.
        const QRgb lit = pressed ? kGrey : kWhite, shade = pressed ? kWhite : kGrey;
        for (int x = 0; x < w - 1; ++x)
            QCOMPARE(at(img, x, 0), lit);
        for (int y = 0; y < h - 1; ++y)
            QCOMPARE(at(img, 0, y), lit);
        for (int x = 0; x < w; ++x)
            QCOMPARE(at(img, x, h - 1), shade);
        for (int y = 0; y < h; ++y)
            QCOMPARE(at(img, w - 1, y), shade);

        // Inside: only the face and the channel's chevrons.
        int inked = 0;
        for (int y = 1; y < h - 1; ++y)
            for (int x = 1; x < w - 1; ++x) {
                const QRgb c = at(img, x, y);
                QVERIFY(c == kSilver || c == ink);
                inked += c == ink;
            }
        QVERIFY(inked >= 20);
        QVERIFY(contains(img, kSilver));

        // Direction: the tip row of a right-pointing chevron reaches further
        // right than its top row and no further left; mirrored for left.
        int top = -1, bottom = -1;
        for (int y = 0; y < h; ++y)
            if (contains(img, ink, QRect(0, y, w, 1))) {
                if (top < 0)
                    top = y;
                bottom = y;
            }
        const auto extent = [&](int y) {
            int lo = w, hi = -1;
            for (int x = 0; x < w; ++x)
                if (at(img, x, y) == ink) {
                    lo = qMin(lo, x);
                    hi = qMax(hi, x);
                }
            return qMakePair(lo, hi);
        };
        const int tipRow = (top + bottom) / 2;
        const auto edge = extent(top), tip = extent(tipRow);
        if (right)
            QVERIFY(tip.second > edge.second && tip.first >= edge.first);
        else
            QVERIFY(tip.first < edge.first && tip.second <= edge.second);

        // Across the tip row each chevron is one run of ink: raised shows
        // three, pressed two of the same width.
        QList<int> runs;
        for (int x = 0; x < w; ++x)
            if (at(img, x, tipRow) == ink) {
                if (x == 0 || at(img, x - 1, tipRow) != ink)
                    runs.append(0);
                ++runs.last();
            }
        QCOMPARE(runs.size(), pressed ? 2 : 3);
        if (pressed)
            QCOMPARE(runs[0], runs[1]);
    }

    // One drawing per direction and state, recoloured per channel.
    void buttonFamilies()
    {
        for (const bool left : {false, true}) {
            for (const char *state : {"U", "D"}) {
                const auto name = [&](char ch) {   // DN2U, or DN22U for left
                    const QString digits = left ? QString(2, QLatin1Char(ch)) : QString(QLatin1Char(ch));
                    return QStringLiteral("DN") + digits + QLatin1String(state);
                };
                const QStringList red = mask(load(name('1') + QStringLiteral(".xpm")), kRed);
                QCOMPARE(mask(load(name('2') + QStringLiteral(".xpm")), kGreen), red);
                QCOMPARE(mask(load(name('3') + QStringLiteral(".xpm")), kBlue), red);
            }
        }
    }

    void icon_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("size");
        QTest::newRow("32") << QStringLiteral("icon32.xpm") << 32;
        QTest::newRow("16") << QStringLiteral("icon16.xpm") << 16;
    }

    void icon()
    {
        QFETCH(QString, name);
        QFETCH(int, size);
        const QImage img = load(name);
        QCOMPARE(img.size(), QSize(size, size));
        for (QRgb c : {kPurple, kRed, kGreen, kBlue, kWhite})
            QVERIFY2(contains(img, c), qPrintable(QString::number(c, 16)));

        QMap<QRgb, int> count;   // a purple field: purple is the commonest colour
        for (int y = 0; y < size; ++y)
            for (int x = 0; x < size; ++x)
                ++count[at(img, x, y)];
        for (auto it = count.cbegin(); it != count.cend(); ++it)
            QVERIFY(it.value() <= count.value(kPurple));
    }
};

QTEST_MAIN(TestRes)
#include "test_res.moc"
