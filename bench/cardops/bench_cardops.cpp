// Confirmation benchmark: recharges and deductions per second through the
// card operations (one transaction each: serial number, member row, journal
// row, member update), against the same statements run as bare SQLite
// commits on a connection with the same files attached. Measured in one
// process and in two processes working on the same data folder at once, on
// 100,000 members. Prints the ratios measured in this run.
//
// A rate is the number of confirmations divided by the time from the first
// confirmation to the last: opening the connection and starting the
// processes are not counted. Each process reports its own window, and the
// two-process rate spans the earliest start to the latest end.
//
//   bench_cardops [--members N] [--ops N] [--data DIR]
//   bench_cardops --child store|bare DIR OPS SEED MEMBERS   (one of the two processes)
#include "cardops.h"

#include "store/delivered.h"
#include "store/store.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <sqlite3.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>

namespace {

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

QByteArray cardNo(int i)
{
    return QStringLiteral("8800%1").arg(i, 8, 10, QLatin1Char('0')).toUtf8();
}

void fill(const QString &dir, int members)
{
    sqlite3 *db = nullptr;
    check(sqlite3_open(QDir(dir).filePath(QStringLiteral("print.dll")).toUtf8().constData(), &db), db, "open");
    exec(db, "begin");
    sqlite3_stmt *m = nullptr;
    check(sqlite3_prepare_v2(db,
                             "insert into 会员表 (卡号,自编号,姓名,协议名称,金额,充值总额,消费总额,使用次数) "
                             "values(?1,?2,?3,'普通储值卡',1000000,1000000,0,0)",
                             -1, &m, nullptr),
          db, "prepare member");
    for (int i = 0; i < members; ++i) {
        const QByteArray kh = cardNo(i), zbh = QByteArray::number(i), xm = QStringLiteral("会员%1").arg(i).toUtf8();
        sqlite3_bind_text(m, 1, kh.constData(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(m, 2, zbh.constData(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(m, 3, xm.constData(), -1, SQLITE_TRANSIENT);
        check(sqlite3_step(m), db, "insert member");
        sqlite3_reset(m);
    }
    sqlite3_finalize(m);
    exec(db, "commit");
    exec(db, "analyze");
    sqlite3_close(db);
}

// The cards one run works on: a random member for every confirmation.
QList<QByteArray> cardsFor(int members, int ops, quint32 seed)
{
    QRandomGenerator rng(seed);
    QList<QByteArray> cards;
    for (int i = 0; i < ops; ++i)
        cards << cardNo(int(rng.bounded(members)));
    return cards;
}

// Wall-clock microseconds, comparable between the processes of one machine.
qint64 nowUs()
{
    using namespace std::chrono;
    return duration_cast<microseconds>(system_clock::now().time_since_epoch()).count();
}

// When a run's first confirmation started and its last one ended.
struct Window {
    qint64 start = 0, end = 0;
};

// Through the card operations: recharges and deductions alternate.
Window storeRun(const QString &dir, const QList<QByteArray> &cards)
{
    store::Store s(dir);
    const frontdesk::OpContext ctx{s, QStringLiteral("管理员"), QStringLiteral("前台收银"), {}};
    Window w;
    w.start = nowUs();
    for (int i = 0; i < cards.size(); ++i) {
        const QString card = QString::fromUtf8(cards[i]);
        if (i % 2 == 0)
            frontdesk::recharge(ctx, card, 10000, 1000, QStringLiteral("现金"), QString());
        else
            frontdesk::deduct(ctx, card, 3000, QString());
    }
    w.end = nowUs();
    return w;
}

// The bare connection: the same files attached, the same statements in the
// same order, each confirmation one immediate transaction.
struct Bare {
    sqlite3 *db = nullptr;
    sqlite3_stmt *member = nullptr, *readSerial = nullptr, *writeSerial = nullptr, *recharge = nullptr,
                 *deduct = nullptr, *updRecharge = nullptr, *updDeduct = nullptr;

    explicit Bare(const QString &dir)
    {
        check(sqlite3_open(QDir(dir).filePath(QStringLiteral("print.dll")).toUtf8().constData(), &db), db, "open");
        sqlite3_busy_timeout(db, store::Store::busyTimeoutMs);
        for (const store::DataFile &f : store::dataFiles().mid(1)) {
            const QByteArray sql = QStringLiteral("attach database '%1' as %2")
                                       .arg(QDir(dir).filePath(QString::fromUtf8(f.path)), QString::fromUtf8(f.schema))
                                       .toUtf8();
            exec(db, sql.constData());
        }
        prepare(member, "select * from 会员表 where 卡号=?1");
        prepare(readSerial, "select 流水号 from 系统参数表");
        prepare(writeSerial, "update 系统参数表 set 流水号=?1");
        prepare(recharge, "insert into 储值流水表 (会员卡号,收银员,收银点名称,流水号,说明,标志,充值金额,付款方式,赠送金额) "
                          "values(?1,'管理员','前台收银',?2,'','充值',100,'现金',10)");
        prepare(deduct, "insert into 储值流水表 (会员卡号,收银员,收银点名称,流水号,说明,标志,消费额) "
                        "values(?1,'管理员','前台收银',?2,'','消费',-30)");
        prepare(updRecharge, "update 会员表 set 充值总额=?1,金额=?2,赠送总额=?3 where 卡号=?4");
        prepare(updDeduct, "update 会员表 set 使用次数=?1,消费总额=?2,金额=?3,最后一次消费时间=?4 where 卡号=?5");
    }
    ~Bare()
    {
        for (sqlite3_stmt *st : {member, readSerial, writeSerial, recharge, deduct, updRecharge, updDeduct})
            sqlite3_finalize(st);
        sqlite3_close(db);
    }
    void prepare(sqlite3_stmt *&st, const char *sql) { check(sqlite3_prepare_v2(db, sql, -1, &st, nullptr), db, sql); }
    static void step(sqlite3_stmt *st, sqlite3 *db)
    {
        int rc;
        while ((rc = sqlite3_step(st)) == SQLITE_ROW)
            for (int c = 0; c < sqlite3_column_count(st); ++c)
                (void)sqlite3_column_text(st, c);
        check(rc, db, "step");
        sqlite3_reset(st);
    }

    void confirm(const QByteArray &card, bool isRecharge)
    {
        exec(db, "begin immediate");
        sqlite3_bind_text(member, 1, card.constData(), -1, SQLITE_STATIC);
        step(member, db);
        check(sqlite3_step(readSerial), db, "serial");
        const qint64 serial = sqlite3_column_int64(readSerial, 0) + 1;
        sqlite3_reset(readSerial);
        sqlite3_bind_int64(writeSerial, 1, serial);
        step(writeSerial, db);
        sqlite3_stmt *journal = isRecharge ? recharge : deduct;
        sqlite3_bind_text(journal, 1, card.constData(), -1, SQLITE_STATIC);
        sqlite3_bind_int64(journal, 2, serial);
        step(journal, db);
        if (isRecharge) {
            sqlite3_bind_double(updRecharge, 1, 1000110);
            sqlite3_bind_double(updRecharge, 2, 1000110);
            sqlite3_bind_double(updRecharge, 3, 10);
            sqlite3_bind_text(updRecharge, 4, card.constData(), -1, SQLITE_STATIC);
            step(updRecharge, db);
        } else {
            sqlite3_bind_int64(updDeduct, 1, 1);
            sqlite3_bind_double(updDeduct, 2, 30);
            sqlite3_bind_double(updDeduct, 3, 999970);
            sqlite3_bind_text(updDeduct, 4, "2026-01-01 10:00:00", -1, SQLITE_STATIC);
            sqlite3_bind_text(updDeduct, 5, card.constData(), -1, SQLITE_STATIC);
            step(updDeduct, db);
        }
        // The operations read the member row back to show it as written.
        sqlite3_bind_text(member, 1, card.constData(), -1, SQLITE_STATIC);
        step(member, db);
        exec(db, "commit");
    }
};

Window bareRun(const QString &dir, const QList<QByteArray> &cards)
{
    Bare b(dir);
    Window w;
    w.start = nowUs();
    for (int i = 0; i < cards.size(); ++i)
        b.confirm(cards[i], i % 2 == 0);
    w.end = nowUs();
    return w;
}

Window run(const QString &mode, const QString &dir, const QList<QByteArray> &cards)
{
    return mode == QLatin1String("store") ? storeRun(dir, cards) : bareRun(dir, cards);
}

// Confirmations per second of `procs` processes doing `ops` each at once.
double measure(const QString &mode, const QString &dir, int members, int ops, int procs)
{
    static quint32 seed = 100;
    Window all;
    if (procs == 1) {
        all = run(mode, dir, cardsFor(members, ops, ++seed));
    } else {
        QList<QProcess *> children;
        for (int p = 0; p < procs; ++p) {
            auto *child = new QProcess;
            child->setProcessChannelMode(QProcess::ForwardedErrorChannel);
            child->start(QCoreApplication::applicationFilePath(),
                         {QStringLiteral("--child"), mode, dir, QString::number(ops), QString::number(++seed),
                          QString::number(members)});
            children << child;
        }
        for (QProcess *child : children) {
            child->waitForFinished(-1);
            const QList<QByteArray> w = child->readAllStandardOutput().trimmed().split(' ');
            if (child->exitStatus() != QProcess::NormalExit || child->exitCode() != 0 || w.size() != 2) {
                std::fprintf(stderr, "a second process failed\n");
                std::exit(1);
            }
            const Window cw{w[0].toLongLong(), w[1].toLongLong()};
            all.start = all.start ? std::min(all.start, cw.start) : cw.start;
            all.end = std::max(all.end, cw.end);
            delete child;
        }
    }
    return double(ops) * procs / ((all.end - all.start) / 1e6);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList a = app.arguments();
    if (a.size() >= 7 && a[1] == QLatin1String("--child")) {
        const Window w = run(a[2], a[3], cardsFor(a[6].toInt(), a[4].toInt(), a[5].toUInt()));
        std::printf("%lld %lld\n", static_cast<long long>(w.start), static_cast<long long>(w.end));
        return 0;
    }
    int members = 100000, ops = 200;
    QString dir;
    for (int i = 1; i + 1 < a.size(); i += 2) {
        if (a[i] == QLatin1String("--members")) members = a[i + 1].toInt();
        else if (a[i] == QLatin1String("--ops")) ops = a[i + 1].toInt();
        else if (a[i] == QLatin1String("--data")) dir = a[i + 1];
    }
    QTemporaryDir tmp;
    if (dir.isEmpty())
        dir = tmp.path();
    if (!store::Store::holdsData(dir)) {
        QElapsedTimer t;
        t.start();
        store::makeStore(dir);
        fill(dir, members);
        std::printf("filled %d members in %.1f s\n", members, t.elapsed() / 1000.0);
    }

    // Warm up both paths, then measure each case twice, alternating, so that
    // machine noise falls on both sides alike.
    run(QStringLiteral("bare"), dir, cardsFor(members, 20, 1));
    run(QStringLiteral("store"), dir, cardsFor(members, 20, 2));
    double rate[2][2] = {}; // [procs-1][0 bare, 1 store]
    for (int round = 0; round < 2; ++round)
        for (int procs = 1; procs <= 2; ++procs) {
            rate[procs - 1][0] += measure(QStringLiteral("bare"), dir, members, ops, procs) / 2;
            rate[procs - 1][1] += measure(QStringLiteral("store"), dir, members, ops, procs) / 2;
        }

    std::printf("confirmations (recharge and deduction alternating), %d per process per round, 2 rounds\n", ops);
    for (int procs = 1; procs <= 2; ++procs)
        std::printf("%d process%s: bare SQLite %7.1f/s, card operations %7.1f/s; ratio operations/bare %.2f\n",
                    procs, procs == 1 ? " " : "es", rate[procs - 1][0], rate[procs - 1][1],
                    rate[procs - 1][1] / rate[procs - 1][0]);
    std::printf("two processes against one: bare %.2f, card operations %.2f\n", rate[1][0] / rate[0][0],
                rate[1][1] / rate[0][1]);
    return 0;
}
