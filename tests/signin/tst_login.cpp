// The sign-in dialog driven by keys: attempts, messages, focus, the password
// change and the keys of the dialog.
#include "fixture.h"

#include "signin/check.h"
#include "signin/tflogin.h"

#include "kit/messages.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

using signin::TFlogin;

namespace {

const QString tooMany = QStringLiteral("用户名或口令错误输入超过三次，系统关闭！");
const QString unknownUser = QStringLiteral(" 非法用户，请您输入正确的用户名！");
const QString wrongPassword = QStringLiteral(" 输入密码错误，请再输入一次！");
const QString wrongOld = QStringLiteral(" 原密码错误，请再输入一次！");
const QString disabled = QStringLiteral(" 该用户已停用，请与系统管理员联系！");
const QString changed = QStringLiteral("密码修改成功，系统退出，请已新密码重新登录！");

} // namespace

class LoginTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void attempts_data();
    void attempts();
    void refusal_data();
    void refusal();
    void changeWithWrongOldPasswordCountsNoAttempt();
    void changeStoresNewPassword_data();
    void changeStoresNewPassword();
    void keys();
    void showingEmptiesFields();
    void databaseErrorKeepsDialogOpen();
    void modalShowingReturnsTheOutcome();

private:
    void showDialog();
    // Types user and password and presses Enter in the password field.
    void press(const QString &user, const QString &password);

    std::unique_ptr<testing::DataSet> data;
    std::unique_ptr<kit::ScriptedMessages> script;
    std::unique_ptr<TFlogin> dialog;
    std::unique_ptr<QSignalSpy> signedIn;
    std::unique_ptr<QSignalSpy> ended;
};

void LoginTest::init()
{
    data = std::make_unique<testing::DataSet>();
    data->addOperator(QStringLiteral("off"), QStringLiteral("pw"), QStringLiteral("停用者"), {}, true);
    script = std::make_unique<kit::ScriptedMessages>();
    dialog = std::make_unique<TFlogin>(data->store());
    signedIn = std::make_unique<QSignalSpy>(dialog.get(), &TFlogin::signedIn);
    ended = std::make_unique<QSignalSpy>(dialog.get(), &TFlogin::endProgram);
    showDialog();
}

void LoginTest::cleanup()
{
    ended.reset();
    signedIn.reset();
    dialog.reset();
    script.reset();
    data.reset();
}

void LoginTest::showDialog()
{
    dialog->show();
    QVERIFY(QTest::qWaitForWindowActive(dialog.get()));
}

void LoginTest::press(const QString &user, const QString &password)
{
    if (!dialog->isVisible()) // the program shows it again to change operator
        showDialog();
    dialog->userField()->setText(user);
    dialog->passwordField()->setText(password);
    dialog->passwordField()->setFocus();
    QTest::keyClick(dialog->passwordField(), Qt::Key_Return);
}

void LoginTest::attempts_data()
{
    QTest::addColumn<QStringList>("presses"); // "user/password", one per press of 确定
    QTest::addColumn<QStringList>("messages");
    QTest::addColumn<int>("successes");
    QTest::addColumn<bool>("programEnds");

    const QString bad = QStringLiteral("admin/x"), good = QStringLiteral("admin/admin");
    QTest::newRow("three wrong, then the right one ends the program")
        << QStringList{bad, bad, bad, good} << QStringList{wrongPassword, wrongPassword, wrongPassword, tooMany}
        << 0 << true;
    QTest::newRow("two wrong, then success")
        << QStringList{bad, bad, good} << QStringList{wrongPassword, wrongPassword} << 1 << false;
    QTest::newRow("success resets the counter: two more wrong and success")
        << QStringList{bad, bad, good, bad, bad, good} << QStringList(4, wrongPassword) << 2 << false;
    QTest::newRow("success resets the counter: three more wrong, then the end")
        << QStringList{bad, bad, good, bad, bad, bad, good}
        << (QStringList(5, wrongPassword) << tooMany) << 1 << true;
    QTest::newRow("unknown users count as attempts")
        << QStringList{QStringLiteral("x/admin"), QStringLiteral("y/admin"), bad, good}
        << QStringList{unknownUser, unknownUser, wrongPassword, tooMany} << 0 << true;
    QTest::newRow("a disabled operator is refused and it counts")
        << QStringList{QStringLiteral("off/pw"), QStringLiteral("off/pw"), QStringLiteral("off/pw"), good}
        << QStringList{disabled, disabled, disabled, tooMany} << 0 << true;
}

void LoginTest::attempts()
{
    QFETCH(QStringList, presses);
    QFETCH(QStringList, messages);
    QFETCH(int, successes);
    QFETCH(bool, programEnds);

    for (const QString &p : presses) {
        QVERIFY2(ended->isEmpty(), "a press after the program ended");
        press(p.section(QLatin1Char('/'), 0, 0), p.section(QLatin1Char('/'), 1));
    }
    QCoreApplication::processEvents(); // nothing queued may end the program later
    QCOMPARE(script->texts(), messages);
    QCOMPARE(signedIn->count(), successes);
    QCOMPARE(ended->count(), programEnds ? 1 : 0);
    if (programEnds)
        QVERIFY(!dialog->isVisible());
    if (successes) {
        const auto op = signedIn->last().at(0).value<signin::Operator>();
        QCOMPARE(op.name(), QStringLiteral("管理员"));
        QCOMPARE(signedIn->last().at(1).toString(), QStringLiteral("admin"));
    }
}

void LoginTest::refusal_data()
{
    QTest::addColumn<QString>("user");
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("focus");       // the field focused afterwards
    QTest::addColumn<QString>("userLeft");     // what the fields hold afterwards
    QTest::addColumn<QString>("passwordLeft");
    QTest::newRow("unknown user") << "nobody" << "admin" << unknownUser << "用户名" << "" << "admin";
    QTest::newRow("wrong password") << "admin" << "adm" << wrongPassword << "口令" << "admin" << "";
    QTest::newRow("disabled operator") << "off" << "pw" << disabled << "用户名" << "" << "";
}

void LoginTest::refusal()
{
    QFETCH(QString, user);
    QFETCH(QString, password);
    QFETCH(QString, message);
    QFETCH(QString, focus);
    QFETCH(QString, userLeft);
    QFETCH(QString, passwordLeft);

    press(user, password);
    QCOMPARE(script->texts(), QStringList{message});
    QCOMPARE(script->entries().first().kind, kit::MessageKind::Warning);
    QVERIFY(dialog->isVisible());
    QCOMPARE(QApplication::focusWidget()->objectName(), focus);
    QCOMPARE(dialog->userField()->text(), userLeft);
    QCOMPARE(dialog->passwordField()->text(), passwordLeft);
    QCOMPARE(signedIn->count(), 0);
    QCOMPARE(ended->count(), 0);
}

void LoginTest::changeWithWrongOldPasswordCountsNoAttempt()
{
    dialog->changeBox()->setChecked(true);
    for (int i = 0; i < 4; ++i) {
        dialog->newPasswordField()->setText(QStringLiteral("neu"));
        press(QStringLiteral("admin"), QStringLiteral("wrong"));
        QCOMPARE(QApplication::focusWidget(), dialog->passwordField());
    }
    press(QStringLiteral("ghost"), QStringLiteral("admin"));
    QCOMPARE(script->texts(), (QStringList(4, wrongOld) << unknownUser));
    QVERIFY(store::verifyPassword(data->value(QStringLiteral("admin"), QStringLiteral("口令")), QStringLiteral("admin")));

    // Three failed sign-ins are still allowed afterwards.
    dialog->changeBox()->setChecked(false);
    script->clear();
    press(QStringLiteral("admin"), QStringLiteral("x"));
    press(QStringLiteral("admin"), QStringLiteral("x"));
    press(QStringLiteral("admin"), QStringLiteral("admin"));
    QCOMPARE(script->texts(), QStringList(2, wrongPassword));
    QCOMPARE(signedIn->count(), 1);
    QCOMPARE(ended->count(), 0);
}

void LoginTest::changeStoresNewPassword_data()
{
    QTest::addColumn<QString>("fresh");
    QTest::newRow("new password") << "新的口令";
    QTest::newRow("empty new password") << "";
}

void LoginTest::changeStoresNewPassword()
{
    QFETCH(QString, fresh);
    QTest::mouseClick(dialog->changeBox(), Qt::LeftButton, {}, QPoint(5, dialog->changeBox()->height() / 2));
    QVERIFY(dialog->newPasswordField()->isVisible());
    dialog->userField()->setText(QStringLiteral("admin"));
    dialog->passwordField()->setText(QStringLiteral("admin"));
    dialog->newPasswordField()->setText(fresh);
    dialog->newPasswordField()->setFocus();
    QTest::keyClick(dialog->newPasswordField(), Qt::Key_Return);

    QCOMPARE(script->texts(), QStringList{changed});
    QCOMPARE(ended->count(), 1);
    QCOMPARE(signedIn->count(), 0);
    QVERIFY(!dialog->isVisible());
    const QString stored = data->value(QStringLiteral("admin"), QStringLiteral("口令"));
    QVERIFY(stored.startsWith(QLatin1String("$argon2")));
    QCOMPARE(signin::checkSignIn(data->store(), QStringLiteral("admin"), fresh).outcome, signin::Outcome::Ok);
    QCOMPARE(signin::checkSignIn(data->store(), QStringLiteral("admin"), QStringLiteral("admin")).outcome,
             signin::Outcome::WrongPassword);
}

void LoginTest::keys()
{
    QVERIFY(!dialog->newPasswordField()->isVisible());
    QCOMPARE(dialog->windowTitle(), QStringLiteral("用户登录"));
    QVERIFY(!(dialog->windowFlags() & Qt::WindowCloseButtonHint));
    QCOMPARE(QApplication::focusWidget(), dialog->userField());

    // Enter in 用户名 moves on without a lookup.
    QTest::keyClicks(dialog->userField(), QStringLiteral("admin"));
    QTest::keyClick(dialog->userField(), Qt::Key_Return);
    QCOMPARE(QApplication::focusWidget(), dialog->passwordField());
    QVERIFY(script->entries().isEmpty());

    // Enter in 口令 presses 确定.
    QTest::keyClicks(dialog->passwordField(), QStringLiteral("admin"));
    QTest::keyClick(dialog->passwordField(), Qt::Key_Return);
    QCOMPARE(signedIn->count(), 1);
    QVERIFY(!dialog->isVisible());

    // Esc presses 退出, and so does closing the window.
    showDialog();
    QTest::keyClick(dialog->userField(), Qt::Key_Escape);
    QCOMPARE(ended->count(), 1);
    QVERIFY(!dialog->isVisible());
    showDialog();
    dialog->close();
    QTRY_COMPARE(ended->count(), 2);
    QVERIFY(!dialog->isVisible());
    QCOMPARE(signedIn->count(), 1);
}

void LoginTest::showingEmptiesFields()
{
    dialog->userField()->setText(QStringLiteral("a"));
    dialog->passwordField()->setText(QStringLiteral("b"));
    dialog->newPasswordField()->setText(QStringLiteral("c"));
    dialog->hide();
    showDialog();
    QVERIFY(dialog->userField()->text().isEmpty());
    QVERIFY(dialog->passwordField()->text().isEmpty());
    QVERIFY(dialog->newPasswordField()->text().isEmpty());
}

void LoginTest::databaseErrorKeepsDialogOpen()
{
    store::Query(data->store(), QStringLiteral("drop table 用户表")).exec();
    press(QStringLiteral("admin"), QStringLiteral("admin"));
    QCOMPARE(script->texts().size(), 1);
    QVERIFY(script->last().contains(QStringLiteral("用户表")));
    QVERIFY(dialog->isVisible());
    QCOMPARE(signedIn->count(), 0);
    QCOMPARE(ended->count(), 0);
}

// The front desk shows the dialog modally at start: success ends that
// showing with Accepted, 退出 with Rejected.
void LoginTest::modalShowingReturnsTheOutcome()
{
    dialog->hide();
    QTimer::singleShot(0, this, [this] { press(QStringLiteral("admin"), QStringLiteral("admin")); });
    QCOMPARE(dialog->exec(), int(QDialog::Accepted));
    QTimer::singleShot(0, this, [this] { QTest::keyClick(dialog->userField(), Qt::Key_Escape); });
    QCOMPARE(dialog->exec(), int(QDialog::Rejected));
    QCOMPARE(signedIn->count(), 1);
    QCOMPARE(ended->count(), 1);
}

QTEST_MAIN(LoginTest)
#include "tst_login.moc"
