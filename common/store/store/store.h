#pragma once
// The connection to the shop's database files.
//
// Each program process holds one Store: it opens the member file print.dll and
// attaches every other file under a schema name, so the tables (whose names
// are unique across the files) are reached unqualified and one transaction can
// span several files. The files use SQLite's rollback journal, which keeps a
// commit across attached files atomic, and a busy timeout, so a second
// workstation waits for a write lock instead of failing.
#include <QSqlDatabase>
#include <QString>
#include <QStringList>

namespace store {

// One database file of the set: its schema name in the connection and its
// path relative to the data folder.
struct DataFile {
    const char *schema;
    const char *path;
};

// Every file of the set, member file first.
const QList<DataFile> &dataFiles();

class Store {
public:
    enum class Mode {
        Existing, // every file must already be there
        Create,   // every file is created; none may exist yet
    };

    // Opens (or creates) the file set in folder. Throws DbError naming the
    // file when one is missing (Existing), already there (Create) or cannot be
    // opened.
    explicit Store(const QString &folder, Mode mode = Mode::Existing);
    ~Store();
    Store(const Store &) = delete;
    Store &operator=(const Store &) = delete;

    QSqlDatabase db() const;
    QString folder() const { return m_folder; }
    QString filePath(const DataFile &f) const;

    // True while a Transaction of this store is open.
    bool inTransaction() const { return m_inTransaction; }

    // How long a statement waits for another workstation's lock.
    static constexpr int busyTimeoutMs = 8000;

    // True when folder holds any file of the set.
    static bool holdsData(const QString &folder);

private:
    friend class Transaction;
    QString m_folder;
    QString m_connection;
    bool m_inTransaction = false;
};

// One write operation: BEGIN IMMEDIATE takes the write lock before anything is
// read that will be written back; commit() makes every statement permanent at
// once; leaving the scope without commit() rolls all of them back.
class Transaction {
public:
    explicit Transaction(Store &store);
    ~Transaction();
    Transaction(const Transaction &) = delete;
    Transaction &operator=(const Transaction &) = delete;

    void commit();

private:
    Store &m_store;
    bool m_open = false;
};

} // namespace store
