// The millimetre renderer on an image of known resolution, table printing
// and the no-printer answer.
#include "kit/datagrid.h"
#include "kit/messages.h"
#include "kit/printing.h"

#include <QFile>
#include <QFontMetricsF>
#include <QImage>
#include <QPdfWriter>
#include <QPrintPreviewDialog>
#include <QTemporaryDir>
#include <QTest>

namespace {

// 254 dots per inch: exactly 10 pixels per millimetre.
QImage page()
{
    QImage image(800, 600, QImage::Format_RGB32);
    image.setDotsPerMeterX(10000);
    image.setDotsPerMeterY(10000);
    image.fill(Qt::white);
    return image;
}

// The bounding box of the dark pixels.
QRect ink(const QImage& image)
{
    int left = image.width(), top = image.height(), right = -1, bottom = -1;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qGray(image.pixel(x, y)) < 128) {
                left = std::min(left, x);
                right = std::max(right, x);
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
    return right < 0 ? QRect() : QRect(QPoint(left, top), QPoint(right, bottom));
}

int pdfPages(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray pdf = f.readAll();
    return int(pdf.count("/Type /Page\n") + pdf.count("/Type /Page ") + pdf.count("/Type /Page/"));
}

}  // namespace

class RenderTest : public QObject {
    Q_OBJECT
private slots:
    void textAtMillimetres_data();
    void textAtMillimetres();
    void rulesAndBands();
    void tableRunsOverPages();
    void previewOpensThroughTheSeam();
    void noPrinterIsReported();
};

void RenderTest::textAtMillimetres_data()
{
    QTest::addColumn<double>("x");
    QTest::addColumn<double>("y");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("large");
    QTest::addColumn<int>("alignment");
    QTest::addColumn<double>("width");

    QTest::newRow("small, left") << 0.3 << 20.6 << "收银员：" << false << int(Qt::AlignLeft) << 0.0;
    QTest::newRow("large bold") << 18.8 << 46.0 << "会员卡号：" << true << int(Qt::AlignLeft) << 0.0;
    QTest::newRow("centred in a width") << 11.4 << 5.6 << "结账单" << true << int(Qt::AlignHCenter) << 25.7;
    QTest::newRow("right-aligned") << 10.0 << 30.0 << "田" << false << int(Qt::AlignRight) << 30.0;
}

void RenderTest::textAtMillimetres()
{
    QFETCH(double, x);
    QFETCH(double, y);
    QFETCH(QString, text);
    QFETCH(bool, large);
    QFETCH(int, alignment);
    QFETCH(double, width);

    QImage image = page();
    kit::TextStyle style = large ? kit::TextStyle::large() : kit::TextStyle::small();
    style.alignment = Qt::Alignment(alignment);
    style.widthMm = width;
    QFont font;
    {
        kit::PageRenderer renderer(&image);
        renderer.text(x, y, text, style);
        font = renderer.font(style);
    }
    // Where the glyphs must be: the box's top-left at (x, y) millimetres,
    // 10 pixels each, the baseline one ascent below the top.
    const QFontMetricsF m(font, &image);
    const QRectF glyphs = m.tightBoundingRect(text);  // the ink, not the line box
    double boxLeft = x * 10;
    if (width > 0 && alignment == Qt::AlignHCenter)
        boxLeft += (width * 10 - m.horizontalAdvance(text)) / 2;
    if (width > 0 && alignment == Qt::AlignRight)
        boxLeft += width * 10 - m.horizontalAdvance(text);
    const QRectF expected = glyphs.translated(boxLeft, y * 10 + m.ascent());
    const QRect found = ink(image);
    QVERIFY(!found.isNull());
    QVERIFY2(std::abs(found.left() - qRound(expected.left())) <= 1,
             qPrintable(QString("left %1, expected %2").arg(found.left()).arg(expected.left())));
    QVERIFY2(std::abs(found.top() - qRound(expected.top())) <= 1,
             qPrintable(QString("top %1, expected %2").arg(found.top()).arg(expected.top())));
    // And the text has its point size: 9 pt is 3.175 mm, 11.25 pt 3.97 mm.
    QCOMPARE(m.height() > (large ? 39.0 : 31.0), true);
}

void RenderTest::rulesAndBands()
{
    QImage image = page();
    {
        kit::PageRenderer renderer(&image);
        renderer.setOrigin(0, 5);  // a band starting 5 mm down
        renderer.rule(0.3, 16.9, 48.2, 0.1);
    }
    // 0.3 mm -> 3 px; 16.9 + 5 mm -> 219 px; 48.2 mm -> 482 px.
    QCOMPARE(ink(image), QRect(3, 219, 482, 1));

    image = page();
    {
        kit::PageRenderer renderer(&image);
        renderer.band(10, 10, 20, 5, Qt::black);
    }
    QCOMPARE(ink(image), QRect(100, 100, 200, 50));
}

void RenderTest::tableRunsOverPages()
{
    QTemporaryDir dir;
    auto printTo = [&](const QString& name, int rows) {
        kit::Table table;
        table.captions = {"付款方式", "应收金额", "实收金额"};
        for (int r = 0; r < rows; ++r)
            table.rows << QVariantList{QStringLiteral("现金%1").arg(r), r * 1.5, r * 1.5};
        const QString path = dir.filePath(name);
        QPdfWriter pdf(path);
        pdf.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                      QMarginsF(10, 10, 10, 10), QPageLayout::Millimeter));
        {
            kit::PageRenderer renderer(&pdf);
            kit::drawTable(renderer, QRectF(0, 0, 190, 277), table, "某店收款报表");
        }
        return pdfPages(path);
    };
    QCOMPARE(printTo("short.pdf", 5), 1);
    // About 5 mm a row on 277 mm: 200 rows take four pages.
    const int pages = printTo("long.pdf", 200);
    QVERIFY2(pages >= 3 && pages <= 5, qPrintable(QString::number(pages)));
}

void RenderTest::previewOpensThroughTheSeam()
{
    kit::DataGrid grid;
    grid.setColumns({{"姓名", "姓名"}});
    grid.setRows({"姓名"}, {{"张三"}});
    kit::ScriptedMessages script;
    bool previewed = false;
    script.onModal([&](QDialog* d) {
        previewed = qobject_cast<QPrintPreviewDialog*>(d) != nullptr;
        return int(QDialog::Rejected);
    });
    kit::previewGrid(nullptr, grid, "会员资料表");
    QVERIFY(previewed);
    QCOMPARE(script.entries().last().text, QStringLiteral("会员资料表"));
}

void RenderTest::noPrinterIsReported()
{
    if (kit::defaultPrinterAvailable())
        QSKIP("this machine has a default printer");
    bool drawn = false;
    const auto outcome = kit::printOnDefaultPrinter(
        QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(0, 5, 0, 5)),
        [&](kit::PageRenderer&) { drawn = true; });
    QCOMPARE(outcome, kit::PrintOutcome::NoPrinter);
    QVERIFY(!drawn);
}

QTEST_MAIN(RenderTest)
#include "tst_render.moc"
