#pragma once
// TFtjyh: the add-operator dialog of the operator screen.
#include "signin/operator.h"

#include <QDialog>

class QLineEdit;
class QPushButton;

namespace signin {

class TFtjyh : public QDialog {
    Q_OBJECT
public:
    explicit TFtjyh(Session &session, QWidget *parent = nullptr);

    QLineEdit *nameField() const { return m_name; }
    QLineEdit *userField() const { return m_user; }
    QLineEdit *passwordField() const { return m_password; }
    QLineEdit *confirmField() const { return m_confirm; }
    QPushButton *addButton() const { return m_add; }
    QPushButton *returnButton() const { return m_return; }

    // 返回, Esc and closing the window clear the four fields.
    void reject() override;

signals:
    void added(const QString &userName);

protected:
    void showEvent(QShowEvent *event) override;

private:
    void add();
    void clearFields();
    void refuse(const QString &text, QLineEdit *focus);

    Session &m_session;
    QLineEdit *m_name;
    QLineEdit *m_user;
    QLineEdit *m_password;
    QLineEdit *m_confirm;
    QPushButton *m_add;
    QPushButton *m_return;
};

} // namespace signin
