#pragma once
// TFxgyh: the modify-operator dialog of the operator screen. The password
// fields start empty; left empty, both keep the operator's password.
#include "signin/operator.h"

#include <QDialog>

class QLineEdit;
class QPushButton;

namespace signin {

class TFxgyh : public QDialog {
    Q_OBJECT
public:
    explicit TFxgyh(Session &session, QWidget *parent = nullptr);

    // The operator the next showing modifies.
    void setUser(const QString &userName) { m_userName = userName; }

    QLineEdit *nameField() const { return m_name; }
    QLineEdit *userField() const { return m_user; }
    QLineEdit *passwordField() const { return m_password; }
    QLineEdit *confirmField() const { return m_confirm; }
    QPushButton *modifyButton() const { return m_modify; }
    QPushButton *returnButton() const { return m_return; }

signals:
    void modified(const QString &userName);

protected:
    void showEvent(QShowEvent *event) override;

private:
    void load();
    void modify();
    void refuse(const QString &text, QLineEdit *focus);

    Session &m_session;
    QString m_userName;
    QLineEdit *m_name;
    QLineEdit *m_user;
    QLineEdit *m_password;
    QLineEdit *m_confirm;
    QPushButton *m_modify;
    QPushButton *m_return;
};

} // namespace signin
