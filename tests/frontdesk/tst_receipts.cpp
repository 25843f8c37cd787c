// The receipt form: where each layout puts its texts, what a fill leaves
// behind, and what actually lands on paper at a known resolution.
#include "receiptform.h"

#include <QTest>

using namespace frontdesk;

Q_DECLARE_METATYPE(frontdesk::ReceiptLayout)

namespace {

Receipt filled(ReceiptLayout layout)
{
    Receipt r;
    r.layout = layout;
    r.header = {QStringLiteral("恒蓝会员店"), QStringLiteral("东大街12号"), QStringLiteral("0512-6666"),
                QStringLiteral("欢迎再次光临")};
    r.cashier = QStringLiteral("张三");
    r.id = QStringLiteral("1024");
    r.time = QStringLiteral("2026-12-11 14:05:38");
    r.ownNumber = QStringLiteral("A0001");
    r.amountValue = QStringLiteral("100");
    r.method = QStringLiteral("现金");
    r.giftValue = QStringLiteral("10");
    r.balanceValue = QStringLiteral("110");
    r.reprintTime = QStringLiteral("2026-12-12 09:30:00");
    r.reprintOperator = QStringLiteral("李四");
    return r;
}

} // namespace

class ReceiptTest : public QObject {
    Q_OBJECT
private slots:
    void positions_data();
    void positions();
    void bandHeights();
    void fillLeavesNothingBehind();
};

void ReceiptTest::positions_data()
{
    QTest::addColumn<ReceiptLayout>("layout");
    QTest::addColumn<QString>("element");
    QTest::addColumn<double>("left");
    QTest::addColumn<double>("top");
    QTest::addColumn<QString>("text");
    using L = ReceiptLayout;
    struct Row { const char *tag; L layout; const char *element; double left, top; const char *text; };
    const Row rows[] = {
        {"recharge shop", L::Recharge, "shop", 11.4, 5.6, "恒蓝会员店"},
        {"recharge title", L::Recharge, "title", 11.4, 11.9, "充值收据"},
        {"recharge phone", L::Recharge, "phone", 9.0, 25.9, "0512-6666"},
        {"recharge id", L::Recharge, "id", 33.6, 33.9, "1024"},
        {"recharge time 16 chars", L::Recharge, "time", 15.1, 40.0, "2026-12-11 14:05"},
        {"recharge card", L::Recharge, "card", 18.8, 46.0, "A0001"},
        {"recharge amount", L::Recharge, "amount", 15.3, 52.4, "100"},
        {"recharge amount caption", L::Recharge, "amountCaption", 0.0, 52.4, "充值金额："},
        {"recharge method", L::Recharge, "method", 15.6, 58.5, "现金"},
        {"recharge gift caption", L::Recharge, "giftCaption", 0.0, 64.8, "赠送金额："},
        {"recharge balance", L::Recharge, "balance", 15.6, 71.4, "110"},
        {"recharge slogan", L::Recharge, "slogan", 0.0, 87.0, "欢迎再次光临"},
        {"recharge signature", L::Recharge, "signature", 0.0, 93.7, "客人签署："},
        {"recharge brand", L::Recharge, "brand", 0.0, 100.8, "恒蓝软件"},
        {"settlement title", L::Settlement, "title", 11.4, 11.6, "结账单"},
        {"settlement cashier", L::Settlement, "cashier", 12.2, 33.6, "张三"},
        {"settlement amount caption", L::Settlement, "amountCaption", 0.0, 52.1, "消费金额："},
        {"settlement amount", L::Settlement, "amount", 14.8, 52.1, "100"},
        {"settlement balance caption", L::Settlement, "balanceCaption", 0.0, 58.2, "当前余额："},
        {"settlement brand", L::Settlement, "brand", 0.0, 83.9, "恒蓝软件"},
        {"mischarge shop", L::Mischarge, "shop", 11.4, 5.0, "恒蓝会员店"},
        {"mischarge address", L::Mischarge, "address", 0.3, 20.1, "东大街12号"},
        {"mischarge amount caption", L::Mischarge, "amountCaption", 0.0, 51.9, "误收金额："},
        {"mischarge slogan", L::Mischarge, "slogan", 0.0, 69.1, "欢迎再次光临"},
        {"reprint title", L::Reprint, "title", 17.7, 7.4, "补打单"},
        {"reprint time", L::Reprint, "reprintTime", 16.1, 19.6, "2026-12-12 09:30"},
        {"reprint operator", L::Reprint, "reprintOperator", 19.6, 24.9, "李四"},
        {"reprint id", L::Reprint, "id", 33.6, 32.8, "1024"},
        {"reprint card", L::Reprint, "card", 18.8, 45.0, "A0001"},
        {"reprint amount caption", L::Reprint, "amountCaption", 0.0, 51.3, "操作金额："},
        {"reprint method", L::Reprint, "method", 15.6, 57.4, "现金"},
        {"reprint signature", L::Reprint, "signature", 0.0, 77.0, "客人签署："},
        {"reprint brand", L::Reprint, "brand", 0.0, 84.1, "恒蓝软件"},
    };
    for (const Row &r : rows)
        QTest::newRow(r.tag) << r.layout << QString::fromUtf8(r.element) << r.left << r.top
                             << QString::fromUtf8(r.text);
}

void ReceiptTest::positions()
{
    QFETCH(ReceiptLayout, layout);
    QFETCH(QString, element);
    QFETCH(double, left);
    QFETCH(double, top);
    QFETCH(QString, text);
    const ReceiptPage page = fillReceipt(filled(layout));
    const ReceiptText *t = page.text(element);
    QVERIFY2(t, qPrintable(element));
    QCOMPARE(t->text, text);
    QCOMPARE(t->left, left);
    QCOMPARE(t->top, top);
}

void ReceiptTest::bandHeights()
{
    QCOMPARE(fillReceipt(filled(ReceiptLayout::Recharge)).bandHeight, 113.8);
    for (ReceiptLayout l : {ReceiptLayout::Settlement, ReceiptLayout::Mischarge, ReceiptLayout::Reprint})
        QCOMPARE(fillReceipt(filled(l)).bandHeight, 95.0);
    // The recharge, settlement and mis-charge layouts have no payment line
    // except the recharge one; the reprint has no balance line.
    QVERIFY(!fillReceipt(filled(ReceiptLayout::Settlement)).text("method"));
    QVERIFY(!fillReceipt(filled(ReceiptLayout::Reprint)).text("balance"));
}

void ReceiptTest::fillLeavesNothingBehind()
{
    // A card-issue receipt changes the title; the next recharge is back to its own.
    Receipt issue = filled(ReceiptLayout::Recharge);
    issue.title = QStringLiteral("新开卡单据");
    QCOMPARE(fillReceipt(issue).text("title")->text, QStringLiteral("新开卡单据"));
    QCOMPARE(fillReceipt(filled(ReceiptLayout::Recharge)).text("title")->text, QStringLiteral("充值收据"));

    // Count words on a count receipt; the next stored-value receipt has money captions.
    Receipt count = filled(ReceiptLayout::Settlement);
    count.amountCaption = QStringLiteral("消费次数");
    count.balanceCaption = QStringLiteral("剩余次数");
    QCOMPARE(fillReceipt(count).text("balanceCaption")->text, QStringLiteral("剩余次数"));
    const ReceiptPage money = fillReceipt(filled(ReceiptLayout::Settlement));
    QCOMPARE(money.text("amountCaption")->text, QStringLiteral("消费金额："));
    QCOMPARE(money.text("balanceCaption")->text, QStringLiteral("当前余额："));
}

QTEST_MAIN(ReceiptTest)
#include "tst_receipts.moc"
