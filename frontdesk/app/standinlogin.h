#pragma once
// A plain sign-in dialog for the front desk: user name and password, three
// attempts. It stands in for the shared sign-in dialog until that one is part
// of the build; the front desk only uses signedIn() and quitRequested().
#include "operator.h"

#include <QDialog>

class QLineEdit;
class QPushButton;

namespace frontdesk {

class StandInLogin : public QDialog {
    Q_OBJECT
public:
    StandInLogin(store::Store &store, QWidget *parent = nullptr);

    QLineEdit *userField() const { return m_user; }
    QLineEdit *passwordField() const { return m_password; }
    QPushButton *okButton() const { return m_ok; }

signals:
    void signedIn(const frontdesk::Operator &op);
    // 退出, closing the window, or the fourth failed attempt.
    void quitRequested();

protected:
    void showEvent(QShowEvent *event) override;
    void reject() override;

private:
    void confirm();

    store::Store &m_store;
    QLineEdit *m_user;
    QLineEdit *m_password;
    QPushButton *m_ok;
    QPushButton *m_quit;
    int m_attempt = 1;
};

} // namespace frontdesk
