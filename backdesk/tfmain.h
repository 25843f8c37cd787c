#pragma once
// TFmain: the back office's main screen: title, the shift period, the menu
// of management screens gated by the operator's rights, the dealer's contact
// lines, and the operator, workstation and clock along the bottom.
#include "context.h"
#include "signin/operator.h"

#include <QDateTime>
#include <QHash>
#include <QWidget>

#include <functional>

class QAbstractButton;
class QLabel;
class QPushButton;
class QToolButton;

namespace kit {
class DateEdit;
class TimeEdit;
}

namespace signin {
class TFyhsz;
}

namespace backdesk {

// The back office's workstation name, written as the computer of its
// operation-log rows.
inline const QString workstation = QStringLiteral("财务室");

class TFmain : public QWidget {
    Q_OBJECT
public:
    explicit TFmain(store::Store &store, QWidget *parent = nullptr);
    ~TFmain() override;

    // A successful sign-in: the operator's row (as read by the sign-in)
    // becomes the row every right check of this program reads, until the
    // next successful sign-in. The first one also shows the screen and reads
    // the system parameters.
    void signIn(const signin::Operator &op);
    bool hasOperator() const { return !m_context.session.current.isNull(); }
    const signin::Session &session() const { return m_context.session; }
    // What the screens of the menu receive.
    Context &context() { return m_context; }

    // The shift period of the four pickers.
    QDateTime shiftFrom() const;
    QDateTime shiftTo() const;

    // A menu entry by its caption ("用户设置(&A)"), null when there is none.
    QAbstractButton *entry(const QString &caption) const { return m_entries.value(caption); }
    QPushButton *changeOperatorButton() const { return m_changeOperator; }
    QLabel *titleLabel() const { return m_title; }
    QLabel *operatorLabel() const { return m_operator; }
    QLabel *workstationLabel() const { return m_workstation; }
    QLabel *clockLabel() const { return m_clock; }
    QLabel *weekdayLabel() const { return m_weekday; }
    // The four contact lines, caption and text ("联系人：王经理").
    QStringList contactLines() const;
    signin::TFyhsz *operatorScreen() const { return m_operators; }

signals:
    // "更换操作员(F10)" and F10.
    void changeOperatorRequested();
    // 退出 and the exit picture.
    void quitRequested();

private:
    QWidget *buildTitleBar();
    QWidget *buildShiftBar();
    QWidget *buildMenu();
    QWidget *buildBody();
    QWidget *buildBottomLine();
    QToolButton *addEntry(const QString &caption, const QString &right, QWidget *screen, int iconKind);

    void fitToScreen();
    void loadParameters();
    void tick();
    void periodChanged();
    // The menu rule: with the right, the screen opens modally; without it
    // nothing happens.
    void open(const QString &right, QWidget *screen);

    Context m_context;
    bool m_shown = false;

    QLabel *m_title;
    kit::DateEdit *m_fromDate;
    kit::TimeEdit *m_fromTime;
    kit::DateEdit *m_toDate;
    kit::TimeEdit *m_toTime;
    QHash<QString, QAbstractButton *> m_entries;
    QLabel *m_contacts[4];
    QLabel *m_operator;
    QLabel *m_workstation;
    QPushButton *m_changeOperator;
    QLabel *m_clock;
    QLabel *m_weekday;

    signin::TFyhsz *m_operators;
};

} // namespace backdesk
