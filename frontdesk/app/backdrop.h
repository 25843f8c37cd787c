#pragma once
// The backdrop (TFMain): the full-screen window behind every screen of the
// front desk, with the shop's title, the dealer's contact panel and a clock.
// It is the program's main window: closing it ends the program.
#include <QStringList>
#include <QWidget>

class QLabel;

namespace store {
class Store;
}

namespace frontdesk {

class TFMain : public QWidget {
    Q_OBJECT
public:
    explicit TFMain(store::Store &store, QWidget *parent = nullptr);

    QString title() const;
    // The five lines of the contact panel: address, telephone, e-mail,
    // contact person and the version.
    QStringList contactLines() const;

signals:
    // The backdrop became the active window.
    void activated();
    void closed();

protected:
    void changeEvent(QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void readParameters(store::Store &store);

    QLabel *m_title;
    QList<QLabel *> m_contact;
    QLabel *m_weekday;
    QLabel *m_clock;
};

} // namespace frontdesk
