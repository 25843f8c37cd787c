// The card issue screen: both card kinds, the card-type choice, the checks
// in their order, the ID-number entry on the screen, the receipt and the
// hand-back to the member screen.
#include "fakedesk.h"

#include "tfxkk.h"

#include "kit/messages.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>

using frontdesk::Receipt;
using frontdesk::ReceiptLayout;

namespace {

const QString storedType = QStringLiteral("普通储值卡");
const QString countType = QStringLiteral("普通记次卡");

void chooseType(QWidget& screen, const QString& name)
{
    auto* type = field<QComboBox>(screen, QStringLiteral("会员类型"));
    type->setCurrentIndex(type->findText(name));
}

int members(FakeDesk& desk)
{
    return store::Query(desk.store(), QStringLiteral("select count(*) as n from 会员表"))
        .exec()
        .text(QStringLiteral("n"))
        .toInt();
}

}  // namespace

class TestIssue : public QObject {
    Q_OBJECT

    std::unique_ptr<FakeDesk> desk;

private slots:
    void init()
    {
        desk = std::make_unique<FakeDesk>();
        desk->card = QStringLiteral("5001");
    }
    void cleanup() { desk.reset(); }

    void countCard();
    void storedValueCard_data();
    void storedValueCard();
    void refusals_data();
    void refusals();
    void countTypeAfterStoredValueTypeKeepsTheGift();
    void serialNumberFollowsTheJournal();
    void withoutTheRightNothingIsWritten();
    void reopeningStartsAfresh();
};

// The count card, typed key by key through the whole Enter order, with an ID
// number whose area code and birthday fill their fields.
void TestIssue::countCard()
{
    kit::ScriptedMessages script;
    script.answer(true);
    frontdesk::Tfxkk screen(*desk);
    QVERIFY(openScreen(screen));
    auto* type = field<QComboBox>(screen, QStringLiteral("会员类型"));
    QVERIFY(type->hasFocus());
    QCOMPARE(type->currentIndex(), -1);
    QCOMPARE(type->count(), 2);
    chooseType(screen, countType);
    QCOMPARE(field<QLineEdit>(screen, QStringLiteral("有效时间"))->text(), QStringLiteral("2099-12-31"));
    QVERIFY(!field<QLineEdit>(screen, QStringLiteral("赠送金额"))->isEnabled());
    QVERIFY(field<QLineEdit>(screen, QStringLiteral("有效次数"))->isEnabled());

    auto enter = [] { QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return); };
    auto typeHere = [](const QString& text) { typeInto(QApplication::focusWidget(), text); };
    enter();
    QVERIFY(field<QLineEdit>(screen, QStringLiteral("客人姓名"))->hasFocus());
    field<QLineEdit>(screen, QStringLiteral("客人姓名"))->setText(QStringLiteral("李四"));
    enter();  // sex
    field<QComboBox>(screen, QStringLiteral("性别"))->setCurrentIndex(1);
    enter();
    typeHere(QStringLiteral("C7"));
    enter();  // payment method
    enter();
    QVERIFY(field<QLineEdit>(screen, QStringLiteral("充值金额"))->hasFocus());
    typeHere(QStringLiteral("200"));
    enter();  // the gift is disabled: on to 有效次数
    QVERIFY(field<QLineEdit>(screen, QStringLiteral("有效次数"))->hasFocus());
    typeHere(QStringLiteral("10"));
    enter();
    typeHere(QStringLiteral("13900001111"));
    enter();
    QVERIFY(field<QLineEdit>(screen, QStringLiteral("身份证号码"))->hasFocus());
    typeHere(QStringLiteral("11010119800315123X"));
    enter();
    QCOMPARE(field<QLineEdit>(screen, QStringLiteral("通讯地址"))->text(), QStringLiteral("北京市东城区"));
    QCOMPARE(field<QComboBox>(screen, QStringLiteral("生日月份"))->currentText(), QStringLiteral("03"));
    QCOMPARE(field<QComboBox>(screen, QStringLiteral("生日日期"))->currentText(), QStringLiteral("15"));
    field<QCheckBox>(screen, QStringLiteral("定阅短信"))->setChecked(true);
    auto* remark = field<QLineEdit>(screen, QStringLiteral("说明备注"));
    remark->setFocus();
    remark->setText(QStringLiteral("十次卡"));
    QTest::keyClick(remark, Qt::Key_Return);  // confirms

    QCOMPARE(script.texts(), QStringList{QStringLiteral("是否打印开卡信息?")});
    QVERIFY(!screen.isVisible());
    const QSqlRecord m = desk->member();
    QCOMPARE(col(m, "金额"), QStringLiteral("0"));
    QCOMPARE(col(m, "赠送总额"), QStringLiteral("0"));
    QCOMPARE(col(m, "开卡额"), QStringLiteral("200"));
    QCOMPARE(col(m, "充值总额"), QStringLiteral("200"));
    QCOMPARE(col(m, "有效次数"), QStringLiteral("10"));
    QCOMPARE(col(m, "是记次卡"), QStringLiteral("1"));
    QCOMPARE(col(m, "协议名称"), countType);
    QCOMPARE(col(m, "姓名"), QStringLiteral("李四"));
    QCOMPARE(col(m, "性别"), QStringLiteral("女"));
    QCOMPARE(col(m, "自编号"), QStringLiteral("C7"));
    QCOMPARE(col(m, "手机"), QStringLiteral("13900001111"));
    QCOMPARE(col(m, "身份证号"), QStringLiteral("11010119800315123X"));
    QCOMPARE(col(m, "住址"), QStringLiteral("北京市东城区"));
    QCOMPARE(col(m, "生日月份"), QStringLiteral("03"));
    QCOMPARE(col(m, "生日日期"), QStringLiteral("15"));
    QCOMPARE(col(m, "订阅短信"), QStringLiteral("1"));
    QCOMPARE(col(m, "验证方式"), QStringLiteral("无需验证"));
    QCOMPARE(col(m, "失效时间"), QStringLiteral("2099-12-31"));
    QCOMPARE(col(m, "开卡人"), QStringLiteral("管理员"));
    const QSqlRecord j = desk->lastJournal();
    QCOMPARE(col(j, "标志"), QStringLiteral("新开卡"));
    QCOMPARE(col(j, "充值金额"), QStringLiteral("200"));
    QCOMPARE(col(j, "有效次数"), QStringLiteral("10"));
    QCOMPARE(col(j, "是记次卡"), QStringLiteral("1"));
    QCOMPARE(col(j, "付款方式"), QStringLiteral("现金"));
    QCOMPARE(col(j, "说明"), QStringLiteral("十次卡"));

    QCOMPARE(col(desk->shown.last(), "自编号"), QStringLiteral("C7"));
    QCOMPARE(desk->journalReloads, 1);
    QCOMPARE(desk->cardFocuses, 1);
    const Receipt& r = desk->printerRecord.printed.last();
    QCOMPARE(r.layout, ReceiptLayout::Recharge);
    QCOMPARE(r.title, QStringLiteral("新开卡单据"));
    QCOMPARE(r.ownNumber, QStringLiteral("C7"));
    QCOMPARE(r.method, QStringLiteral("现金"));
    QCOMPARE(QStringList({r.amountCaption, r.amountValue, r.giftCaption, r.giftValue, r.balanceCaption, r.balanceValue}),
             QStringList({QStringLiteral("充值次数"), QStringLiteral("10"), QStringLiteral("充值金额"),
                          QStringLiteral("200"), QStringLiteral("当前次数"), QStringLiteral("10")}));
}

void TestIssue::storedValueCard_data()
{
    QTest::addColumn<bool>("f1InGift");
    QTest::newRow("gift left by Enter") << false;
    QTest::newRow("F1 with the focus still in 赠送金额") << true;
}

void TestIssue::storedValueCard()
{
    QFETCH(bool, f1InGift);
    kit::ScriptedMessages script;
    script.answer(true);
    frontdesk::Tfxkk screen(*desk);
    QVERIFY(openScreen(screen));
    chooseType(screen, storedType);
    QVERIFY(!field<QLineEdit>(screen, QStringLiteral("有效次数"))->isEnabled());
    field<QLineEdit>(screen, QStringLiteral("客人姓名"))->setText(QStringLiteral("王五"));
    field<QLineEdit>(screen, QStringLiteral("卡自编号"))->setText(QStringLiteral("S1"));
    typeInto(field<QLineEdit>(screen, QStringLiteral("充值金额")), QStringLiteral("500"));
    auto* gift = field<QLineEdit>(screen, QStringLiteral("赠送金额"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    QVERIFY(gift->hasFocus());
    QCOMPARE(field<QLineEdit>(screen, QStringLiteral("卡上金额"))->text(), QStringLiteral("500"));
    typeInto(gift, QStringLiteral("50"));
    if (f1InGift) {
        QTest::keyClick(gift, Qt::Key_F1);
    } else {
        QTest::keyClick(gift, Qt::Key_Return);
        QCOMPARE(field<QLineEdit>(screen, QStringLiteral("卡上金额"))->text(), QStringLiteral("550"));
        field<QPushButton>(screen, QStringLiteral("确定"))->click();
    }

    QCOMPARE(script.texts(), QStringList{QStringLiteral("是否打印开卡信息?")});
    const QSqlRecord m = desk->member();
    for (const char* c : {"金额", "开卡额", "充值总额"})
        QCOMPARE(col(m, c), QStringLiteral("550"));
    QCOMPARE(col(m, "赠送总额"), QStringLiteral("50"));
    QCOMPARE(col(m, "是记次卡"), QStringLiteral("0"));
    const QSqlRecord j = desk->lastJournal();
    QCOMPARE(col(j, "充值金额"), QStringLiteral("500"));
    QCOMPARE(col(j, "赠送金额"), QStringLiteral("50"));
    QCOMPARE(col(j, "是记次卡"), QStringLiteral("0"));
    for (const char* c : {"金额", "开卡额", "充值总额"})
        QCOMPARE(col(desk->shown.last(), c), QStringLiteral("550"));
    const Receipt& r = desk->printerRecord.printed.last();
    QCOMPARE(QStringList({r.amountCaption, r.amountValue, r.giftCaption, r.giftValue, r.balanceCaption, r.balanceValue}),
             QStringList({QStringLiteral("充值金额："), QStringLiteral("500"), QStringLiteral("赠送金额："),
                          QStringLiteral("50"), QStringLiteral("当前余额："), QStringLiteral("550")}));
}

void TestIssue::refusals_data()
{
    QTest::addColumn<QString>("type");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("own");
    QTest::addColumn<QString>("amount");
    QTest::addColumn<QString>("uses");
    QTest::addColumn<QString>("message");  // a prefix of the message
    QTest::addColumn<QString>("focus");    // empty: the focus is not checked
    QTest::addColumn<QString>("card");     // the member screen's card number

    QTest::newRow("no card type") << "" << "" << "" << "abc" << "0" << "请选择卡类型！" << "会员类型" << "5001";
    QTest::newRow("no name") << storedType << " " << "S2" << "100" << "0" << "自编号和姓名不能为空！" << "客人姓名" << "5001";
    QTest::newRow("no own number") << storedType << "王五" << "" << "100" << "0" << "自编号和姓名不能为空！" << "客人姓名" << "5001";
    QTest::newRow("own number taken") << storedType << "王五" << "A1" << "100" << "0" << "自编号重复，请重新输入！" << "卡自编号" << "5001";
    QTest::newRow("amount not a number") << storedType << "王五" << "S2" << "abc" << "0" << "充值金额" << "充值金额" << "5001";
    QTest::newRow("amount empty") << storedType << "王五" << "S2" << "" << "0" << "充值金额" << "充值金额" << "5001";
    QTest::newRow("uses not whole") << countType << "王五" << "S2" << "100" << "2.5" << "有效次数" << "有效次数" << "5001";
    QTest::newRow("uses empty") << countType << "王五" << "S2" << "100" << "" << "有效次数" << "有效次数" << "5001";
    // The member screen leaves an empty card number or one issued meanwhile
    // (at another workstation) to this screen and the issue operation.
    QTest::newRow("no card number") << storedType << "王五" << "S2" << "100" << "0" << "卡号不能为空" << "" << "";
    QTest::newRow("card issued meanwhile") << storedType << "王五" << "S2" << "100" << "0" << "卡号1001已经发行" << ""
                                           << "1001";
}

// Each refusal shows its message, moves the focus, writes nothing and keeps
// the screen open.
void TestIssue::refusals()
{
    QFETCH(QString, type);
    QFETCH(QString, name);
    QFETCH(QString, own);
    QFETCH(QString, amount);
    QFETCH(QString, uses);
    QFETCH(QString, message);
    QFETCH(QString, focus);
    QFETCH(QString, card);

    desk->addCard(QStringLiteral("1001"), false);
    store::Query(desk->store(), QStringLiteral("update 会员表 set 自编号='A1'")).exec();
    desk->card = card;
    const int rows = desk->journalRows();
    const int before = members(*desk);

    kit::ScriptedMessages script;
    frontdesk::Tfxkk screen(*desk);
    QVERIFY(openScreen(screen));
    if (!type.isEmpty())
        chooseType(screen, type);
    field<QLineEdit>(screen, QStringLiteral("客人姓名"))->setText(name);
    field<QLineEdit>(screen, QStringLiteral("卡自编号"))->setText(own);
    field<QLineEdit>(screen, QStringLiteral("充值金额"))->setText(amount);
    field<QLineEdit>(screen, QStringLiteral("有效次数"))->setText(uses);
    field<QPushButton>(screen, QStringLiteral("确定"))->click();

    QCOMPARE(script.texts().size(), 1);
    QVERIFY2(script.last().startsWith(message), qPrintable(script.last()));
    if (!focus.isEmpty()) {
        QWidget* expected = field(screen, focus);
        QVERIFY(expected->hasFocus() || expected->isAncestorOf(QApplication::focusWidget()));
    }
    QVERIFY(screen.isVisible());
    QCOMPARE(desk->journalRows(), rows);
    QCOMPARE(members(*desk), before);
    QVERIFY(desk->shown.isEmpty());
}

void TestIssue::countTypeAfterStoredValueTypeKeepsTheGift()
{
    kit::ScriptedMessages script;
    script.answer(false);
    frontdesk::Tfxkk screen(*desk);
    QVERIFY(openScreen(screen));
    chooseType(screen, storedType);
    field<QLineEdit>(screen, QStringLiteral("赠送金额"))->setText(QStringLiteral("15"));
    chooseType(screen, countType);
    auto* gift = field<QLineEdit>(screen, QStringLiteral("赠送金额"));
    QVERIFY(!gift->isEnabled());
    QCOMPARE(gift->text(), QStringLiteral("15"));
    field<QLineEdit>(screen, QStringLiteral("客人姓名"))->setText(QStringLiteral("赵六"));
    field<QLineEdit>(screen, QStringLiteral("卡自编号"))->setText(QStringLiteral("C8"));
    field<QLineEdit>(screen, QStringLiteral("充值金额"))->setText(QStringLiteral("100"));
    field<QLineEdit>(screen, QStringLiteral("有效次数"))->setText(QStringLiteral("5"));
    field<QPushButton>(screen, QStringLiteral("确定"))->click();

    QCOMPARE(col(desk->lastJournal(), "赠送金额"), QStringLiteral("15"));
    QCOMPARE(desk->memberText("赠送总额"), QStringLiteral("0"));
    QCOMPARE(desk->memberText("金额"), QStringLiteral("0"));
    QCOMPARE(desk->memberText("是记次卡"), QStringLiteral("1"));
    QVERIFY(desk->printerRecord.printed.isEmpty());
}

// The receipt's ID is the journal row's serial number and the next
// operation gets the following one.
void TestIssue::serialNumberFollowsTheJournal()
{
    desk->addCard(QStringLiteral("1001"), false);  // serial 1
    desk->card = QStringLiteral("5001");
    kit::ScriptedMessages script;
    script.answer(true);
    frontdesk::Tfxkk screen(*desk);
    QVERIFY(openScreen(screen));
    chooseType(screen, storedType);
    field<QLineEdit>(screen, QStringLiteral("客人姓名"))->setText(QStringLiteral("王五"));
    field<QLineEdit>(screen, QStringLiteral("卡自编号"))->setText(QStringLiteral("S1"));
    field<QPushButton>(screen, QStringLiteral("确定"))->click();
    const QSqlRecord j = desk->lastJournal();
    QCOMPARE(col(j, "会员卡号"), QStringLiteral("5001"));
    QCOMPARE(col(j, "流水号"), QStringLiteral("2"));
    QCOMPARE(desk->printerRecord.printed.last().id, QStringLiteral("2"));
    QCOMPARE(frontdesk::recharge(desk->context(), QStringLiteral("5001"), 100, 0, QStringLiteral("现金"), {}).serial, 3);
}

void TestIssue::withoutTheRightNothingIsWritten()
{
    desk->withheld.insert(QStringLiteral("会员卡发行"));
    kit::ScriptedMessages script;
    frontdesk::Tfxkk screen(*desk);
    QVERIFY(openScreen(screen));
    chooseType(screen, storedType);
    field<QLineEdit>(screen, QStringLiteral("客人姓名"))->setText(QStringLiteral("王五"));
    field<QLineEdit>(screen, QStringLiteral("卡自编号"))->setText(QStringLiteral("S1"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_F1);
    QVERIFY(script.texts().isEmpty());
    QCOMPARE(desk->journalRows(), 0);
    QCOMPARE(members(*desk), 0);
}

void TestIssue::reopeningStartsAfresh()
{
    kit::ScriptedMessages script;
    frontdesk::Tfxkk screen(*desk);
    QVERIFY(openScreen(screen));
    chooseType(screen, countType);
    field<QComboBox>(screen, QStringLiteral("性别"))->setCurrentIndex(1);
    field<QLineEdit>(screen, QStringLiteral("客人姓名"))->setText(QStringLiteral("王五"));
    field<QLineEdit>(screen, QStringLiteral("有效次数"))->setText(QStringLiteral("9"));
    field<QComboBox>(screen, QStringLiteral("生日月份"))->setEditText(QStringLiteral("05"));
    field<QCheckBox>(screen, QStringLiteral("定阅短信"))->setChecked(true);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    QVERIFY(!screen.isVisible());
    QCOMPARE(desk->cardFocuses, 1);

    QVERIFY(openScreen(screen));
    QCOMPARE(field<QComboBox>(screen, QStringLiteral("会员类型"))->currentIndex(), -1);
    QCOMPARE(field<QComboBox>(screen, QStringLiteral("性别"))->currentText(), QStringLiteral("女"));
    QVERIFY(field<QLineEdit>(screen, QStringLiteral("客人姓名"))->text().isEmpty());
    QCOMPARE(field<QLineEdit>(screen, QStringLiteral("有效次数"))->text(), QStringLiteral("0"));
    QVERIFY(field<QComboBox>(screen, QStringLiteral("生日月份"))->currentText().isEmpty());
    QVERIFY(!field<QCheckBox>(screen, QStringLiteral("定阅短信"))->isChecked());
    QCOMPARE(field<QComboBox>(screen, QStringLiteral("充值付款方式"))->currentText(), QStringLiteral("现金"));
    QCOMPARE(desk->journalRows(), 0);
}

QTEST_MAIN(TestIssue)
#include "tst_issue.moc"
