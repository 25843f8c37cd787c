#include "store/serial.h"

#include "store/errors.h"
#include "store/money.h"
#include "store/query.h"
#include "store/store.h"

namespace store {

qint64 drawSerial(Store &store)
{
    if (!store.inTransaction())
        throw DbError(QStringLiteral("流水号只能在事务中领取"));
    Query read(store, QStringLiteral("select 流水号 from 系统参数表"));
    read.exec();
    if (read.empty())
        throw DbError(QStringLiteral("系统参数表没有记录"));
    const qint64 next = storedCount(read.text(QStringLiteral("流水号"))) + 1;
    Query write(store, QStringLiteral("update 系统参数表 set 流水号=:lsh"));
    write.bind(QStringLiteral(":lsh"), QString::number(next)).exec();
    return next;
}

} // namespace store
