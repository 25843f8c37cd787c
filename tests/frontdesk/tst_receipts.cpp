// The four receipt layouts against their measurements: every text and rule
// is checked where the fill puts it, where its ink lands on an image of
// 10 pixels per millimetre, and where a PDF reader finds it on the printed
// page; and a fill leaves nothing of an earlier receipt behind. Set
// FRONTDESK_RECEIPT_IMAGES=DIR to keep the pictures for looking.
#include "receiptform.h"

#include <QFontInfo>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

using namespace frontdesk;

Q_DECLARE_METATYPE(frontdesk::ReceiptLayout)
Q_DECLARE_METATYPE(frontdesk::ReceiptFont)

namespace {

QString u(const char *s)
{
    return QString::fromUtf8(s);
}

const double kDpi = 254.0; // 10 pixels per millimetre
const double kPx = kDpi / 25.4;

// A receipt with a distinct value in every field.
Receipt sampleReceipt(ReceiptLayout layout)
{
    Receipt r;
    r.layout = layout;
    r.header = {u("好运来会员店"), u("人民路88号"), u("0335-3021888"), u("谢谢惠顾")};
    r.cashier = u("收银员甲");
    r.id = u("1234");
    r.time = u("2009-09-09 08:00:59");
    r.ownNumber = u("A001");
    r.amountValue = u("50");
    r.method = u("银行卡");
    r.giftValue = u("10");
    r.balanceValue = u("155");
    r.reprintTime = u("2009-09-10 09:30:00");
    r.reprintOperator = u("管理员");
    return r;
}

// The ink's bounding box on a white image, in millimetres of the band
// (the image starts 5 mm above the band).
QRectF inkMm(const QImage &image)
{
    int left = image.width(), right = -1, top = image.height(), bottom = -1;
    for (int y = 0; y < image.height(); ++y) {
        const QRgb *line = reinterpret_cast<const QRgb *>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x)
            if (qGray(line[x]) < 128) {
                left = std::min(left, x);
                right = std::max(right, x);
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
    }
    if (right < 0)
        return {};
    return QRectF(left / kPx, top / kPx - receiptTopMargin, (right + 1 - left) / kPx, (bottom + 1 - top) / kPx);
}

struct Expected {
    const char *name;
    QString text;
    double left, top;
    ReceiptFont font;
    double centreIn = 0;
};

// The recharge, settlement and mis-charge layouts, from their table of measurements.
QList<Expected> sharedLayout(ReceiptLayout l)
{
    const int i = l == ReceiptLayout::Recharge ? 0 : l == ReceiptLayout::Settlement ? 1 : 2;
    auto t = [i](double a, double b, double c) { return i == 0 ? a : i == 1 ? b : c; };
    using F = ReceiptFont;
    QList<Expected> e = {
        {"shop", u("好运来会员店"), 11.4, t(5.6, 5.3, 5.0), F::Large, 25.7},
        {"title", defaultTitle(l), 11.4, t(11.9, 11.6, 11.4), F::SmallBold, 25.7},
        {"address", u("人民路88号"), 0.3, t(20.6, 20.4, 20.1), F::Small},
        {"phoneCaption", u("电话："), 0.3, t(25.9, 25.7, 25.4), F::Small},
        {"phone", u("0335-3021888"), 9.0, t(25.9, 25.7, 25.4), F::Small},
        {"cashierCaption", u("收银员："), 0.0, t(33.9, 33.6, 33.3), F::Small},
        {"cashier", u("收银员甲"), 12.2, t(33.9, 33.6, 33.3), F::Small},
        {"idCaption", u("ID:"), 28.8, t(33.9, 33.6, 33.3), F::Small},
        {"id", u("1234"), 33.6, t(33.9, 33.6, 33.3), F::Small},
        {"timeCaption", u("收银时间："), 0.0, t(40.0, 39.7, 39.4), F::Small},
        {"time", u("2009-09-09 08:00"), 15.1, t(40.0, 39.7, 39.4), F::Small},
        {"cardCaption", u("会员卡号："), 0.0, t(46.0, 45.8, 45.5), F::Large},
        {"card", u("A001"), 18.8, t(46.0, 45.8, 45.5), F::Large},
        {"amountCaption", defaultAmountCaption(l), 0.0, t(52.4, 52.1, 51.9), F::Small},
        {"amount", u("50"), t(15.3, 14.8, 14.8), t(52.4, 52.1, 51.9), F::Small},
        {"balanceCaption", u("当前余额："), 0.0, t(71.4, 58.2, 58.2), F::Small},
        {"balance", u("155"), 15.6, t(71.4, 58.2, 58.2), F::Small},
        {"slogan", u("谢谢惠顾"), 0.0, t(87.0, 69.1, 69.1), F::Large},
        {"signature", u("客人签署："), 0.0, t(93.7, 76.7, 76.7), F::Large},
        {"brand", u("恒蓝软件"), 0.0, t(100.8, 83.9, 83.9), F::SmallBold},
    };
    if (l == ReceiptLayout::Recharge)
        e += QList<Expected>{{"methodCaption", u("付款方式："), 0.0, 58.5, F::Small},
                             {"method", u("银行卡"), 15.6, 58.5, F::Small},
                             {"giftCaption", u("赠送金额："), 0.0, 64.8, F::Small},
                             {"gift", u("10"), 15.6, 64.8, F::Small}};
    return e;
}

QList<Expected> reprintLayout()
{
    using F = ReceiptFont;
    return {
        {"title", u("补打单"), 17.7, 7.4, F::Large},
        {"reprintTimeCaption", u("补打时间："), 0.3, 19.6, F::Small},
        {"reprintTime", u("2009-09-10 09:30"), 16.1, 19.6, F::Small},
        {"reprintOperatorCaption", u("补打操作员："), 0.3, 24.9, F::Small},
        {"reprintOperator", u("管理员"), 19.6, 24.9, F::Small},
        {"cashierCaption", u("收银员："), 0.0, 32.8, F::Small},
        {"cashier", u("收银员甲"), 12.2, 32.8, F::Small},
        {"idCaption", u("ID:"), 28.8, 32.8, F::Small},
        {"id", u("1234"), 33.6, 32.8, F::Small},
        {"timeCaption", u("收银时间："), 0.0, 38.9, F::Small},
        {"time", u("2009-09-09 08:00"), 15.1, 38.9, F::Small},
        {"cardCaption", u("会员卡号："), 0.0, 45.0, F::Large},
        {"card", u("A001"), 18.8, 45.0, F::Large},
        {"amountCaption", u("操作金额："), 0.0, 51.3, F::Small},
        {"amount", u("50"), 14.8, 51.3, F::Small},
        {"methodCaption", u("付款方式："), 0.0, 57.4, F::Small},
        {"method", u("银行卡"), 15.6, 57.4, F::Small},
        {"slogan", u("谢谢惠顾"), 0.0, 68.5, F::Large},
        {"signature", u("客人签署："), 0.0, 77.0, F::Large},
        {"brand", u("恒蓝软件"), 0.0, 84.1, F::SmallBold},
    };
}

QList<Expected> expectedOf(ReceiptLayout l)
{
    return l == ReceiptLayout::Reprint ? reprintLayout() : sharedLayout(l);
}

QList<ReceiptRule> expectedRules(ReceiptLayout l)
{
    switch (l) {
    case ReceiptLayout::Recharge: return {{0.3, 16.9, 48.2}, {0.3, 29.9, 48.2}, {18.8, 96.1, 28.8}};
    case ReceiptLayout::Settlement: return {{0.3, 16.7, 48.2}, {0.3, 29.6, 48.2}, {18.8, 79.1, 28.8}};
    case ReceiptLayout::Mischarge: return {{0.3, 16.4, 48.2}, {0.3, 29.4, 48.2}, {18.8, 79.1, 28.8}};
    case ReceiptLayout::Reprint: return {{0.3, 15.9, 48.2}, {0.3, 28.8, 48.2}, {18.8, 79.4, 28.8}};
    }
    return {};
}

const QList<QPair<const char *, ReceiptLayout>> kLayouts = {
    {"recharge", ReceiptLayout::Recharge},
    {"settlement", ReceiptLayout::Settlement},
    {"mischarge", ReceiptLayout::Mischarge},
    {"reprint", ReceiptLayout::Reprint},
};

} // namespace

class TestReceipts : public QObject {
    Q_OBJECT

private slots:
    void layoutsHaveTheirTitleAndBand_data()
    {
        QTest::addColumn<ReceiptLayout>("layout");
        QTest::addColumn<QString>("title");
        QTest::addColumn<double>("band");
        QTest::newRow("recharge") << ReceiptLayout::Recharge << u("充值收据") << 113.8;
        QTest::newRow("settlement") << ReceiptLayout::Settlement << u("结账单") << 95.0;
        QTest::newRow("mischarge") << ReceiptLayout::Mischarge << u("误收单据") << 95.0;
        QTest::newRow("reprint") << ReceiptLayout::Reprint << u("补打单") << 95.0;
    }

    void layoutsHaveTheirTitleAndBand()
    {
        QFETCH(ReceiptLayout, layout);
        QFETCH(QString, title);
        QFETCH(double, band);
        const ReceiptPage page = fillReceipt(sampleReceipt(layout));
        QCOMPARE(page.text(u("title"))->text, title);
        QCOMPARE(page.bandHeight, band);
        // Every text lies in the 48.2 mm strip.
        for (const ReceiptText &t : page.texts)
            QVERIFY2(t.left + t.centreIn <= receiptStripWidth, qPrintable(t.name));
        // Only the listed texts are printed: no payment line on the
        // settlement and mis-charge layouts, no balance line on the reprint.
        QCOMPARE(page.texts.size(), expectedOf(layout).size());
        QCOMPARE(page.text(u("method")) != nullptr,
                 layout == ReceiptLayout::Recharge || layout == ReceiptLayout::Reprint);
        QCOMPARE(page.text(u("balance")) != nullptr, layout != ReceiptLayout::Reprint);
    }

    // Each text where the fill puts it, and where its ink lands.
    void textsStandAtTheirPositions_data()
    {
        QTest::addColumn<ReceiptLayout>("layout");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("left");
        QTest::addColumn<double>("top");
        QTest::addColumn<ReceiptFont>("font");
        QTest::addColumn<double>("centreIn");
        for (const auto &[layoutName, layout] : kLayouts)
            for (const Expected &e : expectedOf(layout))
                QTest::addRow("%s %s", layoutName, e.name)
                    << layout << u(e.name) << e.text << e.left << e.top << e.font << e.centreIn;
    }

    void textsStandAtTheirPositions()
    {
        QFETCH(ReceiptLayout, layout);
        QFETCH(QString, name);
        QFETCH(QString, text);
        QFETCH(double, left);
        QFETCH(double, top);
        QFETCH(ReceiptFont, font);
        QFETCH(double, centreIn);

        const ReceiptPage page = fillReceipt(sampleReceipt(layout));
        const ReceiptText *t = page.text(name);
        QVERIFY(t);
        QCOMPARE(t->text, text);
        QCOMPARE(t->left, left);
        QCOMPARE(t->top, top);
        QCOMPARE(t->font, font);
        QCOMPARE(t->centreIn, centreIn);

        ReceiptPage alone;
        alone.layout = layout;
        alone.bandHeight = page.bandHeight;
        alone.texts = {*t};
        const QRectF ink = inkMm(receiptImage(alone, kDpi));
        QVERIFY(ink.isValid());
        const double em = (font == ReceiptFont::Large ? 11.25 : 9.0) * 25.4 / 72;
        if (centreIn > 0)
            QVERIFY2(std::abs(ink.center().x() - (left + centreIn / 2)) < 0.8,
                     qPrintable(QString::number(ink.center().x())));
        else
            QVERIFY2(ink.left() >= left - 0.1 && ink.left() < left + 0.9, qPrintable(QString::number(ink.left())));
        QVERIFY2(ink.top() >= top - 0.1 && ink.top() < top + 1.6, qPrintable(QString::number(ink.top())));
        QVERIFY2(ink.bottom() < top + 1.4 * em, qPrintable(QString::number(ink.bottom())));
        // Chinese glyphs are as tall as the size says (9 pt is 3.2 mm).
        if (QRegularExpression(u("^[\\x{4e00}-\\x{9fff}]")).match(text).hasMatch())
            QVERIFY2(ink.height() > 0.7 * em && ink.height() < 1.1 * em, qPrintable(QString::number(ink.height())));
    }

    void rulesStandAtTheirPositions_data()
    {
        QTest::addColumn<ReceiptLayout>("layout");
        for (const auto &[layoutName, layout] : kLayouts)
            QTest::newRow(layoutName) << layout;
    }

    void rulesStandAtTheirPositions()
    {
        QFETCH(ReceiptLayout, layout);
        const ReceiptPage page = fillReceipt(sampleReceipt(layout));
        const QList<ReceiptRule> expected = expectedRules(layout);
        QCOMPARE(page.rules.size(), expected.size());
        for (int i = 0; i < expected.size(); ++i) {
            const ReceiptRule &r = page.rules.at(i);
            QCOMPARE(r.left, expected[i].left);
            QCOMPARE(r.top, expected[i].top);
            QCOMPARE(r.length, expected[i].length);
            ReceiptPage alone = page;
            alone.texts.clear();
            alone.rules = {r};
            const QRectF ink = inkMm(receiptImage(alone, kDpi));
            QVERIFY(std::abs(ink.left() - r.left) < 0.15);
            QVERIFY(std::abs(ink.width() - r.length) < 0.2);
            QVERIFY(std::abs(ink.top() - r.top) < 0.15);
            QVERIFY(ink.height() < 0.4);
        }
    }

    // Titles and captions come only from the receipt being printed: a
    // recharge after a card issue reads "充值收据", a stored-value receipt
    // after a count receipt has money captions, and an empty value stays empty.
    void eachFillStartsAfresh()
    {
        TFprint form;
        QList<ReceiptPage> pages;
        form.setOutput([&](const Receipt &, const ReceiptPage &p) {
            pages << p;
            return true;
        });
        Receipt issue = sampleReceipt(ReceiptLayout::Recharge);
        issue.title = u("新开卡单据");
        issue.amountCaption = u("充值次数");
        QVERIFY(form.print(issue));
        Receipt recharge = sampleReceipt(ReceiptLayout::Recharge);
        recharge.balanceValue.clear();
        QVERIFY(form.print(recharge));
        Receipt count = sampleReceipt(ReceiptLayout::Settlement);
        count.amountCaption = u("消费次数");
        count.balanceCaption = u("剩余次数");
        QVERIFY(form.print(count));
        QVERIFY(form.print(sampleReceipt(ReceiptLayout::Settlement)));

        QCOMPARE(pages[0].text(u("title"))->text, u("新开卡单据"));
        QCOMPARE(pages[0].text(u("amountCaption"))->text, u("充值次数"));
        QCOMPARE(pages[1].text(u("title"))->text, u("充值收据"));
        QCOMPARE(pages[1].text(u("amountCaption"))->text, u("充值金额："));
        QVERIFY(pages[1].text(u("balance"))->text.isEmpty());
        QCOMPARE(pages[2].text(u("balanceCaption"))->text, u("剩余次数"));
        QCOMPARE(pages[3].text(u("amountCaption"))->text, u("消费金额："));
        QCOMPARE(pages[3].text(u("balanceCaption"))->text, u("当前余额："));
    }

    // The printed page read back by an independent PDF reader: each word's
    // box starts at its text's position on the A4 page (5 mm top margin).
    void pdfPagePlacesTheTexts_data()
    {
        QTest::addColumn<ReceiptLayout>("layout");
        for (const auto &[layoutName, layout] : kLayouts)
            QTest::newRow(layoutName) << layout;
    }

    void pdfPagePlacesTheTexts()
    {
        QFETCH(ReceiptLayout, layout);
        if (QByteArray(FRONTDESK_PDFTOTEXT).isEmpty())
            QSKIP("pdftotext (poppler-utils) is not installed");
        QTemporaryDir dir;
        const QString pdf = dir.filePath(u("receipt.pdf"));
        const ReceiptPage page = fillReceipt(sampleReceipt(layout));
        QVERIFY(writeReceiptPdf(page, pdf));
        QProcess reader;
        reader.start(QString::fromUtf8(FRONTDESK_PDFTOTEXT), {u("-bbox"), pdf, u("-")});
        QVERIFY(reader.waitForFinished(30000));
        const QString html = QString::fromUtf8(reader.readAllStandardOutput());
        QVERIFY2(html.contains(u("width=\"595")), "an A4 page");
        struct Word {
            double left, top;
            QString text;
        };
        QList<Word> words;
        const QRegularExpression word(u("<word xMin=\"([\\d.]+)\" yMin=\"([\\d.]+)\"[^>]*>([^<]*)</word>"));
        for (auto it = word.globalMatch(html); it.hasNext();) {
            const auto m = it.next();
            words << Word{m.captured(1).toDouble() * 25.4 / 72, m.captured(2).toDouble() * 25.4 / 72, m.captured(3)};
        }
        for (const ReceiptText &t : page.texts) {
            // A text with a blank reads as two words; check its first. A
            // caption whose full-width colon reaches its value's left edge
            // reads as one word with the value.
            const QString first = t.text.section(QLatin1Char(' '), 0, 0);
            const double top = receiptTopMargin + t.top;
            const double left = t.centreIn > 0 ? -1 : t.left;
            bool found = false;
            for (const Word &w : words) {
                if (std::abs(w.top - top) >= 1.0)
                    continue;
                if (w.text.startsWith(first) && (left < 0 || std::abs(w.left - left) < 0.8))
                    found = true;
                // Read together with the caption before it: the word starts
                // left of the value and ends with it.
                if (left >= 0 && w.left < left && w.text.endsWith(first) && w.text.size() > first.size())
                    found = true;
            }
            QVERIFY2(found, qPrintable(t.name + u(" ") + t.text));
        }
    }

    // SimSun is asked for first; a CJK family installed here stands in for it.
    void fontsAskForSimSunFirst()
    {
        const QStringList families = receiptFontFamilies();
        QCOMPARE(families.mid(0, 2), (QStringList{u("SimSun"), u("宋体")}));
        const QFont font(families);
        const QFontInfo used(font);
        QVERIFY2(families.contains(used.family()), qPrintable(used.family()));
    }

    // Pictures of the four filled layouts, for looking at them.
    void keepPictures()
    {
        const QString dir = qEnvironmentVariable("FRONTDESK_RECEIPT_IMAGES");
        if (dir.isEmpty())
            QSKIP("set FRONTDESK_RECEIPT_IMAGES=DIR to keep the pictures");
        for (const auto &[layoutName, layout] : kLayouts) {
            const ReceiptPage page = fillReceipt(sampleReceipt(layout));
            QVERIFY(receiptImage(page, 300).save(dir + u("/receipt-") + u(layoutName) + u(".png")));
            QVERIFY(writeReceiptPdf(page, dir + u("/receipt-") + u(layoutName) + u(".pdf")));
        }
    }
};

QTEST_MAIN(TestReceipts)
#include "tst_receipts.moc"
