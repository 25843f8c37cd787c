// The sign-in check, the password change and the right check, without widgets.
#include "fixture.h"

#include "signin/check.h"
#include "signin/operator.h"
#include "store/errors.h"

#include <QTest>

using signin::Outcome;
Q_DECLARE_METATYPE(signin::Outcome)

class CheckTest : public QObject {
    Q_OBJECT
private slots:
    void signIn_data();
    void signIn();
    void storedPasswordIsAHash();
    void holds_data();
    void holds();
    void missingRightIsAnError();
    void changePassword_data();
    void changePassword();
};

void CheckTest::signIn_data()
{
    QTest::addColumn<QString>("user");
    QTest::addColumn<QString>("password");
    QTest::addColumn<Outcome>("outcome");
    QTest::newRow("delivered operator") << "admin" << "admin" << Outcome::Ok;
    QTest::newRow("wrong password") << "admin" << "admi" << Outcome::WrongPassword;
    QTest::newRow("empty password") << "admin" << "" << Outcome::WrongPassword;
    QTest::newRow("unknown user") << "nobody" << "admin" << Outcome::UnknownUser;
    QTest::newRow("name is not trimmed") << "admin " << "admin" << Outcome::UnknownUser;
    QTest::newRow("password is not trimmed") << "admin" << " admin" << Outcome::WrongPassword;
    QTest::newRow("name is case-sensitive") << "Admin" << "admin" << Outcome::UnknownUser;
    QTest::newRow("disabled operator") << "off" << "pw" << Outcome::Disabled;
    QTest::newRow("disabled, wrong password") << "off" << "x" << Outcome::WrongPassword;
    QTest::newRow("the stored hash is no password") << "hash" << "" << Outcome::WrongPassword;
}

void CheckTest::signIn()
{
    QFETCH(QString, user);
    QFETCH(QString, password);
    QFETCH(Outcome, outcome);
    testing::DataSet data;
    data.addOperator(QStringLiteral("off"), QStringLiteral("pw"), QStringLiteral("停用者"), {}, true);
    data.addOperator(QStringLiteral("hash"), QStringLiteral("x"), QStringLiteral("某人"));
    if (user == QLatin1String("hash")) // typing the stored text itself must not sign in
        password = data.value(user, QStringLiteral("口令"));

    const signin::SignInResult r = signin::checkSignIn(data.store(), user, password);
    QCOMPARE(r.outcome, outcome);
    QCOMPARE(r.op.has_value(), outcome == Outcome::Ok);
    if (r.op) {
        QCOMPARE(r.op->userName(), QStringLiteral("admin"));
        QCOMPARE(r.op->name(), QStringLiteral("管理员"));
    }
}

void CheckTest::storedPasswordIsAHash()
{
    testing::DataSet data;
    const QString stored = data.value(QStringLiteral("admin"), QStringLiteral("口令"));
    QVERIFY(stored != QLatin1String("admin"));
    QVERIFY(stored.startsWith(QLatin1String("$argon2")));
}

void CheckTest::holds_data()
{
    QTest::addColumn<QVariant>("stored");
    QTest::addColumn<bool>("held");
    QTest::newRow("-1") << QVariant(-1) << true;
    QTest::newRow("1") << QVariant(1) << true;
    QTest::newRow("'1'") << QVariant(QStringLiteral("1")) << true;
    QTest::newRow("0") << QVariant(0) << false;
    QTest::newRow("'0'") << QVariant(QStringLiteral("0")) << false;
}

void CheckTest::holds()
{
    QFETCH(QVariant, stored);
    QFETCH(bool, held);
    testing::DataSet data;
    data.addOperator(QStringLiteral("u"), QStringLiteral("p"), QStringLiteral("甲"));
    data.setValue(QStringLiteral("u"), QStringLiteral("会员卡充值"), stored);
    const auto op = signin::Operator::load(data.store(), QStringLiteral("u"));
    QVERIFY(op);
    QCOMPARE(op->holds(QStringLiteral("会员卡充值")), held);
    QVERIFY(!op->holds(QStringLiteral("会员卡扣款")));
}

void CheckTest::missingRightIsAnError()
{
    testing::DataSet data;
    const auto op = signin::Operator::load(data.store(), QStringLiteral("admin"));
    QVERIFY(op);
    QVERIFY_THROWS_EXCEPTION(store::DbError, op->holds(QStringLiteral("会员卡冲值")));
    QVERIFY_THROWS_EXCEPTION(store::DbError, signin::Operator().holds(QStringLiteral("会员卡充值")));
}

void CheckTest::changePassword_data()
{
    QTest::addColumn<QString>("user");
    QTest::addColumn<QString>("old");
    QTest::addColumn<QString>("fresh");
    QTest::addColumn<Outcome>("outcome");
    QTest::newRow("right old password") << "admin" << "admin" << "新口令1" << Outcome::Ok;
    QTest::newRow("empty new password") << "admin" << "admin" << "" << Outcome::Ok;
    QTest::newRow("wrong old password") << "admin" << "nimda" << "x" << Outcome::WrongPassword;
    QTest::newRow("unknown user") << "nobody" << "admin" << "x" << Outcome::UnknownUser;
    QTest::newRow("disabled operator") << "off" << "pw" << "x" << Outcome::Disabled;
}

void CheckTest::changePassword()
{
    QFETCH(QString, user);
    QFETCH(QString, old);
    QFETCH(QString, fresh);
    QFETCH(Outcome, outcome);
    testing::DataSet data;
    data.addOperator(QStringLiteral("off"), QStringLiteral("pw"), QStringLiteral("停用者"), {}, true);
    const QString before = data.value(user, QStringLiteral("口令"));

    QCOMPARE(signin::changePassword(data.store(), user, old, fresh), outcome);
    const QString after = data.value(user, QStringLiteral("口令"));
    if (outcome == Outcome::Ok) {
        QVERIFY(after != fresh);
        QCOMPARE(signin::checkSignIn(data.store(), user, fresh).outcome, Outcome::Ok);
        QCOMPARE(signin::checkSignIn(data.store(), user, old).outcome, Outcome::WrongPassword);
    } else {
        QCOMPARE(after, before);
    }
    QVERIFY(data.log().isEmpty());
}

QTEST_GUILESS_MAIN(CheckTest)
#include "tst_check.moc"
