// The member screen driven by keys on the offscreen platform: lookup, the new
// card question, the gates with their rights and card states, the journal
// grid (colours, footer, sorting, find, export), the keys of the screen, the
// reprint, the change of operator and the backdrop.
#include "about.h"
#include "backdrop.h"
#include "frontdeskapp.h"
#include "memberscreen.h"
#include "receiptform.h"
#include "sampledata.h"

#include "kit/messages.h"
#include "signin/tflogin.h"
#include "store/query.h"
#include "store/store.h"
#include "store/textforms.h"

#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPrinterInfo>
#include <QPushButton>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

using namespace frontdesk;

Q_DECLARE_METATYPE(frontdesk::Screen)

namespace {

QString u(const char *s)
{
    return QString::fromUtf8(s);
}

} // namespace

class TestMemberScreen : public QObject {
    Q_OBJECT

    QTemporaryDir m_tmp;
    std::unique_ptr<store::Store> m_store;
    std::unique_ptr<TFprint> m_print;
    std::unique_ptr<TFMemberMain> m_screen;
    QList<Receipt> m_printed;

    signin::Operator op(const QString &user)
    {
        return *signin::Operator::load(*m_store, user);
    }

    // Types a card number into the field and presses Enter.
    void lookUp(const QString &card)
    {
        m_screen->cardField()->setFocus();
        m_screen->cardField()->clear();
        QTest::keyClicks(m_screen->cardField(), card);
        QTest::keyClick(m_screen->cardField(), Qt::Key_Return);
    }

    void press(Qt::Key key) { QTest::keyClick(QApplication::focusWidget(), key); }

    QString panel(const char *caption) { return m_screen->panelField(u(caption))->text(); }

    // Selects the journal row with that serial number.
    void selectSerial(qint64 serial)
    {
        kit::DataGrid *grid = m_screen->journalGrid();
        for (int r = 0; r < grid->rowCount(); ++r)
            if (grid->row(r).text(u("流水号")) == QString::number(serial))
                return grid->setCurrentRow(r);
        QFAIL("no such journal row");
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_tmp.isValid());
        sample::write(m_tmp.path());
        m_store = std::make_unique<store::Store>(m_tmp.path());
        sample::addOperator(*m_store, u("clerk"), u("无权员"), {});
        sample::addOperator(*m_store, u("seller"), u("收款员"),
                            {u("会员卡扣款"), u("会员卡充值"), u("会员卡误收"), u("会员卡修改"), u("会员回访")});
        m_print = std::make_unique<TFprint>();
        m_print->setOutput([this](const Receipt &r, const ReceiptPage &) {
            m_printed << r;
            return true;
        });
    }

    void init()
    {
        m_printed.clear();
        m_screen = std::make_unique<TFMemberMain>(*m_store, *m_print);
        m_screen->setOperator(op(u("admin")));
        m_screen->show();
        QVERIFY(QTest::qWaitForWindowActive(m_screen.get()));
        m_screen->focusCardNumber();
    }

    void cleanup() { m_screen.reset(); }

    void screenShowsHeaderAndOperator()
    {
        QCOMPARE(m_screen->title(), u("好运来会员店管理系统"));
        QCOMPARE(m_screen->operatorLabel()->text(), u("操作员：管理员"));
        QCOMPARE(m_screen->cashPoint(), u("前台收银"));
        QCOMPARE(m_screen->receiptHeader().slogan, u("谢谢惠顾，欢迎再次光临！"));
        QCOMPARE(m_screen->tabs()->count(), 6);
        // The card number is shown as stars.
        QTest::keyClicks(m_screen->cardField(), u("1234"));
        QCOMPARE(m_screen->cardField()->displayText(), u("****"));
    }

    void enterOnEmptyFieldDoesNothing()
    {
        kit::ScriptedMessages script;
        press(Qt::Key_Return);
        QVERIFY(script.entries().isEmpty());
        QVERIFY(!m_screen->journalLoaded());
        QVERIFY(panel("客人姓名").isEmpty());
    }

    void lookupFillsPanelAndJournal()
    {
        kit::ScriptedMessages script;
        lookUp(sample::storedCard);
        QVERIFY(script.entries().isEmpty());
        QCOMPARE(panel("客人姓名"), u("张三"));
        QCOMPARE(panel("卡自编号"), sample::storedOwn);
        QCOMPARE(panel("会员类型"), u("普通储值卡"));
        QCOMPARE(panel("到期时间"), u("2099-12-31"));
        QCOMPARE(panel("开卡金额"), u("100"));
        QCOMPARE(panel("充值总额"), u("180"));
        QCOMPARE(panel("消费总额"), u("25"));
        QCOMPARE(panel("当前金额"), u("155"));
        QCOMPARE(panel("有效次数"), u("0"));
        QCOMPARE(panel("开卡人"), u("收银员甲"));

        kit::DataGrid *grid = m_screen->journalGrid();
        QCOMPARE(grid->rowCount(), 5);
        // Newest first.
        QCOMPARE(grid->row(0).text(u("标志")), u("误收"));
        QCOMPARE(grid->row(4).text(u("标志")), u("新开卡"));
        const QStringList captions = grid->table().captions;
        QCOMPARE(captions, (QStringList{u("收银时间"), u("流水号"), u("付款方式"), u("充值金额"), u("消费额"),
                                        u("赠送金额"), u("有效次数"), u("收银员"), u("收银点名称"), u("说明")}));
        QCOMPARE(grid->footerText(0), u("合计"));
        QCOMPARE(grid->footerText(1), u("5"));
        QCOMPARE(grid->footerText(3), u("170"));
        QCOMPARE(grid->footerText(4), u("-30"));
        QCOMPARE(grid->footerText(5), u("10"));
    }

    void journalRowColours_data()
    {
        QTest::addColumn<QString>("flag");
        QTest::addColumn<QColor>("background");
        QTest::addColumn<QColor>("text");
        QTest::newRow("充值") << u("充值") << QColor(255, 255, 128) << QColor();
        QTest::newRow("新开卡") << u("新开卡") << QColor(255, 255, 128) << QColor();
        QTest::newRow("误收") << u("误收") << QColor(255, 0, 0) << QColor(255, 255, 255);
        QTest::newRow("修改") << u("修改") << QColor(255, 0, 0) << QColor(255, 255, 255);
        QTest::newRow("消费") << u("消费") << QColor() << QColor();
    }

    void journalRowColours()
    {
        QFETCH(QString, flag);
        QFETCH(QColor, background);
        QFETCH(QColor, text);
        lookUp(sample::storedCard);
        kit::GridModel *model = m_screen->journalGrid()->model();
        int row = -1;
        for (int r = 0; r < model->rowCount(); ++r)
            if (model->row(r).text(u("标志")) == flag)
                row = r;
        QVERIFY(row >= 0);
        const QModelIndex index = model->index(row, 0);
        const QVariant bg = model->data(index, Qt::BackgroundRole);
        const QVariant fg = model->data(index, Qt::ForegroundRole);
        QCOMPARE(bg.isValid() ? bg.value<QBrush>().color() : QColor(), background);
        QCOMPARE(fg.isValid() ? fg.value<QBrush>().color() : QColor(), text);
    }

    void titleClickSortsAndFindSelects()
    {
        lookUp(sample::storedCard);
        kit::DataGrid *grid = m_screen->journalGrid();
        QHeaderView *header = grid->view()->horizontalHeader();
        auto serials = [grid] {
            QStringList out;
            for (int r = 0; r < grid->rowCount(); ++r)
                out << grid->row(r).text(u("流水号"));
            return out;
        };
        auto clickTitle = [header](int column) {
            QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                              QPoint(header->sectionViewportPosition(column) + 5, header->height() / 2));
        };
        clickTitle(1); // 流水号
        QCOMPARE(serials(), (QStringList{u("1"), u("2"), u("3"), u("4"), u("5")}));
        clickTitle(1);
        QCOMPARE(serials(), (QStringList{u("5"), u("4"), u("3"), u("2"), u("1")}));
        clickTitle(4); // 消费额: the deduction of 30 first
        QCOMPARE(serials().first(), u("3"));
        clickTitle(2); // 付款方式 does not sort
        QCOMPARE(serials().first(), u("3"));

        QVERIFY(grid->findNext(u("银行卡")));
        QCOMPARE(grid->current()->text(u("付款方式")), u("银行卡"));
    }

    void newCard_data()
    {
        QTest::addColumn<QString>("user");
        QTest::addColumn<QList<bool>>("answers");
        QTest::addColumn<QStringList>("texts");
        QTest::addColumn<bool>("issueOpened");
        QTest::newRow("without the right") << u("clerk") << QList<bool>{} << QStringList{} << false;
        QTest::newRow("No") << u("admin") << QList<bool>{false}
                            << QStringList{TFMemberMain::textNewCardQuestion(), u("该卡是新卡，请联系财务！！")} << false;
        QTest::newRow("Yes") << u("admin") << QList<bool>{true} << QStringList{TFMemberMain::textNewCardQuestion()}
                             << true;
    }

    void newCard()
    {
        QFETCH(QString, user);
        QFETCH(QList<bool>, answers);
        QFETCH(QStringList, texts);
        QFETCH(bool, issueOpened);
        lookUp(sample::storedCard);
        m_screen->setOperator(op(user));
        QSignalSpy opened(m_screen.get(), &TFMemberMain::screenOpened);
        kit::ScriptedMessages script;
        for (bool a : answers)
            script.answer(a);
        lookUp(sample::newCard);
        QCOMPARE(script.texts(), texts);
        QCOMPARE(script.pendingAnswers(), 0);
        // The panel keeps the card shown before.
        QCOMPARE(panel("卡自编号"), sample::storedOwn);
        QCOMPARE(opened.size(), issueOpened ? 1 : 0);
        if (issueOpened) {
            QCOMPARE(opened.at(0).at(0).value<Screen>(), Screen::CardIssue);
            QCOMPARE(m_screen->journalGrid()->rowCount(), 0); // the new number's (empty) journal
        } else {
            QCOMPARE(m_screen->journalGrid()->rowCount(), 5);
        }
    }

    // Gates by card and key: what is refused and what is opened.
    void gates_data()
    {
        QTest::addColumn<QString>("card");
        QTest::addColumn<int>("key");
        QTest::addColumn<QString>("refusal");
        QTest::addColumn<int>("screen");
        const QString lost = u("此会员卡已挂失，请恢复后再操作！");
        const QString expired = u("此会员卡已过期，请联系财务！");
        const QString unknown = u("此卡为新卡，请发行后再操作");
        auto row = [](const char *name, const QString &card, Qt::Key key, const QString &refusal, int screen) {
            QTest::newRow(name) << card << int(key) << refusal << screen;
        };
        row("stored F2", sample::storedCard, Qt::Key_F2, {}, int(Screen::Deduction));
        row("stored F3", sample::storedCard, Qt::Key_F3, {}, int(Screen::Recharge));
        row("stored F4", sample::storedCard, Qt::Key_F4, {}, int(Screen::CardRecord));
        row("stored F5", sample::storedCard, Qt::Key_F5, {}, int(Screen::Mischarge));
        row("count F2", sample::countCard, Qt::Key_F2, {}, int(Screen::CountDeduction));
        row("count F3", sample::countCard, Qt::Key_F3, {}, int(Screen::CountRecharge));
        row("count F4", sample::countCard, Qt::Key_F4, {}, int(Screen::CardRecord));
        row("count F5", sample::countCard, Qt::Key_F5, {}, int(Screen::CountCorrection));
        row("lost F2", sample::lostCard, Qt::Key_F2, lost, -1);
        row("lost F3", sample::lostCard, Qt::Key_F3, lost, -1);
        row("lost F4", sample::lostCard, Qt::Key_F4, {}, int(Screen::CardRecord));
        row("lost F5", sample::lostCard, Qt::Key_F5, lost, -1);
        row("expired F2", sample::expiredCard, Qt::Key_F2, expired, -1);
        row("expired F3", sample::expiredCard, Qt::Key_F3, expired, -1);
        row("expired F4", sample::expiredCard, Qt::Key_F4, {}, int(Screen::CardRecord));
        row("expired F5", sample::expiredCard, Qt::Key_F5, expired, -1);
        row("unknown F2", sample::newCard, Qt::Key_F2, unknown, -1);
        row("unknown F4", sample::newCard, Qt::Key_F4, unknown, -1);
    }

    void gates()
    {
        QFETCH(QString, card);
        QFETCH(int, key);
        QFETCH(QString, refusal);
        QFETCH(int, screen);
        kit::ScriptedMessages script;
        script.answer(false); // the new-card question of the unknown number
        lookUp(card);
        script.clear();
        QSignalSpy opened(m_screen.get(), &TFMemberMain::screenOpened);
        press(Qt::Key(key));
        QCOMPARE(script.texts(), refusal.isEmpty() ? QStringList{} : QStringList{refusal});
        QCOMPARE(opened.size(), screen < 0 ? 0 : 1);
        if (screen >= 0)
            QCOMPARE(int(opened.at(0).at(0).value<Screen>()), screen);
        if (card != sample::newCard)
            QCOMPARE(m_screen->journalGrid()->rowCount() > 0, true);
        // A lost card is shown in full by the lookup.
        if (card == sample::lostCard)
            QCOMPARE(panel("卡自编号"), u("C001"));
    }

    void visitGate()
    {
        kit::ScriptedMessages script;
        QSignalSpy opened(m_screen.get(), &TFMemberMain::screenOpened);
        lookUp(sample::lostCard);
        m_screen->button(u("添加回访(&T)"))->click();
        QVERIFY(script.texts().isEmpty());
        QCOMPARE(opened.size(), 1);
        QCOMPARE(opened.at(0).at(0).value<Screen>(), Screen::NewVisit);
    }

    void gatesWithoutRights_data()
    {
        QTest::addColumn<QString>("action");
        QTest::addColumn<QString>("denial");
        QTest::newRow("F2") << u("F2") << u("对不起，您没有扣款权限，请联系管理员！！");
        QTest::newRow("F3") << u("F3") << u("对不起，您没有充值的权限，请联系管理员！！");
        QTest::newRow("F4") << u("F4") << u("对不起，您没有修改会员信息的权限，请联系管理员！！");
        QTest::newRow("F5") << u("F5") << u("对不起，您没有操作误收的权限，请联系管理员！！");
        QTest::newRow("visit") << u("添加回访(&T)") << u("对不起，您没有回访的权限，请联系管理员！！");
        QTest::newRow("reprint") << u("补打凭证(&B)") << u("你没有补打账单的权限，请联系管理员！！！");
        QTest::newRow("payment method") << u("修改付款方式") << u("对不起，您没有修改付款方式的权限，请联系管理员！！");
    }

    void gatesWithoutRights()
    {
        QFETCH(QString, action);
        QFETCH(QString, denial);
        lookUp(sample::storedCard);
        m_screen->setOperator(op(u("clerk")));
        kit::ScriptedMessages script;
        QSignalSpy opened(m_screen.get(), &TFMemberMain::screenOpened);
        if (action.startsWith(QLatin1Char('F')))
            press(Qt::Key(Qt::Key_F1 + action.mid(1).toInt() - 1));
        else if (action == u("修改付款方式"))
            m_screen->correctPaymentMethod();
        else
            m_screen->button(action)->click();
        QCOMPARE(script.texts(), QStringList{denial});
        QCOMPARE(opened.size(), 0);
        QVERIFY(m_printed.isEmpty());
    }

    // A gate works on the card in the field as the database holds it now,
    // not on what the panel showed from an earlier lookup.
    void gateReadsTheCardAgain()
    {
        lookUp(sample::storedCard);
        QCOMPARE(panel("当前金额"), u("155"));
        // Another workstation changes the balance; the cashier then types
        // the count card's number without Enter.
        store::Query(*m_store, u("update 会员表 set 金额=金额+1 where 卡号=:kh")).bind(u(":kh"), sample::storedCard).exec();
        kit::ScriptedMessages script;
        press(Qt::Key_F3);
        QCOMPARE(panel("当前金额"), u("156"));
        QCOMPARE(store::fieldText(m_screen->member(), u("金额")), u("156"));
        // F2 reads the whole row as well: the screen it opens finds every total.
        press(Qt::Key_F2);
        QVERIFY(m_screen->member().contains(u("赠送总额")));
        QCOMPARE(store::fieldText(m_screen->member(), u("金额")), u("156"));

        m_screen->cardField()->clear();
        QTest::keyClicks(m_screen->cardField(), sample::countCard);
        QSignalSpy opened(m_screen.get(), &TFMemberMain::screenOpened);
        press(Qt::Key_F3);
        QCOMPARE(opened.at(0).at(0).value<Screen>(), Screen::CountRecharge);
        QCOMPARE(panel("卡自编号"), u("B001"));
        QCOMPARE(m_screen->journalGrid()->row(0).text(u("标志")), u("消费"));
        QVERIFY(script.texts().isEmpty());
        store::Query(*m_store, u("update 会员表 set 金额=金额-1 where 卡号=:kh")).bind(u(":kh"), sample::storedCard).exec();
    }

    // A passing gate opens the screen it names, modally, and the focus comes
    // back to the card number.
    void passingGateOpensItsScreen()
    {
        QString opened;
        m_screen->addScreen(Screen::Recharge, [](MemberDesk &, QWidget *parent) {
            auto *d = new QDialog(parent);
            d->setWindowTitle(u("会员卡充值"));
            return d;
        });
        kit::ScriptedMessages script;
        script.onModal([&](QDialog *d) {
            opened = d->windowTitle();
            return int(QDialog::Rejected);
        });
        lookUp(sample::storedCard);
        press(Qt::Key_F3);
        QCOMPARE(opened, u("会员卡充值"));
        QCOMPARE(QApplication::focusWidget(), m_screen->cardField());
    }

    void f8CyclesThroughTheSixTabs()
    {
        QCOMPARE(m_screen->tabs()->currentIndex(), 0);
        QList<int> seen;
        for (int i = 0; i < 6; ++i) {
            press(Qt::Key_F8);
            seen << m_screen->tabs()->currentIndex();
        }
        QCOMPARE(seen, (QList<int>{1, 2, 3, 4, 5, 0}));
    }

    void escClearsAndF1Focuses()
    {
        QTest::keyClicks(m_screen->cardField(), u("10"));
        m_screen->button(u("退出"))->setFocus();
        press(Qt::Key_F1);
        QCOMPARE(QApplication::focusWidget(), m_screen->cardField());
        m_screen->panelField(u("客人姓名"))->setFocus();
        press(Qt::Key_Escape);
        QVERIFY(m_screen->cardField()->text().isEmpty());
        QCOMPARE(QApplication::focusWidget(), m_screen->cardField());
    }

    void f7OpensTheAboutScreen()
    {
        QSignalSpy about(m_screen.get(), &TFMemberMain::aboutRequested);
        press(Qt::Key_F7);
        QCOMPARE(about.size(), 1);
        TFabout dialog;
        QCOMPARE(dialog.windowTitle(), u("关于本软件"));
        dialog.show();
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        QTest::keyClick(&dialog, Qt::Key_Escape);
        QVERIFY(!dialog.isVisible());
    }

    void exportJournal()
    {
        kit::ScriptedMessages script;
        // Nothing shown yet: no dialog.
        m_screen->exportJournal();
        QVERIFY(script.entries().isEmpty());

        lookUp(sample::storedCard);
        const QString base = m_tmp.filePath(u("journal"));
        script.saveAs(base, 1);
        m_screen->button(u("导出EXECL(&E)"))->click();
        QCOMPARE(script.entries().value(0).kind, kit::MessageKind::SaveDialog);
        QCOMPARE(script.entries().value(0).text, u("会员A001的详细消费记录") + store::fileDateText());
        QFile file(base + u(".htm"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QString html = QString::fromUtf8(file.readAll());
        QVERIFY(html.contains(u("银行卡")));
        QVERIFY(html.contains(u("收银点名称")));
    }

    void paymentMethodCorrectionOnlyOnRecharges()
    {
        kit::ScriptedMessages script;
        QSignalSpy opened(m_screen.get(), &TFMemberMain::screenOpened);
        m_screen->correctPaymentMethod(); // no journal yet
        lookUp(sample::storedCard);
        selectSerial(3); // the deduction
        emit m_screen->journalGrid()->rowActivated(m_screen->journalGrid()->currentRow());
        QCOMPARE(opened.size(), 0);
        selectSerial(2); // the recharge
        emit m_screen->journalGrid()->rowActivated(m_screen->journalGrid()->currentRow());
        QCOMPARE(opened.size(), 1);
        QCOMPARE(opened.at(0).at(0).value<Screen>(), Screen::PaymentMethod);
        QVERIFY(script.texts().isEmpty());
    }

    void reprintBeforeAnyLookupDoesNothing()
    {
        kit::ScriptedMessages script;
        m_screen->button(u("补打凭证(&B)"))->click();
        QVERIFY(script.entries().isEmpty());
        QVERIFY(m_printed.isEmpty());
    }

    void reprintOfADeduction()
    {
        lookUp(sample::storedCard);
        selectSerial(3);
        m_screen->button(u("补打凭证(&B)"))->click();
        QCOMPARE(m_printed.size(), 1);
        const Receipt &r = m_printed.at(0);
        QCOMPARE(r.layout, ReceiptLayout::Reprint);
        QCOMPARE(r.title, u("补打单"));
        QCOMPARE(r.amountCaption, u("操作金额："));
        QCOMPARE(r.amountValue, u("-30"));
        QCOMPARE(r.ownNumber, sample::storedOwn);
        QCOMPARE(r.id, u("3"));
        QCOMPARE(r.cashier, u("收银员甲"));
        QCOMPARE(r.reprintOperator, u("管理员"));
        QCOMPARE(r.time.size(), 16);
        QCOMPARE(r.reprintTime.size(), 16);
        QCOMPARE(r.header.slogan, u("谢谢惠顾，欢迎再次光临！"));
    }

    void reprintCountThenMoney()
    {
        lookUp(sample::countCard);
        selectSerial(7); // the count deduction of 3 uses
        m_screen->reprint();
        lookUp(sample::storedCard);
        selectSerial(2); // recharge 50 with 10 gift
        m_screen->reprint();
        QCOMPARE(m_printed.size(), 2);
        QCOMPARE(m_printed[0].amountCaption, u("操作次数"));
        QCOMPARE(m_printed[0].amountValue, u("-3"));
        QVERIFY(m_printed[0].ownNumber.isEmpty());
        QCOMPARE(m_printed[1].amountCaption, u("操作金额："));
        QCOMPARE(m_printed[1].amountValue, u("60"));
        QCOMPARE(m_printed[1].method, u("银行卡"));
        QCOMPARE(m_printed[1].ownNumber, sample::storedOwn);
        // Both fill the same layout anew: nothing of the count receipt is left.
        const ReceiptPage page = fillReceipt(m_printed[1]);
        QCOMPARE(page.text(u("amountCaption"))->text, u("操作金额："));
        QCOMPARE(page.text(u("card"))->text, sample::storedOwn);
    }

    // A cash point set to another receipt size gets the filled 57 mm receipt.
    void reprintOnOtherSizeIsFilled()
    {
        store::Query(*m_store, u("update 收银点表 set POS账单尺寸='75MM' where 收银点名称='前台收银'")).exec();
        lookUp(sample::storedCard);
        selectSerial(3);
        m_screen->reprint();
        store::Query(*m_store, u("update 收银点表 set POS账单尺寸='57MM' where 收银点名称='前台收银'")).exec();
        QCOMPARE(m_printed.size(), 1);
        QCOMPARE(m_printed[0].amountValue, u("-30"));
        QCOMPARE(m_printed[0].cashier, u("收银员甲"));
    }

    void noDefaultPrinterIsTold()
    {
        if (!QPrinterInfo::defaultPrinter().isNull())
            QSKIP("this machine has a default printer");
        kit::ScriptedMessages script;
        TFprint real;
        Receipt r;
        r.layout = ReceiptLayout::Settlement;
        QVERIFY(!real.print(r));
        QCOMPARE(script.texts(), QStringList{TFprint::textNoPrinter()});
    }

    // F10 shows the sign-in; a failed attempt keeps the operator and his
    // rights, a successful one replaces both.
    void changeOfOperator()
    {
        m_screen.reset();
        FrontDesk desk(*m_store);
        kit::ScriptedMessages script(false);
        desk.signedIn(op(u("seller")));
        TFMemberMain &members = desk.members();
        QVERIFY(QTest::qWaitForWindowActive(&members));
        members.focusCardNumber();
        QTest::keyClick(members.cardField(), Qt::Key_F10);
        signin::TFlogin &login = desk.login();
        QVERIFY(login.isVisible());
        QTest::keyClicks(login.userField(), u("clerk"));
        QTest::keyClicks(login.passwordField(), u("wrong"));
        login.okButton()->click();
        QCOMPARE(script.last(), u(" 输入密码错误，请再输入一次！"));
        QCOMPARE(members.operatorLabel()->text(), u("操作员：收款员"));
        QVERIFY(members.holds(u("会员卡充值")));

        login.passwordField()->setText(u("clerk"));
        login.okButton()->click();
        QCOMPARE(members.operatorLabel()->text(), u("操作员：无权员"));
        QVERIFY(!members.holds(u("会员卡充值")));
        QVERIFY(!login.isVisible());
    }

    // The sign-in shown when the backdrop becomes active, driven through
    // its presses of 确定: what signs in and what ends the program.
    void signInAtStart_data()
    {
        QTest::addColumn<QStringList>("presses"); // "user:password", "user:old>new" for a change, "退出"
        QTest::addColumn<QString>("signedIn");     // the operator caption afterwards
        QTest::addColumn<QString>("lastMessage");
        QTest::addColumn<bool>("ends");
        QTest::newRow("success") << QStringList{u("seller:seller")} << u("操作员：收款员") << QString() << false;
        QTest::newRow("two failures, then success")
            << QStringList{u("seller:x"), u("nobody:x"), u("seller:seller")} << u("操作员：收款员")
            << u(" 非法用户，请您输入正确的用户名！") << false;
        QTest::newRow("three failures, then the right password")
            << QStringList{u("seller:x"), u("seller:y"), u("seller:z"), u("seller:seller")} << u("操作员：")
            << u("用户名或口令错误输入超过三次，系统关闭！") << true;
        QTest::newRow("退出") << QStringList{u("退出")} << u("操作员：") << QString() << true;
        QTest::newRow("password change") << QStringList{u("changer:changer>new")} << u("操作员：")
                                         << u("密码修改成功，系统退出，请已新密码重新登录！") << true;
    }

    void signInAtStart()
    {
        QFETCH(QStringList, presses);
        QFETCH(QString, signedIn);
        QFETCH(QString, lastMessage);
        QFETCH(bool, ends);
        m_screen.reset();
        // A fresh operator for each row, whose password a row may change.
        store::Query(*m_store, u("delete from 用户表 where 用户名='changer'")).exec();
        sample::addOperator(*m_store, u("changer"), u("改密员"), {});
        FrontDesk desk(*m_store);
        QSignalSpy quit(&desk, &FrontDesk::quitRequested);
        kit::ScriptedMessages script(false);
        bool asked = false;
        script.onModal([&](QDialog *d) {
            asked = true;
            signin::TFlogin &login = desk.login();
            if (d != &login)
                return int(QDialog::Rejected);
            login.show();
            for (const QString &press : presses) {
                if (!login.isVisible())
                    break;
                if (press == u("退出")) {
                    login.quitButton()->click();
                    continue;
                }
                const QString user = press.section(QLatin1Char(':'), 0, 0);
                const QString rest = press.section(QLatin1Char(':'), 1);
                login.userField()->setText(user);
                login.passwordField()->setText(rest.section(QLatin1Char('>'), 0, 0));
                login.changeBox()->setChecked(rest.contains(QLatin1Char('>')));
                login.newPasswordField()->setText(rest.section(QLatin1Char('>'), 1));
                login.okButton()->click();
            }
            return login.result();
        });
        desk.start();
        QTRY_VERIFY(asked);
        QCOMPARE(desk.members().operatorLabel()->text(), signedIn);
        QCOMPARE(desk.members().isVisible(), !ends);
        QCOMPARE(script.last(), lastMessage);
        QCOMPARE(quit.size(), ends ? 1 : 0);
        QVERIFY(!desk.login().isVisible());
    }

    // The real operation screens behind the gates: which one each card kind
    // and key opens, modally, and the focus back on the card number.
    void gatesOpenTheCardScreens_data()
    {
        QTest::addColumn<QString>("card");
        QTest::addColumn<int>("key");
        QTest::addColumn<QString>("screen");
        QTest::newRow("stored F2") << sample::storedCard << int(Qt::Key_F2) << u("frontdesk::Tfhykk");
        QTest::newRow("stored F3") << sample::storedCard << int(Qt::Key_F3) << u("frontdesk::Tfhycz");
        QTest::newRow("stored F5") << sample::storedCard << int(Qt::Key_F5) << u("frontdesk::Tfhyws");
        QTest::newRow("count F2") << sample::countCard << int(Qt::Key_F2) << u("frontdesk::Tfckkk");
        QTest::newRow("count F3") << sample::countCard << int(Qt::Key_F3) << u("frontdesk::Tfckcz");
        QTest::newRow("count F5") << sample::countCard << int(Qt::Key_F5) << u("frontdesk::Tfckws");
    }

    void gatesOpenTheCardScreens()
    {
        QFETCH(QString, card);
        QFETCH(int, key);
        QFETCH(QString, screen);
        m_screen.reset();
        FrontDesk desk(*m_store);
        kit::ScriptedMessages script(false);
        desk.signedIn(op(u("admin")));
        TFMemberMain &members = desk.members();
        QVERIFY(QTest::qWaitForWindowActive(&members));
        QStringList opened;
        script.onModal([&](QDialog *d) {
            opened << QString::fromLatin1(d->metaObject()->className());
            return int(QDialog::Rejected);
        });
        members.cardField()->setText(card);
        QTest::keyClick(members.cardField(), Qt::Key(key));
        QCOMPARE(opened, QStringList{screen});
        QCOMPARE(QApplication::focusWidget(), members.cardField());
    }

    // Yes to the new-card question shows the card issue without waiting for
    // it; the member screen stays usable and lists the new number's journal.
    void newCardShowsTheIssueScreen()
    {
        m_screen.reset();
        FrontDesk desk(*m_store);
        kit::ScriptedMessages script(false);
        desk.signedIn(op(u("admin")));
        TFMemberMain &members = desk.members();
        QVERIFY(QTest::qWaitForWindowActive(&members));
        bool modal = false;
        script.onModal([&](QDialog *) {
            modal = true;
            return int(QDialog::Rejected);
        });
        members.cardField()->setText(sample::storedCard);
        members.lookUp();
        QVERIFY(members.journalGrid()->rowCount() > 0);
        script.answer(true);
        members.cardField()->setText(sample::newCard);
        members.lookUp();
        QDialog *issue = members.screen(Screen::CardIssue);
        QVERIFY(issue);
        QCOMPARE(QString::fromLatin1(issue->metaObject()->className()), u("frontdesk::Tfxkk"));
        QVERIFY(issue->isVisible());
        QVERIFY(!issue->isModal());
        QVERIFY(!modal);
        QCOMPARE(members.journalGrid()->rowCount(), 0);
        issue->hide();
    }

    void backdropShowsTitleAndContact()
    {
        TFMain backdrop(*m_store);
        QCOMPARE(backdrop.title(), u("好运来会员店管理系统"));
        QCOMPARE(backdrop.contactLines(),
                 (QStringList{u("公司地址：建设大街16号"), u("联系电话：0335-3055666"),
                              u("电子邮件：service@example.com"), u("联系人：王经理"), u("当前版本：1.0.0.1")}));
    }
};

QTEST_MAIN(TestMemberScreen)
#include "tst_memberscreen.moc"
