#pragma once
// Pieces shared by the add and modify dialogs: their header lines, the
// field grid and the messages of their checks.
#include <QString>

class QGridLayout;
class QLabel;
class QLineEdit;
class QVBoxLayout;
class QWidget;

namespace signin::parts {

inline const QString emptyName = QStringLiteral("用户姓名不能为空，请输入！");
inline const QString emptyUser = QStringLiteral("用户名不能为空，请输入！");
inline const QString passwordsDiffer = QStringLiteral("两次输入口令不同，请重新输入！");
inline const QString duplicateUser = QStringLiteral("用户名重复，请重新输入！");
inline const QString operatorGone = QStringLiteral("该用户已不存在！");

// The two header lines.
QVBoxLayout *headerLines();
// A line edit named (objectName) after its caption; password fields show *.
QLineEdit *field(const QString &name, bool password = false);
// Caption and field as one row of the grid.
void addRow(QGridLayout *grid, const QString &caption, QLineEdit *field);

} // namespace signin::parts
