#include "backdeskapp.h"

#include "tfmain.h"

#include "signin/tflogin.h"

#include "kit/messages.h"
#include "store/datafolder.h"
#include "store/store.h"

#include <QLineEdit>
#include <QPushButton>

namespace backdesk {

std::unique_ptr<store::Store> openData(const QStringList &args)
{
    const QString folder = store::dataFolder(args);
    if (!store::Store::holdsData(folder)) {
        kit::info(nullptr, QStringLiteral("数据文件夹“%1”中没有数据文件，程序无法启动。\n"
                                          "请用 --data 指定数据文件夹，或先用 makestore 写入数据。")
                               .arg(folder));
        return nullptr;
    }
    std::unique_ptr<store::Store> db;
    if (!kit::guard(nullptr, [&] { db = std::make_unique<store::Store>(folder); }))
        return nullptr;
    return db;
}

BackDesk::BackDesk(store::Store &store, QObject *parent)
    : QObject(parent), m_login(std::make_unique<signin::TFlogin>(store)), m_main(std::make_unique<TFmain>(store))
{
    connect(m_login.get(), &signin::TFlogin::signedIn, this,
            [this](const signin::Operator &op, const QString &) { m_main->signIn(op); });
    connect(m_login.get(), &signin::TFlogin::endProgram, this, &BackDesk::quitRequested);
    connect(m_main.get(), &TFmain::changeOperatorRequested, this, &BackDesk::changeOperator);
    connect(m_main.get(), &TFmain::quitRequested, this, &BackDesk::quitRequested);
}

BackDesk::~BackDesk() = default;

void BackDesk::start()
{
    m_login->show();
    m_login->raise();
    m_login->activateWindow();
}

void BackDesk::signInAs(const QString &user, const QString &password)
{
    m_login->userField()->setText(user);
    m_login->passwordField()->setText(password);
    m_login->okButton()->click();
}

// The sign-in comes up again over the main screen. Success there replaces
// the operator; a failed attempt leaves the previous one, with his rights,
// in force.
void BackDesk::changeOperator()
{
    if (m_login->isVisible())
        return;
    start();
}

} // namespace backdesk
