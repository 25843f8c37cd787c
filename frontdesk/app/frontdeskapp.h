#pragma once
// The front desk as a whole: every screen, created once in start-up order,
// and the wiring between them (sign-in when the backdrop becomes active, the
// change of operator, the about screen, ending the program).
#include <QObject>

#include <memory>

namespace signin {
class Operator;
class TFlogin;
}

namespace store {
class Store;
}

namespace frontdesk {

class TFMain;
class TFMemberMain;
class TFabout;
class TFprint;

class FrontDesk : public QObject {
    Q_OBJECT
public:
    explicit FrontDesk(store::Store &store, QObject *parent = nullptr);
    ~FrontDesk() override;

    TFMain &backdrop() { return *m_backdrop; }
    TFMemberMain &members() { return *m_members; }
    signin::TFlogin &login() { return *m_login; }
    TFprint &receipts() { return *m_print; }
    TFabout &about() { return *m_about; }

    // Shows the backdrop over the work area; the sign-in follows when it
    // becomes active.
    void start();
    // Sign-in succeeded: the member screen shows the operator and comes up.
    void signedIn(const signin::Operator &op);
    bool hasOperator() const;

signals:
    // 退出, the exit picture, closing the backdrop, and from the sign-in its
    // 退出, the fourth failed attempt and a completed password change.
    void quitRequested();

private:
    void askSignIn();

    std::unique_ptr<TFMain> m_backdrop;
    std::unique_ptr<TFprint> m_print;
    std::unique_ptr<TFMemberMain> m_members;
    std::unique_ptr<signin::TFlogin> m_login;
    std::unique_ptr<TFabout> m_about;
    bool m_askingSignIn = false;
};

} // namespace frontdesk
