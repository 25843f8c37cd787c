#include "reprint.h"

#include "store/money.h"
#include "store/query.h"
#include "store/textforms.h"

namespace frontdesk {

Receipt reprintReceipt(const kit::Row &row, const ReceiptHeader &header, const QString &ownNumber,
                       const QString &operatorName, const QString &now)
{
    Receipt r;
    r.layout = ReceiptLayout::Reprint;
    r.title = QStringLiteral("补打单");
    r.header = header;
    r.reprintTime = store::receiptTime(now);
    r.reprintOperator = operatorName;
    r.cashier = row.text(QStringLiteral("收银员"));
    r.id = row.text(QStringLiteral("流水号"));
    r.time = store::receiptTime(row.text(QStringLiteral("收银时间")));
    r.method = row.text(QStringLiteral("付款方式"));
    if (store::isTrue(row.value(QStringLiteral("是记次卡")))) {
        r.amountCaption = QStringLiteral("操作次数");
        r.amountValue = QString::number(store::storedCount(row.text(QStringLiteral("有效次数"))));
    } else {
        r.amountCaption = QStringLiteral("操作金额：");
        r.ownNumber = ownNumber;
        store::Cents sum = 0;
        for (const char *col : {"充值金额", "赠送金额", "消费额", "误收额"})
            sum += store::storedMoney(row.text(QString::fromUtf8(col)));
        r.amountValue = store::moneyText(sum);
    }
    return r;
}

} // namespace frontdesk
