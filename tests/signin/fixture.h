#pragma once
// A fresh delivered data set for every test: written once by makeStore into
// a template folder, then copied file by file into a new temporary folder.
#include "store/delivered.h"
#include "store/password.h"
#include "store/query.h"
#include "store/schema.h"
#include "store/store.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <memory>

namespace testing {

class DataSet {
public:
    DataSet()
    {
        static QTemporaryDir templ;
        static const bool made = [] {
            store::makeStore(templ.path());
            return true;
        }();
        Q_UNUSED(made);
        for (const store::DataFile &f : store::dataFiles()) {
            const QString to = m_dir.filePath(QString::fromUtf8(f.path));
            QDir().mkpath(QFileInfo(to).path());
            QFile::copy(QDir(templ.path()).filePath(QString::fromUtf8(f.path)), to);
        }
        m_store = std::make_unique<store::Store>(m_dir.path());
    }

    store::Store &store() { return *m_store; }
    QString folder() const { return m_dir.path(); }

    // Adds an operator with the given rights (every other one not held).
    void addOperator(const QString &user, const QString &password, const QString &name,
                     const QStringList &rights = {}, bool disabled = false)
    {
        store::Query(*m_store, QStringLiteral("insert into 用户表 (用户名,口令,姓名,是否停用) values(:yhm,:kl,:xm,:ty)"))
            .bind(QStringLiteral(":yhm"), user)
            .bind(QStringLiteral(":kl"), store::hashPassword(password))
            .bind(QStringLiteral(":xm"), name)
            .bind(QStringLiteral(":ty"), disabled ? -1 : 0)
            .exec();
        for (const QString &r : rights)
            setValue(user, r, -1);
    }

    // Sets one column of an operator's row (column names come from the test).
    void setValue(const QString &user, const QString &column, const QVariant &value)
    {
        store::Query(*m_store, QStringLiteral("update 用户表 set %1=:v where 用户名=:yhm").arg(column))
            .bind(QStringLiteral(":v"), value)
            .bind(QStringLiteral(":yhm"), user)
            .exec();
    }

    QString value(const QString &user, const QString &column)
    {
        store::Query q(*m_store, QStringLiteral("select %1 from 用户表 where 用户名=:yhm").arg(column));
        q.bind(QStringLiteral(":yhm"), user).exec();
        return q.empty() ? QString() : q.text(column);
    }

    bool exists(const QString &user)
    {
        store::Query q(*m_store, QStringLiteral("select id from 用户表 where 用户名=:yhm"));
        return !q.bind(QStringLiteral(":yhm"), user).exec().empty();
    }

    // The operation-log rows, oldest first, as "类型|描述|用户|计算机".
    QStringList log()
    {
        store::Query q(*m_store, QStringLiteral("select 事件类型,事件描述,用户,计算机 from 操作日志表 order by id"));
        q.exec();
        QStringList out;
        for (int i = 0; i < q.size(); ++i)
            out << QStringList{q.text(QStringLiteral("事件类型"), i), q.text(QStringLiteral("事件描述"), i),
                               q.text(QStringLiteral("用户"), i), q.text(QStringLiteral("计算机"), i)}
                       .join(QLatin1Char('|'));
        return out;
    }

private:
    QTemporaryDir m_dir;
    std::unique_ptr<store::Store> m_store;
};

} // namespace testing
