#include "signin/accounts.h"

#include "store/errors.h"
#include "store/oplog.h"
#include "store/password.h"
#include "store/query.h"
#include "store/schema.h"
#include "store/store.h"
#include "store/textforms.h"

namespace signin {

namespace {

bool operatorExists(store::Store &store, const QString &userName)
{
    store::Query q(store, QStringLiteral("select 用户名 from 用户表 where 用户名=:yhm"));
    return !q.bind(QStringLiteral(":yhm"), userName).exec().empty();
}

// Yes/no values are written as -1 and 0.
int yesNo(bool on)
{
    return on ? -1 : 0;
}

} // namespace

const QStringList &editedRights()
{
    static const QStringList all = store::rightColumns() + store::extraRightColumns();
    return all;
}

QList<QSqlRecord> listOperators(store::Store &store)
{
    store::Query q(store, QStringLiteral("select id,用户名,姓名,系统内定 from 用户表 order by id"));
    return q.exec().rows();
}

Change addOperator(Session &session, const QString &name, const QString &userName, const QString &password)
{
    store::Transaction tx(session.store);
    if (operatorExists(session.store, userName))
        return Change::Duplicate;
    store::Query(session.store,
                 QStringLiteral("insert into 用户表 (用户名,口令,姓名,添加人) values(:yhm,:kl,:xm,:tjr)"))
        .bind(QStringLiteral(":yhm"), userName)
        .bind(QStringLiteral(":kl"), store::hashPassword(password))
        .bind(QStringLiteral(":xm"), name)
        .bind(QStringLiteral(":tjr"), session.current.name())
        .exec();
    store::writeLog(session.store, QStringLiteral("添加了一个叫") + userName + QStringLiteral("的用户"),
                    session.current.name(), session.computer);
    tx.commit();
    return Change::Done;
}

Change modifyOperator(Session &session, const QString &userName, const QString &name,
                      const std::optional<QString> &password)
{
    store::Transaction tx(session.store);
    QString sql = QStringLiteral("update 用户表 set 姓名=:xm,修改人=:xgr,修改时间=:xgsj");
    if (password)
        sql += QStringLiteral(",口令=:kl");
    sql += QStringLiteral(" where 用户名=:yhm");
    store::Query q(session.store, sql);
    q.bind(QStringLiteral(":xm"), name)
        .bind(QStringLiteral(":xgr"), session.current.name())
        .bind(QStringLiteral(":xgsj"), store::nowText())
        .bind(QStringLiteral(":yhm"), userName);
    if (password)
        q.bind(QStringLiteral(":kl"), store::hashPassword(*password));
    if (q.exec().rowsAffected() == 0)
        return Change::Missing;
    store::writeLog(session.store, QStringLiteral("修改了用户") + userName + QStringLiteral("的信息"),
                    session.current.name(), session.computer);
    tx.commit();
    return Change::Done;
}

Change deleteOperator(Session &session, const QString &userName)
{
    store::Transaction tx(session.store);
    const std::optional<Operator> op = Operator::load(session.store, userName);
    if (!op)
        return Change::Missing;
    if (op->builtIn())
        return Change::BuiltIn;
    store::Query(session.store, QStringLiteral("delete from 用户表 where 用户名=:yhm"))
        .bind(QStringLiteral(":yhm"), userName)
        .exec();
    store::writeLog(session.store, store::eventSevere, QStringLiteral("删除了用户") + userName,
                    session.current.name(), session.computer);
    tx.commit();
    return Change::Done;
}

Change saveRights(Session &session, const QString &userName, const QHash<QString, bool> &rights, bool disabled)
{
    for (auto it = rights.begin(); it != rights.end(); ++it)
        if (!editedRights().contains(it.key()))
            throw store::Error(QStringLiteral("“%1”不是可以设置的权限").arg(it.key()));
    if (disabled && userName == session.current.userName())
        return Change::SelfDisable;

    // The column names come from the fixed list above, never from typed text;
    // every value is bound.
    QStringList sets;
    for (const QString &right : editedRights())
        if (rights.contains(right))
            sets << right + QStringLiteral("=:r") + QString::number(sets.size());
    sets << QStringLiteral("修改时间=:xgsj") << QStringLiteral("修改人=:xgr") << QStringLiteral("是否停用=:sfty");

    store::Transaction tx(session.store);
    store::Query q(session.store,
                   QStringLiteral("update 用户表 set ") + sets.join(QLatin1Char(',')) + QStringLiteral(" where 用户名=:yhm"));
    int i = 0;
    for (const QString &right : editedRights())
        if (rights.contains(right))
            q.bind(QStringLiteral(":r") + QString::number(i++), yesNo(rights.value(right)));
    q.bind(QStringLiteral(":xgsj"), store::nowText())
        .bind(QStringLiteral(":xgr"), session.current.name())
        .bind(QStringLiteral(":sfty"), yesNo(disabled))
        .bind(QStringLiteral(":yhm"), userName);
    if (q.exec().rowsAffected() == 0)
        return Change::Missing;
    store::writeLog(session.store, QStringLiteral("修改了用户") + userName + QStringLiteral("的权限"),
                    session.current.name(), session.computer);
    tx.commit();
    return Change::Done;
}

} // namespace signin
