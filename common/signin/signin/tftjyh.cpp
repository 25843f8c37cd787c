#include "signin/tftjyh.h"

#include "signin/accounts.h"
#include "signin/dialogparts.h"

#include "kit/keys.h"
#include "kit/messages.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace signin {

TFtjyh::TFtjyh(Session &session, QWidget *parent) : QDialog(parent), m_session(session)
{
    setWindowTitle(QStringLiteral("添加用户"));
    setObjectName(QStringLiteral("TFtjyh"));
    m_name = parts::field(QStringLiteral("姓名"));
    m_user = parts::field(QStringLiteral("用户名"));
    m_password = parts::field(QStringLiteral("登录口令"), true);
    m_confirm = parts::field(QStringLiteral("确认口令"), true);
    m_add = new QPushButton(QStringLiteral("添加"));
    m_return = new QPushButton(QStringLiteral("返回"));

    auto *grid = new QGridLayout;
    parts::addRow(grid, QStringLiteral("姓名"), m_name);
    parts::addRow(grid, QStringLiteral("用户名"), m_user);
    parts::addRow(grid, QStringLiteral("登录口令"), m_password);
    parts::addRow(grid, QStringLiteral("确认口令"), m_confirm);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_add);
    buttons->addWidget(m_return);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(parts::headerLines());
    layout->addLayout(grid);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(m_add, &QPushButton::clicked, this, [this] { kit::guard(this, [this] { add(); }); });
    connect(m_return, &QPushButton::clicked, this, &TFtjyh::reject);
    auto *keys = new kit::KeyRouter(this);
    keys->setEnterOrder({m_name, m_user, m_password, m_confirm}, m_add);
    keys->bindEscape(m_return);
}

void TFtjyh::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    m_name->setFocus();
}

void TFtjyh::reject()
{
    clearFields();
    QDialog::reject();
}

void TFtjyh::clearFields()
{
    for (QLineEdit *f : {m_name, m_user, m_password, m_confirm})
        f->clear();
}

void TFtjyh::refuse(const QString &text, QLineEdit *focus)
{
    kit::info(this, text);
    focus->setFocus();
}

void TFtjyh::add()
{
    // A field is empty only when it holds no character at all.
    if (m_name->text().isEmpty())
        return refuse(parts::emptyName, m_name);
    if (m_user->text().isEmpty())
        return refuse(parts::emptyUser, m_user);
    if (m_password->text() != m_confirm->text())
        return refuse(parts::passwordsDiffer, m_password);
    const QString userName = m_user->text();
    if (addOperator(m_session, m_name->text(), userName, m_password->text()) == Change::Duplicate)
        return refuse(parts::duplicateUser, m_user);
    emit added(userName);
    clearFields();
    accept();
}

} // namespace signin
