#pragma once
// Where the database files live: the program's own folder, unless the command
// line names another one with "--data DIR" (or "--data=DIR").
#include <QString>
#include <QStringList>

namespace store {

// Returns the folder named by --data in args, else the folder of the running
// program. args are the program's arguments (QCoreApplication::arguments()).
QString dataFolder(const QStringList &args);

} // namespace store
