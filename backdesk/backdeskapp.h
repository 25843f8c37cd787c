#pragma once
// The back office as a whole: the sign-in and the main screen (which makes
// the screens of its menu), created once at start, and the wiring between
// them: the sign-in as the first window, the change of operator, the end
// of the program.
#include <QObject>
#include <QStringList>

#include <memory>

namespace signin {
class TFlogin;
}

namespace store {
class Store;
}

namespace backdesk {

class TFmain;

// Opens the data folder named on the command line (or the program's own).
// A folder without data files, or a file set that does not open, is told
// to the user; the result is then null and the program should end.
std::unique_ptr<store::Store> openData(const QStringList &args);

class BackDesk : public QObject {
    Q_OBJECT
public:
    explicit BackDesk(store::Store &store, QObject *parent = nullptr);
    ~BackDesk() override;

    signin::TFlogin &login() { return *m_login; }
    TFmain &main() { return *m_main; }

    // Shows the sign-in, the program's first window.
    void start();
    // Types user and password into the sign-in and presses 确定.
    void signInAs(const QString &user, const QString &password);

signals:
    // 退出 and the exit picture of the main screen; from the sign-in its
    // 退出, closing it, the fourth failed attempt and a completed password
    // change.
    void quitRequested();

private:
    void changeOperator();

    std::unique_ptr<signin::TFlogin> m_login;
    std::unique_ptr<TFmain> m_main;
};

} // namespace backdesk
