// Member lookup benchmark: on a data folder with 100,000 members and
// 1,000,000 journal rows, the member screen's two statements (the member row
// by card number, then that card's journal newest first) through the store,
// against the same two statements on a bare SQLite connection. Prints the
// query plans (both must use indexes) and the time ratio measured in one run.
//
//   bench_lookup [--members N] [--rows N] [--lookups N] [--data DIR]
#include "store/delivered.h"
#include "store/query.h"
#include "store/store.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTextStream>

#include <sqlite3.h>

#include <cstdio>
#include <cstdlib>

namespace {

const char *const memberSql = "select * from 会员表 where 卡号=:kh";
const char *const journalSql =
    "select 收银时间,流水号,付款方式,充值金额,赠送金额,消费额,有效次数,收银员,收银点名称,说明,标志,是记次卡,误收额 "
    "from 储值流水表 where 会员卡号=:hykh order by 流水号 desc";

void check(int rc, sqlite3 *db, const char *what)
{
    if (rc != SQLITE_OK && rc != SQLITE_DONE && rc != SQLITE_ROW) {
        std::fprintf(stderr, "%s: %s\n", what, sqlite3_errmsg(db));
        std::exit(1);
    }
}

void exec(sqlite3 *db, const char *sql)
{
    check(sqlite3_exec(db, sql, nullptr, nullptr, nullptr), db, sql);
}

QString cardNo(int i)
{
    return QStringLiteral("8800%1").arg(i, 8, 10, QLatin1Char('0'));
}

void fill(const QString &dir, int members, int rows)
{
    sqlite3 *db = nullptr;
    check(sqlite3_open(QDir(dir).filePath(QStringLiteral("print.dll")).toUtf8().constData(), &db), db, "open");
    exec(db, "begin");
    sqlite3_stmt *m = nullptr, *j = nullptr;
    check(sqlite3_prepare_v2(db,
                             "insert into 会员表 (卡号,自编号,姓名,协议名称,金额,充值总额) values(?1,?2,?3,'普通储值卡',100,100)",
                             -1, &m, nullptr),
          db, "prepare member");
    for (int i = 0; i < members; ++i) {
        const QByteArray kh = cardNo(i).toUtf8(), zbh = QByteArray::number(i), xm = QStringLiteral("会员%1").arg(i).toUtf8();
        sqlite3_bind_text(m, 1, kh.constData(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(m, 2, zbh.constData(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(m, 3, xm.constData(), -1, SQLITE_TRANSIENT);
        check(sqlite3_step(m), db, "insert member");
        sqlite3_reset(m);
    }
    check(sqlite3_prepare_v2(db,
                             "insert into 储值流水表 (流水号,会员卡号,收银员,收银点名称,标志,消费额,收银时间) "
                             "values(?1,?2,'管理员','前台收银','消费',-10,?3)",
                             -1, &j, nullptr),
          db, "prepare journal");
    QRandomGenerator rng(42);
    for (int i = 1; i <= rows; ++i) {
        const QByteArray kh = cardNo(int(rng.bounded(members))).toUtf8();
        const QByteArray t = QStringLiteral("2026-%1-%2 10:00:00")
                                 .arg(1 + i % 12, 2, 10, QLatin1Char('0'))
                                 .arg(1 + i % 28, 2, 10, QLatin1Char('0'))
                                 .toUtf8();
        sqlite3_bind_int64(j, 1, i);
        sqlite3_bind_text(j, 2, kh.constData(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(j, 3, t.constData(), -1, SQLITE_TRANSIENT);
        check(sqlite3_step(j), db, "insert journal");
        sqlite3_reset(j);
    }
    sqlite3_finalize(m);
    sqlite3_finalize(j);
    exec(db, "commit");
    exec(db, "analyze");
    sqlite3_close(db);
}

void printPlan(sqlite3 *db, const char *sql)
{
    const QByteArray q = QByteArray("explain query plan ") + sql;
    sqlite3_stmt *st = nullptr;
    check(sqlite3_prepare_v2(db, q.constData(), -1, &st, nullptr), db, "plan");
    std::printf("  plan of: %s\n", sql);
    while (sqlite3_step(st) == SQLITE_ROW)
        std::printf("    %s\n", reinterpret_cast<const char *>(sqlite3_column_text(st, 3)));
    sqlite3_finalize(st);
}

// The bare connection: prepare, bind, step through every column as text,
// finalize — what any client must do at least.
qint64 bareLookups(sqlite3 *db, const QList<QByteArray> &cards)
{
    qint64 journalRows = 0;
    for (const QByteArray &kh : cards) {
        for (const char *sql : {memberSql, journalSql}) {
            sqlite3_stmt *st = nullptr;
            check(sqlite3_prepare_v2(db, sql, -1, &st, nullptr), db, "prepare");
            sqlite3_bind_text(st, 1, kh.constData(), -1, SQLITE_STATIC);
            int rc;
            while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
                for (int c = 0; c < sqlite3_column_count(st); ++c)
                    (void)sqlite3_column_text(st, c);
                if (sql == journalSql)
                    ++journalRows;
            }
            check(rc, db, "step");
            sqlite3_finalize(st);
        }
    }
    return journalRows;
}

qint64 storeLookups(store::Store &s, const QList<QByteArray> &cards)
{
    qint64 journalRows = 0;
    for (const QByteArray &kh : cards) {
        const QString card = QString::fromUtf8(kh);
        store::Query m(s, QString::fromUtf8(memberSql));
        m.bind(QStringLiteral(":kh"), card).exec();
        if (!m.empty())
            (void)m.text(QStringLiteral("金额"));
        store::Query j(s, QString::fromUtf8(journalSql));
        j.bind(QStringLiteral(":hykh"), card).exec();
        journalRows += j.size();
    }
    return journalRows;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    int members = 100000, rows = 1000000, lookups = 2000;
    QString dir;
    const QStringList a = app.arguments();
    for (int i = 1; i + 1 < a.size(); i += 2) {
        if (a[i] == QLatin1String("--members")) members = a[i + 1].toInt();
        else if (a[i] == QLatin1String("--rows")) rows = a[i + 1].toInt();
        else if (a[i] == QLatin1String("--lookups")) lookups = a[i + 1].toInt();
        else if (a[i] == QLatin1String("--data")) dir = a[i + 1];
    }
    QTemporaryDir tmp;
    if (dir.isEmpty())
        dir = tmp.path();
    QTextStream out(stdout);
    if (!store::Store::holdsData(dir)) {
        QElapsedTimer t;
        t.start();
        store::makeStore(dir);
        fill(dir, members, rows);
        std::printf("filled %d members, %d journal rows in %.1f s\n", members, rows, t.elapsed() / 1000.0);
    }

    QRandomGenerator rng(7);
    QList<QByteArray> cards;
    for (int i = 0; i < lookups; ++i)
        cards << cardNo(int(rng.bounded(members))).toUtf8();

    sqlite3 *db = nullptr;
    check(sqlite3_open(QDir(dir).filePath(QStringLiteral("print.dll")).toUtf8().constData(), &db), db, "open");
    printPlan(db, memberSql);
    printPlan(db, journalSql);

    store::Store s(dir);
    // Warm the page cache for both, then alternate rounds so that machine
    // noise falls on both sides alike.
    bareLookups(db, cards.mid(0, 200));
    storeLookups(s, cards.mid(0, 200));
    qint64 bareNs = 0, storeNs = 0, rowsSeen = 0;
    for (int round = 0; round < 5; ++round) {
        QElapsedTimer t;
        t.start();
        rowsSeen = bareLookups(db, cards);
        bareNs += t.nsecsElapsed();
        t.restart();
        const qint64 r = storeLookups(s, cards);
        storeNs += t.nsecsElapsed();
        if (r != rowsSeen) {
            std::fprintf(stderr, "row counts differ: %lld vs %lld\n", (long long)r, (long long)rowsSeen);
            return 1;
        }
    }
    sqlite3_close(db);
    const double n = 5.0 * lookups;
    std::printf("lookups: %d x 5 rounds, %.1f journal rows per card\n", lookups, double(rowsSeen) / lookups);
    std::printf("bare SQLite: %8.1f us per lookup\n", bareNs / n / 1000.0);
    std::printf("store:       %8.1f us per lookup\n", storeNs / n / 1000.0);
    std::printf("ratio store/bare: %.2f\n", double(storeNs) / double(bareNs));
    return 0;
}
