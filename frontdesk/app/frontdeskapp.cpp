#include "frontdeskapp.h"

#include "about.h"
#include "backdrop.h"
#include "cardscreens.h"
#include "memberscreen.h"
#include "receiptform.h"

#include "kit/messages.h"
#include "signin/tflogin.h"

#include <QGuiApplication>
#include <QScreen>
#include <QTimer>

namespace frontdesk {

namespace {

void coverWorkArea(QWidget &w)
{
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        w.setGeometry(screen->availableGeometry());
}

} // namespace

FrontDesk::FrontDesk(store::Store &store, QObject *parent) : QObject(parent)
{
    m_backdrop = std::make_unique<TFMain>(store);
    m_print = std::make_unique<TFprint>();
    // Both stay above the backdrop.
    m_members = std::make_unique<TFMemberMain>(store, *m_print, m_backdrop.get());
    m_login = std::make_unique<signin::TFlogin>(store, m_backdrop.get());
    addCardScreens(*m_members);
    m_about = std::make_unique<TFabout>(m_members.get());
    coverWorkArea(*m_backdrop);
    coverWorkArea(*m_members);

    connect(m_backdrop.get(), &TFMain::activated, this, [this] {
        // Deferred, so the modal sign-in does not run inside the activation event.
        if (!hasOperator() && !m_askingSignIn)
            QTimer::singleShot(0, this, &FrontDesk::askSignIn);
    });
    connect(m_backdrop.get(), &TFMain::closed, this, &FrontDesk::quitRequested);
    // A failed attempt emits nothing: the operator and his rights stay.
    connect(m_login.get(), &signin::TFlogin::signedIn, this,
            [this](const signin::Operator &op, const QString &) { signedIn(op); });
    connect(m_login.get(), &signin::TFlogin::endProgram, this, &FrontDesk::quitRequested);
    connect(m_members.get(), &TFMemberMain::quitRequested, this, &FrontDesk::quitRequested);
    // The change of operator shows the sign-in without waiting for it.
    connect(m_members.get(), &TFMemberMain::changeOperatorRequested, this, [this] {
        m_login->show();
        m_login->raise();
        m_login->activateWindow();
    });
    connect(m_members.get(), &TFMemberMain::aboutRequested, this, [this] {
        kit::openModal(m_about.get());
        m_members->focusCardNumber();
    });
}

FrontDesk::~FrontDesk() = default;

void FrontDesk::start()
{
    m_backdrop->show();
    m_backdrop->activateWindow();
}

bool FrontDesk::hasOperator() const
{
    return !m_members->currentOperator().isNull();
}

void FrontDesk::askSignIn()
{
    if (hasOperator() || m_askingSignIn)
        return;
    m_askingSignIn = true;
    kit::openModal(m_login.get());
    m_askingSignIn = false;
}

void FrontDesk::signedIn(const signin::Operator &op)
{
    m_members->setOperator(op);
    m_login->hide();
    m_members->show();
    m_members->raise();
    m_members->activateWindow();
    m_members->focusCardNumber();
}

} // namespace frontdesk
