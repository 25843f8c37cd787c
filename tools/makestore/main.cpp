// makestore DIR: writes the delivered database set into DIR, which must not
// hold any of the data files yet.
#include "store/delivered.h"
#include "store/errors.h"

#include <QCoreApplication>
#include <QDir>
#include <QTextStream>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QTextStream err(stderr);
    const QStringList args = app.arguments().mid(1);
    QString dir;
    if (args.size() == 1)
        dir = args.first();
    else if (args.size() == 2 && args.first() == QLatin1String("--data"))
        dir = args.at(1);
    else {
        err << "用法：makestore 数据文件夹\n";
        return 2;
    }
    try {
        QDir().mkpath(dir);
        store::makeStore(dir);
    } catch (const store::Error &e) {
        err << e.message() << '\n';
        return 1;
    }
    QTextStream(stdout) << "数据文件已写入 " << QDir(dir).absolutePath() << '\n';
    return 0;
}
