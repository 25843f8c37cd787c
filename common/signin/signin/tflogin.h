#pragma once
// TFlogin: the sign-in dialog of both programs, with the password change.
//
// It decides nothing about the program around it: a successful sign-in
// emits signedIn() and hides the dialog; 退出, closing the window, the fourth
// failed press of 确定 and a completed password change emit endProgram() and
// hide it. The program quits on endProgram (connect it queued, so that it
// also works before the event loop runs).
#include "signin/operator.h"

#include <QDialog>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace store {
class Store;
}

namespace signin {

class TFlogin : public QDialog {
    Q_OBJECT
public:
    explicit TFlogin(store::Store &store, QWidget *parent = nullptr);

    QLineEdit *userField() const { return m_user; }
    QLineEdit *passwordField() const { return m_password; }
    QLineEdit *newPasswordField() const { return m_newPassword; }
    QCheckBox *changeBox() const { return m_change; }
    QPushButton *okButton() const { return m_ok; }
    QPushButton *quitButton() const { return m_quit; }

    // Esc and any other way of rejecting the dialog mean 退出.
    void reject() override;

signals:
    // op is the operator's row as found; userName is the name as typed.
    void signedIn(const signin::Operator &op, const QString &userName);
    void endProgram();

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void confirm();
    void signIn();
    void changeOwnPassword();
    void quit();
    void finish(int result);
    void refuseUser(const QString &text);
    void refusePassword(const QString &text);

    store::Store &m_store;
    // Presses of 确定 since the dialog was made or last succeeded, plus one.
    int m_attempt = 1;
    QLineEdit *m_user;
    QLineEdit *m_password;
    QCheckBox *m_change;
    QLabel *m_newCaption;
    QLineEdit *m_newPassword;
    QPushButton *m_ok;
    QPushButton *m_quit;
};

} // namespace signin
