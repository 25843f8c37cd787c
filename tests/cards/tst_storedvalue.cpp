// The stored-value screens driven by keys: deduction, recharge and mis-charge
// correction, their refusals, what they write and what their receipts carry.
#include "fakedesk.h"

#include "screenparts.h"
#include "tfhycz.h"
#include "tfhykk.h"
#include "tfhyws.h"

#include "kit/messages.h"
#include "store/textforms.h"

#include <QComboBox>
#include <QDateTime>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

using frontdesk::Receipt;
using frontdesk::ReceiptLayout;
using frontdesk::cards::amountOf;

namespace {

// The value of a column given by a test row: "null" empties it.
QVariant cell(const QString& text)
{
    return text == QLatin1String("null") ? QVariant() : QVariant(text);
}

bool recent(const QString& dateTime)
{
    const QDateTime t = QDateTime::fromString(dateTime, QString::fromLatin1(store::dateTimeFormat));
    return t.isValid() && qAbs(t.secsTo(QDateTime::currentDateTime())) < 60;
}

}  // namespace

class TestStoredValue : public QObject {
    Q_OBJECT

    std::unique_ptr<FakeDesk> desk;

private slots:
    void init() { desk = std::make_unique<FakeDesk>(); }
    void cleanup() { desk.reset(); }

    void deduction_data();
    void deduction();
    void deductionAboveBalanceIsRefused();
    void deductionRefusedWhenAnotherWorkstationSpentTheMoney();
    void typedTextThatIsNoAmountIsRefused_data();
    void typedTextThatIsNoAmountIsRefused();
    void deductionReturnWritesNothing();

    void recharge_data();
    void recharge();
    void rechargeZeroDoesNothing_data();
    void rechargeZeroDoesNothing();
    void receiptSerialFollowsTheJournal();

    void correction_data();
    void correction();
};

// ---------------------------------------------------------------------------
// Deduction

void TestStoredValue::deduction_data()
{
    QTest::addColumn<QString>("balance");
    QTest::addColumn<QString>("consumed");  // 消费总额 before
    QTest::addColumn<QString>("useCount");  // 使用次数 before ("null": empty)
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("after");     // 扣后余额 and the new 金额
    QTest::addColumn<QString>("consumedAfter");
    QTest::addColumn<QString>("useCountAfter");

    QTest::newRow("100 minus 30") << "100" << "10" << "4" << "30" << "70" << "40" << "5";
    QTest::newRow("the whole balance") << "100" << "0" << "0" << "100" << "0" << "100" << "1";
    QTest::newRow("empty use count becomes 1") << "100" << "0" << "null" << "30" << "70" << "30" << "1";
    QTest::newRow("no floating-point noise") << "0.3" << "0.1" << "1" << "0.1" << "0.2" << "0.2" << "2";
}

void TestStoredValue::deduction()
{
    QFETCH(QString, balance);
    QFETCH(QString, consumed);
    QFETCH(QString, useCount);
    QFETCH(QString, typed);
    QFETCH(QString, after);
    QFETCH(QString, consumedAfter);
    QFETCH(QString, useCountAfter);

    desk->addCard(QStringLiteral("1001"), false,
                  {{QStringLiteral("金额"), balance}, {QStringLiteral("消费总额"), consumed},
                   {QStringLiteral("使用次数"), cell(useCount)}});
    kit::ScriptedMessages script;
    script.answer(true);  // print the receipt
    frontdesk::Tfhykk screen(*desk);
    QVERIFY(openScreen(screen));
    auto* amount = field<QLineEdit>(screen, QStringLiteral("消费金额"));
    QVERIFY(amount->hasFocus());
    QTest::keyClicks(amount, typed);
    QCOMPARE(field<QLabel>(screen, QStringLiteral("display"))->text(), typed);
    QTest::keyClick(amount, Qt::Key_Return);  // on to 扣后余额
    QCOMPARE(field<QLineEdit>(screen, QStringLiteral("扣后余额"))->text(), after);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);  // confirms

    QCOMPARE(script.texts(), QStringList{QStringLiteral("是否打印消费信息?")});
    QVERIFY(!screen.isVisible());
    const QSqlRecord j = desk->lastJournal();
    QCOMPARE(col(j, "消费额"), QStringLiteral("-") + typed);
    QCOMPARE(col(j, "标志"), QStringLiteral("消费"));
    QCOMPARE(col(j, "会员卡号"), QStringLiteral("1001"));
    QCOMPARE(col(j, "收银员"), QStringLiteral("管理员"));
    QCOMPARE(col(j, "收银点名称"), QStringLiteral("前台收银"));
    QCOMPARE(desk->memberText("金额"), after);
    QCOMPARE(desk->memberText("消费总额"), consumedAfter);
    QCOMPARE(desk->memberText("使用次数"), useCountAfter);
    QVERIFY(recent(desk->memberText("最后一次消费时间")));

    // The panel shows the row as written; the journal is read again.
    QCOMPARE(desk->shown.size(), 1);
    QCOMPARE(col(desk->shown.last(), "金额"), after);
    QCOMPARE(desk->journalReloads, 1);
    QVERIFY(desk->cardFocuses >= 1);

    QCOMPARE(desk->printerRecord.printed.size(), 1);
    const Receipt& r = desk->printerRecord.printed.last();
    QCOMPARE(r.layout, ReceiptLayout::Settlement);
    QCOMPARE(r.title, QStringLiteral("结账单"));
    QCOMPARE(r.id, col(j, "流水号"));
    QCOMPARE(r.cashier, QStringLiteral("管理员"));
    QCOMPARE(r.ownNumber, QStringLiteral("Z1001"));
    QCOMPARE(r.time.size(), 16);
    QCOMPARE(r.header.shopName, QStringLiteral("好运来会员店"));
    QCOMPARE(r.amountCaption, QStringLiteral("消费金额："));
    QCOMPARE(amountOf(r.amountValue), amountOf(typed));
    QCOMPARE(r.balanceCaption, QStringLiteral("当前余额："));
    QCOMPARE(r.balanceValue, after);
    QVERIFY(r.method.isEmpty() && r.giftCaption.isEmpty());
}

void TestStoredValue::deductionAboveBalanceIsRefused()
{
    desk->addCard(QStringLiteral("1001"), false, {{QStringLiteral("金额"), QStringLiteral("100")}});
    const int rows = desk->journalRows();
    kit::ScriptedMessages script;
    frontdesk::Tfhykk screen(*desk);
    QVERIFY(openScreen(screen));
    auto* amount = field<frontdesk::cards::AmountEdit>(screen, QStringLiteral("消费金额"));
    auto* ok = field<QPushButton>(screen, QStringLiteral("确定"));

    // On leaving the field.
    QTest::keyClicks(amount, QStringLiteral("100.01"));
    QTest::keyClick(amount, Qt::Key_Return);
    QCoreApplication::processEvents();
    QCOMPARE(script.texts(), QStringList{QStringLiteral("卡上金额不足，请充值后再操作")});
    QCOMPARE(amount->text(), QStringLiteral("0.00"));
    QVERIFY(amount->hasFocus());
    QVERIFY(field<QLineEdit>(screen, QStringLiteral("扣后余额"))->text().isEmpty());
    ok->click();  // "0.00": nothing happens
    QCOMPARE(script.texts().size(), 1);

    // On confirmation, without leaving the field first.
    amount->setText(QStringLiteral("100.01"));
    ok->click();
    QCOMPARE(script.texts().size(), 2);
    QCOMPARE(script.last(), QStringLiteral("卡上金额不足，请充值后再操作"));
    QCOMPARE(amount->text(), QStringLiteral("0.00"));
    QVERIFY(screen.isVisible());
    QCOMPARE(desk->journalRows(), rows);
    QCOMPARE(desk->memberText("金额"), QStringLiteral("100"));
    QVERIFY(desk->shown.isEmpty());
}

void TestStoredValue::deductionRefusedWhenAnotherWorkstationSpentTheMoney()
{
    desk->addCard(QStringLiteral("1001"), false, {{QStringLiteral("金额"), QStringLiteral("100")}});
    kit::ScriptedMessages script;
    frontdesk::Tfhykk screen(*desk);
    QVERIFY(openScreen(screen));
    auto* amount = field<QLineEdit>(screen, QStringLiteral("消费金额"));
    QTest::keyClicks(amount, QStringLiteral("80"));
    QTest::keyClick(amount, Qt::Key_Return);
    QCOMPARE(field<QLineEdit>(screen, QStringLiteral("扣后余额"))->text(), QStringLiteral("20"));

    // Meanwhile another workstation deducts 50 from the same card.
    frontdesk::deduct(desk->context(), QStringLiteral("1001"), 5000, {});
    const int rows = desk->journalRows();

    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    QCoreApplication::processEvents();
    QCOMPARE(script.texts(), QStringList{QStringLiteral("卡上金额不足，请充值后再操作")});
    QCOMPARE(desk->journalRows(), rows);
    QCOMPARE(desk->memberText("金额"), QStringLiteral("50"));
    QCOMPARE(amount->text(), QStringLiteral("0.00"));
    QVERIFY(amount->hasFocus());
    QVERIFY(screen.isVisible());
}

void TestStoredValue::typedTextThatIsNoAmountIsRefused_data()
{
    QTest::addColumn<QString>("screen");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("typed");

    QTest::newRow("deduction: three decimals") << "扣款" << "消费金额" << "12.345";
    QTest::newRow("deduction: letters") << "扣款" << "消费金额" << "abc";
    QTest::newRow("deduction: empty") << "扣款" << "消费金额" << "";
    QTest::newRow("recharge: a cent below the display") << "充值" << "充值金额" << "12.255";
    QTest::newRow("recharge: exponent") << "充值" << "充值金额" << "1e3";
    QTest::newRow("recharge: gift with letters") << "充值" << "赠送金额" << "5x";
    QTest::newRow("recharge: empty gift") << "充值" << "赠送金额" << "";
    QTest::newRow("correction: two points") << "误收" << "多收金额" << "1.2.3";
}

// Nothing is written, the message names the field and the focus goes back
// into it; the screen stays open.
void TestStoredValue::typedTextThatIsNoAmountIsRefused()
{
    QFETCH(QString, screen);
    QFETCH(QString, caption);
    QFETCH(QString, typed);

    desk->addCard(QStringLiteral("1001"), false, {{QStringLiteral("金额"), QStringLiteral("100")}});
    const int rows = desk->journalRows();
    kit::ScriptedMessages script;
    std::unique_ptr<QDialog> dialog;
    if (screen == QStringLiteral("扣款"))
        dialog = std::make_unique<frontdesk::Tfhykk>(*desk);
    else if (screen == QStringLiteral("充值"))
        dialog = std::make_unique<frontdesk::Tfhycz>(*desk);
    else
        dialog = std::make_unique<frontdesk::Tfhyws>(*desk);
    QVERIFY(openScreen(*dialog));
    if (screen == QStringLiteral("充值") && caption == QStringLiteral("赠送金额"))
        field<QLineEdit>(*dialog, QStringLiteral("充值金额"))->setText(QStringLiteral("10"));
    if (screen == QStringLiteral("误收"))
        field<QLineEdit>(*dialog, QStringLiteral("原流水号"))->setText(QStringLiteral("3"));
    auto* f = field<QLineEdit>(*dialog, caption);
    f->setText(typed);
    field<QPushButton>(*dialog, QStringLiteral("确定"))->click();

    QCOMPARE(script.texts().size(), 1);
    QVERIFY2(script.last().startsWith(caption), qPrintable(script.last()));
    QVERIFY(f->hasFocus());
    QVERIFY(dialog->isVisible());
    QCOMPARE(desk->journalRows(), rows);
    QCOMPARE(desk->memberText("金额"), QStringLiteral("100"));
}

void TestStoredValue::deductionReturnWritesNothing()
{
    desk->addCard(QStringLiteral("1001"), false, {{QStringLiteral("金额"), QStringLiteral("100")}});
    const int rows = desk->journalRows();
    kit::ScriptedMessages script;
    frontdesk::Tfhykk screen(*desk);
    QVERIFY(openScreen(screen));
    QTest::keyClicks(field<QLineEdit>(screen, QStringLiteral("消费金额")), QStringLiteral("30"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    QVERIFY(!screen.isVisible());
    QCOMPARE(desk->journalRows(), rows);
    QCOMPARE(desk->cardFocuses, 1);
    QVERIFY(script.texts().isEmpty());

    // Shown again, it starts empty.
    QVERIFY(openScreen(screen));
    QVERIFY(field<QLineEdit>(screen, QStringLiteral("消费金额"))->text().isEmpty());
    QVERIFY(field<QLabel>(screen, QStringLiteral("display"))->text().isEmpty());
}

// ---------------------------------------------------------------------------
// Recharge

void TestStoredValue::recharge_data()
{
    QTest::addColumn<QString>("balance");
    QTest::addColumn<QString>("amount");
    QTest::addColumn<QString>("gift");   // "" leaves "0.0"
    QTest::addColumn<QString>("display");
    QTest::addColumn<QString>("balanceAfter");
    QTest::addColumn<QString>("rechargedAfter");  // 充值总额 starts at 50
    QTest::addColumn<QString>("giftTotalAfter");  // 赠送总额 starts at 5

    QTest::newRow("50 + 100 with gift 20") << "50" << "100" << "20" << "120" << "170" << "170" << "25";
    QTest::newRow("without gift") << "50" << "100" << "" << "100.0" << "150" << "150" << "5";
    QTest::newRow("two decimals in the one-decimal field") << "0" << "12.25" << "" << "12.25" << "12.25" << "62.25" << "5";
    QTest::newRow("0.1 + 0.2") << "0" << "0.1" << "0.2" << "0.3" << "0.3" << "50.3" << "5.2";
}

void TestStoredValue::recharge()
{
    QFETCH(QString, balance);
    QFETCH(QString, amount);
    QFETCH(QString, gift);
    QFETCH(QString, display);
    QFETCH(QString, balanceAfter);
    QFETCH(QString, rechargedAfter);
    QFETCH(QString, giftTotalAfter);

    desk->addCard(QStringLiteral("1001"), false,
                  {{QStringLiteral("金额"), balance}, {QStringLiteral("充值总额"), QStringLiteral("50")},
                   {QStringLiteral("赠送总额"), QStringLiteral("5")}});
    kit::ScriptedMessages script;
    script.answer(true);
    frontdesk::Tfhycz screen(*desk);
    QVERIFY(openScreen(screen));
    auto* amountField = field<QLineEdit>(screen, QStringLiteral("充值金额"));
    auto* method = field<QComboBox>(screen, QStringLiteral("付款方式"));
    QCOMPARE(amountField->text(), QStringLiteral("0.0"));
    QCOMPARE(method->currentText(), QStringLiteral("现金"));
    QCOMPARE(method->count(), 2);
    QVERIFY(amountField->hasFocus());

    typeInto(amountField, amount);
    QTest::keyClick(amountField, Qt::Key_Return);
    QVERIFY(method->isAncestorOf(QApplication::focusWidget()) || method->hasFocus());
    method->setEditText(QStringLiteral("银行卡"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    auto* giftField = field<QLineEdit>(screen, QStringLiteral("赠送金额"));
    QVERIFY(giftField->hasFocus());
    if (!gift.isEmpty())
        typeInto(giftField, gift);
    QCOMPARE(field<QLabel>(screen, QStringLiteral("display"))->text(), display);
    field<QLineEdit>(screen, QStringLiteral("备注说明"))->setText(QStringLiteral("续卡"));
    QTest::keyClick(giftField, Qt::Key_Return);  // confirms

    QCOMPARE(script.texts(), QStringList{QStringLiteral("是否打印充值信息?")});
    QVERIFY(!screen.isVisible());
    const QSqlRecord j = desk->lastJournal();
    QCOMPARE(col(j, "标志"), QStringLiteral("充值"));
    QCOMPARE(col(j, "充值金额"), amount);
    QCOMPARE(col(j, "赠送金额"), gift.isEmpty() ? QStringLiteral("0") : gift);
    QCOMPARE(col(j, "付款方式"), QStringLiteral("银行卡"));
    QCOMPARE(col(j, "说明"), QStringLiteral("续卡"));
    QCOMPARE(desk->memberText("金额"), balanceAfter);
    QCOMPARE(desk->memberText("充值总额"), rechargedAfter);
    QCOMPARE(desk->memberText("赠送总额"), giftTotalAfter);
    QCOMPARE(col(desk->shown.last(), "金额"), balanceAfter);
    QCOMPARE(desk->journalReloads, 1);

    const Receipt& r = desk->printerRecord.printed.last();
    QCOMPARE(r.layout, ReceiptLayout::Recharge);
    QCOMPARE(r.title, QStringLiteral("充值收据"));
    QCOMPARE(r.id, col(j, "流水号"));
    QCOMPARE(r.amountCaption, QStringLiteral("充值金额："));
    QCOMPARE(r.method, QStringLiteral("银行卡"));
    QCOMPARE(r.giftCaption, QStringLiteral("赠送金额："));
    QCOMPARE(r.balanceCaption, QStringLiteral("当前余额："));
    QCOMPARE(r.balanceValue, balanceAfter);
}

void TestStoredValue::rechargeZeroDoesNothing_data()
{
    QTest::addColumn<QString>("typed");
    QTest::newRow("0.0") << "0.0";
    QTest::newRow("0.00") << "0.00";
    QTest::newRow("0") << "0";
}

void TestStoredValue::rechargeZeroDoesNothing()
{
    QFETCH(QString, typed);
    desk->addCard(QStringLiteral("1001"), false);
    const int rows = desk->journalRows();
    kit::ScriptedMessages script;
    frontdesk::Tfhycz screen(*desk);
    QVERIFY(openScreen(screen));
    field<QLineEdit>(screen, QStringLiteral("充值金额"))->setText(typed);
    field<QLineEdit>(screen, QStringLiteral("赠送金额"))->setText(QStringLiteral("20"));
    field<QPushButton>(screen, QStringLiteral("确定"))->click();
    QVERIFY(script.texts().isEmpty());
    QVERIFY(screen.isVisible());
    QCOMPARE(desk->journalRows(), rows);
}

// The receipt carries the serial number of its journal row; the next
// operation of any kind gets the following one; No prints nothing.
void TestStoredValue::receiptSerialFollowsTheJournal()
{
    desk->addCard(QStringLiteral("1001"), false, {{QStringLiteral("金额"), QStringLiteral("100")}});
    kit::ScriptedMessages script;
    script.answer(true);
    script.answer(false);
    frontdesk::Tfhycz recharge(*desk);
    QVERIFY(openScreen(recharge));
    field<QLineEdit>(recharge, QStringLiteral("充值金额"))->setText(QStringLiteral("10"));
    field<QPushButton>(recharge, QStringLiteral("确定"))->click();
    const QString first = col(desk->lastJournal(), "流水号");
    QCOMPARE(desk->printerRecord.printed.last().id, first);

    frontdesk::Tfhykk deduction(*desk);
    QVERIFY(openScreen(deduction));
    field<QLineEdit>(deduction, QStringLiteral("消费金额"))->setText(QStringLiteral("5"));
    field<QPushButton>(deduction, QStringLiteral("确定"))->click();
    QCOMPARE(col(desk->lastJournal(), "流水号").toLongLong(), first.toLongLong() + 1);
    QCOMPARE(desk->printerRecord.printed.size(), 1);
    QCOMPARE(desk->memberText("金额"), QStringLiteral("105"));
}

// ---------------------------------------------------------------------------
// Mis-charge correction

void TestStoredValue::correction_data()
{
    QTest::addColumn<QString>("consumed");  // 消费总额 before; 金额 70, 误收总额 0, 使用次数 3
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("bill");
    QTest::addColumn<bool>("written");
    QTest::addColumn<QString>("balanceAfter");
    QTest::addColumn<QString>("consumedAfter");
    QTest::addColumn<QString>("mischargeAfter");

    QTest::newRow("5 for bill 12") << "30" << "5" << "12" << true << "75" << "25" << "5";
    QTest::newRow("empty bill number") << "30" << "5" << "" << false << "70" << "30" << "0";
    QTest::newRow("above the consumption total") << "30" << "50" << "12" << true << "120" << "-20" << "50";
    QTest::newRow("zero amount") << "30" << "0.00" << "12" << false << "70" << "30" << "0";
}

void TestStoredValue::correction()
{
    QFETCH(QString, consumed);
    QFETCH(QString, typed);
    QFETCH(QString, bill);
    QFETCH(bool, written);
    QFETCH(QString, balanceAfter);
    QFETCH(QString, consumedAfter);
    QFETCH(QString, mischargeAfter);

    desk->addCard(QStringLiteral("1001"), false,
                  {{QStringLiteral("金额"), QStringLiteral("70")}, {QStringLiteral("消费总额"), consumed},
                   {QStringLiteral("使用次数"), QStringLiteral("3")}});
    const int rows = desk->journalRows();
    kit::ScriptedMessages script;
    if (written)
        script.answer(true);
    frontdesk::Tfhyws screen(*desk);
    QVERIFY(openScreen(screen));
    auto* amount = field<QLineEdit>(screen, QStringLiteral("多收金额"));
    QTest::keyClicks(amount, typed);
    QTest::keyClick(amount, Qt::Key_Return);
    if (written)
        QCOMPARE(field<QLineEdit>(screen, QStringLiteral("修正金额"))->text(), balanceAfter);
    auto* billField = field<QLineEdit>(screen, QStringLiteral("原流水号"));
    billField->setFocus();
    QTest::keyClicks(billField, bill);
    QTest::keyClick(billField, Qt::Key_Return);

    QCOMPARE(desk->memberText("金额"), balanceAfter);
    QCOMPARE(desk->memberText("消费总额"), consumedAfter);
    QCOMPARE(desk->memberText("误收总额"), mischargeAfter);
    QCOMPARE(desk->memberText("使用次数"), QStringLiteral("3"));
    if (!written) {
        QVERIFY(script.texts().isEmpty());
        QVERIFY(screen.isVisible());
        QCOMPARE(desk->journalRows(), rows);
        return;
    }
    QCOMPARE(script.texts(), QStringList{QStringLiteral("是否打印补充信息?")});
    QVERIFY(!screen.isVisible());
    const QSqlRecord j = desk->lastJournal();
    QCOMPARE(col(j, "标志"), QStringLiteral("误收"));
    QCOMPARE(col(j, "误收额"), typed);
    QCOMPARE(col(j, "说明"), QStringLiteral("原账单流水号为") + bill);
    const Receipt& r = desk->printerRecord.printed.last();
    QCOMPARE(r.layout, ReceiptLayout::Mischarge);
    QCOMPARE(r.title, QStringLiteral("误收单据"));
    QCOMPARE(r.id, col(j, "流水号"));
    QCOMPARE(r.amountCaption, QStringLiteral("误收金额："));
    QCOMPARE(r.balanceCaption, QStringLiteral("当前余额："));
    QCOMPARE(r.balanceValue, balanceAfter);
}

QTEST_MAIN(TestStoredValue)
#include "tst_storedvalue.moc"
