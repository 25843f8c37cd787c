#include "cardops.h"

#include "store/query.h"
#include "store/serial.h"
#include "store/store.h"
#include "store/textforms.h"

using store::Query;

namespace frontdesk {

QString textNoMoney() { return QStringLiteral("卡上金额不足，请充值后再操作"); }
QString textNoUses() { return QStringLiteral("卡上余额不足，请充值后再操作"); }
QString textDuplicateOwnNumber() { return QStringLiteral("自编号重复，请重新输入！"); }

QSqlRecord memberRow(store::Store &s, const QString &card)
{
    Query q(s, QStringLiteral("select * from 会员表 where 卡号=:kh"));
    q.bind(QStringLiteral(":kh"), card).exec();
    return q.empty() ? QSqlRecord() : q.row();
}

namespace {

// The member row read inside the transaction, with the totals as numbers.
struct Stored {
    QSqlRecord row;
    Cents balance = 0, rechargeTotal = 0, giftTotal = 0, consumeTotal = 0, mischargeTotal = 0;
    qint64 uses = 0, useCount = 0;
};

Stored readMember(store::Store &s, const QString &card)
{
    Stored m;
    m.row = memberRow(s, card);
    if (m.row.isEmpty())
        throw Refused(Refused::Reason::NoCard, QStringLiteral("此卡为新卡，请发行后再操作"));
    auto money = [&](const char *col) { return store::storedMoney(store::fieldText(m.row, QString::fromUtf8(col))); };
    auto count = [&](const char *col) { return store::storedCount(store::fieldText(m.row, QString::fromUtf8(col))); };
    m.balance = money("金额");
    m.rechargeTotal = money("充值总额");
    m.giftTotal = money("赠送总额");
    m.consumeTotal = money("消费总额");
    m.mischargeTotal = money("误收总额");
    m.uses = count("有效次数");
    m.useCount = count("使用次数");
    return m;
}

// One journal row; the columns not named keep their defaults.
struct Journal {
    QString flag;
    QString remark;
    std::optional<Cents> recharge, gift, consume, mischarge;
    std::optional<qint64> uses;
    std::optional<QString> method;
    std::optional<int> countCard;
};

qint64 writeJournal(const OpContext &ctx, const QString &card, const Journal &j)
{
    const qint64 serial = store::drawSerial(ctx.store);
    QStringList cols{QStringLiteral("会员卡号"), QStringLiteral("收银员"), QStringLiteral("收银点名称"),
                     QStringLiteral("流水号"), QStringLiteral("说明"), QStringLiteral("标志")};
    QVariantList vals{card, ctx.cashier, ctx.cashPoint, serial, j.remark, j.flag};
    auto add = [&](const char *col, const QVariant &v) {
        cols << QString::fromUtf8(col);
        vals << v;
    };
    if (j.recharge) add("充值金额", store::toYuan(*j.recharge));
    if (j.method) add("付款方式", *j.method);
    if (j.gift) add("赠送金额", store::toYuan(*j.gift));
    if (j.consume) add("消费额", store::toYuan(*j.consume));
    if (j.mischarge) add("误收额", store::toYuan(*j.mischarge));
    if (j.uses) add("有效次数", *j.uses);
    if (j.countCard) add("是记次卡", *j.countCard);
    QStringList params;
    for (int i = 0; i < cols.size(); ++i)
        params << QStringLiteral(":p%1").arg(i);
    Query q(ctx.store, QStringLiteral("insert into 储值流水表 (%1) values(%2)").arg(cols.join(QLatin1Char(',')),
                                                                                 params.join(QLatin1Char(','))));
    for (int i = 0; i < cols.size(); ++i)
        q.bind(params.at(i), vals.at(i));
    q.exec();
    if (ctx.afterJournal)
        ctx.afterJournal();
    return serial;
}

// Runs body inside one transaction and returns the serial number with the
// member row as it was written.
OpResult run(const OpContext &ctx, const QString &card, const std::function<qint64()> &body)
{
    store::Transaction tx(ctx.store);
    OpResult r;
    r.serial = body();
    r.member = memberRow(ctx.store, card);
    tx.commit();
    return r;
}

} // namespace

OpResult recharge(const OpContext &ctx, const QString &card, Cents amount, Cents gift,
                  const QString &method, const QString &remark)
{
    return run(ctx, card, [&] {
        const Stored m = readMember(ctx.store, card);
        const qint64 serial = writeJournal(ctx, card, {.flag = QStringLiteral("充值"), .remark = remark,
                                                       .recharge = amount, .gift = gift, .method = method});
        Query(ctx.store, QStringLiteral("update 会员表 set 充值总额=:czze,金额=:je,赠送总额=:zsze where 卡号=:kh"))
            .bind(QStringLiteral(":czze"), store::toYuan(m.rechargeTotal + amount + gift))
            .bind(QStringLiteral(":je"), store::toYuan(m.balance + amount + gift))
            .bind(QStringLiteral(":zsze"), store::toYuan(m.giftTotal + gift))
            .bind(QStringLiteral(":kh"), card)
            .exec();
        return serial;
    });
}

OpResult deduct(const OpContext &ctx, const QString &card, Cents amount, const QString &remark)
{
    return run(ctx, card, [&] {
        const Stored m = readMember(ctx.store, card);
        if (amount > m.balance)
            throw Refused(Refused::Reason::Insufficient, textNoMoney());
        const qint64 serial = writeJournal(ctx, card, {.flag = QStringLiteral("消费"), .remark = remark,
                                                       .consume = -amount});
        Query(ctx.store, QStringLiteral("update 会员表 set 使用次数=:sycs,消费总额=:xfze,金额=:je,"
                                        "最后一次消费时间=:sj where 卡号=:kh"))
            .bind(QStringLiteral(":sycs"), m.useCount + 1)
            .bind(QStringLiteral(":xfze"), store::toYuan(m.consumeTotal + amount))
            .bind(QStringLiteral(":je"), store::toYuan(m.balance - amount))
            .bind(QStringLiteral(":sj"), store::nowText())
            .bind(QStringLiteral(":kh"), card)
            .exec();
        return serial;
    });
}

OpResult correctMischarge(const OpContext &ctx, const QString &card, Cents amount,
                          const QString &originalSerial)
{
    return run(ctx, card, [&] {
        const Stored m = readMember(ctx.store, card);
        const qint64 serial = writeJournal(ctx, card, {.flag = QStringLiteral("误收"),
                                                       .remark = QStringLiteral("原账单流水号为") + originalSerial,
                                                       .mischarge = amount});
        Query(ctx.store, QStringLiteral("update 会员表 set 金额=:je,消费总额=:xfze,误收总额=:wsze where 卡号=:kh"))
            .bind(QStringLiteral(":je"), store::toYuan(m.balance + amount))
            .bind(QStringLiteral(":xfze"), store::toYuan(m.consumeTotal - amount))
            .bind(QStringLiteral(":wsze"), store::toYuan(m.mischargeTotal + amount))
            .bind(QStringLiteral(":kh"), card)
            .exec();
        return serial;
    });
}

OpResult deductUses(const OpContext &ctx, const QString &card, qint64 uses, const QString &remark)
{
    return run(ctx, card, [&] {
        const Stored m = readMember(ctx.store, card);
        if (uses > m.uses)
            throw Refused(Refused::Reason::Insufficient, textNoUses());
        const qint64 serial = writeJournal(ctx, card, {.flag = QStringLiteral("消费"), .remark = remark,
                                                       .uses = -uses, .countCard = 1});
        Query(ctx.store, QStringLiteral("update 会员表 set 使用次数=:sycs,有效次数=:yxcs,最后一次消费时间=:sj "
                                        "where 卡号=:kh"))
            .bind(QStringLiteral(":sycs"), m.useCount + 1)
            .bind(QStringLiteral(":yxcs"), m.uses - uses)
            .bind(QStringLiteral(":sj"), store::nowText())
            .bind(QStringLiteral(":kh"), card)
            .exec();
        return serial;
    });
}

OpResult rechargeUses(const OpContext &ctx, const QString &card, qint64 uses, Cents amount,
                      const QString &method, const QString &remark)
{
    return run(ctx, card, [&] {
        const Stored m = readMember(ctx.store, card);
        const qint64 serial = writeJournal(ctx, card, {.flag = QStringLiteral("充值"), .remark = remark,
                                                       .recharge = amount, .uses = uses, .method = method,
                                                       .countCard = 1});
        Query(ctx.store, QStringLiteral("update 会员表 set 充值总额=:czze,有效次数=:yxcs where 卡号=:kh"))
            .bind(QStringLiteral(":czze"), store::toYuan(m.rechargeTotal + amount))
            .bind(QStringLiteral(":yxcs"), m.uses + uses)
            .bind(QStringLiteral(":kh"), card)
            .exec();
        return serial;
    });
}

OpResult correctUses(const OpContext &ctx, const QString &card, qint64 uses, const QString &originalSerial)
{
    return run(ctx, card, [&] {
        const Stored m = readMember(ctx.store, card);
        const qint64 serial = writeJournal(ctx, card, {.flag = QStringLiteral("误收"),
                                                       .remark = QStringLiteral("原账单流水号为") + originalSerial,
                                                       .uses = uses, .countCard = 1});
        Query(ctx.store, QStringLiteral("update 会员表 set 有效次数=:yxcs where 卡号=:kh"))
            .bind(QStringLiteral(":yxcs"), m.uses + uses)
            .bind(QStringLiteral(":kh"), card)
            .exec();
        return serial;
    });
}

OpResult issueCard(const OpContext &ctx, const NewCard &c)
{
    return run(ctx, c.card, [&] {
        const QString own = c.ownNumber.trimmed();
        Query dup(ctx.store, QStringLiteral("select 自编号 from 会员表 where 自编号=:zbh1"));
        if (!dup.bind(QStringLiteral(":zbh1"), own).exec().empty())
            throw Refused(Refused::Reason::DuplicateOwnNumber, textDuplicateOwnNumber());
        if (!memberRow(ctx.store, c.card).isEmpty())
            throw Refused(Refused::Reason::DuplicateCard,
                          QStringLiteral("卡号%1已经发行，请重新输入卡号！").arg(c.card));

        // A stored-value card carries amount + gift as balance, opening amount
        // and recharge total; a count card carries the amount paid as opening
        // amount and recharge total, and its balance is in uses.
        const Cents cardAmount = c.amount + c.gift;
        const Cents loaded = c.countCard ? c.amount : cardAmount;
        Query(ctx.store, QStringLiteral(
                             "insert into 会员表 (卡号,金额,赠送总额,充值总额,开卡人,创建收银点名称,协议名称,开卡额,姓名,"
                             "失效时间,身份证号,性别,住址,电话,手机,公司,自编号,生日月份,生日日期,说明,订阅短信,是记次卡,"
                             "验证方式,有效次数) values(:kh,:je,:zsze,:czze,:kkr,:cjsydmc,:xymc,:kke,:xm,:sxsj,:sfzh,:xb,"
                             ":zz,:dh,:sj,:gs,:zbh,:sryf,:srrq,:sm,:dydx,:sjck,:yzfs,:yxcs)"))
            .bind(QStringLiteral(":kh"), c.card)
            .bind(QStringLiteral(":je"), store::toYuan(c.countCard ? 0 : cardAmount))
            .bind(QStringLiteral(":zsze"), store::toYuan(c.countCard ? 0 : c.gift))
            .bind(QStringLiteral(":czze"), store::toYuan(loaded))
            .bind(QStringLiteral(":kkr"), ctx.cashier)
            .bind(QStringLiteral(":cjsydmc"), ctx.cashPoint)
            .bind(QStringLiteral(":xymc"), c.cardType)
            .bind(QStringLiteral(":kke"), store::toYuan(loaded))
            .bind(QStringLiteral(":xm"), c.name)
            .bind(QStringLiteral(":sxsj"), c.expiry)
            .bind(QStringLiteral(":sfzh"), c.idNumber)
            .bind(QStringLiteral(":xb"), c.sex)
            .bind(QStringLiteral(":zz"), c.address)
            .bind(QStringLiteral(":dh"), c.phone)
            .bind(QStringLiteral(":sj"), c.mobile)
            .bind(QStringLiteral(":gs"), c.company)
            .bind(QStringLiteral(":zbh"), c.ownNumber)
            .bind(QStringLiteral(":sryf"), c.birthMonth)
            .bind(QStringLiteral(":srrq"), c.birthDay)
            .bind(QStringLiteral(":sm"), c.remark)
            .bind(QStringLiteral(":dydx"), c.sms ? 1 : 0)
            .bind(QStringLiteral(":sjck"), c.countCard ? 1 : 0)
            .bind(QStringLiteral(":yzfs"), c.verification)
            .bind(QStringLiteral(":yxcs"), c.uses)
            .exec();
        return writeJournal(ctx, c.card, {.flag = QStringLiteral("新开卡"), .remark = c.remark, .recharge = c.amount,
                                          .gift = c.gift, .uses = c.uses, .method = c.method,
                                          .countCard = c.countCard ? 1 : 0});
    });
}

} // namespace frontdesk
