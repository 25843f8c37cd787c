#include "standinlogin.h"

#include "kit/keys.h"
#include "kit/messages.h"
#include "store/query.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace frontdesk {

StandInLogin::StandInLogin(store::Store &store, QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint), m_store(store)
{
    setWindowTitle(QStringLiteral("用户登录"));
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("如果你忘记自己的用户名和口令，请与系统管理员联系。")));
    auto *form = new QFormLayout;
    m_user = new QLineEdit;
    m_password = new QLineEdit;
    m_password->setEchoMode(QLineEdit::Password);
    form->addRow(QStringLiteral("用户名"), m_user);
    form->addRow(QStringLiteral("口令"), m_password);
    layout->addLayout(form);
    auto *buttons = new QHBoxLayout;
    m_ok = new QPushButton(QStringLiteral("确定"));
    m_quit = new QPushButton(QStringLiteral("退出"));
    for (QPushButton *b : {m_ok, m_quit}) {
        b->setAutoDefault(false);
        buttons->addWidget(b);
    }
    layout->addLayout(buttons);

    auto *keys = new kit::KeyRouter(this);
    keys->setEnterOrder({m_user, m_password}, m_ok);
    keys->bindEscape(m_quit);
    connect(m_ok, &QPushButton::clicked, this, &StandInLogin::confirm);
    connect(m_quit, &QPushButton::clicked, this, &StandInLogin::quitRequested);
}

void StandInLogin::showEvent(QShowEvent *event)
{
    m_user->clear();
    m_password->clear();
    m_user->setFocus();
    QDialog::showEvent(event);
}

void StandInLogin::reject()
{
    emit quitRequested();
}

void StandInLogin::confirm()
{
    if (++m_attempt > 4) {
        kit::warn(this, QStringLiteral("用户名或口令错误输入超过三次，系统关闭！"));
        emit quitRequested();
        return;
    }
    std::optional<Operator> op;
    if (!kit::guard(this, [&] { op = checkSignIn(m_store, m_user->text(), m_password->text()); }))
        return;
    if (op) {
        m_attempt = 1;
        hide();
        done(QDialog::Accepted);
        emit signedIn(*op);
        return;
    }
    bool known = false;
    kit::guard(this, [&] {
        known = !store::Query(m_store, QStringLiteral("select 用户名 from 用户表 where 用户名=:yhm"))
                     .bind(QStringLiteral(":yhm"), m_user->text())
                     .exec()
                     .empty();
    });
    if (known) {
        kit::warn(this, QStringLiteral(" 输入密码错误，请再输入一次！"));
        m_password->clear();
        m_password->setFocus();
    } else {
        kit::warn(this, QStringLiteral(" 非法用户，请您输入正确的用户名！"));
        m_user->clear();
        m_user->setFocus();
    }
}

} // namespace frontdesk
