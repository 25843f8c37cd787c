#include "store/schema.h"

#include "store/errors.h"
#include "store/store.h"

#include <QSqlError>
#include <QSqlQuery>

namespace store {

const QStringList &rightColumns()
{
    static const QStringList cols = {
        QStringLiteral("会员卡管理"), QStringLiteral("后台管理"), QStringLiteral("会员卡发行"),
        QStringLiteral("会员卡修改"), QStringLiteral("会员卡扣款"), QStringLiteral("会员卡充值"),
        QStringLiteral("会员卡误收"), QStringLiteral("会员卡挂失"), QStringLiteral("会员卡密码修改"),
        QStringLiteral("会员卡资料输出"), QStringLiteral("会员卡换卡"), QStringLiteral("会员回访"),
        QStringLiteral("前台问题记录"), QStringLiteral("补打凭证"), QStringLiteral("交接班报表"),
        QStringLiteral("会员卡高级查询"), QStringLiteral("前台删除失效卡"),
        QStringLiteral("修改会员卡到期时间"), QStringLiteral("修改会员卡付款方式"),
        QStringLiteral("会员卡销售统计"), QStringLiteral("会员卡发行稽核"),
        QStringLiteral("会员卡消费稽核"), QStringLiteral("会员卡资料管理"),
        QStringLiteral("后台删除失效卡"), QStringLiteral("操作日志"), QStringLiteral("后台问题记录"),
        QStringLiteral("用户设置"), QStringLiteral("收银点设置"), QStringLiteral("卡类型设置"),
        QStringLiteral("系统参数"), QStringLiteral("付款方式设置"), QStringLiteral("系统维护"),
        QStringLiteral("用户资料设置"), QStringLiteral("删除历史数据"),
    };
    return cols;
}

const QStringList &extraRightColumns()
{
    static const QStringList cols = {
        QStringLiteral("初始化数据库"), QStringLiteral("客户档案管理"), QStringLiteral("短信中心管理"),
        QStringLiteral("导出客户资料"), QStringLiteral("新增客户档案"), QStringLiteral("修改客户档案"),
        QStringLiteral("删除客户档案"),
    };
    return cols;
}

namespace {

// Column kinds. Dates and times are text "yyyy-MM-dd HH:mm:ss"; yes/no
// columns are integers that never hold null; money is REAL, counts INTEGER.
#define NOW "(strftime('%Y-%m-%d %H:%M:%S','now','localtime'))"
#define MONEY " REAL DEFAULT 0"
#define COUNT " INTEGER DEFAULT 0"
#define YESNO " INTEGER NOT NULL DEFAULT 0"

const char *const memberColumns = R"(
    id INTEGER PRIMARY KEY AUTOINCREMENT,
    卡号 TEXT NOT NULL,
    自编号 TEXT,
    协议名称 TEXT,
    姓名 TEXT,
    性别 TEXT,
    身份证号 TEXT,
    住址 TEXT,
    电话 TEXT,
    手机 TEXT,
    公司 TEXT,
    生日月份 TEXT,
    生日日期 TEXT,
    说明 TEXT,
    订阅短信)" YESNO R"(,
    是记次卡)" YESNO R"(,
    验证方式 TEXT,
    金额)" MONEY R"(,
    开卡额)" MONEY R"(,
    充值总额)" MONEY R"(,
    赠送总额)" MONEY R"(,
    消费总额)" MONEY R"(,
    误收总额)" MONEY R"(,
    有效次数)" COUNT R"(,
    使用次数)" COUNT R"(,
    失效时间 TEXT,
    开卡人 TEXT,
    创建收银点名称 TEXT,
    创建时间 TEXT DEFAULT )" NOW R"(,
    最后一次消费时间 TEXT,
    状态 TEXT DEFAULT '正常',
    挂失原因 TEXT,
    挂失时间 TEXT,
    挂失操作员 TEXT,
    已稽核)" YESNO R"(,
    稽核人 TEXT,
    稽核时间 TEXT)";

// Statements creating one file's objects; %s stands for nothing: every name
// is qualified by its schema below.
struct Object {
    const char *schema;
    QString sql;
};

QList<Object> objects()
{
    QString rights;
    for (const QString &c : rightColumns() + extraRightColumns())
        rights += QStringLiteral(",\n    %1").arg(c) + QLatin1String(YESNO);

    return {
        // print.dll: members, journal, ID-number prefixes and the joined view.
        {"main", QStringLiteral("create table if not exists main.会员表 (%1)").arg(QString::fromUtf8(memberColumns))},
        {"main", QStringLiteral("create unique index if not exists main.会员表_卡号 on 会员表(卡号)")},
        {"main", QStringLiteral("create unique index if not exists main.会员表_自编号 on 会员表(自编号) "
                                "where 自编号 is not null and 自编号<>''")},
        {"main", QStringLiteral("create index if not exists main.会员表_创建时间 on 会员表(创建时间)")},
        {"main", QStringLiteral("create index if not exists main.会员表_姓名 on 会员表(姓名)")},
        {"main", QString::fromUtf8(R"(create table if not exists main.储值流水表 (
    流水号 INTEGER NOT NULL,
    会员卡号 TEXT,
    收银时间 TEXT DEFAULT )" NOW R"(,
    收银员 TEXT,
    收银点名称 TEXT,
    标志 TEXT,
    充值金额)" MONEY R"(,
    赠送金额)" MONEY R"(,
    付款方式 TEXT,
    消费额)" MONEY R"(,
    误收额)" MONEY R"(,
    有效次数)" COUNT R"(,
    是记次卡)" COUNT R"(,
    说明 TEXT,
    已稽核)" YESNO R"(,
    稽核人 TEXT,
    稽核时间 TEXT))")},
        {"main", QStringLiteral("create unique index if not exists main.储值流水表_流水号 on 储值流水表(流水号)")},
        {"main", QStringLiteral("create index if not exists main.储值流水表_会员卡号 on 储值流水表(会员卡号, 流水号)")},
        {"main", QStringLiteral("create index if not exists main.储值流水表_收银时间 on 储值流水表(收银时间)")},
        {"main", QStringLiteral("create table if not exists main.身份证字头表 (字头 TEXT PRIMARY KEY, 地名 TEXT)")},
        // The member columns under their own names, the journal's colliding
        // columns as expr1..expr5, and 消费次数 (the member's use count) for
        // the advanced query.
        {"main", QString::fromUtf8(R"(create view if not exists main.会员消费表 as select
    m.id, m.卡号, m.自编号, m.协议名称, m.姓名, m.性别, m.身份证号, m.住址, m.电话, m.手机,
    m.公司, m.生日月份, m.生日日期, m.说明, m.订阅短信, m.是记次卡, m.验证方式, m.金额,
    m.开卡额, m.充值总额, m.赠送总额, m.消费总额, m.误收总额, m.有效次数, m.使用次数,
    m.失效时间, m.开卡人, m.创建收银点名称, m.创建时间, m.最后一次消费时间, m.状态,
    m.挂失原因, m.挂失时间, m.挂失操作员, m.已稽核, m.稽核人, m.稽核时间,
    j.流水号, j.会员卡号, j.收银时间, j.收银员, j.收银点名称, j.标志, j.充值金额, j.赠送金额,
    j.付款方式, j.消费额, j.误收额,
    j.说明 as expr1, j.有效次数 as expr2, j.已稽核 as expr3, j.稽核人 as expr4,
    j.稽核时间 as expr5, m.使用次数 as 消费次数
  from 会员表 m join 储值流水表 j on m.卡号 = j.会员卡号)")},

        // help.dll: deleted cards.
        {"help", QString::fromUtf8(R"(create table if not exists help.会员历史表 (
    id INTEGER PRIMARY KEY AUTOINCREMENT,
    卡号 TEXT, 金额)" MONEY R"(, 开卡人 TEXT, 创建收银点名称 TEXT, 协议名称 TEXT,
    开卡额)" MONEY R"(, 姓名 TEXT, 失效时间 TEXT, 身份证号 TEXT, 性别 TEXT, 住址 TEXT,
    电话 TEXT, 手机 TEXT, 公司 TEXT, 自编号 TEXT, 生日月份 TEXT, 生日日期 TEXT, 说明 TEXT,
    订阅短信)" YESNO R"(, 是记次卡)" YESNO R"(, 验证方式 TEXT, 挂失原因 TEXT,
    使用次数)" COUNT R"(, 挂失时间 TEXT, 挂失操作员 TEXT, 最后一次消费时间 TEXT,
    稽核人 TEXT, 稽核时间 TEXT, 已稽核)" YESNO R"(, 状态 TEXT,
    删除人 TEXT, 删除原因 TEXT, 删除时间 TEXT DEFAULT )" NOW R"())")},
        {"help", QStringLiteral("create index if not exists help.会员历史表_卡号 on 会员历史表(卡号)")},
        {"help", QStringLiteral("create index if not exists help.会员历史表_自编号 on 会员历史表(自编号)")},

        // hfl.dll: return visits.
        {"hfl", QStringLiteral("create table if not exists hfl.会员回访表 (id INTEGER PRIMARY KEY AUTOINCREMENT, "
                               "卡号 TEXT, 姓名 TEXT, 回访时间 TEXT, 回访人 TEXT, 回访内容 TEXT, 客户态度 TEXT, "
                               "再次联络时间 TEXT, 操作员 TEXT, 修改人 TEXT)")},
        {"hfl", QStringLiteral("create index if not exists hfl.会员回访表_卡号 on 会员回访表(卡号)")},

        // logod.ocx: operators and their rights, cash points.
        {"logod", QStringLiteral("create table if not exists logod.用户表 (id INTEGER PRIMARY KEY AUTOINCREMENT, "
                                 "用户名 TEXT NOT NULL, 口令 TEXT, 姓名 TEXT, 添加人 TEXT, 修改人 TEXT, 修改时间 TEXT, "
                                 "系统内定" YESNO ", 是否停用" YESNO "%1)").arg(rights)},
        {"logod", QStringLiteral("create unique index if not exists logod.用户表_用户名 on 用户表(用户名)")},
        {"logod", QStringLiteral("create table if not exists logod.收银点表 (id INTEGER PRIMARY KEY AUTOINCREMENT, "
                                 "收银点名称 TEXT NOT NULL, 能发行各类卡" YESNO ", 先预览后打印" YESNO
                                 ", 能打印交接班报表" YESNO ", 交接班报表显示具体金额" YESNO
                                 ", POS账单尺寸 TEXT DEFAULT '57MM', POS账单份数 TEXT DEFAULT '1', "
                                 "左边距 TEXT DEFAULT '0', 顶边距 TEXT DEFAULT '0', 读卡器类型 TEXT, 读卡器端口 TEXT, "
                                 "添加人 TEXT, 修改时间 TEXT, 修改人 TEXT, 系统内定" YESNO ")")},
        {"logod", QStringLiteral("create unique index if not exists logod.收银点表_名称 on 收银点表(收银点名称)")},

        // lxcs.dll: card types, payment methods, the shift note.
        {"lxcs", QStringLiteral("create table if not exists lxcs.会员类型表 (id INTEGER PRIMARY KEY AUTOINCREMENT, "
                                "卡名称 TEXT NOT NULL, 是否储值" YESNO ", 是记次卡" YESNO
                                ", 有效开始时间 TEXT, 有效结束时间 TEXT, 能自动储值" YESNO
                                ", 自动储值消费额" MONEY ", 自动储值返还额" MONEY ", 需要验证" YESNO
                                ", 验证方式 TEXT, 状态 TEXT DEFAULT '正常', 说明 TEXT, 添加人 TEXT, 修改人 TEXT, "
                                "修改时间 TEXT)")},
        {"lxcs", QStringLiteral("create unique index if not exists lxcs.会员类型表_卡名称 on 会员类型表(卡名称)")},
        {"lxcs", QStringLiteral("create table if not exists lxcs.付款方式表 (id INTEGER PRIMARY KEY AUTOINCREMENT, "
                                "付款方式 TEXT NOT NULL, 参与营业额" YESNO ", 是否发送短信" YESNO
                                ", 添加人 TEXT, 添加时间 TEXT DEFAULT " NOW ", 系统内定" YESNO ")")},
        {"lxcs", QStringLiteral("create unique index if not exists lxcs.付款方式表_名称 on 付款方式表(付款方式)")},
        {"lxcs", QStringLiteral("create table if not exists lxcs.交班备注表 (交班备注 TEXT)")},

        // czjl.dll: operation log, problem records.
        {"czjl", QStringLiteral("create table if not exists czjl.操作日志表 (id INTEGER PRIMARY KEY AUTOINCREMENT, "
                                "事件类型 TEXT, 事件描述 TEXT, 用户 TEXT, 计算机 TEXT, 操作时间 TEXT DEFAULT " NOW ")")},
        {"czjl", QStringLiteral("create index if not exists czjl.操作日志表_操作时间 on 操作日志表(操作时间)")},
        {"czjl", QStringLiteral("create table if not exists czjl.问题记录表 (id INTEGER PRIMARY KEY AUTOINCREMENT, "
                                "问题发现者 TEXT, 问题发现时间 TEXT, 问题主题 TEXT, 当时处理办法 TEXT, 处理人 TEXT, "
                                "操作员 TEXT, 事后处理办法 TEXT)")},

        // Dll/Mwic_30.dll: the system-parameter row.
        {"mwic", QStringLiteral("create table if not exists mwic.系统参数表 (流水号 TEXT DEFAULT '0', 中文名 TEXT, "
                                "英文名 TEXT, 单位地址 TEXT, 单位电话 TEXT, 营业时间 TEXT DEFAULT '08:00', 广告语 TEXT, "
                                "启用短信" YESNO ", 启用来电宝" YESNO ", 先放号后发卡" YESNO ", 打印页脚信息" YESNO
                                ", 页脚位置 TEXT DEFAULT '193', 前台显示会员数量 TEXT DEFAULT '50', 自动卡号" YESNO
                                ", 公司地址 TEXT, 联系电话 TEXT, 电子邮件 TEXT, 联系人 TEXT)")},

        // The customer file.
        {"customer", QStringLiteral("create table if not exists customer.客户档案表 (id INTEGER PRIMARY KEY AUTOINCREMENT, "
                                    "客户编号 TEXT, 客户名称 TEXT, 性别 TEXT, 证件类型 TEXT, 证件号码 TEXT, 家庭住址 TEXT, "
                                    "邮编 TEXT, 手机 TEXT, 生日月份 TEXT, 生日日期 TEXT, 单位电话 TEXT, 单位 TEXT, "
                                    "电子邮件 TEXT, QQ号码 TEXT, MSN号码 TEXT, 客户级别 TEXT, 信用度 TEXT, 客户类型 TEXT, "
                                    "备注 TEXT, 兴趣爱好 TEXT, 会员卡编号 TEXT, 建档人 TEXT)")},
        {"customer", QStringLiteral("create index if not exists customer.客户档案表_编号 on 客户档案表(客户编号)")},
        {"customer", QStringLiteral("create index if not exists customer.客户档案表_名称 on 客户档案表(客户名称)")},
        {"customer", QStringLiteral("create index if not exists customer.客户档案表_手机 on 客户档案表(手机)")},
        {"customer", QStringLiteral("create table if not exists customer.来电记录表 (id INTEGER PRIMARY KEY AUTOINCREMENT, "
                                    "姓名 TEXT, 电话号码 TEXT, 来电时间 TEXT, 接线员 TEXT)")},
        {"customer", QStringLiteral("create index if not exists customer.来电记录表_姓名 on 来电记录表(姓名)")},
        {"customer", QStringLiteral("create table if not exists customer.短信发送信息历史表 (id INTEGER PRIMARY KEY "
                                    "AUTOINCREMENT, 卡号 TEXT, 短信内容 TEXT)")},
        {"customer", QStringLiteral("create index if not exists customer.短信发送信息历史表_卡号 on 短信发送信息历史表(卡号)")},
    };
}

#undef NOW
#undef MONEY
#undef COUNT
#undef YESNO

} // namespace

void createSchema(Store &store)
{
    QSqlDatabase db = store.db();
    for (const Object &o : objects()) {
        QSqlQuery q(db);
        if (!q.exec(o.sql))
            throw DbError(q.lastError().text(), o.sql);
    }
}

} // namespace store
