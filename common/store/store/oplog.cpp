#include "store/oplog.h"

#include "store/query.h"

namespace store {

void writeLog(Store &store, const QString &eventType, const QString &description,
              const QString &user, const QString &computer)
{
    Query(store, QStringLiteral("insert into 操作日志表 (事件类型,事件描述,用户,计算机) "
                                "values(:sjlx,:sjms,:yh,:jsj)"))
        .bind(QStringLiteral(":sjlx"), eventType)
        .bind(QStringLiteral(":sjms"), description)
        .bind(QStringLiteral(":yh"), user)
        .bind(QStringLiteral(":jsj"), computer)
        .exec();
}

void writeLog(Store &store, const QString &description, const QString &user,
              const QString &computer)
{
    Query(store, QStringLiteral("insert into 操作日志表 (事件描述,用户,计算机) values(:sjms,:yh,:jsj)"))
        .bind(QStringLiteral(":sjms"), description)
        .bind(QStringLiteral(":yh"), user)
        .bind(QStringLiteral(":jsj"), computer)
        .exec();
}

} // namespace store
