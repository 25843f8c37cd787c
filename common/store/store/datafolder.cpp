#include "store/datafolder.h"

#include <QCoreApplication>
#include <QDir>

namespace store {

QString dataFolder(const QStringList &args)
{
    for (int i = 0; i < args.size(); ++i) {
        const QString &a = args.at(i);
        if (a == QLatin1String("--data") && i + 1 < args.size())
            return QDir(args.at(i + 1)).absolutePath();
        if (a.startsWith(QLatin1String("--data=")))
            return QDir(a.mid(7)).absolutePath();
    }
    return QCoreApplication::applicationDirPath();
}

} // namespace store
