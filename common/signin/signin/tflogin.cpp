#include "signin/tflogin.h"

#include "signin/check.h"

#include "kit/keys.h"
#include "kit/messages.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

namespace signin {

namespace {

const auto tooManyAttempts = QStringLiteral("用户名或口令错误输入超过三次，系统关闭！");
const auto unknownUser = QStringLiteral(" 非法用户，请您输入正确的用户名！");
const auto wrongPassword = QStringLiteral(" 输入密码错误，请再输入一次！");
const auto wrongOldPassword = QStringLiteral(" 原密码错误，请再输入一次！");
const auto disabledUser = QStringLiteral(" 该用户已停用，请与系统管理员联系！");
const auto passwordChanged = QStringLiteral("密码修改成功，系统退出，请已新密码重新登录！");

// Three looked-up presses are allowed; the next one ends the program.
constexpr int lastLookedUpAttempt = 4;

} // namespace

TFlogin::TFlogin(store::Store &store, QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::MSWindowsFixedSizeDialogHint),
      m_store(store)
{
    setWindowTitle(QStringLiteral("用户登录"));
    setObjectName(QStringLiteral("TFlogin"));

    m_user = new QLineEdit;
    m_user->setObjectName(QStringLiteral("用户名"));
    m_password = new QLineEdit;
    m_password->setObjectName(QStringLiteral("口令"));
    m_password->setEchoMode(QLineEdit::Password);
    m_change = new QCheckBox(QStringLiteral("修改口令"));
    m_newCaption = new QLabel(QStringLiteral("新口令"));
    m_newPassword = new QLineEdit;
    m_newPassword->setObjectName(QStringLiteral("新口令"));
    m_newPassword->setEchoMode(QLineEdit::Password);
    m_ok = new QPushButton(QStringLiteral("确定"));
    m_quit = new QPushButton(QStringLiteral("退出"));
    for (QPushButton *b : {m_ok, m_quit}) {
        b->setAutoDefault(false);
        b->setDefault(false);
    }
    for (QPushButton *b : {m_ok, m_quit})
        b->setMinimumWidth(80);

    auto *hints = new QVBoxLayout;
    hints->addWidget(new QLabel(QStringLiteral("如果你忘记自己的用户名和口令，请与系统管理员联系。")));
    hints->addWidget(new QLabel(QStringLiteral("如果要修改口令，请先输入口令，再点修改口令，输入新的口令就可以了。")));

    auto *fields = new QGridLayout;
    fields->addWidget(new QLabel(QStringLiteral("用户名")), 0, 0);
    fields->addWidget(m_user, 0, 1);
    fields->addWidget(new QLabel(QStringLiteral("口令")), 1, 0);
    fields->addWidget(m_password, 1, 1);
    fields->addWidget(m_change, 1, 2);
    fields->addWidget(m_newCaption, 2, 0);
    fields->addWidget(m_newPassword, 2, 1);
    fields->setColumnMinimumWidth(1, 200);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_ok);
    buttons->addWidget(m_quit);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(hints);
    layout->addSpacing(8);
    layout->addLayout(fields);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    setTabOrder(m_user, m_password);
    setTabOrder(m_password, m_change);
    setTabOrder(m_change, m_newPassword);
    setTabOrder(m_newPassword, m_ok);
    setTabOrder(m_ok, m_quit);

    m_newCaption->hide();
    m_newPassword->hide();
    connect(m_change, &QCheckBox::toggled, this, [this](bool on) {
        m_newCaption->setVisible(on);
        m_newPassword->setVisible(on);
    });
    connect(m_ok, &QPushButton::clicked, this, &TFlogin::confirm);
    connect(m_quit, &QPushButton::clicked, this, &TFlogin::quit);

    auto *keys = new kit::KeyRouter(this);
    keys->onEnter(m_user, [this] { m_password->setFocus(); });
    keys->onEnter(m_password, m_ok);
    keys->onEnter(m_newPassword, m_ok);
    keys->bindEscape(m_quit);
    // The window's own closing is handled in closeEvent(): the router's
    // close binding would also catch the close that QDialog::done() sends.
}

void TFlogin::showEvent(QShowEvent *event)
{
    m_user->clear();
    m_password->clear();
    m_newPassword->clear();
    QDialog::showEvent(event);
    if (QScreen *screen = this->screen()) {
        QRect r = frameGeometry();
        r.moveCenter(screen->availableGeometry().center());
        move(r.topLeft());
    }
    m_user->setFocus();
}

void TFlogin::reject()
{
    quit();
}

void TFlogin::closeEvent(QCloseEvent *event)
{
    event->accept();
    if (isVisible())
        quit();
}

void TFlogin::finish(int result)
{
    // Hiding ends a modal showing as well; no close event is sent, so
    // closeEvent() sees only closings from outside.
    setResult(result);
    hide();
}

void TFlogin::quit()
{
    emit endProgram();
    finish(QDialog::Rejected);
}

void TFlogin::confirm()
{
    kit::guard(this, [this] {
        if (m_change->isChecked())
            changeOwnPassword();
        else
            signIn();
    });
}

void TFlogin::signIn()
{
    ++m_attempt;
    if (m_attempt > lastLookedUpAttempt) {
        kit::warn(this, tooManyAttempts);
        quit();
        return;
    }
    const QString name = m_user->text();
    SignInResult result = checkSignIn(m_store, name, m_password->text());
    switch (result.outcome) {
    case Outcome::Ok:
        m_attempt = 1;
        emit signedIn(*result.op, name);
        finish(QDialog::Accepted);
        break;
    case Outcome::WrongPassword:
        refusePassword(wrongPassword);
        break;
    case Outcome::UnknownUser:
        refuseUser(unknownUser);
        break;
    case Outcome::Disabled:
        m_password->clear();
        refuseUser(disabledUser);
        break;
    }
}

void TFlogin::changeOwnPassword()
{
    switch (changePassword(m_store, m_user->text(), m_password->text(), m_newPassword->text())) {
    case Outcome::Ok:
        kit::warn(this, passwordChanged);
        quit();
        break;
    case Outcome::WrongPassword:
        refusePassword(wrongOldPassword);
        break;
    case Outcome::UnknownUser:
        refuseUser(unknownUser);
        break;
    case Outcome::Disabled:
        m_password->clear();
        refuseUser(disabledUser);
        break;
    }
}

void TFlogin::refuseUser(const QString &text)
{
    kit::warn(this, text);
    m_user->setFocus();
    m_user->clear();
}

void TFlogin::refusePassword(const QString &text)
{
    kit::warn(this, text);
    m_password->setFocus();
    m_password->clear();
}

} // namespace signin
