#pragma once
// A filled receipt: which of the four layouts, its title, and every caption
// and value it prints. Whoever prints fills all of it, so nothing is left over
// from an earlier receipt.
#include <QString>

namespace frontdesk {

enum class ReceiptLayout {
    Recharge,   // "充值收据" (card issue: "新开卡单据")
    Settlement, // "结账单"
    Mischarge,  // "误收单据"
    Reprint,    // "补打单"
};

struct ReceiptHeader {
    QString shopName; // 中文名
    QString address;  // 单位地址
    QString phone;    // 单位电话
    QString slogan;   // 广告语
};

struct Receipt {
    ReceiptLayout layout = ReceiptLayout::Recharge;
    QString title;
    ReceiptHeader header;
    QString cashier;   // 收银员：
    QString id;        // ID: the serial number
    QString time;      // 收银时间： 16 characters
    QString ownNumber; // 会员卡号： the own number (卡自编号)
    // First amount line ("充值金额：", "消费金额：", "误收金额：", "操作金额：",
    // or count words such as "充值次数").
    QString amountCaption, amountValue;
    // 付款方式： (recharge and reprint layouts).
    QString method;
    // Third line of the recharge layout ("赠送金额：", or "充值金额" on a count card).
    QString giftCaption, giftValue;
    // Balance line ("当前余额：", "当前次数", "剩余次数"); not on the reprint layout.
    QString balanceCaption, balanceValue;
    // Reprint layout only.
    QString reprintTime, reprintOperator;
};

class ReceiptPrinter {
public:
    virtual ~ReceiptPrinter() = default;
    // Prints the receipt; false when it could not (the user has been told why).
    virtual bool print(const Receipt &receipt) = 0;
};

} // namespace frontdesk
