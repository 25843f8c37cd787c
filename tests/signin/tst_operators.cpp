// The operator screen and its two dialogs: the list, the rights boxes, save,
// delete, add and modify with their checks, statements and log rows.
#include "fixture.h"

#include "signin/accounts.h"
#include "signin/check.h"
#include "signin/tftjyh.h"
#include "signin/tfxgyh.h"
#include "signin/tfyhsz.h"

#include "kit/datagrid.h"
#include "kit/messages.h"
#include "store/errors.h"

#include <QCheckBox>
#include <QContextMenuEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTest>

using namespace signin;

namespace {

const QString builtIn = QStringLiteral("该用户为系统内定，不能删除！");
const QString emptyName = QStringLiteral("用户姓名不能为空，请输入！");
const QString emptyUser = QStringLiteral("用户名不能为空，请输入！");
const QString differ = QStringLiteral("两次输入口令不同，请重新输入！");
const QString duplicate = QStringLiteral("用户名重复，请重新输入！");

} // namespace

class OperatorsTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void listAndBoxes();
    void saveWritesTheBoxesShown();
    void boxesFollowTheCursor();
    void cannotDisableHimself();
    void remove_data();
    void remove();
    void add_data();
    void add();
    void modify_data();
    void modify();
    void failedLogRowUndoesTheChange_data();
    void failedLogRowUndoesTheChange();

private:
    int rowOf(const QString &user) const;
    void selectRow(const QString &user); // a click on the operator's row

    std::unique_ptr<testing::DataSet> data;
    std::unique_ptr<Session> session;
    std::unique_ptr<kit::ScriptedMessages> script;
    std::unique_ptr<TFyhsz> screen;
};

void OperatorsTest::init()
{
    data = std::make_unique<testing::DataSet>();
    data->addOperator(QStringLiteral("u1"), QStringLiteral("p1"), QStringLiteral("甲"),
                      {QStringLiteral("会员卡发行"), QStringLiteral("用户设置"), QStringLiteral("删除客户档案")});
    data->addOperator(QStringLiteral("u2"), QStringLiteral("p2"), QStringLiteral("乙"));
    session = std::make_unique<Session>(Session{data->store(), *Operator::load(data->store(), QStringLiteral("admin")),
                                                QStringLiteral("财务室")});
    script = std::make_unique<kit::ScriptedMessages>();
    screen = std::make_unique<TFyhsz>(*session);
    screen->show();
    QVERIFY(QTest::qWaitForWindowExposed(screen.get()));
}

void OperatorsTest::cleanup()
{
    screen.reset();
    script.reset();
    session.reset();
    data.reset();
}

int OperatorsTest::rowOf(const QString &user) const
{
    for (int r = 0; r < screen->list()->rowCount(); ++r)
        if (screen->list()->row(r).text(QStringLiteral("用户名")) == user)
            return r;
    return -1;
}

void OperatorsTest::selectRow(const QString &user)
{
    QTableView *view = screen->list()->view();
    const QRect cell = view->visualRect(view->model()->index(rowOf(user), 1));
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, cell.center());
    QCOMPARE(screen->list()->current()->text(QStringLiteral("用户名")), user);
}

void OperatorsTest::listAndBoxes()
{
    QCOMPARE(screen->windowTitle(), QStringLiteral("用户设置"));
    QCOMPARE(screen->list()->rowCount(), 3);
    QCOMPARE(screen->list()->footerText(0), QStringLiteral("合计"));
    QCOMPARE(screen->list()->footerText(1), QStringLiteral("3"));
    // Every right of the table has a box, and so has 停用.
    for (const QString &right : editedRights())
        QVERIFY2(screen->box(right), qPrintable(right));
    QCOMPARE(screen->box(QStringLiteral("系统参数"))->text(), QStringLiteral("参数参数"));
    QCOMPARE(screen->box(QStringLiteral("会员卡挂失"))->text(), QStringLiteral("会员卡挂失/恢复"));

    // Shown: the first operator, the delivered one with every right.
    QCOMPARE(screen->list()->currentRow(), 0);
    for (const QString &right : editedRights())
        QVERIFY2(screen->box(right)->isChecked(), qPrintable(right));
    QVERIFY(!screen->box(QStringLiteral("是否停用"))->isChecked());

    // u1 holds one right of each of the three groups.
    selectRow(QStringLiteral("u1"));
    const QStringList held{QStringLiteral("会员卡发行"), QStringLiteral("用户设置"), QStringLiteral("删除客户档案")};
    for (const QString &right : editedRights())
        QVERIFY2(screen->box(right)->isChecked() == held.contains(right), qPrintable(right));
}

void OperatorsTest::saveWritesTheBoxesShown()
{
    data->setValue(QStringLiteral("u1"), QStringLiteral("修改人"), QString());
    selectRow(QStringLiteral("u1"));
    // Every other box ticked: the opposite of what u1 held for some boxes.
    QHash<QString, bool> shown;
    for (int i = 0; i < editedRights().size(); ++i) {
        screen->box(editedRights()[i])->setChecked(i % 2 == 0);
        shown.insert(editedRights()[i], i % 2 == 0);
    }
    screen->box(QStringLiteral("是否停用"))->setChecked(true);
    QTest::mouseClick(screen->saveButton(), Qt::LeftButton);

    QVERIFY(script->texts().isEmpty());
    for (auto it = shown.begin(); it != shown.end(); ++it)
        QCOMPARE(data->value(QStringLiteral("u1"), it.key()), QString(it.value() ? "-1" : "0"));
    QCOMPARE(data->value(QStringLiteral("u1"), QStringLiteral("是否停用")), QStringLiteral("-1"));
    QCOMPARE(data->value(QStringLiteral("u1"), QStringLiteral("修改人")), QStringLiteral("管理员"));
    QCOMPARE(data->value(QStringLiteral("u1"), QStringLiteral("修改时间")).size(), 19);
    QCOMPARE(data->log(), QStringList{QStringLiteral("|修改了用户u1的权限|管理员|财务室")});
    // The other operators are untouched.
    QCOMPARE(data->value(QStringLiteral("u2"), QStringLiteral("会员卡发行")), QStringLiteral("0"));
    QCOMPARE(data->value(QStringLiteral("admin"), QStringLiteral("会员卡修改")), QStringLiteral("-1"));
    // A disabled operator cannot sign in.
    QCOMPARE(checkSignIn(data->store(), QStringLiteral("u1"), QStringLiteral("p1")).outcome, Outcome::Disabled);
}

void OperatorsTest::boxesFollowTheCursor()
{
    QTableView *view = screen->list()->view();
    view->setFocus();
    QTest::keyClick(view, Qt::Key_Down); // admin -> u1, by keyboard
    QCOMPARE(screen->list()->current()->text(QStringLiteral("用户名")), QStringLiteral("u1"));
    QVERIFY(screen->box(QStringLiteral("会员卡发行"))->isChecked());
    QVERIFY(!screen->box(QStringLiteral("会员卡修改"))->isChecked());

    // So saving there writes u1's own boxes, not the admin's.
    QTest::mouseClick(screen->saveButton(), Qt::LeftButton);
    QCOMPARE(data->value(QStringLiteral("u1"), QStringLiteral("会员卡修改")), QStringLiteral("0"));
    QCOMPARE(data->value(QStringLiteral("u1"), QStringLiteral("会员卡发行")), QStringLiteral("-1"));
}

void OperatorsTest::cannotDisableHimself()
{
    selectRow(QStringLiteral("admin"));
    screen->box(QStringLiteral("是否停用"))->setChecked(true);
    screen->box(QStringLiteral("会员卡修改"))->setChecked(false);
    QTest::mouseClick(screen->saveButton(), Qt::LeftButton);
    QCOMPARE(script->texts(), QStringList{QStringLiteral("不能停用当前登录的操作员！")});
    QCOMPARE(data->value(QStringLiteral("admin"), QStringLiteral("是否停用")), QStringLiteral("0"));
    QCOMPARE(data->value(QStringLiteral("admin"), QStringLiteral("会员卡修改")), QStringLiteral("-1"));
    QVERIFY(data->log().isEmpty());
}

void OperatorsTest::remove_data()
{
    QTest::addColumn<QString>("user");
    QTest::addColumn<bool>("rightClick");
    QTest::addColumn<int>("answer"); // -1: no question may be asked
    QTest::addColumn<QStringList>("messages");
    QTest::addColumn<bool>("deleted");
    const QString ask1 = QStringLiteral("确定要删除用户u1吗？");
    const QString done = QStringLiteral("删除成功！");
    QTest::newRow("built-in operator, refused before the question") << "admin" << false << -1 << QStringList{builtIn} << false;
    QTest::newRow("built-in operator by right-click") << "admin" << true << -1 << QStringList{builtIn} << false;
    QTest::newRow("answered Yes") << "u1" << false << 1 << QStringList{ask1, done} << true;
    QTest::newRow("answered No") << "u1" << false << 0 << QStringList{ask1} << false;
    QTest::newRow("right-click, Yes") << "u1" << true << 1 << QStringList{ask1, done} << true;
}

void OperatorsTest::remove()
{
    QFETCH(QString, user);
    QFETCH(bool, rightClick);
    QFETCH(int, answer);
    QFETCH(QStringList, messages);
    QFETCH(bool, deleted);
    if (answer >= 0)
        script->answer(answer == 1);

    if (rightClick) {
        QTableView *view = screen->list()->view();
        const QPoint at = view->visualRect(view->model()->index(rowOf(user), 0)).center();
        QContextMenuEvent event(QContextMenuEvent::Mouse, at, view->viewport()->mapToGlobal(at));
        QApplication::sendEvent(view->viewport(), &event);
    } else {
        selectRow(user);
        QTest::mouseClick(screen->deleteButton(), Qt::LeftButton);
    }

    QCOMPARE(script->texts(), messages);
    QCOMPARE(script->pendingAnswers(), 0);
    QCOMPARE(data->exists(user), !deleted);
    QCOMPARE(rowOf(user) < 0, deleted);
    QCOMPARE(screen->list()->footerText(1), QString::number(deleted ? 2 : 3));
    QCOMPARE(data->log(), deleted ? QStringList{QStringLiteral("严重警告|删除了用户u1|管理员|财务室")} : QStringList{});
}

void OperatorsTest::add_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("user");
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("confirm");
    QTest::addColumn<QString>("message"); // empty: added
    QTest::addColumn<QString>("focus");
    QTest::newRow("everything empty") << "" << "" << "" << "" << emptyName << "姓名";
    QTest::newRow("name first, then passwords") << "" << "new" << "a" << "b" << emptyName << "姓名";
    QTest::newRow("blanks are a name") << " " << "" << "" << "" << emptyUser << "用户名";
    QTest::newRow("passwords differ") << "丙" << "new" << "a" << "b" << differ << "登录口令";
    QTest::newRow("passwords before the duplicate") << "丙" << "u1" << "a" << "" << differ << "登录口令";
    QTest::newRow("duplicate user name") << "丙" << "u1" << "a" << "a" << duplicate << "用户名";
    QTest::newRow("added") << "丙" << "new" << "秘密" << "秘密" << "" << "";
    QTest::newRow("added with an empty password") << "丙" << "new" << "" << "" << "" << "";
}

void OperatorsTest::add()
{
    QFETCH(QString, name);
    QFETCH(QString, user);
    QFETCH(QString, password);
    QFETCH(QString, confirm);
    QFETCH(QString, message);
    QFETCH(QString, focus);

    QTest::mouseClick(screen->addButton(), Qt::LeftButton);
    TFtjyh *dialog = screen->addDialog();
    QVERIFY(QTest::qWaitForWindowActive(dialog));
    QCOMPARE(dialog->windowTitle(), QStringLiteral("添加用户"));
    QCOMPARE(QApplication::focusWidget(), dialog->nameField());
    dialog->nameField()->setText(name);
    QTest::keyClick(dialog->nameField(), Qt::Key_Return);
    QCOMPARE(QApplication::focusWidget(), dialog->userField());
    dialog->userField()->setText(user);
    dialog->passwordField()->setText(password);
    dialog->confirmField()->setText(confirm);
    dialog->confirmField()->setFocus();
    QTest::keyClick(dialog->confirmField(), Qt::Key_Return);

    if (!message.isEmpty()) {
        QCOMPARE(script->texts(), QStringList{message});
        QCOMPARE(QApplication::focusWidget()->objectName(), focus);
        QVERIFY(dialog->isVisible());
        QCOMPARE(dialog->userField()->text(), user); // kept as typed
        QCOMPARE(screen->list()->rowCount(), 3);
        QVERIFY(data->log().isEmpty());
        QTest::keyClick(dialog->nameField(), Qt::Key_Escape); // 返回 clears the fields
        QVERIFY(!dialog->isVisible());
        QVERIFY(dialog->userField()->text().isEmpty());
        return;
    }
    QVERIFY(script->texts().isEmpty());
    QVERIFY(!dialog->isVisible());
    QVERIFY(dialog->nameField()->text().isEmpty() && dialog->confirmField()->text().isEmpty());
    QCOMPARE(data->value(user, QStringLiteral("姓名")), name);
    QCOMPARE(data->value(user, QStringLiteral("添加人")), QStringLiteral("管理员"));
    QVERIFY(data->value(user, QStringLiteral("口令")) != password);
    QCOMPARE(checkSignIn(data->store(), user, password).outcome, Outcome::Ok);
    for (const QString &right : editedRights())
        QCOMPARE(data->value(user, right), QStringLiteral("0"));
    QCOMPARE(data->log(), QStringList{QStringLiteral("|添加了一个叫new的用户|管理员|财务室")});
    QCOMPARE(screen->list()->rowCount(), 4);
    QCOMPARE(screen->list()->current()->text(QStringLiteral("用户名")), user);
}

void OperatorsTest::modify_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("confirm");
    QTest::addColumn<QString>("message");     // empty: modified
    QTest::addColumn<QString>("signsInWith"); // the password afterwards
    QTest::newRow("both password fields empty keep the password") << "甲二" << "" << "" << "" << "p1";
    QTest::newRow("new password") << "甲二" << "新" << "新" << "" << "新";
    QTest::newRow("empty name") << "" << "新" << "新" << emptyName << "p1";
    QTest::newRow("passwords differ") << "甲二" << "a" << "b" << differ << "p1";
    QTest::newRow("only one password field filled") << "甲二" << "a" << "" << differ << "p1";
}

void OperatorsTest::modify()
{
    QFETCH(QString, name);
    QFETCH(QString, password);
    QFETCH(QString, confirm);
    QFETCH(QString, message);
    QFETCH(QString, signsInWith);

    selectRow(QStringLiteral("u1"));
    QTest::mouseClick(screen->modifyButton(), Qt::LeftButton);
    TFxgyh *dialog = screen->modifyDialog();
    QVERIFY(QTest::qWaitForWindowActive(dialog));
    QCOMPARE(dialog->windowTitle(), QStringLiteral("修改用户信息"));
    QCOMPARE(dialog->nameField()->text(), QStringLiteral("甲"));
    QCOMPARE(dialog->userField()->text(), QStringLiteral("u1"));
    QVERIFY(dialog->userField()->isReadOnly());
    QVERIFY(dialog->passwordField()->text().isEmpty()); // never the stored hash
    QVERIFY(dialog->confirmField()->text().isEmpty());

    dialog->nameField()->setText(name);
    QTest::keyClick(dialog->nameField(), Qt::Key_Return);
    QCOMPARE(QApplication::focusWidget(), dialog->passwordField());
    dialog->passwordField()->setText(password);
    dialog->confirmField()->setText(confirm);
    dialog->confirmField()->setFocus();
    QTest::keyClick(dialog->confirmField(), Qt::Key_Return);

    QCOMPARE(checkSignIn(data->store(), QStringLiteral("u1"), signsInWith).outcome, Outcome::Ok);
    if (!message.isEmpty()) {
        QCOMPARE(script->texts(), QStringList{message});
        QVERIFY(dialog->isVisible());
        QCOMPARE(data->value(QStringLiteral("u1"), QStringLiteral("姓名")), QStringLiteral("甲"));
        QVERIFY(data->log().isEmpty());
        return;
    }
    QVERIFY(script->texts().isEmpty());
    QVERIFY(!dialog->isVisible());
    QCOMPARE(data->value(QStringLiteral("u1"), QStringLiteral("姓名")), name);
    QCOMPARE(data->value(QStringLiteral("u1"), QStringLiteral("修改人")), QStringLiteral("管理员"));
    QCOMPARE(data->log(), QStringList{QStringLiteral("|修改了用户u1的信息|管理员|财务室")});
    QCOMPARE(screen->list()->current()->text(QStringLiteral("姓名")), name);
}

// Each change and its log row are one transaction: when the log row cannot
// be written, the change is not kept either.
void OperatorsTest::failedLogRowUndoesTheChange_data()
{
    QTest::addColumn<QString>("change");
    QTest::newRow("add") << "add";
    QTest::newRow("modify") << "modify";
    QTest::newRow("delete") << "delete";
    QTest::newRow("save rights") << "save";
}

void OperatorsTest::failedLogRowUndoesTheChange()
{
    QFETCH(QString, change);
    store::Query(data->store(), QStringLiteral("drop table 操作日志表")).exec();
    const QString nameBefore = data->value(QStringLiteral("u1"), QStringLiteral("姓名"));
    const QString hashBefore = data->value(QStringLiteral("u1"), QStringLiteral("口令"));

    if (change == QLatin1String("add"))
        QVERIFY_THROWS_EXCEPTION(store::DbError, addOperator(*session, QStringLiteral("丙"), QStringLiteral("new"), {}));
    else if (change == QLatin1String("modify"))
        QVERIFY_THROWS_EXCEPTION(store::DbError, modifyOperator(*session, QStringLiteral("u1"), QStringLiteral("X"),
                                                                QStringLiteral("x")));
    else if (change == QLatin1String("delete"))
        QVERIFY_THROWS_EXCEPTION(store::DbError, deleteOperator(*session, QStringLiteral("u1")));
    else
        QVERIFY_THROWS_EXCEPTION(store::DbError,
                                 saveRights(*session, QStringLiteral("u1"), {{QStringLiteral("会员卡发行"), false}}, true));

    QVERIFY(!data->exists(QStringLiteral("new")));
    QVERIFY(data->exists(QStringLiteral("u1")));
    QCOMPARE(data->value(QStringLiteral("u1"), QStringLiteral("姓名")), nameBefore);
    QCOMPARE(data->value(QStringLiteral("u1"), QStringLiteral("口令")), hashBefore);
    QCOMPARE(data->value(QStringLiteral("u1"), QStringLiteral("会员卡发行")), QStringLiteral("-1"));
    QCOMPARE(data->value(QStringLiteral("u1"), QStringLiteral("是否停用")), QStringLiteral("0"));
}

QTEST_MAIN(OperatorsTest)
#include "tst_operators.moc"
