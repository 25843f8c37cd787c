#include "signin/tfxgyh.h"

#include "signin/accounts.h"
#include "signin/dialogparts.h"

#include "kit/keys.h"
#include "kit/messages.h"
#include "store/query.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace signin {

TFxgyh::TFxgyh(Session &session, QWidget *parent) : QDialog(parent), m_session(session)
{
    setWindowTitle(QStringLiteral("修改用户信息"));
    setObjectName(QStringLiteral("TFxgyh"));
    m_name = parts::field(QStringLiteral("姓名"));
    m_user = parts::field(QStringLiteral("用户名"));
    m_user->setReadOnly(true);
    m_user->setFocusPolicy(Qt::NoFocus);
    m_password = parts::field(QStringLiteral("登录口令"), true);
    m_confirm = parts::field(QStringLiteral("确认口令"), true);
    for (QLineEdit *f : {m_password, m_confirm})
        f->setPlaceholderText(QStringLiteral("不修改口令请留空"));
    m_modify = new QPushButton(QStringLiteral("修改"));
    m_return = new QPushButton(QStringLiteral("返回"));

    auto *grid = new QGridLayout;
    parts::addRow(grid, QStringLiteral("姓名"), m_name);
    parts::addRow(grid, QStringLiteral("用户名"), m_user);
    parts::addRow(grid, QStringLiteral("登录口令"), m_password);
    parts::addRow(grid, QStringLiteral("确认口令"), m_confirm);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_modify);
    buttons->addWidget(m_return);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(parts::headerLines());
    layout->addLayout(grid);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(m_modify, &QPushButton::clicked, this, [this] { kit::guard(this, [this] { modify(); }); });
    connect(m_return, &QPushButton::clicked, this, &TFxgyh::reject);
    auto *keys = new kit::KeyRouter(this);
    keys->setEnterOrder({m_name, m_password, m_confirm}, m_modify);
    keys->bindEscape(m_return);
}

void TFxgyh::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    kit::guard(this, [this] { load(); });
    m_name->setFocus();
}

void TFxgyh::load()
{
    // The stored password is a hash: it is never shown, both fields start empty.
    m_password->clear();
    m_confirm->clear();
    store::Query q(m_session.store, QStringLiteral("select 姓名,用户名 from 用户表 where 用户名=:yhm"));
    q.bind(QStringLiteral(":yhm"), m_userName).exec();
    m_name->setText(q.empty() ? QString() : q.text(QStringLiteral("姓名")));
    m_user->setText(q.empty() ? QString() : q.row().value(QStringLiteral("用户名")).toString());
}

void TFxgyh::refuse(const QString &text, QLineEdit *focus)
{
    kit::info(this, text);
    focus->setFocus();
}

void TFxgyh::modify()
{
    if (m_name->text().isEmpty())
        return refuse(parts::emptyName, m_name);
    if (m_password->text() != m_confirm->text())
        return refuse(parts::passwordsDiffer, m_password);
    std::optional<QString> password;
    if (!m_password->text().isEmpty())
        password = m_password->text();
    if (modifyOperator(m_session, m_userName, m_name->text(), password) == Change::Missing) {
        kit::info(this, parts::operatorGone);
        reject();
        return;
    }
    emit modified(m_userName);
    accept();
}

} // namespace signin
