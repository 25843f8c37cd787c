// Tests of the data store: serial numbers (also between processes), number and
// date-time text, statements with awkward values, scrambled text, defaults,
// the joined view, transactions and the delivered-data writer.
#include "store/delivered.h"
#include "store/errors.h"
#include "store/money.h"
#include "store/oplog.h"
#include "store/password.h"
#include "store/query.h"
#include "store/scramble.h"
#include "store/serial.h"
#include "store/store.h"
#include "store/textforms.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

using namespace store;

namespace {

QString serialCounter(Store &s)
{
    return Query(s, QStringLiteral("select 流水号 from 系统参数表")).exec().text(QStringLiteral("流水号"));
}

QByteArray folderDigest(const QString &dir)
{
    QCryptographicHash h(QCryptographicHash::Sha256);
    for (const DataFile &f : dataFiles()) {
        QFile file(QDir(dir).filePath(QString::fromUtf8(f.path)));
        if (file.open(QIODevice::ReadOnly))
            h.addData(file.readAll());
    }
    return h.result();
}

} // namespace

class TestStore : public QObject {
    Q_OBJECT

    QTemporaryDir m_tmp;
    QString m_dir;

private slots:
    void init()
    {
        static int n = 0;
        m_dir = m_tmp.filePath(QStringLiteral("data%1").arg(++n));
        QDir().mkpath(m_dir);
        makeStore(m_dir);
    }

    void serialDrawStartsAtOne()
    {
        Store s(m_dir);
        QCOMPARE(serialCounter(s), QStringLiteral("0"));
        Transaction tx(s);
        QCOMPARE(drawSerial(s), 1);
        tx.commit();
        QCOMPARE(serialCounter(s), QStringLiteral("1"));
    }

    void serialDrawOutsideTransactionIsRefused()
    {
        Store s(m_dir);
        QVERIFY_THROWS_EXCEPTION(DbError, drawSerial(s));
        QCOMPARE(serialCounter(s), QStringLiteral("0"));
    }

    void serialDrawsOfSeveralProcessesNeverRepeat()
    {
        const int processes = 3, draws = 150;
        QList<QProcess *> workers;
        for (int i = 0; i < processes; ++i) {
            auto *p = new QProcess(this);
            p->start(QCoreApplication::applicationFilePath(),
                     {QStringLiteral("--draw"), QString::number(draws), m_dir});
            workers << p;
        }
        QSet<qint64> seen;
        for (QProcess *p : workers) {
            QVERIFY(p->waitForFinished(120000));
            QCOMPARE(p->exitCode(), 0);
            const QList<QByteArray> lines = p->readAllStandardOutput().split('\n');
            for (const QByteArray &l : lines) {
                if (l.isEmpty())
                    continue;
                const qint64 n = l.toLongLong();
                QVERIFY2(!seen.contains(n), qPrintable(QStringLiteral("serial %1 drawn twice").arg(n)));
                seen.insert(n);
            }
        }
        QCOMPARE(seen.size(), processes * draws);
        Store s(m_dir);
        QCOMPARE(serialCounter(s), QString::number(processes * draws));
    }

    void numberText_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("text");
        QTest::newRow("decimal") << 1234.5 << "1234.5";
        QTest::newRow("whole") << 100.0 << "100";
        QTest::newRow("zero") << 0.0 << "0";
        QTest::newRow("no noise") << 0.1 + 0.2 << "0.3";
        QTest::newRow("two decimals") << 12.05 << "12.05";
        QTest::newRow("negative") << -30.0 << "-30";
        QTest::newRow("negative zero") << -0.0 << "0";
    }
    void numberText()
    {
        QFETCH(double, value);
        QFETCH(QString, text);
        QCOMPARE(numText(value), text);
    }

    void typedAmounts_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<qint64>("cents"); // -1: refused
        QTest::newRow("whole") << "100" << qint64(10000);
        QTest::newRow("one decimal") << "0.5" << qint64(50);
        QTest::newRow("two decimals") << "100.01" << qint64(10001);
        QTest::newRow("leading dot") << ".25" << qint64(25);
        QTest::newRow("trailing dot") << "7." << qint64(700);
        QTest::newRow("blanks around") << " 8 " << qint64(800);
        QTest::newRow("three decimals") << "1.005" << qint64(-1);
        QTest::newRow("negative") << "-5" << qint64(-1);
        QTest::newRow("letters") << "abc" << qint64(-1);
        QTest::newRow("empty") << "" << qint64(-1);
        QTest::newRow("exponent") << "1e3" << qint64(-1);
    }
    void typedAmounts()
    {
        QFETCH(QString, text);
        QFETCH(qint64, cents);
        if (cents < 0)
            QVERIFY_THROWS_EXCEPTION(ConversionError, parseAmount(text, QStringLiteral("金额")));
        else
            QCOMPARE(parseAmount(text, QStringLiteral("金额")), cents);
    }

    void storedNumbers()
    {
        QCOMPARE(storedMoney(QString()), 0);
        QCOMPARE(storedMoney(QStringLiteral("0.3")), 30);
        QCOMPARE(storedCount(QStringLiteral("3.0")), 3);
        QVERIFY_THROWS_EXCEPTION(ConversionError, storedMoney(QStringLiteral("12元")));
        QVERIFY_THROWS_EXCEPTION(ConversionError, storedCount(QStringLiteral("2.5")));
    }

    void shiftStartAndTheRowsInIt()
    {
        const QString start = shiftStart(QStringLiteral("08:00"), QDate(2009, 9, 9));
        QCOMPARE(start, QStringLiteral("2009-09-09 08:00:00"));
        Store s(m_dir);
        for (const auto &[serial, time] : {std::pair{1, "2009-09-09 07:59:00"}, std::pair{2, "2009-09-09 08:00:01"}})
            Query(s, QStringLiteral("insert into 储值流水表 (流水号,会员卡号,收银时间,标志) values(:lsh,'1',:t,'充值')"))
                .bind(QStringLiteral(":lsh"), serial)
                .bind(QStringLiteral(":t"), QString::fromUtf8(time))
                .exec();
        Query q(s, QStringLiteral("select 流水号 from 储值流水表 where 收银时间 >:sj"));
        q.bind(QStringLiteral(":sj"), start).exec();
        QCOMPARE(q.size(), 1);
        QCOMPARE(q.text(QStringLiteral("流水号")), QStringLiteral("2"));
        QVERIFY(isBusinessHour(QStringLiteral("08:00")));
        QVERIFY(!isBusinessHour(QStringLiteral("8点")));
    }

    void textForms()
    {
        QCOMPARE(receiptTime(QStringLiteral("2009-09-09 08:07:06")), QStringLiteral("2009-09-09 08:07"));
        QCOMPARE(fileDateText(QDate(2009, 9, 8)), QStringLiteral("09-09-08"));
        QCOMPARE(weekdayText(QDate(2009, 9, 9)), QStringLiteral("星期三"));
        QCOMPARE(nowText().size(), 19);
        QCOMPARE(todayText(), QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd")));
    }

    void remarkWithQuoteIsStoredIntact()
    {
        Store s(m_dir);
        const QString remark = QStringLiteral("O'Brien's 卡'); drop table 会员表; --");
        Query(s, QStringLiteral("insert into 会员表 (卡号,说明) values('q1',:sm)")).bind(QStringLiteral(":sm"), remark).exec();
        Query q(s, QStringLiteral("select 说明 from 会员表 where 卡号=:kh"));
        QCOMPARE(q.bind(QStringLiteral(":kh"), QStringLiteral("q1")).exec().text(QStringLiteral("说明")), remark);
    }

    void scrambledText()
    {
        const QString abc = scramble(QStringLiteral("abc"));
        QCOMPARE(abc.size(), 6);
        QVERIFY(QRegularExpression(QStringLiteral("^[0-9A-F]{6}$")).match(abc).hasMatch());
        QCOMPARE(unscramble(abc), QStringLiteral("abc"));
        QCOMPARE(unscramble(abc + QLatin1Char('7')), QStringLiteral("abc"));
        QCOMPARE(unscramble(QLatin1Char(' ') + abc + QLatin1Char(' ')), QStringLiteral("abc"));
        QCOMPARE(scramble(QString()), QString());
        QCOMPARE(unscramble(QString()), QString());
        QVERIFY_THROWS_EXCEPTION(ConversionError, unscramble(QStringLiteral("ZZ")));

        // Nine or more GBK bytes: byte 8 is combined with key byte 0 again.
        const QString plain = QStringLiteral("会员卡管理系统");
        const QByteArray gbk = toGbk(plain);
        QCOMPARE(gbk.size(), 14);
        const QString sc = scramble(plain);
        QCOMPARE(sc.size(), 28);
        const uint key0 = sc.mid(0, 2).toUInt(nullptr, 16) ^ uchar(gbk.at(0));
        QCOMPARE(sc.mid(16, 2).toUInt(nullptr, 16) ^ uchar(gbk.at(8)), key0);
        QCOMPARE(unscramble(sc), plain);
    }

    void memberRowDefaults()
    {
        Store s(m_dir);
        Query(s, QStringLiteral("insert into 会员表 (卡号) values('d1')")).exec();
        const QSqlRecord r = Query(s, QStringLiteral("select * from 会员表 where 卡号='d1'")).exec().row();
        for (const char *col : {"金额", "开卡额", "充值总额", "赠送总额", "消费总额", "误收总额", "有效次数", "使用次数"})
            QCOMPARE(storedMoney(fieldText(r, QString::fromUtf8(col))), 0);
        for (const char *col : {"订阅短信", "是记次卡", "已稽核"})
            QVERIFY(!fieldTrue(r, QString::fromUtf8(col)));
        QCOMPARE(fieldText(r, QStringLiteral("状态")), QStringLiteral("正常"));
        QCOMPARE(fieldText(r, QStringLiteral("最后一次消费时间")), QString());
        const QDateTime created = QDateTime::fromString(fieldText(r, QStringLiteral("创建时间")),
                                                        QString::fromLatin1(dateTimeFormat));
        QVERIFY(qAbs(created.secsTo(QDateTime::currentDateTime())) < 60);
    }

    void uniqueCardNumberAndOwnNumber()
    {
        Store s(m_dir);
        Query(s, QStringLiteral("insert into 会员表 (卡号,自编号) values('u1','A1')")).exec();
        QVERIFY_THROWS_EXCEPTION(DbError, Query(s, QStringLiteral("insert into 会员表 (卡号) values('u1')")).exec());
        QVERIFY_THROWS_EXCEPTION(DbError,
                                 Query(s, QStringLiteral("insert into 会员表 (卡号,自编号) values('u2','A1')")).exec());
        // Cards without an own number do not clash with each other.
        Query(s, QStringLiteral("insert into 会员表 (卡号,自编号) values('u3','')")).exec();
        Query(s, QStringLiteral("insert into 会员表 (卡号,自编号) values('u4','')")).exec();
    }

    void joinedViewNames()
    {
        Store s(m_dir);
        Query(s, QStringLiteral("insert into 会员表 (卡号,说明,有效次数,使用次数) values('v1','会员备注',9,4)")).exec();
        Query(s, QStringLiteral("insert into 会员表 (卡号) values('v2')")).exec();
        Query(s, QStringLiteral("insert into 储值流水表 (流水号,会员卡号,说明,有效次数,标志,已稽核,稽核人) "
                                "values(7,'v1','流水备注',-3,'消费',-1,'张三')"))
            .exec();
        Query q(s, QStringLiteral("select * from 会员消费表"));
        q.exec();
        QCOMPARE(q.size(), 1); // the member without journal rows is not listed
        QCOMPARE(q.text(QStringLiteral("Expr1")), QStringLiteral("流水备注"));
        QCOMPARE(q.text(QStringLiteral("expr1")), QStringLiteral("流水备注"));
        QCOMPARE(q.text(QStringLiteral("EXPR2")), QStringLiteral("-3"));
        QVERIFY(isTrue(q.row().value(QStringLiteral("expr3"))));
        QCOMPARE(q.text(QStringLiteral("Expr4")), QStringLiteral("张三"));
        QCOMPARE(q.text(QStringLiteral("说明")), QStringLiteral("会员备注"));
        QCOMPARE(q.text(QStringLiteral("有效次数")), QStringLiteral("9"));
        QCOMPARE(q.text(QStringLiteral("消费次数")), QStringLiteral("4"));
        QVERIFY_THROWS_EXCEPTION(DbError, q.text(QStringLiteral("expr9")));
    }

    void failedTransactionLeavesEveryFileAsItWas()
    {
        const QByteArray before = folderDigest(m_dir);
        {
            Store s(m_dir);
            try {
                Transaction tx(s);
                const qint64 n = drawSerial(s); // system-parameter file
                Query(s, QStringLiteral("insert into 储值流水表 (流水号,会员卡号,标志) values(:lsh,'t1','充值')"))
                    .bind(QStringLiteral(":lsh"), n)
                    .exec(); // member file
                writeLog(s, eventSevere, QStringLiteral("测试"), QStringLiteral("管理员"),
                         QStringLiteral("前台收银")); // log file
                Query(s, QStringLiteral("update 会员表 set 没有的列=1")).exec(); // fails half-way
                tx.commit();
                QFAIL("the failing statement did not throw");
            } catch (const DbError &e) {
                QVERIFY(e.statement().contains(QStringLiteral("没有的列")));
            }
            QCOMPARE(serialCounter(s), QStringLiteral("0"));
            QVERIFY(Query(s, QStringLiteral("select * from 储值流水表")).exec().empty());
            QVERIFY(Query(s, QStringLiteral("select * from 操作日志表")).exec().empty());
        }
        QCOMPARE(folderDigest(m_dir), before);
    }

    void operationLogForms()
    {
        Store s(m_dir);
        writeLog(s, eventSevere, QStringLiteral("删除了用户张三"), QStringLiteral("管理员"),
                 QStringLiteral("财务室"));
        writeLog(s, QStringLiteral("修改了付款方式"), QStringLiteral("管理员"), QStringLiteral("财务室"));
        Query q(s, QStringLiteral("select 事件类型,事件描述,用户,计算机,操作时间 from 操作日志表 order by id"));
        q.exec();
        QCOMPARE(q.size(), 2);
        QCOMPARE(q.text(QStringLiteral("事件类型"), 0), QStringLiteral("严重警告"));
        QVERIFY(q.row(1).isNull(QStringLiteral("事件类型")));
        QCOMPARE(q.text(QStringLiteral("事件描述"), 1), QStringLiteral("修改了付款方式"));
        QCOMPARE(q.text(QStringLiteral("计算机"), 1), QStringLiteral("财务室"));
        QCOMPARE(q.text(QStringLiteral("操作时间"), 1).size(), 19);
    }

    void deliveredRows()
    {
        Store s(m_dir);
        const QSqlRecord op = Query(s, QStringLiteral("select * from 用户表 where 用户名=:yhm"))
                                  .bind(QStringLiteral(":yhm"), QString::fromUtf8(deliveredUser))
                                  .exec()
                                  .row();
        QVERIFY(verifyPassword(fieldText(op, QStringLiteral("口令")), QString::fromUtf8(deliveredPassword)));
        QVERIFY(!verifyPassword(fieldText(op, QStringLiteral("口令")), QStringLiteral("wrong")));
        QVERIFY(fieldText(op, QStringLiteral("口令")) != QString::fromUtf8(deliveredPassword));
        for (const char *right : {"用户设置", "初始化数据库", "删除客户档案", "会员卡发行"})
            QVERIFY(fieldTrue(op, QString::fromUtf8(right)));
        QVERIFY(!fieldTrue(op, QStringLiteral("是否停用")));
        QCOMPARE(Query(s, QStringLiteral("select * from 收银点表 where 收银点名称='前台收银'")).exec().size(), 1);
        QCOMPARE(Query(s, QStringLiteral("select * from 付款方式表 where 付款方式='现金'")).exec().size(), 1);
        QCOMPARE(Query(s, QStringLiteral("select * from 交班备注表")).exec().size(), 1);
        const QSqlRecord p = Query(s, QStringLiteral("select * from 系统参数表")).exec().row();
        QCOMPARE(fieldText(p, QStringLiteral("营业时间")), QStringLiteral("08:00"));
        QCOMPARE(fieldText(p, QStringLiteral("页脚位置")), QStringLiteral("193"));
        QCOMPARE(fieldText(p, QStringLiteral("前台显示会员数量")), QStringLiteral("50"));
        QVERIFY(!unscramble(fieldText(p, QStringLiteral("联系人"))).isEmpty());
        Query area(s, QStringLiteral("select 地名 from 身份证字头表 where 字头=:zt"));
        QCOMPARE(area.bind(QStringLiteral(":zt"), QStringLiteral("110101")).exec().text(QStringLiteral("地名")),
                 QStringLiteral("北京市东城区"));
        QVERIFY(Query(s, QStringLiteral("select count(*) as n from 身份证字头表")).exec().text(QStringLiteral("n")).toInt()
                > 3000);
    }

    void makestoreRefusesAFolderWithData()
    {
        const QByteArray before = folderDigest(m_dir);
        QVERIFY_THROWS_EXCEPTION(DbError, makeStore(m_dir));
        QCOMPARE(folderDigest(m_dir), before);
        // One file of the set is enough to refuse.
        const QString other = m_tmp.filePath(QStringLiteral("one-file"));
        QDir().mkpath(other + QStringLiteral("/Dll"));
        QFile f(other + QStringLiteral("/Dll/Mwic_30.dll"));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("x");
        f.close();
        QVERIFY_THROWS_EXCEPTION(DbError, makeStore(other));
        QVERIFY(!QFile::exists(other + QStringLiteral("/print.dll")));
    }

    void openingAFolderWithoutDataFails()
    {
        QVERIFY_THROWS_EXCEPTION(DbError, Store(m_tmp.filePath(QStringLiteral("empty"))));
        QVERIFY(!QFile::exists(m_tmp.filePath(QStringLiteral("empty/print.dll"))));
    }
};

// Worker mode for the multi-process test: draws N serial numbers, each in its
// own transaction on its own connection, and prints them.
static int drawWorker(int n, const QString &dir)
{
    Store s(dir);
    QTextStream out(stdout);
    for (int i = 0; i < n; ++i) {
        Transaction tx(s);
        const qint64 serial = drawSerial(s);
        tx.commit();
        out << serial << '\n';
    }
    return 0;
}

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() == 4 && args.at(1) == QLatin1String("--draw")) {
        try {
            return drawWorker(args.at(2).toInt(), args.at(3));
        } catch (const Error &e) {
            QTextStream(stderr) << e.message() << '\n';
            return 1;
        }
    }
    TestStore t;
    return QTest::qExec(&t, argc, argv);
}

#include "test_store.moc"
