#include "store/delivered.h"

#include "store/errors.h"
#include "store/password.h"
#include "store/query.h"
#include "store/schema.h"
#include "store/scramble.h"
#include "store/store.h"

#include <QDir>
#include <QFile>
#include <QTextStream>

namespace store {

namespace {

void insertAreaCodes(Store &s)
{
    QFile f(QStringLiteral(":/store/area_codes.tsv"));
    if (!f.open(QIODevice::ReadOnly))
        throw DbError(QStringLiteral("缺少身份证字头数据"));
    QTextStream in(&f);
    in.setEncoding(QStringConverter::Utf8);
    while (!in.atEnd()) {
        const QString line = in.readLine();
        if (line.startsWith(QLatin1Char('#')) || line.isEmpty())
            continue;
        const int tab = line.indexOf(QLatin1Char('\t'));
        if (tab <= 0)
            continue;
        Query(s, QStringLiteral("insert into 身份证字头表 (字头,地名) values(:zt,:dm)"))
            .bind(QStringLiteral(":zt"), line.left(tab))
            .bind(QStringLiteral(":dm"), line.mid(tab + 1))
            .exec();
    }
}

void insertRows(Store &s)
{
    Query(s, QStringLiteral(
                 "insert into 系统参数表 (流水号,中文名,英文名,单位地址,单位电话,营业时间,广告语,页脚位置,"
                 "前台显示会员数量,公司地址,联系电话,电子邮件,联系人) "
                 "values('0',:zwm,:ywm,:dwdz,:dwdh,'08:00',:ggy,'193','50',:gsdz,:lxdh,:dzyj,:lxr)"))
        .bind(QStringLiteral(":zwm"), QStringLiteral("好运来会员店"))
        .bind(QStringLiteral(":ywm"), QStringLiteral("Haoyunlai Member Shop"))
        .bind(QStringLiteral(":dwdz"), QStringLiteral("人民路88号"))
        .bind(QStringLiteral(":dwdh"), QStringLiteral("0335-3021888"))
        .bind(QStringLiteral(":ggy"), QStringLiteral("谢谢惠顾，欢迎再次光临！"))
        .bind(QStringLiteral(":gsdz"), scramble(QStringLiteral("建设大街16号")))
        .bind(QStringLiteral(":lxdh"), scramble(QStringLiteral("0335-3055666")))
        .bind(QStringLiteral(":dzyj"), scramble(QStringLiteral("service@example.com")))
        .bind(QStringLiteral(":lxr"), scramble(QStringLiteral("王经理")))
        .exec();
    Query(s, QStringLiteral("insert into 交班备注表 (交班备注) values('')")).exec();

    QString cols, vals;
    for (const QString &c : rightColumns() + extraRightColumns()) {
        cols += QLatin1Char(',') + c;
        vals += QStringLiteral(",-1");
    }
    Query(s, QStringLiteral("insert into 用户表 (用户名,口令,姓名,添加人,系统内定%1) values(:yhm,:kl,:xm,:tjr,-1%2)")
                 .arg(cols, vals))
        .bind(QStringLiteral(":yhm"), QString::fromUtf8(deliveredUser))
        .bind(QStringLiteral(":kl"), hashPassword(QString::fromUtf8(deliveredPassword)))
        .bind(QStringLiteral(":xm"), QStringLiteral("管理员"))
        .bind(QStringLiteral(":tjr"), QStringLiteral("系统"))
        .exec();

    for (const QString &name : {QStringLiteral("前台收银"), QStringLiteral("财务室")})
        Query(s, QStringLiteral("insert into 收银点表 (收银点名称,能发行各类卡,能打印交接班报表,交接班报表显示具体金额,"
                                "POS账单尺寸,POS账单份数,左边距,顶边距,添加人,系统内定) "
                                "values(:mc,-1,-1,-1,'57MM','1','0','0','系统',-1)"))
            .bind(QStringLiteral(":mc"), name)
            .exec();

    Query(s, QStringLiteral("insert into 付款方式表 (付款方式,参与营业额,添加人,系统内定) values('现金',-1,'系统',-1)")).exec();
    Query(s, QStringLiteral("insert into 付款方式表 (付款方式,参与营业额,添加人,系统内定) values('银行卡',-1,'系统',0)")).exec();

    Query(s, QStringLiteral("insert into 会员类型表 (卡名称,是否储值,是记次卡,有效开始时间,有效结束时间,验证方式,说明,添加人) "
                            "values('普通储值卡',1,0,'2020-01-01','2099-12-31','无需验证','储值卡示例','系统')"))
        .exec();
    Query(s, QStringLiteral("insert into 会员类型表 (卡名称,是否储值,是记次卡,有效开始时间,有效结束时间,验证方式,说明,添加人) "
                            "values('普通记次卡',0,1,'2020-01-01','2099-12-31','无需验证','记次卡示例','系统')"))
        .exec();

    insertAreaCodes(s);
}

} // namespace

void makeStore(const QString &folder)
{
    if (Store::holdsData(folder))
        throw DbError(QStringLiteral("文件夹 %1 中已有数据文件，不能覆盖").arg(folder));
    QString failure;
    {
        Store s(folder, Store::Mode::Create);
        try {
            Transaction tx(s);
            createSchema(s);
            insertRows(s);
            tx.commit();
            return;
        } catch (const Error &e) {
            failure = e.message();
        }
    }
    // Nothing half-made stays behind: the files were new, so remove them.
    for (const DataFile &f : dataFiles())
        QFile::remove(QDir(folder).filePath(QString::fromUtf8(f.path)));
    throw DbError(QStringLiteral("无法在 %1 中写入数据文件：%2").arg(folder, failure));
}

} // namespace store
