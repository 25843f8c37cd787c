// The count-card screens: deduction, recharge and correction of uses, their
// refusals, what they write and their receipts with count captions.
#include "fakedesk.h"

#include "countscreens.h"

#include "kit/messages.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

using frontdesk::Receipt;
using frontdesk::ReceiptLayout;

class TestCount : public QObject {
    Q_OBJECT

    std::unique_ptr<FakeDesk> desk;

    void addCountCard(const QString& uses, const QString& useCount)
    {
        desk->addCard(QStringLiteral("2001"), true,
                      {{QStringLiteral("有效次数"), uses}, {QStringLiteral("使用次数"), useCount},
                       {QStringLiteral("充值总额"), QStringLiteral("100")}});
    }

private slots:
    void init() { desk = std::make_unique<FakeDesk>(); }
    void cleanup() { desk.reset(); }

    void deduction_data();
    void deduction();
    void deductionAboveStoredUses_data();
    void deductionAboveStoredUses();
    void unusableInput_data();
    void unusableInput();
    void signKeysAreIgnored_data();
    void signKeysAreIgnored();
    void recharge();
    void correction();
    void serialNumbersFollowOneAnother();
};

namespace {

std::unique_ptr<QDialog> makeScreen(const QString& which, FakeDesk& desk)
{
    if (which == QStringLiteral("扣次"))
        return std::make_unique<frontdesk::Tfckkk>(desk);
    if (which == QStringLiteral("充次"))
        return std::make_unique<frontdesk::Tfckcz>(desk);
    return std::make_unique<frontdesk::Tfckws>(desk);
}

}  // namespace

void TestCount::deduction_data()
{
    QTest::addColumn<QString>("uses");
    QTest::addColumn<QString>("useCount");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("left");
    QTest::addColumn<QString>("useCountAfter");
    QTest::newRow("3 from 10") << "10" << "4" << "3" << "7" << "5";
    QTest::newRow("exactly the remaining uses") << "4" << "0" << "4" << "0" << "1";
}

void TestCount::deduction()
{
    QFETCH(QString, uses);
    QFETCH(QString, useCount);
    QFETCH(QString, typed);
    QFETCH(QString, left);
    QFETCH(QString, useCountAfter);

    addCountCard(uses, useCount);
    kit::ScriptedMessages script;
    script.answer(true);
    frontdesk::Tfckkk screen(*desk);
    QVERIFY(openScreen(screen));
    auto* count = field<QLineEdit>(screen, QStringLiteral("消费次数"));
    QVERIFY(count->hasFocus());
    QTest::keyClicks(count, typed);
    QCOMPARE(field<QLabel>(screen, QStringLiteral("display"))->text(), typed);
    QTest::keyClick(count, Qt::Key_Return);
    QCOMPARE(field<QLineEdit>(screen, QStringLiteral("扣后次数"))->text(), left);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);  // confirms

    QCOMPARE(script.texts(), QStringList{QStringLiteral("是否打印消费信息?")});
    QVERIFY(!screen.isVisible());
    const QSqlRecord j = desk->lastJournal();
    QCOMPARE(col(j, "有效次数"), QStringLiteral("-") + typed);
    QCOMPARE(col(j, "标志"), QStringLiteral("消费"));
    QCOMPARE(col(j, "是记次卡"), QStringLiteral("1"));
    QCOMPARE(desk->memberText("有效次数"), left);
    QCOMPARE(desk->memberText("使用次数"), useCountAfter);
    QVERIFY(!desk->memberText("最后一次消费时间").isEmpty());
    QCOMPARE(col(desk->shown.last(), "有效次数"), left);
    QCOMPARE(desk->journalReloads, 1);
    const Receipt& r = desk->printerRecord.printed.last();
    QCOMPARE(r.layout, ReceiptLayout::Settlement);
    QCOMPARE(r.title, QStringLiteral("结账单"));
    QCOMPARE(r.id, col(j, "流水号"));
    QCOMPARE(QStringList({r.amountCaption, r.amountValue, r.balanceCaption, r.balanceValue}),
             QStringList({QStringLiteral("消费次数"), typed, QStringLiteral("剩余次数"), left}));
}

// More uses than the card holds: either already on leaving the field, or
// because another workstation used them after the field was left. Either way
// the refusal comes from the stored row, nothing is written by this screen,
// 消费次数 becomes "0" and the screen closes.
void TestCount::deductionAboveStoredUses_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("usedElsewhere");
    QTest::addColumn<QString>("shownOnLeaving");  // 扣后次数 after leaving the field
    QTest::addColumn<QString>("usesAfter");
    QTest::newRow("more than stored") << "6" << 0 << "" << "5";
    QTest::newRow("used up meanwhile") << "4" << 3 << "1" << "2";
}

void TestCount::deductionAboveStoredUses()
{
    QFETCH(QString, typed);
    QFETCH(int, usedElsewhere);
    QFETCH(QString, shownOnLeaving);
    QFETCH(QString, usesAfter);

    addCountCard(QStringLiteral("5"), QStringLiteral("0"));
    kit::ScriptedMessages script;
    frontdesk::Tfckkk screen(*desk);
    QVERIFY(openScreen(screen));
    auto* count = field<QLineEdit>(screen, QStringLiteral("消费次数"));
    QTest::keyClicks(count, typed);
    QTest::keyClick(count, Qt::Key_Return);
    QCOMPARE(field<QLineEdit>(screen, QStringLiteral("扣后次数"))->text(), shownOnLeaving);
    const QStringList onLeaving = script.texts();
    QCOMPARE(onLeaving.isEmpty(), usedElsewhere > 0);
    QVERIFY(screen.isVisible());
    if (usedElsewhere)
        frontdesk::deductUses(desk->context(), desk->card, usedElsewhere, QString());
    const int rows = desk->journalRows();

    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);  // confirms
    QCOMPARE(script.texts().size(), onLeaving.size() + 1);
    QCOMPARE(script.last(), QStringLiteral("卡上余额不足，请充值后再操作"));
    QVERIFY(!screen.isVisible());
    QCOMPARE(count->text(), QStringLiteral("0"));
    QCOMPARE(desk->journalRows(), rows);
    QCOMPARE(desk->memberText("有效次数"), usesAfter);
    QCOMPARE(desk->memberText("使用次数"), QString::number(usedElsewhere ? 1 : 0));
    QCOMPARE(desk->journalReloads, 1);
    QCOMPARE(desk->cardFocuses, 1);
    QVERIFY(desk->shown.isEmpty());
    QVERIFY(desk->printerRecord.printed.isEmpty());
}

// Input 确定 cannot use. A zero count or amount, an empty deduction or an
// empty 原流水号 is ignored without a word; text that is not a whole count
// (or an amount with more than two decimals) is refused with a message naming
// the field, which gets the focus back. Nothing is written either way and the
// screen stays open.
void TestCount::unusableInput_data()
{
    QTest::addColumn<QString>("screen");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("refused");
    QTest::newRow("deduction: empty") << "扣次" << "消费次数" << "" << false;
    QTest::newRow("deduction: 0") << "扣次" << "消费次数" << "0" << false;
    QTest::newRow("deduction: a fraction") << "扣次" << "消费次数" << "1.5" << true;
    QTest::newRow("deduction: letters") << "扣次" << "消费次数" << "x" << true;
    QTest::newRow("recharge: no uses") << "充次" << "充值次数" << "0" << false;
    QTest::newRow("recharge: uses empty") << "充次" << "充值次数" << "" << true;
    QTest::newRow("recharge: amount 0") << "充次" << "金额" << "0" << false;
    QTest::newRow("recharge: amount empty") << "充次" << "金额" << "" << true;
    QTest::newRow("recharge: amount with three decimals") << "充次" << "金额" << "1.005" << true;
    QTest::newRow("correction: 0") << "误收" << "多收次数" << "0" << false;
    QTest::newRow("correction: empty") << "误收" << "多收次数" << "" << true;
    QTest::newRow("correction: a fraction") << "误收" << "多收次数" << "0.5" << true;
    QTest::newRow("correction: no bill number") << "误收" << "原流水号" << "" << false;
}

void TestCount::unusableInput()
{
    QFETCH(QString, screen);
    QFETCH(QString, caption);
    QFETCH(QString, typed);
    QFETCH(bool, refused);
    addCountCard(QStringLiteral("5"), QStringLiteral("0"));
    const int rows = desk->journalRows();
    kit::ScriptedMessages script;
    const std::unique_ptr<QDialog> dialog = makeScreen(screen, *desk);
    QVERIFY(openScreen(*dialog));
    // Every other field holds a usable value.
    for (const char* name : {"消费次数", "充值次数", "金额", "多收次数"})
        if (auto* f = dialog->findChild<QLineEdit*>(QString::fromUtf8(name)))
            f->setText(QStringLiteral("2"));
    if (auto* bill = dialog->findChild<QLineEdit*>(QStringLiteral("原流水号")))
        bill->setText(QStringLiteral("7"));
    auto* f = field<QLineEdit>(*dialog, caption);
    f->setText(typed);
    field<QPushButton>(*dialog, QStringLiteral("确定"))->click();
    if (refused) {
        QCOMPARE(script.texts().size(), 1);
        QVERIFY2(script.last().startsWith(caption), qPrintable(script.last()));
        QVERIFY(f->hasFocus());
    } else {
        QCOMPARE(script.texts(), QStringList());
    }
    QVERIFY(dialog->isVisible());
    QCOMPARE(desk->journalRows(), rows);
    QCOMPARE(desk->memberText("有效次数"), QStringLiteral("5"));
}

// No negative count can be typed: "-", "(", ")" and "v" do nothing in the
// count and amount fields.
void TestCount::signKeysAreIgnored_data()
{
    QTest::addColumn<QString>("screen");
    QTest::addColumn<QString>("caption");
    QTest::newRow("deduction") << "扣次" << "消费次数";
    QTest::newRow("recharge: uses") << "充次" << "充值次数";
    QTest::newRow("recharge: amount") << "充次" << "金额";
    QTest::newRow("correction") << "误收" << "多收次数";
}

void TestCount::signKeysAreIgnored()
{
    QFETCH(QString, screen);
    QFETCH(QString, caption);
    addCountCard(QStringLiteral("5"), QStringLiteral("0"));
    const std::unique_ptr<QDialog> dialog = makeScreen(screen, *desk);
    QVERIFY(openScreen(*dialog));
    auto* f = field<QLineEdit>(*dialog, caption);
    typeInto(f, QStringLiteral("-(3)v"));
    QCOMPARE(f->text(), QStringLiteral("3"));
}

void TestCount::recharge()
{
    addCountCard(QStringLiteral("5"), QStringLiteral("2"));
    kit::ScriptedMessages script;
    script.answer(true);
    frontdesk::Tfckcz screen(*desk);
    QVERIFY(openScreen(screen));
    auto* uses = field<QLineEdit>(screen, QStringLiteral("充值次数"));
    QVERIFY(uses->hasFocus());
    QCOMPARE(uses->text(), QStringLiteral("0"));
    typeInto(uses, QStringLiteral("10"));
    QCOMPARE(field<QLabel>(screen, QStringLiteral("display"))->text(), QStringLiteral("10"));
    QTest::keyClick(uses, Qt::Key_Return);
    auto* method = field<QComboBox>(screen, QStringLiteral("付款方式"));
    QCOMPARE(method->currentText(), QStringLiteral("现金"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    auto* amount = field<QLineEdit>(screen, QStringLiteral("金额"));
    QVERIFY(amount->hasFocus());
    typeInto(amount, QStringLiteral("200"));
    QTest::keyClick(amount, Qt::Key_Return);  // confirms

    QCOMPARE(script.texts(), QStringList{QStringLiteral("是否打印充值信息?")});
    QVERIFY(!screen.isVisible());
    const QSqlRecord j = desk->lastJournal();
    QCOMPARE(col(j, "充值金额"), QStringLiteral("200"));
    QCOMPARE(col(j, "有效次数"), QStringLiteral("10"));
    QCOMPARE(col(j, "标志"), QStringLiteral("充值"));
    QCOMPARE(col(j, "付款方式"), QStringLiteral("现金"));
    QCOMPARE(col(j, "是记次卡"), QStringLiteral("1"));
    QCOMPARE(desk->memberText("有效次数"), QStringLiteral("15"));
    QCOMPARE(desk->memberText("充值总额"), QStringLiteral("300"));
    QCOMPARE(desk->memberText("使用次数"), QStringLiteral("2"));
    QCOMPARE(desk->memberText("金额"), QStringLiteral("0"));
    const Receipt& r = desk->printerRecord.printed.last();
    QCOMPARE(r.layout, ReceiptLayout::Recharge);
    QCOMPARE(r.title, QStringLiteral("充值收据"));
    QCOMPARE(r.id, col(j, "流水号"));
    QCOMPARE(QStringList({r.amountCaption, r.amountValue, r.method, r.giftCaption, r.giftValue, r.balanceCaption,
                          r.balanceValue}),
             QStringList({QStringLiteral("充值次数"), QStringLiteral("10"), QStringLiteral("现金"),
                          QStringLiteral("充值金额"), QStringLiteral("200"), QStringLiteral("当前次数"),
                          QStringLiteral("15")}));
}

void TestCount::correction()
{
    addCountCard(QStringLiteral("5"), QStringLiteral("3"));
    kit::ScriptedMessages script;
    script.answer(true);
    frontdesk::Tfckws screen(*desk);
    QVERIFY(openScreen(screen));
    auto* uses = field<QLineEdit>(screen, QStringLiteral("多收次数"));
    QVERIFY(uses->hasFocus());
    typeInto(uses, QStringLiteral("2"));
    QTest::keyClick(uses, Qt::Key_Return);  // on to 原流水号, past 修正次数
    QCOMPARE(field<QLineEdit>(screen, QStringLiteral("修正次数"))->text(), QStringLiteral("7"));
    auto* bill = field<QLineEdit>(screen, QStringLiteral("原流水号"));
    QVERIFY(bill->hasFocus());
    QTest::keyClicks(bill, QStringLiteral("12"));
    QTest::keyClick(bill, Qt::Key_Return);  // confirms

    QCOMPARE(script.texts(), QStringList{QStringLiteral("是否打印补充信息?")});
    QVERIFY(!screen.isVisible());
    const QSqlRecord j = desk->lastJournal();
    QCOMPARE(col(j, "有效次数"), QStringLiteral("2"));
    QCOMPARE(col(j, "标志"), QStringLiteral("误收"));
    QCOMPARE(col(j, "说明"), QStringLiteral("原账单流水号为12"));
    QCOMPARE(col(j, "是记次卡"), QStringLiteral("1"));
    QCOMPARE(desk->memberText("有效次数"), QStringLiteral("7"));
    QCOMPARE(desk->memberText("使用次数"), QStringLiteral("3"));
    const Receipt& r = desk->printerRecord.printed.last();
    QCOMPARE(r.layout, ReceiptLayout::Mischarge);
    QCOMPARE(r.title, QStringLiteral("误收单据"));
    QCOMPARE(r.id, col(j, "流水号"));
    QCOMPARE(QStringList({r.amountCaption, r.amountValue, r.balanceCaption, r.balanceValue}),
             QStringList({QStringLiteral("误收次数"), QStringLiteral("2"), QStringLiteral("剩余次数"),
                          QStringLiteral("7")}));
}

// Three operations in a row, each confirmed with its button and printed: every
// receipt carries the serial number of its own journal row, and each row
// gets the number after the one before.
void TestCount::serialNumbersFollowOneAnother()
{
    addCountCard(QStringLiteral("5"), QStringLiteral("0"));
    kit::ScriptedMessages script;
    const QList<QPair<QString, QString>> steps{
        {QStringLiteral("扣次"), QStringLiteral("消费次数")},
        {QStringLiteral("充次"), QStringLiteral("充值次数")},
        {QStringLiteral("误收"), QStringLiteral("多收次数")}};
    QStringList ids, serials;
    for (const auto& [which, caption] : steps) {
        script.answer(true);
        const std::unique_ptr<QDialog> dialog = makeScreen(which, *desk);
        QVERIFY(openScreen(*dialog));
        field<QLineEdit>(*dialog, caption)->setText(QStringLiteral("1"));
        if (auto* amount = dialog->findChild<QLineEdit*>(QStringLiteral("金额")))
            amount->setText(QStringLiteral("20"));
        if (auto* bill = dialog->findChild<QLineEdit*>(QStringLiteral("原流水号")))
            bill->setText(QStringLiteral("7"));
        field<QPushButton>(*dialog, QStringLiteral("确定"))->click();
        QVERIFY2(!dialog->isVisible(), qPrintable(which));
        ids << desk->printerRecord.printed.last().id;
        serials << col(desk->lastJournal(), "流水号");
    }
    QCOMPARE(ids, serials);
    QCOMPARE(ids.at(1).toLongLong(), ids.at(0).toLongLong() + 1);
    QCOMPARE(ids.at(2).toLongLong(), ids.at(1).toLongLong() + 1);
    QCOMPARE(desk->memberText("有效次数"), QStringLiteral("6"));
    QCOMPARE(desk->printerRecord.printed.size(), 3);
}

QTEST_MAIN(TestCount)
#include "tst_count.moc"
