// Tests of the card operations: totals, journal rows and serial numbers of
// every operation, the refusals decided inside the transaction, a failure
// between journal and member update, and several processes working on one
// card at once.
#include "cardops.h"

#include "store/delivered.h"
#include "store/query.h"
#include "store/store.h"

#include <QDir>
#include <QProcess>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

using namespace frontdesk;
using store::Query;

namespace {

QString col(const QSqlRecord &r, const char *name)
{
    return store::fieldText(r, QString::fromUtf8(name));
}

QSqlRecord journalRow(store::Store &s, qint64 serial)
{
    Query q(s, QStringLiteral("select * from 储值流水表 where 流水号=:lsh"));
    q.bind(QStringLiteral(":lsh"), serial).exec();
    return q.empty() ? QSqlRecord() : q.row();
}

int journalCount(store::Store &s)
{
    return Query(s, QStringLiteral("select count(*) as n from 储值流水表")).exec().text(QStringLiteral("n")).toInt();
}

NewCard storedValueCard(const QString &card, const QString &own, Cents amount, Cents gift)
{
    NewCard c;
    c.card = card;
    c.cardType = QStringLiteral("普通储值卡");
    c.expiry = QStringLiteral("2099-12-31");
    c.name = QStringLiteral("张三");
    c.sex = QStringLiteral("男");
    c.ownNumber = own;
    c.method = QStringLiteral("现金");
    c.amount = amount;
    c.gift = gift;
    c.verification = QStringLiteral("无需验证");
    return c;
}

NewCard countCard(const QString &card, const QString &own, Cents amount, qint64 uses)
{
    NewCard c = storedValueCard(card, own, amount, 0);
    c.cardType = QStringLiteral("普通记次卡");
    c.countCard = true;
    c.uses = uses;
    return c;
}

} // namespace

class TestCardOps : public QObject {
    Q_OBJECT

    QTemporaryDir m_tmp;
    std::unique_ptr<store::Store> m_store;

    OpContext ctx() { return {*m_store, QStringLiteral("收银员甲"), QStringLiteral("前台收银"), {}}; }

private slots:
    void init()
    {
        static int n = 0;
        const QString dir = m_tmp.filePath(QString::number(++n));
        QDir().mkpath(dir);
        store::makeStore(dir);
        m_store = std::make_unique<store::Store>(dir);
    }
    void cleanup() { m_store.reset(); }

    void issueStoredValueCard()
    {
        const OpResult r = issueCard(ctx(), storedValueCard(QStringLiteral("1001"), QStringLiteral("A1"), 50000, 5000));
        QCOMPARE(r.serial, 1);
        for (const char *c : {"金额", "开卡额", "充值总额"})
            QCOMPARE(col(r.member, c), QStringLiteral("550"));
        QCOMPARE(col(r.member, "赠送总额"), QStringLiteral("50"));
        QCOMPARE(col(r.member, "是记次卡"), QStringLiteral("0"));
        QCOMPARE(col(r.member, "开卡人"), QStringLiteral("收银员甲"));
        QCOMPARE(col(r.member, "创建收银点名称"), QStringLiteral("前台收银"));
        QCOMPARE(col(r.member, "状态"), QStringLiteral("正常"));
        for (const char *c : {"消费总额", "使用次数", "误收总额"})
            QCOMPARE(col(r.member, c), QStringLiteral("0"));
        const QSqlRecord j = journalRow(*m_store, 1);
        QCOMPARE(col(j, "标志"), QStringLiteral("新开卡"));
        QCOMPARE(col(j, "充值金额"), QStringLiteral("500"));
        QCOMPARE(col(j, "赠送金额"), QStringLiteral("50"));
        QCOMPARE(col(j, "付款方式"), QStringLiteral("现金"));
        QCOMPARE(col(j, "是记次卡"), QStringLiteral("0"));
        QCOMPARE(col(j, "会员卡号"), QStringLiteral("1001"));
    }

    void issueCountCard()
    {
        NewCard c = countCard(QStringLiteral("2001"), QStringLiteral("B1"), 20000, 10);
        c.gift = 1500; // typed before the count type was chosen: kept in the journal only
        const OpResult r = issueCard(ctx(), c);
        QCOMPARE(col(r.member, "金额"), QStringLiteral("0"));
        QCOMPARE(col(r.member, "赠送总额"), QStringLiteral("0"));
        QCOMPARE(col(r.member, "开卡额"), QStringLiteral("200"));
        QCOMPARE(col(r.member, "充值总额"), QStringLiteral("200"));
        QCOMPARE(col(r.member, "有效次数"), QStringLiteral("10"));
        QCOMPARE(col(r.member, "是记次卡"), QStringLiteral("1"));
        const QSqlRecord j = journalRow(*m_store, r.serial);
        QCOMPARE(col(j, "充值金额"), QStringLiteral("200"));
        QCOMPARE(col(j, "有效次数"), QStringLiteral("10"));
        QCOMPARE(col(j, "赠送金额"), QStringLiteral("15"));
        QCOMPARE(col(j, "是记次卡"), QStringLiteral("1"));
    }

    void issueRefusesDuplicates()
    {
        issueCard(ctx(), storedValueCard(QStringLiteral("1001"), QStringLiteral("A1"), 10000, 0));
        try {
            issueCard(ctx(), storedValueCard(QStringLiteral("1002"), QStringLiteral("A1"), 10000, 0));
            QFAIL("duplicate own number accepted");
        } catch (const Refused &e) {
            QCOMPARE(e.reason(), Refused::Reason::DuplicateOwnNumber);
            QCOMPARE(e.message(), QStringLiteral("自编号重复，请重新输入！"));
        }
        QVERIFY_THROWS_EXCEPTION(Refused, issueCard(ctx(), storedValueCard(QStringLiteral("1001"), QStringLiteral("A2"), 1, 0)));
        QCOMPARE(journalCount(*m_store), 1);
        QVERIFY(memberRow(*m_store, QStringLiteral("1002")).isEmpty());
        // No serial number was used by the refusals.
        QCOMPARE(recharge(ctx(), QStringLiteral("1001"), 100, 0, QStringLiteral("现金"), {}).serial, 2);
    }

    void storedValueRoad()
    {
        // Issue 100 + 20, deduct 30, correct 5: the totals of the member row
        // and the three journal rows in serial order.
        issueCard(ctx(), storedValueCard(QStringLiteral("1001"), QStringLiteral("A1"), 10000, 2000));
        const OpResult d = deduct(ctx(), QStringLiteral("1001"), 3000, QStringLiteral("午餐"));
        QCOMPARE(col(d.member, "金额"), QStringLiteral("90"));
        QCOMPARE(col(d.member, "使用次数"), QStringLiteral("1"));
        QVERIFY(!col(d.member, "最后一次消费时间").isEmpty());
        const QSqlRecord dj = journalRow(*m_store, d.serial);
        QCOMPARE(col(dj, "消费额"), QStringLiteral("-30"));
        QCOMPARE(col(dj, "标志"), QStringLiteral("消费"));
        QCOMPARE(col(dj, "说明"), QStringLiteral("午餐"));
        const OpResult c = correctMischarge(ctx(), QStringLiteral("1001"), 500, QString::number(d.serial));
        QCOMPARE(c.serial, 3);
        QCOMPARE(col(c.member, "金额"), QStringLiteral("95"));
        QCOMPARE(col(c.member, "充值总额"), QStringLiteral("120"));
        QCOMPARE(col(c.member, "赠送总额"), QStringLiteral("20"));
        QCOMPARE(col(c.member, "消费总额"), QStringLiteral("25"));
        QCOMPARE(col(c.member, "误收总额"), QStringLiteral("5"));
        QCOMPARE(col(c.member, "使用次数"), QStringLiteral("1"));
        const QSqlRecord cj = journalRow(*m_store, 3);
        QCOMPARE(col(cj, "误收额"), QStringLiteral("5"));
        QCOMPARE(col(cj, "说明"), QStringLiteral("原账单流水号为2"));
        QCOMPARE(col(cj, "标志"), QStringLiteral("误收"));
    }

    void rechargeTotals_data()
    {
        QTest::addColumn<qint64>("amount");
        QTest::addColumn<qint64>("gift");
        QTest::addColumn<QString>("balance");
        QTest::addColumn<QString>("rechargeTotal");
        QTest::addColumn<QString>("giftTotal");
        // The card starts with 50 loaded and nothing given.
        QTest::newRow("with gift") << qint64(10000) << qint64(2000) << "170" << "170" << "20";
        QTest::newRow("without gift") << qint64(10000) << qint64(0) << "150" << "150" << "0";
        QTest::newRow("cents without noise") << qint64(10) << qint64(20) << "50.3" << "50.3" << "0.2";
    }
    void rechargeTotals()
    {
        QFETCH(qint64, amount);
        QFETCH(qint64, gift);
        issueCard(ctx(), storedValueCard(QStringLiteral("1001"), QStringLiteral("A1"), 5000, 0));
        const OpResult r = recharge(ctx(), QStringLiteral("1001"), amount, gift, QStringLiteral("银行卡"), {});
        QTEST(col(r.member, "金额"), "balance");
        QTEST(col(r.member, "充值总额"), "rechargeTotal");
        QTEST(col(r.member, "赠送总额"), "giftTotal");
        const QSqlRecord j = journalRow(*m_store, r.serial);
        QCOMPARE(col(j, "标志"), QStringLiteral("充值"));
        QCOMPARE(col(j, "付款方式"), QStringLiteral("银行卡"));
        QCOMPARE(store::storedMoney(col(j, "充值金额")), amount);
        QCOMPARE(store::storedMoney(col(j, "赠送金额")), gift);
    }

    void deductionLimits()
    {
        issueCard(ctx(), storedValueCard(QStringLiteral("1001"), QStringLiteral("A1"), 10000, 0));
        try {
            deduct(ctx(), QStringLiteral("1001"), 10001, {});
            QFAIL("deduction above the balance accepted");
        } catch (const Refused &e) {
            QCOMPARE(e.reason(), Refused::Reason::Insufficient);
            QCOMPARE(e.message(), QStringLiteral("卡上金额不足，请充值后再操作"));
        }
        QCOMPARE(journalCount(*m_store), 1);
        const OpResult r = deduct(ctx(), QStringLiteral("1001"), 10000, {});
        QCOMPARE(col(r.member, "金额"), QStringLiteral("0"));
        QCOMPARE(col(r.member, "消费总额"), QStringLiteral("100"));
    }

    void emptyUseCountStartsAtOne()
    {
        issueCard(ctx(), storedValueCard(QStringLiteral("1001"), QStringLiteral("A1"), 10000, 0));
        Query(*m_store, QStringLiteral("update 会员表 set 使用次数=null, 误收总额=null")).exec();
        QCOMPARE(col(deduct(ctx(), QStringLiteral("1001"), 100, {}).member, "使用次数"), QStringLiteral("1"));
        QCOMPARE(col(correctMischarge(ctx(), QStringLiteral("1001"), 100, QStringLiteral("2")).member, "误收总额"),
                 QStringLiteral("1"));
    }

    void correctionAboveConsumptionIsAccepted()
    {
        issueCard(ctx(), storedValueCard(QStringLiteral("1001"), QStringLiteral("A1"), 10000, 0));
        const OpResult r = correctMischarge(ctx(), QStringLiteral("1001"), 1000, QStringLiteral("12"));
        QCOMPARE(col(r.member, "消费总额"), QStringLiteral("-10"));
        QCOMPARE(col(r.member, "金额"), QStringLiteral("110"));
    }

    void countCardOperations()
    {
        issueCard(ctx(), countCard(QStringLiteral("2001"), QStringLiteral("B1"), 20000, 10));
        Query(*m_store, QStringLiteral("update 会员表 set 使用次数=4 where 卡号='2001'")).exec();

        const OpResult d = deductUses(ctx(), QStringLiteral("2001"), 3, {});
        QCOMPARE(col(d.member, "有效次数"), QStringLiteral("7"));
        QCOMPARE(col(d.member, "使用次数"), QStringLiteral("5"));
        QVERIFY(!col(d.member, "最后一次消费时间").isEmpty());
        QCOMPARE(col(journalRow(*m_store, d.serial), "有效次数"), QStringLiteral("-3"));
        QCOMPARE(col(journalRow(*m_store, d.serial), "是记次卡"), QStringLiteral("1"));
        QCOMPARE(col(journalRow(*m_store, d.serial), "标志"), QStringLiteral("消费"));

        QVERIFY_THROWS_EXCEPTION(Refused, deductUses(ctx(), QStringLiteral("2001"), 8, {}));
        QCOMPARE(col(memberRow(*m_store, QStringLiteral("2001")), "有效次数"), QStringLiteral("7"));
        QCOMPARE(journalCount(*m_store), 2);

        const OpResult all = deductUses(ctx(), QStringLiteral("2001"), 7, {});
        QCOMPARE(col(all.member, "有效次数"), QStringLiteral("0"));

        const OpResult r = rechargeUses(ctx(), QStringLiteral("2001"), 10, 20000, QStringLiteral("现金"), {});
        QCOMPARE(col(r.member, "有效次数"), QStringLiteral("10"));
        QCOMPARE(col(r.member, "充值总额"), QStringLiteral("400"));
        QCOMPARE(col(r.member, "金额"), QStringLiteral("0"));
        const QSqlRecord rj = journalRow(*m_store, r.serial);
        QCOMPARE(col(rj, "充值金额"), QStringLiteral("200"));
        QCOMPARE(col(rj, "有效次数"), QStringLiteral("10"));
        QCOMPARE(col(rj, "标志"), QStringLiteral("充值"));

        Query(*m_store, QStringLiteral("update 会员表 set 有效次数=5 where 卡号='2001'")).exec();
        const QString useCount = col(memberRow(*m_store, QStringLiteral("2001")), "使用次数");
        const OpResult c = correctUses(ctx(), QStringLiteral("2001"), 2, QStringLiteral("3"));
        QCOMPARE(col(c.member, "有效次数"), QStringLiteral("7"));
        QCOMPARE(col(c.member, "使用次数"), useCount);
        const QSqlRecord cj = journalRow(*m_store, c.serial);
        QCOMPARE(col(cj, "有效次数"), QStringLiteral("2"));
        QCOMPARE(col(cj, "标志"), QStringLiteral("误收"));
        QCOMPARE(col(cj, "说明"), QStringLiteral("原账单流水号为3"));
        QCOMPARE(c.serial, 5); // issue, two deductions, recharge, correction; the refusal used none
    }

    void unknownCardIsRefused()
    {
        QVERIFY_THROWS_EXCEPTION(Refused, recharge(ctx(), QStringLiteral("404"), 100, 0, QStringLiteral("现金"), {}));
        QCOMPARE(journalCount(*m_store), 0);
    }

    void failureBetweenJournalAndMemberLeavesNothing()
    {
        issueCard(ctx(), storedValueCard(QStringLiteral("1001"), QStringLiteral("A1"), 10000, 0));
        OpContext failing = ctx();
        failing.afterJournal = [] { throw store::DbError(QStringLiteral("磁盘已满")); };
        QVERIFY_THROWS_EXCEPTION(store::DbError, recharge(failing, QStringLiteral("1001"), 5000, 0, QStringLiteral("现金"), {}));
        QVERIFY_THROWS_EXCEPTION(store::DbError, deduct(failing, QStringLiteral("1001"), 5000, {}));
        QCOMPARE(journalCount(*m_store), 1);
        QCOMPARE(col(memberRow(*m_store, QStringLiteral("1001")), "金额"), QStringLiteral("100"));
        QCOMPARE(Query(*m_store, QStringLiteral("select 流水号 from 系统参数表")).exec().text(QStringLiteral("流水号")),
                 QStringLiteral("1"));
    }

    void severalProcessesOnOneCard()
    {
        issueCard(ctx(), storedValueCard(QStringLiteral("1001"), QStringLiteral("A1"), 100000, 0));
        const QString dir = m_store->folder();
        m_store.reset();
        const int processes = 3, operations = 120;
        QList<QProcess *> workers;
        for (int i = 0; i < processes; ++i) {
            auto *p = new QProcess(this);
            p->setProcessChannelMode(QProcess::ForwardedErrorChannel);
            p->start(QCoreApplication::applicationFilePath(),
                     {QStringLiteral("--work"), QString::number(operations), dir, QString::number(i)});
            workers << p;
        }
        for (QProcess *p : workers) {
            QVERIFY(p->waitForFinished(180000));
            QCOMPARE(p->exitCode(), 0);
        }
        m_store = std::make_unique<store::Store>(dir);
        // Every operation has its own serial number and its journal row.
        Query serials(*m_store, QStringLiteral("select count(*) as n, count(distinct 流水号) as d, max(流水号) as m "
                                               "from 储值流水表"));
        serials.exec();
        const int total = 1 + processes * operations;
        QCOMPARE(serials.text(QStringLiteral("n")).toInt(), total);
        QCOMPARE(serials.text(QStringLiteral("d")).toInt(), total);
        QCOMPARE(serials.text(QStringLiteral("m")).toInt(), total);
        // The member totals agree with the journal to the cent.
        const QSqlRecord m = memberRow(*m_store, QStringLiteral("1001"));
        const Cents balance = store::storedMoney(col(m, "金额"));
        const Cents loaded = store::storedMoney(col(m, "充值总额"));
        const Cents consumed = store::storedMoney(col(m, "消费总额"));
        QCOMPARE(balance, loaded - consumed);
        Query sums(*m_store, QStringLiteral("select sum(充值金额)+sum(赠送金额) as l, -sum(消费额) as c from 储值流水表"));
        sums.exec();
        QCOMPARE(store::storedMoney(sums.text(QStringLiteral("l"))), loaded);
        QCOMPARE(store::storedMoney(sums.text(QStringLiteral("c"))), consumed);
        QCOMPARE(col(m, "使用次数").toInt(), processes * operations / 2);
    }
};

// Worker for the multi-process test: alternates recharges of 0.10 and
// deductions of 0.30 on card 1001, each in its own transaction.
static int work(int n, const QString &dir, int who)
{
    store::Store s(dir);
    OpContext ctx{s, QStringLiteral("收银员%1").arg(who), QStringLiteral("前台收银"), {}};
    for (int i = 0; i < n; ++i) {
        if (i % 2 == 0)
            recharge(ctx, QStringLiteral("1001"), 10, 0, QStringLiteral("现金"), {});
        else
            deduct(ctx, QStringLiteral("1001"), 30, {});
    }
    return 0;
}

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() == 5 && args.at(1) == QLatin1String("--work")) {
        try {
            return work(args.at(2).toInt(), args.at(3), args.at(4).toInt());
        } catch (const store::Error &e) {
            QTextStream(stderr) << e.message() << '\n';
            return 1;
        }
    }
    TestCardOps t;
    return QTest::qExec(&t, argc, argv);
}

#include "test_cardops.moc"
