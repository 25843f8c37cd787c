#pragma once
// The member screen (TFMemberMain, "会员卡主界面"): the cashier types a card
// number, sees the member panel and the card's journal, and opens the card
// operations through gates that check the right, the card and its state.
#include "desk.h"
#include "signin/operator.h"

#include "kit/datagrid.h"

#include <QHash>
#include <QList>
#include <QPointer>
#include <QSqlRecord>
#include <QWidget>

#include <functional>
#include <optional>

class QDialog;
class QLabel;
class QLineEdit;
class QPushButton;
class QTabWidget;
class QTimer;
class QVBoxLayout;

namespace frontdesk {

class TFprint;

// The screens the member screen opens.
enum class Screen {
    Deduction,       // 扣款 of a stored-value card
    CountDeduction,  // 扣款 of a count card
    Recharge,        // 充值 of a stored-value card
    CountRecharge,   // 充值 of a count card
    Mischarge,       // 误收 of a stored-value card
    CountCorrection, // 误收 of a count card
    CardRecord,      // 修改: the card record modification
    CardIssue,       // a new card (shown without waiting)
    NewVisit,        // 添加回访
    PaymentMethod,   // correction of a recharge row's payment method (shown without waiting)
};

// The gates in front of the operations.
enum class Gate { Deduct, Recharge, Modify, Mischarge, Visit };

class TFMemberMain : public QWidget, public MemberDesk {
    Q_OBJECT
public:
    // The screen reads the receipt header at once and keeps it.
    TFMemberMain(store::Store &store, TFprint &printer, QWidget *parent = nullptr);
    ~TFMemberMain() override;

    // MemberDesk.
    store::Store &store() override { return m_store; }
    QString operatorName() const override { return m_operator.name(); }
    QString cashPoint() const override;
    // A right the operator's row has no column for is a fault of the
    // program: it is shown and counts as not held.
    bool holds(const QString &right) const override;
    QString cardNumber() const override;
    QSqlRecord member() const override { return m_member; }
    void showMember(const QSqlRecord &row) override;
    void reloadJournal() override;
    void focusCardNumber() override;
    ReceiptHeader receiptHeader() const override { return m_header; }
    ReceiptPrinter &printer() override;

    // The signed-in operator; sign-in sets him, a failed attempt never does.
    void setOperator(const signin::Operator &op);
    const signin::Operator &currentOperator() const { return m_operator; }

    // A screen the gates open, created now once and kept. Without one, a
    // passing gate opens nothing (the screen arrives with its own work).
    using ScreenFactory = std::function<QDialog *(MemberDesk &, QWidget *parent)>;
    void addScreen(Screen screen, const ScreenFactory &create);
    QDialog *screen(Screen screen) const;

    // The actions behind the keys and buttons, callable from tests.
    void lookUp();
    // Runs a gate's checks; when it passes, the member row is read again, the
    // panel and the journal are refreshed from it and the screen to open is
    // returned. Refusals are shown and return nothing.
    std::optional<Screen> passGate(Gate gate);
    // passGate, then opens the screen.
    void runGate(Gate gate);
    void reprint();
    void correctPaymentMethod();
    void exportJournal();
    void nextTab();
    void clearCardNumber();

    // Whether a lookup has loaded a journal list yet.
    bool journalLoaded() const { return m_journalLoaded; }
    // The journal row under the grid's cursor.
    std::optional<kit::Row> currentJournalRow() const;
    // The proposed export name of the journal.
    QString journalExportName() const;

    // Widgets, for the program and for tests.
    QLineEdit *cardField() const { return m_card; }
    QLineEdit *panelField(const QString &caption) const;
    kit::DataGrid *journalGrid() const { return m_journal; }
    QTabWidget *tabs() const { return m_tabs; }
    QPushButton *button(const QString &caption) const;
    QLabel *operatorLabel() const { return m_operatorLabel; }
    QString title() const;

    static QString textNewCardQuestion();

signals:
    // A gate passed and its screen was opened (or would have been, when it
    // does not exist yet).
    void screenOpened(frontdesk::Screen screen);
    // 更换操作员(F10).
    void changeOperatorRequested();
    // 关于系统(F7).
    void aboutRequested();
    // 退出 and the exit picture.
    void quitRequested();

private:
    void buildTopBar(QVBoxLayout *outer);
    void buildCardLine(QVBoxLayout *outer);
    QWidget *buildMemberTab();
    void buildBottomBar(QVBoxLayout *outer);
    void buildKeys();
    void readHeader();
    void loadJournal(const QString &card);
    void openScreen(Screen screen);
    void tick();

    store::Store &m_store;
    TFprint &m_printer;
    signin::Operator m_operator;
    ReceiptHeader m_header;
    QSqlRecord m_member;
    bool m_journalLoaded = false;

    QLabel *m_title = nullptr;
    QLineEdit *m_card = nullptr;
    QTabWidget *m_tabs = nullptr;
    QTabWidget *m_inner = nullptr;
    kit::DataGrid *m_journal = nullptr;
    kit::DataGrid *m_visits = nullptr;
    QList<QPair<QString, QLineEdit *>> m_panel;
    QHash<QString, QPushButton *> m_buttons;
    QLabel *m_operatorLabel = nullptr;
    QLabel *m_weekday = nullptr;
    QLabel *m_clock = nullptr;
    QTimer *m_timer = nullptr;
    QHash<int, QPointer<QDialog>> m_screens;
};

} // namespace frontdesk
