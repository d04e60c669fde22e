#include "forms/main/contactlistdelegate.h"

#include "profiles/untprofiles.h"
#include "testprofile.h"

#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <QStandardItemModel>
#include <QTest>

Q_DECLARE_METATYPE(TContactRowLayout)

namespace {
const QColor Paper(Qt::white);

/// Dark pixels inside area: how much ink the text there took.
int inkIn(const QImage &image, const QRect &area)
{
    int ink = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (qGray(image.pixel(x, y)) < 128)
                ++ink;
    return ink;
}

bool allPaper(const QImage &image, const QRect &area)
{
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (image.pixelColor(x, y) != Paper)
                return false;
    return true;
}
} // namespace

class TestMainFormDrawing : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<TestProfile> m_profile;
    QStandardItemModel m_model;

    void addContact(const QString &name, const QString &category, const QString &email, int icon)
    {
        ActiveProfile->WriteField(name, QStringLiteral("aContactName"), name);
        ActiveProfile->WriteField(name, QStringLiteral("aContactCat"), category);
        ActiveProfile->WriteField(name, QStringLiteral("pEmailAddress"), email);
        ActiveProfile->WriteIntField(name, QStringLiteral("aIcon"), icon);
        m_model.appendRow(new QStandardItem(name));
    }

    /// One row painted the way the list paints it, on a palette where selection changes no
    /// colour, so only the drawing rules can make a difference.
    QImage paintRow(const TContactListDelegate &delegate, const QString &name, bool selected)
    {
        const QList<QStandardItem *> found = m_model.findItems(name);
        Q_ASSERT(!found.isEmpty());
        QImage image(300, delegate.RowHeight(), QImage::Format_ARGB32);
        image.fill(Qt::red);
        QStyleOptionViewItem option;
        option.rect = image.rect();
        option.state = QStyle::State_Enabled | QStyle::State_Active;
        if (selected)
            option.state |= QStyle::State_Selected;
        for (QPalette::ColorRole role : {QPalette::Base, QPalette::Highlight})
            option.palette.setColor(role, Paper);
        for (QPalette::ColorRole role : {QPalette::Text, QPalette::HighlightedText})
            option.palette.setColor(role, Qt::black);
        QPainter painter(&image);
        delegate.paint(&painter, option, found.first()->index());
        return image;
    }

private slots:
    void initTestCase()
    {
        m_profile = std::make_unique<TestProfile>();
        QVERIFY(m_profile->activated());
        addContact(QStringLiteral("Ann Lee"), QStringLiteral("Friends"),
                   QStringLiteral("ann@example.org"), 3);
        addContact(QStringLiteral("Bob Smith"), QString(), QString(), 0);
        addContact(QStringLiteral("Cid Bad Icon"), QString(), QString(), 99);
    }

    void rowLayout_data()
    {
        QTest::addColumn<QRect>("row");
        QTest::addColumn<bool>("detailed");
        QTest::addColumn<QString>("category");
        QTest::addColumn<QString>("email");
        QTest::addColumn<TContactRowLayout>("expected");

        TContactRowLayout simple;
        simple.picture = QRect(0, 40, 20, 20);
        simple.name = QPoint(25, 42);
        QTest::newRow("simple row: one line, fields ignored")
            << QRect(0, 40, 300, 20) << false << "Friends"
            << "a@b.c" << simple;

        TContactRowLayout both;
        both.picture = QRect(4, 68, 34, 34);
        both.name = QPoint(43, 69);
        both.showCategory = true;
        both.category = QPoint(43, 85);
        both.showEmail = true;
        both.email = QPoint(43 + 50 + 8, 85);
        QTest::newRow("detailed, category and e-mail") << QRect(4, 68, 300, 34) << true << "Friends"
                                                       << "a@b.c" << both;

        TContactRowLayout emailOnly = both;
        emailOnly.showCategory = false;
        emailOnly.category = QPoint();
        emailOnly.email = QPoint(43, 85);
        QTest::newRow("detailed, e-mail where the category would begin")
            << QRect(4, 68, 300, 34) << true << ""
            << "a@b.c" << emailOnly;

        TContactRowLayout nameOnly = emailOnly;
        nameOnly.showEmail = false;
        nameOnly.email = QPoint();
        QTest::newRow("detailed, name alone") << QRect(4, 68, 300, 34) << true << ""
                                              << "" << nameOnly;
    }

    void rowLayout()
    {
        QFETCH(QRect, row);
        QFETCH(bool, detailed);
        QFETCH(QString, category);
        QFETCH(QString, email);
        QFETCH(TContactRowLayout, expected);
        const TContactRowLayout got = ComputeContactRowLayout(row, detailed, category, email, 50);
        QCOMPARE(got.picture, expected.picture);
        QCOMPARE(got.name, expected.name);
        QCOMPARE(got.showCategory, expected.showCategory);
        if (expected.showCategory)
            QCOMPARE(got.category, expected.category);
        QCOMPARE(got.showEmail, expected.showEmail);
        if (expected.showEmail)
            QCOMPARE(got.email, expected.email);
    }

    void simpleViewNameIsBoldOnlyWhenSelected()
    {
        TContactListDelegate delegate;
        const QRect nameArea(25, 0, 275, 20);
        const int plain = inkIn(paintRow(delegate, QStringLiteral("Bob Smith"), false), nameArea);
        const int chosen = inkIn(paintRow(delegate, QStringLiteral("Bob Smith"), true), nameArea);
        QVERIFY(plain > 0);
        QVERIFY2(chosen > plain * 6 / 5,
                 qPrintable(QStringLiteral("%1 vs %2").arg(chosen).arg(plain)));
    }

    void detailedViewNameIsBoldOnEveryRow()
    {
        TContactListDelegate delegate;
        delegate.SetDetailed(true);
        QCOMPARE(delegate.RowHeight(), 34);
        const QRect firstLine(39, 0, 261, 16);
        const QImage plain = paintRow(delegate, QStringLiteral("Ann Lee"), false);
        const QImage chosen = paintRow(delegate, QStringLiteral("Ann Lee"), true);
        QCOMPARE(inkIn(plain, firstLine), inkIn(chosen, firstLine));

        // Second line: category, then the address after it; both read from the profile.
        const QRect secondLine(39, 17, 261, 17);
        QVERIFY(inkIn(plain, secondLine) > 0);
        const int categoryEnd =
            39 + QFontMetrics(TContactListDelegate::TextFont()).horizontalAdvance("Friends") + 8;
        QVERIFY(inkIn(plain, QRect(categoryEnd, 17, 300 - categoryEnd, 17)) > 0);

        // No category or address: the second line stays empty.
        QVERIFY(allPaper(paintRow(delegate, QStringLiteral("Bob Smith"), false), secondLine));
    }

    void pictureFillsTheSquareAndABadIconDrawsNothing()
    {
        TContactListDelegate delegate;
        const QRect square(0, 0, 20, 20);
        QVERIFY(!allPaper(paintRow(delegate, QStringLiteral("Bob Smith"), false), square));
        // An icon number outside 0..24 leaves the square empty and the name still drawn.
        const QImage bad = paintRow(delegate, QStringLiteral("Cid Bad Icon"), false);
        QVERIFY(allPaper(bad, square));
        QVERIFY(inkIn(bad, QRect(25, 0, 275, 20)) > 0);
        QVERIFY(delegate.ScaledUserIcon(25, 20, 1.0).isNull());
        QVERIFY(delegate.ScaledUserIcon(-1, 20, 1.0).isNull());
    }

    void picturesAreScaledOncePerSize()
    {
        TContactListDelegate delegate;
        const QPixmap first = delegate.ScaledUserIcon(7, 34, 1.0);
        QVERIFY(!first.isNull());
        QCOMPARE(first.size(), QSize(34, 34));
        QCOMPARE(delegate.ScaledUserIcon(7, 34, 1.0).cacheKey(), first.cacheKey());
        QCOMPARE(delegate.ScaledUserIcon(7, 20, 1.0).size(), QSize(20, 20));
    }
};

QTEST_MAIN(TestMainFormDrawing)
#include "tst_mainformdrawing.moc"
