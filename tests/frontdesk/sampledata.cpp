#include "sampledata.h"

#include "cardops.h"

#include "store/delivered.h"
#include "store/password.h"
#include "store/query.h"
#include "store/store.h"

namespace sample {

namespace {

frontdesk::NewCard card(const QString &number, const QString &own, bool count)
{
    frontdesk::NewCard c;
    c.card = number;
    c.cardType = count ? QStringLiteral("普通记次卡") : QStringLiteral("普通储值卡");
    c.countCard = count;
    c.expiry = QStringLiteral("2099-12-31");
    c.name = QStringLiteral("张三");
    c.sex = QStringLiteral("男");
    c.ownNumber = own;
    c.method = QStringLiteral("现金");
    c.amount = 10000;
    c.uses = count ? 10 : 0;
    c.mobile = QStringLiteral("13800000000");
    c.phone = QStringLiteral("0335-1234567");
    c.verification = QStringLiteral("无需验证");
    return c;
}

void setState(store::Store &s, const QString &number, const QString &state)
{
    store::Query(s, QStringLiteral("update 会员表 set 状态=:zt where 卡号=:kh"))
        .bind(QStringLiteral(":zt"), state)
        .bind(QStringLiteral(":kh"), number)
        .exec();
}

} // namespace

void write(const QString &folder)
{
    store::makeStore(folder);
    store::Store s(folder);
    const frontdesk::OpContext ctx{s, QStringLiteral("收银员甲"), QStringLiteral("前台收银"), {}};

    frontdesk::issueCard(ctx, card(storedCard, storedOwn, false));
    frontdesk::recharge(ctx, storedCard, 5000, 1000, QStringLiteral("银行卡"), QStringLiteral("充值"));
    frontdesk::deduct(ctx, storedCard, 3000, QStringLiteral("消费"));
    const auto corrected = frontdesk::recharge(ctx, storedCard, 2000, 0, QStringLiteral("现金"), {});
    frontdesk::correctMischarge(ctx, storedCard, 500, QString::number(corrected.serial));
    // A recharge whose payment method was corrected later carries 修改.
    store::Query(s, QStringLiteral("update 储值流水表 set 标志='修改' where 流水号=:lsh"))
        .bind(QStringLiteral(":lsh"), corrected.serial)
        .exec();

    frontdesk::issueCard(ctx, card(countCard, QStringLiteral("B001"), true));
    frontdesk::deductUses(ctx, countCard, 3, {});

    frontdesk::issueCard(ctx, card(lostCard, QStringLiteral("C001"), false));
    setState(s, lostCard, QStringLiteral("已挂失"));
    frontdesk::issueCard(ctx, card(expiredCard, QStringLiteral("D001"), false));
    setState(s, expiredCard, QStringLiteral("已过期"));
}

void addOperator(store::Store &s, const QString &user, const QString &name, const QStringList &rights)
{
    QString cols, vals;
    for (const QString &r : rights) {
        cols += QLatin1Char(',') + r;
        vals += QStringLiteral(",-1");
    }
    store::Query(s, QStringLiteral("insert into 用户表 (用户名,口令,姓名%1) values(:yhm,:kl,:xm%2)").arg(cols, vals))
        .bind(QStringLiteral(":yhm"), user)
        .bind(QStringLiteral(":kl"), store::hashPassword(user))
        .bind(QStringLiteral(":xm"), name)
        .exec();
}

} // namespace sample
