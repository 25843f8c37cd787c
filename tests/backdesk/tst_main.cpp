// The back office's start-up and main screen: sign-in first, the title, the
// shift period, the contact lines, the menu's gates, the change of operator
// and the data folder check.
#include "fixture.h"

#include "backdeskapp.h"
#include "tfmain.h"

#include "signin/tflogin.h"
#include "signin/tfyhsz.h"

#include "kit/datagrid.h"
#include "kit/messages.h"
#include "store/scramble.h"
#include "store/textforms.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

using namespace backdesk;

// Runs a helper that checks with QCOMPARE/QVERIFY and stops the test when
// one of its checks failed.
#define QVERIFY_TRY(call)                                                                                    \
    do {                                                                                                       \
        call;                                                                                                  \
        if (QTest::currentTestFailed())                                                                        \
            return;                                                                                            \
    } while (false)

namespace {

const QString operatorsEntry = QStringLiteral("用户设置(&A)");

// Every entry of the main screen but 用户设置 and 退出: their screens are not
// part of the program yet.
const QStringList notBuilt{
    QStringLiteral("收款统计(&1)"), QStringLiteral("会员资料(&2)"), QStringLiteral("问题记录(&6)"),
    QStringLiteral("日志查询(&7)"), QStringLiteral("收银点设置(&B)"), QStringLiteral("付款方式(&D)"),
    QStringLiteral("卡类型设置(&C)"), QStringLiteral("系统维护(&F)"), QStringLiteral("系统参数(&S)"),
    QStringLiteral("客户档案(&K)"), QStringLiteral("短信中心(&M)"),
};

} // namespace

class MainTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void signInIsTheFirstWindow();
    void parameters_data();
    void parameters();
    void menu_data();
    void menu();
    void rightsChangedOnTheOperatorScreenWaitForTheNextStart();
    void changeOfOperator_data();
    void changeOfOperator();
    void endingTheProgram_data();
    void endingTheProgram();
    void dataFolder_data();
    void dataFolder();

private:
    void start();
    void signIn(const QString &user, const QString &password);
    void setParameter(const QString &column, const QString &value);
    // Clicks 用户设置(&A): the operator screen must open, or nothing at all
    // may happen (no screen, no message).
    void expectOperators(bool opens);

    std::unique_ptr<testing::DataSet> data;
    std::unique_ptr<kit::ScriptedMessages> script;
    std::unique_ptr<BackDesk> desk;
    std::unique_ptr<QSignalSpy> quit;
};

void MainTest::init()
{
    data = std::make_unique<testing::DataSet>();
    data->addOperator(QStringLiteral("u1"), QStringLiteral("p1"), QStringLiteral("甲"));
    data->addOperator(QStringLiteral("u2"), QStringLiteral("p2"), QStringLiteral("乙"), {QStringLiteral("用户设置")});
    script = std::make_unique<kit::ScriptedMessages>();
}

void MainTest::cleanup()
{
    quit.reset();
    desk.reset();
    script.reset();
    data.reset();
}

void MainTest::start()
{
    desk = std::make_unique<BackDesk>(data->store());
    quit = std::make_unique<QSignalSpy>(desk.get(), &BackDesk::quitRequested);
    desk->start();
    QVERIFY(QTest::qWaitForWindowExposed(&desk->login()));
}

void MainTest::signIn(const QString &user, const QString &password)
{
    desk->login().userField()->setText(user);
    desk->login().passwordField()->setText(password);
    QTest::mouseClick(desk->login().okButton(), Qt::LeftButton);
}

void MainTest::setParameter(const QString &column, const QString &value)
{
    store::Query(data->store(), QStringLiteral("update 系统参数表 set %1=:v").arg(column))
        .bind(QStringLiteral(":v"), value)
        .exec();
}

void MainTest::expectOperators(bool opens)
{
    const qsizetype before = script->entries().size();
    QTest::mouseClick(desk->main().entry(operatorsEntry), Qt::LeftButton);
    QCOMPARE(script->entries().size(), before + (opens ? 1 : 0));
    QCOMPARE(desk->main().operatorScreen()->isVisible(), opens);
    if (opens) {
        QCOMPARE(script->entries().last().kind, kit::MessageKind::Modal);
        QCOMPARE(script->entries().last().text, QStringLiteral("用户设置"));
    }
}

void MainTest::signInIsTheFirstWindow()
{
    start();
    QVERIFY(desk->login().isVisible());
    QVERIFY(!desk->main().isVisible());
    signIn(QStringLiteral("admin"), QStringLiteral("admin"));
    QVERIFY(QTest::qWaitForWindowExposed(&desk->main()));
    QVERIFY(!desk->login().isVisible());
    QVERIFY(script->texts().isEmpty());

    TFmain &m = desk->main();
    QCOMPARE(m.titleLabel()->text(), QStringLiteral("好运来会员店管理系统"));
    QCOMPARE(m.operatorLabel()->text(), QStringLiteral("管理员"));
    QCOMPARE(m.workstationLabel()->text(), QStringLiteral("财务室"));
    QCOMPARE(m.weekdayLabel()->text(), store::weekdayText(QDate::currentDate()));
    QVERIFY(QDateTime::fromString(m.clockLabel()->text(), QStringLiteral("yyyy-MM-dd HH:mm:ss")).isValid());
    QCOMPARE(m.contactLines(), (QStringList{QStringLiteral("公司地址：建设大街16号"),
                                            QStringLiteral("联系电话：0335-3055666"),
                                            QStringLiteral("电子邮件：service@example.com"),
                                            QStringLiteral("联系人：王经理")}));
    // The window spans the screen's width and the work area's height.
    QCOMPARE(m.width(), m.screen()->geometry().width());
    QCOMPARE(m.height(), m.screen()->availableGeometry().height());
}

void MainTest::parameters_data()
{
    QTest::addColumn<QString>("shopName");
    QTest::addColumn<QString>("hour");
    QTest::addColumn<QString>("contact"); // stored scrambled into 联系人
    QTest::addColumn<QString>("title");
    QTest::addColumn<QTime>("shiftTime");
    QTest::addColumn<bool>("told"); // the manager is told the business hour is wrong

    QTest::newRow("delivered hour") << "好运来" << "08:00" << "王经理" << "好运来管理系统" << QTime(8, 0) << false;
    QTest::newRow("empty shop name, empty contact") << "" << "21:30" << "" << "管理系统" << QTime(21, 30) << false;
    QTest::newRow("shop name trimmed") << "  小店 " << " 9:15 " << "李" << "小店管理系统" << QTime(9, 15) << false;
    QTest::newRow("hour that is no time") << "好运来" << "8点" << "王经理" << "好运来管理系统" << QTime(0, 0) << true;
    QTest::newRow("empty hour") << "好运来" << "" << "王经理" << "好运来管理系统" << QTime(0, 0) << true;
    QTest::newRow("hour out of range") << "好运来" << "25:00" << "王经理" << "好运来管理系统" << QTime(0, 0) << true;
    QTest::newRow("hour with seconds already") << "好运来" << "08:00:00" << "王经理" << "好运来管理系统" << QTime(0, 0)
                                               << true;
}

void MainTest::parameters()
{
    QFETCH(QString, shopName);
    QFETCH(QString, hour);
    QFETCH(QString, contact);
    QFETCH(QString, title);
    QFETCH(QTime, shiftTime);
    QFETCH(bool, told);
    setParameter(QStringLiteral("中文名"), shopName);
    setParameter(QStringLiteral("营业时间"), hour);
    setParameter(QStringLiteral("联系人"), contact.isEmpty() ? QString() : store::scramble(contact));

    start();
    signIn(QStringLiteral("admin"), QStringLiteral("admin"));
    TFmain &m = desk->main();
    QVERIFY(m.isVisible());
    QCOMPARE(m.titleLabel()->text(), title);
    QCOMPARE(m.contactLines().last(), QStringLiteral("联系人：") + contact);

    const QDate today = QDate::currentDate();
    QCOMPARE(m.shiftFrom(), QDateTime(today.addDays(-1), shiftTime));
    QCOMPARE(m.shiftTo(), QDateTime(today, shiftTime));
    QCOMPARE(m.context().shiftFrom, m.shiftFrom());
    QCOMPARE(m.context().shiftTo, m.shiftTo());
    // Changed by hand, the period the screens receive follows the pickers.
    m.findChild<QDateEdit *>(QStringLiteral("开始日期"))->setDate(today.addDays(-7));
    QCOMPARE(m.context().shiftFrom, QDateTime(today.addDays(-7), shiftTime));
    if (told) {
        QCOMPARE(script->texts().size(), 1);
        QVERIFY2(script->last().contains(QStringLiteral("营业时间“") + hour + QStringLiteral("”")),
                 qPrintable(script->last()));
        QVERIFY(script->last().contains(QStringLiteral("00:00:00")));
        script->clear();
    } else {
        QVERIFY(script->texts().isEmpty());
    }
    // Either way the operator's rights are in force.
    QVERIFY_TRY(expectOperators(true));
}

void MainTest::menu_data()
{
    QTest::addColumn<QString>("user");
    QTest::addColumn<QString>("password");
    QTest::addColumn<bool>("opens");
    QTest::newRow("with 用户设置") << "u2" << "p2" << true;
    QTest::newRow("without any right") << "u1" << "p1" << false;
    QTest::newRow("delivered operator, every right") << "admin" << "admin" << true;
}

void MainTest::menu()
{
    QFETCH(QString, user);
    QFETCH(QString, password);
    QFETCH(bool, opens);
    start();
    signIn(user, password);
    TFmain &m = desk->main();
    QVERIFY(m.isVisible());

    QVERIFY_TRY(expectOperators(opens));
    if (opens) {
        signin::TFyhsz *screen = m.operatorScreen();
        QCOMPARE(screen->list()->rowCount(), 3);
        screen->close();
    }
    // Whatever the rights, the entries without a screen are disabled and
    // 退出 is not gated.
    for (const QString &caption : notBuilt) {
        QVERIFY2(m.entry(caption), qPrintable(caption));
        QVERIFY2(!m.entry(caption)->isEnabled(), qPrintable(caption));
    }
    QVERIFY(m.entry(operatorsEntry)->isEnabled());
    QVERIFY(m.entry(QStringLiteral("退出(&G)"))->isEnabled());
}

void MainTest::rightsChangedOnTheOperatorScreenWaitForTheNextStart()
{
    start();
    signIn(QStringLiteral("u2"), QStringLiteral("p2"));
    QVERIFY_TRY(expectOperators(true));
    signin::TFyhsz *screen = desk->main().operatorScreen();
    // u2 takes 用户设置 away from himself.
    const int row = [&] {
        for (int r = 0; r < screen->list()->rowCount(); ++r)
            if (screen->list()->row(r).text(QStringLiteral("用户名")) == QLatin1String("u2"))
                return r;
        return -1;
    }();
    screen->list()->setCurrentRow(row);
    QVERIFY(screen->box(QStringLiteral("用户设置"))->isChecked());
    screen->box(QStringLiteral("用户设置"))->setChecked(false);
    QTest::mouseClick(screen->saveButton(), Qt::LeftButton);
    QCOMPARE(data->value(QStringLiteral("u2"), QStringLiteral("用户设置")), QStringLiteral("0"));
    screen->close();

    // The running program still reads his row as it stood at sign-in.
    QVERIFY_TRY(expectOperators(true));
    screen->close();

    // The next start reads the saved rights.
    desk.reset();
    start();
    signIn(QStringLiteral("u2"), QStringLiteral("p2"));
    QVERIFY(desk->main().isVisible());
    QVERIFY_TRY(expectOperators(false));
}

void MainTest::changeOfOperator_data()
{
    QTest::addColumn<bool>("byKey"); // F10, else the button
    QTest::addColumn<QString>("user");
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("message"); // empty: signed in
    QTest::addColumn<QString>("shownName");
    QTest::addColumn<bool>("opens"); // 用户设置 afterwards

    QTest::newRow("F10, another operator") << true << "u1" << "p1" << "" << "甲" << false;
    QTest::newRow("button, another operator") << false << "u1" << "p1" << "" << "甲" << false;
    QTest::newRow("wrong password keeps the previous operator")
        << true << "u1" << "x" << " 输入密码错误，请再输入一次！" << "乙" << true;
    QTest::newRow("unknown user keeps the previous operator")
        << false << "nobody" << "p1" << " 非法用户，请您输入正确的用户名！" << "乙" << true;
}

void MainTest::changeOfOperator()
{
    QFETCH(bool, byKey);
    QFETCH(QString, user);
    QFETCH(QString, password);
    QFETCH(QString, message);
    QFETCH(QString, shownName);
    QFETCH(bool, opens);

    start();
    signIn(QStringLiteral("u2"), QStringLiteral("p2"));
    TFmain &m = desk->main();
    QVERIFY(QTest::qWaitForWindowExposed(&m));
    if (byKey) {
        m.activateWindow();
        m.changeOperatorButton()->setFocus();
        QTest::keyClick(m.changeOperatorButton(), Qt::Key_F10);
    } else {
        QTest::mouseClick(m.changeOperatorButton(), Qt::LeftButton);
    }
    QVERIFY(desk->login().isVisible());
    QVERIFY(desk->login().userField()->text().isEmpty());
    signIn(user, password);

    if (message.isEmpty()) {
        QVERIFY(script->texts().isEmpty());
        QVERIFY(!desk->login().isVisible());
    } else {
        QCOMPARE(script->texts(), QStringList{message});
        QVERIFY(desk->login().isVisible());
        script->clear();
    }
    QCOMPARE(m.operatorLabel()->text(), shownName);
    QCOMPARE(m.session().current.name(), shownName);
    QVERIFY_TRY(expectOperators(opens));
    QCOMPARE(quit->count(), 0);
}

void MainTest::endingTheProgram_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("退出 of the menu") << "menu";
    QTest::newRow("退出 of the sign-in") << "login";
    QTest::newRow("closing the sign-in") << "close";
    QTest::newRow("退出 of the sign-in shown again by F10") << "again";
}

void MainTest::endingTheProgram()
{
    QFETCH(QString, how);
    start();
    if (how == QLatin1String("menu") || how == QLatin1String("again")) {
        signIn(QStringLiteral("admin"), QStringLiteral("admin"));
        QVERIFY(desk->main().isVisible());
    }
    QCOMPARE(quit->count(), 0);
    if (how == QLatin1String("menu")) {
        QTest::mouseClick(desk->main().entry(QStringLiteral("退出(&G)")), Qt::LeftButton);
    } else if (how == QLatin1String("close")) {
        desk->login().close();
    } else {
        if (how == QLatin1String("again"))
            QTest::mouseClick(desk->main().changeOperatorButton(), Qt::LeftButton);
        QTest::mouseClick(desk->login().quitButton(), Qt::LeftButton);
    }
    QCOMPARE(quit->count(), 1);
}

void MainTest::dataFolder_data()
{
    QTest::addColumn<QString>("content"); // "none", "some" (one file) or "all"
    QTest::addColumn<bool>("opens");
    QTest::newRow("no data files") << "none" << false;
    QTest::newRow("one data file missing") << "some" << false;
    QTest::newRow("delivered data set") << "all" << true;
}

void MainTest::dataFolder()
{
    QFETCH(QString, content);
    QFETCH(bool, opens);
    QTemporaryDir dir;
    if (content == QLatin1String("all"))
        store::makeStore(dir.path());
    else if (content == QLatin1String("some"))
        QFile::copy(QDir(data->folder()).filePath(QStringLiteral("print.dll")), dir.filePath(QStringLiteral("print.dll")));

    const auto db = openData({QStringLiteral("backdesk"), QStringLiteral("--data"), dir.path()});
    QCOMPARE(bool(db), opens);
    if (opens) {
        QVERIFY(script->texts().isEmpty());
        return;
    }
    QCOMPARE(script->texts().size(), 1);
    if (content == QLatin1String("none"))
        QVERIFY2(script->last().contains(dir.path()) && script->last().contains(QStringLiteral("没有数据文件")),
                 qPrintable(script->last()));
}

QTEST_MAIN(MainTest)
#include "tst_main.moc"
