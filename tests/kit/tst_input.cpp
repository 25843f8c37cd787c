// Messages seam, general error handler, key routing and input fields.
#include "kit/fields.h"
#include "kit/keys.h"
#include "kit/messages.h"

#include <QComboBox>
#include <QDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>

#include <stdexcept>

namespace {

// A sample screen: three fields in Enter order, a confirm button pressed by
// Enter in the last one, a return button on Esc and on the close button,
// F2 on a third button, and a field outside the order.
class SampleScreen : public QDialog {
public:
    SampleScreen()
    {
        setWindowTitle(QStringLiteral("样例"));
        auto* layout = new QVBoxLayout(this);
        for (QWidget* w : std::initializer_list<QWidget*>{
                 amount = new kit::MoneyEdit(QStringLiteral("0.0")), payment = new QComboBox,
                 disabled = new QLineEdit, remark = new QLineEdit, outside = new QLineEdit,
                 ok = new QPushButton(QStringLiteral("确定")),
                 back = new QPushButton(QStringLiteral("返回")),
                 deduct = new QPushButton(QStringLiteral("扣款(F2)"))})
            layout->addWidget(w);
        payment->setEditable(true);
        payment->addItems({QStringLiteral("现金"), QStringLiteral("支票")});
        disabled->setEnabled(false);
        keys = new kit::KeyRouter(this);
        keys->setEnterOrder({amount, payment, disabled, remark}, ok);
        keys->bindEscape(back);
        keys->bindClose(back);
        keys->bindKey(Qt::Key_F2, deduct);
        connect(back, &QPushButton::clicked, this, [this] {
            if (mayClose)
                close();
        });
    }

    QWidget* byName(const QString& name) const
    {
        if (name == "amount") return amount;
        if (name == "payment") return payment;
        if (name == "remark") return remark;
        if (name == "outside") return outside;
        if (name == "back") return back;
        return nullptr;
    }

    kit::MoneyEdit* amount;
    QComboBox* payment;
    QLineEdit* disabled;
    QLineEdit* remark;
    QLineEdit* outside;
    QPushButton* ok;
    QPushButton* back;
    QPushButton* deduct;
    kit::KeyRouter* keys;
    bool mayClose = true;
};

}  // namespace

class InputTest : public QObject {
    Q_OBJECT
private slots:
    void scriptRecordsTextsAndAnswers();
    void scriptRecordsUnexpectedQuestionWhenLenient();
    void modalOpeningDoesNotBlock();
    void guardShowsErrorAndContinues();
    void applicationCatchesErrorFromSlot();

    void keyRouting_data();
    void keyRouting();
    void enterActionOverridesOrder();
    void closeButtonPressesReturn();
    void keysOfAnotherWindowAreLeftAlone();

    void moneyFieldIgnoresRefusedKeys_data();
    void moneyFieldIgnoresRefusedKeys();
    void moneyFieldValue_data();
    void moneyFieldValue();
    void digitFieldAndPickers();
};

void InputTest::scriptRecordsTextsAndAnswers()
{
    kit::ScriptedMessages script;
    script.answer(true);
    script.answer(false);
    kit::info(nullptr, QStringLiteral("此卡为新卡，请发行后再操作"));
    QVERIFY(kit::ask(nullptr, QStringLiteral("该卡是新卡，您真的要开卡吗?")));
    kit::warn(nullptr, QStringLiteral("密码错误"));
    QVERIFY(!kit::ask(nullptr, QStringLiteral("是否打印充值信息?")));
    QCOMPARE(script.texts(),
             (QStringList{"此卡为新卡，请发行后再操作", "该卡是新卡，您真的要开卡吗?", "密码错误",
                          "是否打印充值信息?"}));
    QCOMPARE(script.entries()[1].kind, kit::MessageKind::Question);
    QCOMPARE(script.entries()[2].kind, kit::MessageKind::Warning);
    QCOMPARE(script.pendingAnswers(), 0);
}

void InputTest::scriptRecordsUnexpectedQuestionWhenLenient()
{
    kit::ScriptedMessages outer;
    {
        kit::ScriptedMessages script(/*strict=*/false);
        QVERIFY(!kit::ask(nullptr, QStringLiteral("真的要删除吗?")));
        QCOMPARE(script.unexpected().size(), 1);
        QVERIFY(script.unexpected().first().contains(QStringLiteral("真的要删除吗?")));
    }
    // The inner script restored the outer one on leaving.
    kit::info(nullptr, QStringLiteral("x"));
    QCOMPARE(outer.texts(), QStringList{"x"});
}

void InputTest::modalOpeningDoesNotBlock()
{
    kit::ScriptedMessages script;
    QDialog dialog;
    dialog.setWindowTitle(QStringLiteral("关于本软件"));
    QCOMPARE(kit::openModal(&dialog), int(QDialog::Rejected));
    QVERIFY(dialog.isVisible());
    QCOMPARE(script.entries().last().kind, kit::MessageKind::Modal);
    QCOMPARE(script.entries().last().text, QStringLiteral("关于本软件"));

    script.onModal([](QDialog* d) { return d->windowTitle() == "关于本软件" ? int(QDialog::Accepted) : -1; });
    QCOMPARE(kit::openModal(&dialog), int(QDialog::Accepted));
}

void InputTest::guardShowsErrorAndContinues()
{
    kit::ScriptedMessages script;
    int after = 0;
    QVERIFY(!kit::guard(nullptr, [&] {
        throw std::runtime_error("数据库文件已损坏");
        ++after;
    }));
    QVERIFY(kit::guard(nullptr, [&] { ++after; }));
    QCOMPARE(after, 1);
    QCOMPARE(script.texts(), QStringList{"数据库文件已损坏"});
}

void InputTest::applicationCatchesErrorFromSlot()
{
    kit::ScriptedMessages script;
    QPushButton button(QStringLiteral("确定"));
    QObject::connect(&button, &QPushButton::clicked, [] { throw std::runtime_error("no such table: 会员表"); });
    button.show();
    QVERIFY(QTest::qWaitForWindowExposed(&button));
    QTest::mouseClick(&button, Qt::LeftButton);  // delivered through the application
    QCOMPARE(script.texts(), QStringList{"no such table: 会员表"});
}

void InputTest::keyRouting_data()
{
    QTest::addColumn<QString>("start");
    QTest::addColumn<int>("key");
    QTest::addColumn<QString>("focusAfter");  // empty: unchanged
    QTest::addColumn<QString>("pressed");     // button clicked, or empty

    QTest::newRow("Enter moves to the next field") << "amount" << int(Qt::Key_Return) << "payment" << "";
    QTest::newRow("keypad Enter too") << "amount" << int(Qt::Key_Enter) << "payment" << "";
    QTest::newRow("Enter skips a disabled field") << "payment" << int(Qt::Key_Return) << "remark" << "";
    QTest::newRow("Enter in the last field confirms") << "remark" << int(Qt::Key_Return) << "" << "ok";
    QTest::newRow("Esc presses return") << "payment" << int(Qt::Key_Escape) << "" << "back";
    QTest::newRow("F2 presses its button") << "amount" << int(Qt::Key_F2) << "" << "deduct";
    QTest::newRow("Enter outside the order is the control's") << "outside" << int(Qt::Key_Return) << "" << "";
    QTest::newRow("Enter on a focused button presses it") << "back" << int(Qt::Key_Return) << "" << "back";
}

void InputTest::keyRouting()
{
    QFETCH(QString, start);
    QFETCH(int, key);
    QFETCH(QString, focusAfter);
    QFETCH(QString, pressed);

    SampleScreen screen;
    screen.mayClose = false;
    screen.show();
    QVERIFY(QTest::qWaitForWindowActive(&screen));
    QWidget* from = screen.byName(start);
    from->setFocus();
    QTRY_VERIFY(from->hasFocus());

    QSignalSpy ok(screen.ok, &QPushButton::clicked);
    QSignalSpy back(screen.back, &QPushButton::clicked);
    QSignalSpy deduct(screen.deduct, &QPushButton::clicked);
    QSignalSpy rejected(&screen, &QDialog::rejected);
    QSignalSpy returnPressed(screen.outside, &QLineEdit::returnPressed);

    QTest::keyClick(QApplication::focusWidget(), Qt::Key(key));

    QWidget* expectedFocus = focusAfter.isEmpty() ? from : screen.byName(focusAfter);
    QVERIFY(expectedFocus->hasFocus() || expectedFocus->isAncestorOf(QApplication::focusWidget()));
    QCOMPARE(ok.count(), pressed == "ok" ? 1 : 0);
    QCOMPARE(back.count(), pressed == "back" ? 1 : 0);
    QCOMPARE(deduct.count(), pressed == "deduct" ? 1 : 0);
    // The screen saw the key first: the dialog's own Esc/Enter handling never ran.
    QCOMPARE(rejected.count(), 0);
    QVERIFY(screen.isVisible());
    QCOMPARE(returnPressed.count(), start == "outside" ? 1 : 0);
}

void InputTest::enterActionOverridesOrder()
{
    SampleScreen screen;
    int lookups = 0;
    screen.keys->onEnter(screen.amount, [&] { ++lookups; });
    screen.keys->onEnter(screen.outside, screen.deduct);
    QSignalSpy deduct(screen.deduct, &QPushButton::clicked);
    screen.show();
    QVERIFY(QTest::qWaitForWindowActive(&screen));
    screen.amount->setFocus();
    QTest::keyClick(screen.amount, Qt::Key_Return);
    QCOMPARE(lookups, 1);
    QVERIFY(screen.amount->hasFocus());
    screen.outside->setFocus();
    QTest::keyClick(screen.outside, Qt::Key_Return);
    QCOMPARE(deduct.count(), 1);

    // A disabled button is not pressed.
    screen.deduct->setEnabled(false);
    QTest::keyClick(screen.outside, Qt::Key_F2);
    QCOMPARE(deduct.count(), 1);
}

void InputTest::closeButtonPressesReturn()
{
    SampleScreen screen;
    QSignalSpy back(screen.back, &QPushButton::clicked);
    screen.show();
    QVERIFY(QTest::qWaitForWindowExposed(&screen));

    screen.mayClose = false;  // the return handler refuses to close
    screen.close();
    QTRY_COMPARE(back.count(), 1);
    QVERIFY(screen.isVisible());

    screen.mayClose = true;
    screen.close();
    QTRY_COMPARE(back.count(), 2);
    QVERIFY(!screen.isVisible());

    // A dialog that finishes itself in code closes without pressing return.
    for (auto finish : {&QDialog::accept, &QDialog::reject}) {
        screen.show();
        QVERIFY(QTest::qWaitForWindowExposed(&screen));
        (screen.*finish)();
        QTest::qWait(20);
        QCOMPARE(back.count(), 2);
        QVERIFY(!screen.isVisible());
    }
}

void InputTest::keysOfAnotherWindowAreLeftAlone()
{
    SampleScreen screen;
    QSignalSpy back(screen.back, &QPushButton::clicked);
    screen.show();
    QDialog other;
    auto* field = new QLineEdit(&other);
    other.show();
    other.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&other));
    field->setFocus();
    QSignalSpy rejected(&other, &QDialog::rejected);
    QTest::keyClick(field, Qt::Key_Escape);
    QCOMPARE(back.count(), 0);
    QCOMPARE(rejected.count(), 1);  // the other dialog's own Esc
}

void InputTest::moneyFieldIgnoresRefusedKeys_data()
{
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("whileTyping");
    QTest::addColumn<QString>("afterLeaving");

    QTest::newRow("minus, brackets and v dropped") << "0.00" << "-1(2)v3" << "123" << "123.00";
    QTest::newRow("decimals kept") << "0.00" << "12.5" << "12.5" << "12.50";
    QTest::newRow("one decimal") << "0.0" << "-8" << "8" << "8.0";
    QTest::newRow("whole numbers") << "0;(0)" << "(3)v" << "3" << "3";
    QTest::newRow("capital V is a normal key") << "0.00" << "V" << "V" << "V";
    QTest::newRow("empty stays empty") << "0.00" << "" << "" << "";
    // Reformatting never changes the amount typed.
    QTest::newRow("more decimals than shown kept") << "0.0" << "12.25" << "12.25" << "12.25";
    QTest::newRow("fraction in a whole field kept") << "0;(0)" << "7.5" << "7.5" << "7.5";
    QTest::newRow("third decimal kept") << "0.00" << "100.015" << "100.015" << "100.015";
}

void InputTest::moneyFieldIgnoresRefusedKeys()
{
    QFETCH(QString, pattern);
    QFETCH(QString, typed);
    QFETCH(QString, whileTyping);
    QFETCH(QString, afterLeaving);

    QWidget window;
    auto* field = new kit::MoneyEdit(pattern, &window);
    auto* next = new QLineEdit(&window);
    next->move(0, 40);
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    field->setFocus();
    QTest::keyClicks(field, typed);
    QCOMPARE(field->text(), whileTyping);
    next->setFocus();
    QTRY_VERIFY(next->hasFocus());
    QCOMPARE(field->text(), afterLeaving);

    // Pasted text loses the refused characters as well.
    field->clear();
    field->insert(QStringLiteral("-(4)v"));
    QCOMPARE(field->text(), QStringLiteral("4"));
}

void InputTest::moneyFieldValue_data()
{
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("shown");

    QTest::newRow("zero, two decimals") << "0.00" << 0.0 << "0.00";
    QTest::newRow("zero, one decimal") << "0.0" << 0.0 << "0.0";
    QTest::newRow("zero, whole") << "0;(0)" << 0.0 << "0";
    QTest::newRow("negative whole in brackets") << "0;(0)" << -5.0 << "(5)";
    QTest::newRow("sum without noise") << "0.00" << 0.1 + 0.2 << "0.30";
    QTest::newRow("negative money") << "0.00" << -30.0 << "-30.00";
}

void InputTest::moneyFieldValue()
{
    QFETCH(QString, pattern);
    QFETCH(double, value);
    QFETCH(QString, shown);
    kit::MoneyEdit field(pattern);
    field.setValue(value);
    QCOMPARE(field.text(), shown);
    QVERIFY(field.value().has_value());
    QCOMPARE(*field.value(), std::round(value * 100) / 100);

    field.setText(QStringLiteral("abc"));
    QVERIFY(!field.value().has_value());  // the screen refuses it
    field.clear();
    QVERIFY(!field.value().has_value());
}

void InputTest::digitFieldAndPickers()
{
    QWidget window;
    auto* month = new kit::DigitEdit(2, &window);
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    month->setFocus();
    QTest::keyClicks(month, QStringLiteral("a1-x234"));
    QCOMPARE(month->text(), QStringLiteral("12"));
    QTest::keyClick(month, Qt::Key_Backspace);
    QCOMPARE(month->text(), QStringLiteral("1"));

    kit::DateEdit date(QDate(2009, 9, 9));
    kit::TimeEdit time(QTime(8, 0, 0));
    QCOMPARE(date.text() + " " + time.text(), QStringLiteral("2009-09-09 08:00:00"));
}

int main(int argc, char** argv)
{
    kit::Application app(argc, argv);
    InputTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_input.moc"
