#include "signin/dialogparts.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

namespace signin::parts {

QVBoxLayout *headerLines()
{
    auto *lines = new QVBoxLayout;
    lines->addWidget(new QLabel(QStringLiteral("姓名是操作员的真实姓名，输入后可以在相关操作地方显示。")));
    lines->addWidget(new QLabel(QStringLiteral("用户名是用户登录系统的代码，可以是数字、字母和汉字。")));
    return lines;
}

QLineEdit *field(const QString &name, bool password)
{
    auto *edit = new QLineEdit;
    edit->setObjectName(name);
    if (password)
        edit->setEchoMode(QLineEdit::Password);
    return edit;
}

void addRow(QGridLayout *grid, const QString &caption, QLineEdit *field)
{
    const int row = grid->rowCount();
    grid->addWidget(new QLabel(caption), row, 0);
    grid->addWidget(field, row, 1);
}

} // namespace signin::parts
