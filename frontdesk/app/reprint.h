#pragma once
// The reprint of a journal row ("补打单").
#include "receipt.h"

#include "kit/datagrid.h"

#include <QString>

namespace frontdesk {

// The reprint receipt of a journal row. ownNumber is the member panel's
// 卡自编号; now is the current date-time text.
//
// A count-card row prints "操作次数" with the row's count and no card
// number; any other row "操作金额：" with 充值金额 + 赠送金额 + 消费额 +
// 误收额 (a deduction prints a negative amount).
Receipt reprintReceipt(const kit::Row &row, const ReceiptHeader &header, const QString &ownNumber,
                       const QString &operatorName, const QString &now);

} // namespace frontdesk
