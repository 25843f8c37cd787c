#include "store/store.h"

#include "store/errors.h"

#include <QAtomicInt>
#include <QDir>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>

namespace store {

const QList<DataFile> &dataFiles()
{
    static const QList<DataFile> files = {
        {"main", "print.dll"},       // members, journal, ID-number prefixes
        {"help", "help.dll"},        // history of deleted cards
        {"hfl", "hfl.dll"},          // return visits
        {"logod", "logod.ocx"},      // operators, cash points
        {"lxcs", "lxcs.dll"},        // card types, payment methods, shift note
        {"czjl", "czjl.dll"},        // operation log, problem records
        {"mwic", "Dll/Mwic_30.dll"}, // the system-parameter row
        {"customer", "VelmarMember.db"}, // customer records
    };
    return files;
}

namespace {

void run(QSqlDatabase &db, const QString &sql)
{
    QSqlQuery q(db);
    if (!q.exec(sql))
        throw DbError(q.lastError().text(), sql);
}

QString nextConnectionName()
{
    static QAtomicInt counter;
    return QStringLiteral("store-%1").arg(counter.fetchAndAddRelaxed(1));
}

} // namespace

bool Store::holdsData(const QString &folder)
{
    for (const DataFile &f : dataFiles())
        if (QFileInfo::exists(QDir(folder).filePath(QString::fromUtf8(f.path))))
            return true;
    return false;
}

Store::Store(const QString &folder, Mode mode)
    : m_folder(QDir(folder).absolutePath()), m_connection(nextConnectionName())
{
    for (const DataFile &f : dataFiles()) {
        const QString path = filePath(f);
        const bool exists = QFileInfo::exists(path);
        if (mode == Mode::Existing && !exists)
            throw DbError(QStringLiteral("数据文件不存在：%1").arg(path));
        if (mode == Mode::Create && exists)
            throw DbError(QStringLiteral("数据文件已存在，不能覆盖：%1").arg(path));
        if (mode == Mode::Create)
            QDir().mkpath(QFileInfo(path).absolutePath());
    }

    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connection);
    db.setDatabaseName(filePath(dataFiles().first()));
    db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(busyTimeoutMs));
    if (!db.open()) {
        const QString text = db.lastError().text();
        db = QSqlDatabase();
        QSqlDatabase::removeDatabase(m_connection);
        throw DbError(QStringLiteral("无法打开数据文件 %1：%2").arg(filePath(dataFiles().first()), text));
    }
    try {
        for (const DataFile &f : dataFiles().mid(1)) {
            QSqlQuery q(db);
            q.prepare(QStringLiteral("attach database :file as %1").arg(QLatin1String(f.schema)));
            q.bindValue(QStringLiteral(":file"), filePath(f));
            if (!q.exec())
                throw DbError(QStringLiteral("无法打开数据文件 %1：%2").arg(filePath(f), q.lastError().text()));
        }
        // The rollback journal keeps a commit over several attached files
        // atomic; it is SQLite's default, set here so a file copied from
        // elsewhere cannot bring another mode with it.
        for (const DataFile &f : dataFiles())
            run(db, QStringLiteral("pragma %1.journal_mode=delete").arg(QLatin1String(f.schema)));
    } catch (...) {
        db.close();
        db = QSqlDatabase();
        QSqlDatabase::removeDatabase(m_connection);
        throw;
    }
}

Store::~Store()
{
    {
        QSqlDatabase db = QSqlDatabase::database(m_connection, false);
        db.close();
    }
    QSqlDatabase::removeDatabase(m_connection);
}

QSqlDatabase Store::db() const
{
    return QSqlDatabase::database(m_connection, false);
}

QString Store::filePath(const DataFile &f) const
{
    return QDir(m_folder).filePath(QString::fromUtf8(f.path));
}

Transaction::Transaction(Store &store) : m_store(store)
{
    if (m_store.m_inTransaction)
        throw DbError(QStringLiteral("事务不能嵌套"));
    QSqlDatabase db = m_store.db();
    run(db, QStringLiteral("begin immediate"));
    m_open = true;
    m_store.m_inTransaction = true;
}

Transaction::~Transaction()
{
    if (!m_open)
        return;
    QSqlDatabase db = m_store.db();
    QSqlQuery q(db);
    q.exec(QStringLiteral("rollback"));
    m_store.m_inTransaction = false;
}

void Transaction::commit()
{
    if (!m_open)
        throw DbError(QStringLiteral("事务已经结束"));
    QSqlDatabase db = m_store.db();
    run(db, QStringLiteral("commit"));
    m_open = false;
    m_store.m_inTransaction = false;
}

} // namespace store
