#include "memberscreen.h"

#include "cardops.h"
#include "receiptform.h"
#include "reprint.h"

#include "kit/export.h"
#include "kit/keys.h"
#include "kit/messages.h"
#include "store/money.h"
#include "store/query.h"
#include "store/textforms.h"

#include <QAction>
#include <QDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

namespace frontdesk {

namespace {

QString u(const char *text)
{
    return QString::fromUtf8(text);
}

// The member panel: caption, column, and whether an empty column shows "0".
struct PanelField {
    const char *caption;
    const char *column;
    bool number;
};
const PanelField kPanel[] = {
    {"客人姓名", "姓名", false},   {"客人手机", "手机", false},     {"客人电话", "电话", false},
    {"卡自编号", "自编号", false}, {"会员类型", "协议名称", false}, {"到期时间", "失效时间", false},
    {"开卡金额", "开卡额", true},  {"充值总额", "充值总额", true},  {"消费总额", "消费总额", true},
    {"当前金额", "金额", true},    {"有效次数", "有效次数", true},  {"使用次数", "使用次数", true},
    {"开卡人", "开卡人", false},
};

// A column of a member row as the panel shows it: trimmed text, amounts
// without floating-point noise.
QString panelText(const QSqlRecord &row, const PanelField &f)
{
    const QString column = u(f.column);
    const QVariant v = row.contains(column) ? row.value(column) : QVariant();
    QString text;
    if (v.typeId() == QMetaType::Double)
        text = store::numText(v.toDouble());
    else
        text = v.toString().trimmed();
    if (text.isEmpty() && f.number)
        text = QStringLiteral("0");
    return text;
}

const QString kNewCard = QStringLiteral("此卡为新卡，请发行后再操作");

struct GateRule {
    const char *right;
    const char *denial;
    bool checksState;
};

GateRule ruleOf(Gate g)
{
    switch (g) {
    case Gate::Deduct: return {"会员卡扣款", "对不起，您没有扣款权限，请联系管理员！！", true};
    case Gate::Recharge: return {"会员卡充值", "对不起，您没有充值的权限，请联系管理员！！", true};
    case Gate::Mischarge: return {"会员卡误收", "对不起，您没有操作误收的权限，请联系管理员！！", true};
    case Gate::Modify: return {"会员卡修改", "对不起，您没有修改会员信息的权限，请联系管理员！！", false};
    case Gate::Visit: return {"会员回访", "对不起，您没有回访的权限，请联系管理员！！", false};
    }
    return {"", "", false};
}

// Journal rows coloured by 标志: recharges and new cards light yellow,
// mis-charge corrections and corrected rows white on red.
kit::RowColours journalColours(const kit::Row &r)
{
    const QString flag = r.text(QStringLiteral("标志"));
    if (flag == QStringLiteral("充值") || flag == QStringLiteral("新开卡"))
        return {QColor(255, 255, 128), {}};
    if (flag == QStringLiteral("误收") || flag == QStringLiteral("修改"))
        return {QColor(255, 0, 0), QColor(255, 255, 255)};
    return {};
}

QPushButton *plainButton(const QString &caption)
{
    auto *b = new QPushButton(caption);
    b->setAutoDefault(false);
    b->setFocusPolicy(Qt::TabFocus);
    return b;
}

} // namespace

TFMemberMain::TFMemberMain(store::Store &store, TFprint &printer, QWidget *parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint), m_store(store), m_printer(printer)
{
    setWindowTitle(QStringLiteral("会员卡主界面"));
    auto *outer = new QVBoxLayout(this);
    outer->setContentsMargins(6, 4, 6, 4);
    buildTopBar(outer);
    buildCardLine(outer);

    m_tabs = new QTabWidget;
    m_tabs->addTab(buildMemberTab(), QStringLiteral("会员管理(F8)"));
    for (const char *caption : {"会员查询", "本班新发卡清单", "本班充值清单", "本班消费清单", "本班误收清单"})
        m_tabs->addTab(new QWidget, u(caption));
    m_tabs->setFocusPolicy(Qt::NoFocus);
    outer->addWidget(m_tabs, 1);

    buildBottomBar(outer);
    buildKeys();
    QWidget *previous = m_card;
    for (const char *caption : {"扣款(F2)", "充值(F3)", "修改(F4)", "误收(F5)", "退出"}) {
        setTabOrder(previous, m_buttons.value(u(caption)));
        previous = m_buttons.value(u(caption));
    }

    kit::guard(this, [this] { readHeader(); });
    m_weekday->setText(store::weekdayText(QDate::currentDate()));
    m_timer = new QTimer(this);
    m_timer->setInterval(1000);
    connect(m_timer, &QTimer::timeout, this, &TFMemberMain::tick);
    m_timer->start();
    tick();
}

TFMemberMain::~TFMemberMain() = default;

void TFMemberMain::buildTopBar(QVBoxLayout *outer)
{
    auto *bar = new QHBoxLayout;
    m_title = new QLabel;
    QFont f = m_title->font();
    f.setPointSizeF(f.pointSizeF() * 1.6);
    f.setBold(true);
    m_title->setFont(f);
    bar->addWidget(m_title);
    bar->addStretch(1);
    auto *minimise = new QToolButton;
    minimise->setText(QStringLiteral("—"));
    minimise->setToolTip(QStringLiteral("最小化"));
    minimise->setFocusPolicy(Qt::NoFocus);
    auto *exit = new QToolButton;
    exit->setText(QStringLiteral("×"));
    exit->setToolTip(QStringLiteral("退出"));
    exit->setFocusPolicy(Qt::NoFocus);
    bar->addWidget(minimise);
    bar->addWidget(exit);
    outer->addLayout(bar);
    connect(minimise, &QToolButton::clicked, this, [this] { window()->showMinimized(); });
    connect(exit, &QToolButton::clicked, this, [this] { m_buttons.value(QStringLiteral("退出"))->click(); });
}

void TFMemberMain::buildCardLine(QVBoxLayout *outer)
{
    auto *line = new QHBoxLayout;
    line->addWidget(new QLabel(QStringLiteral("卡号F1")));
    m_card = new QLineEdit;
    m_card->setEchoMode(QLineEdit::Password);
    // The card number shows as "*" whatever the platform's password character.
    m_card->setStyleSheet(QStringLiteral("QLineEdit { lineedit-password-character: 42; }"));
    m_card->setMinimumWidth(220);
    line->addWidget(m_card);
    auto *reader = new QLabel(QStringLiteral("●"));
    reader->setStyleSheet(QStringLiteral("color: red;"));
    reader->setToolTip(QStringLiteral("红灯表示串口读卡器可用"));
    line->addWidget(reader);
    line->addStretch(1);
    for (const char *caption : {"扣款(F2)", "充值(F3)", "修改(F4)", "误收(F5)", "退出"}) {
        QPushButton *b = plainButton(u(caption));
        m_buttons.insert(u(caption), b);
        line->addWidget(b);
    }
    outer->addLayout(line);

    connect(m_buttons.value(u("扣款(F2)")), &QPushButton::clicked, this, [this] { runGate(Gate::Deduct); });
    connect(m_buttons.value(u("充值(F3)")), &QPushButton::clicked, this, [this] { runGate(Gate::Recharge); });
    connect(m_buttons.value(u("修改(F4)")), &QPushButton::clicked, this, [this] { runGate(Gate::Modify); });
    connect(m_buttons.value(u("误收(F5)")), &QPushButton::clicked, this, [this] { runGate(Gate::Mischarge); });
    connect(m_buttons.value(u("退出")), &QPushButton::clicked, this, &TFMemberMain::quitRequested);
}

QWidget *TFMemberMain::buildMemberTab()
{
    auto *page = new QWidget;
    auto *layout = new QHBoxLayout(page);

    auto *left = new QVBoxLayout;
    auto *form = new QFormLayout;
    for (const PanelField &f : kPanel) {
        auto *field = new QLineEdit;
        if (QByteArray(f.caption) == "当前金额") {
            QFont bold = field->font();
            bold.setBold(true);
            field->setFont(bold);
            field->setStyleSheet(QStringLiteral("color: red;"));
        }
        form->addRow(u(f.caption), field);
        m_panel.append({u(f.caption), field});
    }
    left->addLayout(form);
    for (const char *caption : {"修改密码(&X)", "问题记录(&H)", "关于系统(F7)"}) {
        QPushButton *b = plainButton(u(caption));
        m_buttons.insert(u(caption), b);
        left->addWidget(b);
    }
    left->addStretch(1);
    layout->addLayout(left);
    connect(m_buttons.value(u("关于系统(F7)")), &QPushButton::clicked, this, &TFMemberMain::aboutRequested);

    m_inner = new QTabWidget;
    m_inner->setFocusPolicy(Qt::NoFocus);

    auto *journalPage = new QWidget;
    auto *jl = new QVBoxLayout(journalPage);
    m_journal = new kit::DataGrid;
    m_journal->setColumns({
        {u("收银时间"), u("收银时间"), kit::footer::text(u("合计"))},
        {u("流水号"), u("流水号"), kit::footer::count(), kit::Sortable},
        {u("付款方式"), u("付款方式")},
        {u("充值金额"), u("充值金额"), kit::footer::sum(), kit::Sortable},
        {u("消费额"), u("消费额"), kit::footer::sum(), kit::Sortable},
        {u("赠送金额"), u("赠送金额"), kit::footer::sum(), kit::Sortable},
        {u("有效次数"), u("有效次数"), kit::footer::sum(), kit::Sortable},
        {u("收银员"), u("收银员")},
        {u("收银点名称"), u("收银点名称")},
        {u("说明"), u("说明")},
    });
    m_journal->setRowColours(journalColours);
    jl->addWidget(m_journal, 1);
    auto *jb = new QHBoxLayout;
    for (const char *caption : {"补打凭证(&B)", "导出EXECL(&E)"}) {
        QPushButton *b = plainButton(u(caption));
        m_buttons.insert(u(caption), b);
        jb->addWidget(b);
    }
    jb->addStretch(1);
    jl->addLayout(jb);
    connect(m_buttons.value(u("补打凭证(&B)")), &QPushButton::clicked, this, &TFMemberMain::reprint);
    connect(m_buttons.value(u("导出EXECL(&E)")), &QPushButton::clicked, this, &TFMemberMain::exportJournal);
    connect(m_journal, &kit::DataGrid::rowActivated, this, [this](int) { correctPaymentMethod(); });

    // The grid's menu. Its 补打凭证 entry does nothing: the button reprints.
    QTableView *view = m_journal->view();
    view->setContextMenuPolicy(Qt::ActionsContextMenu);
    auto *exportAction = new QAction(u("导出EXECL(&E)"), view);
    auto *methodAction = new QAction(u("修改付款方式(&M)"), view);
    auto *reprintAction = new QAction(u("补打凭证(&B)"), view);
    view->addActions({exportAction, methodAction, reprintAction});
    connect(exportAction, &QAction::triggered, this, &TFMemberMain::exportJournal);
    connect(methodAction, &QAction::triggered, this, &TFMemberMain::correctPaymentMethod);
    m_inner->addTab(journalPage, u("储值或消费记录"));

    auto *visitPage = new QWidget;
    auto *vl = new QVBoxLayout(visitPage);
    m_visits = new kit::DataGrid;
    vl->addWidget(m_visits, 1);
    auto *vb = new QHBoxLayout;
    QPushButton *addVisit = plainButton(u("添加回访(&T)"));
    m_buttons.insert(u("添加回访(&T)"), addVisit);
    vb->addWidget(addVisit);
    vb->addStretch(1);
    vl->addLayout(vb);
    connect(addVisit, &QPushButton::clicked, this, [this] { runGate(Gate::Visit); });
    m_inner->addTab(visitPage, u("会员回访记录"));

    layout->addWidget(m_inner, 1);
    return page;
}

void TFMemberMain::buildBottomBar(QVBoxLayout *outer)
{
    auto *bar = new QHBoxLayout;
    m_operatorLabel = new QLabel(QStringLiteral("操作员："));
    bar->addWidget(m_operatorLabel);
    bar->addSpacing(30);
    bar->addWidget(new QLabel(QStringLiteral("收银点：") + cashPoint()));
    bar->addSpacing(30);
    QPushButton *change = plainButton(u("更换操作员(F10)"));
    m_buttons.insert(u("更换操作员(F10)"), change);
    bar->addWidget(change);
    bar->addStretch(1);
    bar->addWidget(new QLabel(QStringLiteral("当前时间：")));
    m_clock = new QLabel;
    bar->addWidget(m_clock);
    bar->addSpacing(20);
    m_weekday = new QLabel;
    bar->addWidget(m_weekday);
    outer->addLayout(bar);
    connect(change, &QPushButton::clicked, this, &TFMemberMain::changeOperatorRequested);
}

void TFMemberMain::buildKeys()
{
    auto *keys = new kit::KeyRouter(this);
    keys->onEnter(m_card, [this] { lookUp(); });
    keys->bindKey(Qt::Key_F1, [this] { focusCardNumber(); });
    keys->bindKey(Qt::Key_F2, m_buttons.value(u("扣款(F2)")));
    keys->bindKey(Qt::Key_F3, m_buttons.value(u("充值(F3)")));
    keys->bindKey(Qt::Key_F4, m_buttons.value(u("修改(F4)")));
    keys->bindKey(Qt::Key_F5, m_buttons.value(u("误收(F5)")));
    keys->bindKey(Qt::Key_F7, m_buttons.value(u("关于系统(F7)")));
    keys->bindKey(Qt::Key_F8, [this] { nextTab(); });
    keys->bindKey(Qt::Key_F10, m_buttons.value(u("更换操作员(F10)")));
    keys->bindKey(Qt::Key_Escape, [this] { clearCardNumber(); });
}

void TFMemberMain::readHeader()
{
    store::Query q(m_store, QStringLiteral("select 中文名,单位地址,单位电话,广告语 from 系统参数表"));
    q.exec();
    m_header = {q.text(QStringLiteral("中文名")), q.text(QStringLiteral("单位地址")),
                q.text(QStringLiteral("单位电话")), q.text(QStringLiteral("广告语"))};
    m_title->setText(m_header.shopName + QStringLiteral("管理系统"));
}

QString TFMemberMain::title() const
{
    return m_title->text();
}

QString TFMemberMain::cashPoint() const
{
    return QStringLiteral("前台收银");
}

QString TFMemberMain::cardNumber() const
{
    return m_card->text();
}

ReceiptPrinter &TFMemberMain::printer()
{
    return m_printer;
}

bool TFMemberMain::holds(const QString &right) const
{
    if (m_operator.isNull())
        return false;
    bool held = false;
    kit::guard(const_cast<TFMemberMain *>(this), [&] { held = m_operator.holds(right); });
    return held;
}

void TFMemberMain::setOperator(const signin::Operator &op)
{
    m_operator = op;
    m_operatorLabel->setText(QStringLiteral("操作员：") + op.name());
}

QLineEdit *TFMemberMain::panelField(const QString &caption) const
{
    for (const auto &[c, field] : m_panel)
        if (c == caption)
            return field;
    return nullptr;
}

QPushButton *TFMemberMain::button(const QString &caption) const
{
    return m_buttons.value(caption);
}

void TFMemberMain::showMember(const QSqlRecord &row)
{
    m_member = row;
    for (int i = 0; i < m_panel.size(); ++i)
        m_panel[i].second->setText(panelText(row, kPanel[i]));
}

void TFMemberMain::focusCardNumber()
{
    m_card->setFocus(Qt::OtherFocusReason);
}

void TFMemberMain::clearCardNumber()
{
    m_card->clear();
    focusCardNumber();
}

void TFMemberMain::nextTab()
{
    m_tabs->setCurrentIndex((m_tabs->currentIndex() + 1) % m_tabs->count());
}

void TFMemberMain::tick()
{
    m_clock->setText(store::nowText());
}

QString TFMemberMain::textNewCardQuestion()
{
    return QStringLiteral("该卡是新卡，您真的要开卡吗?");
}

void TFMemberMain::lookUp()
{
    const QString card = cardNumber();
    if (card.isEmpty())
        return;
    kit::guard(this, [&] {
        const QSqlRecord row = memberRow(m_store, card);
        if (!row.isEmpty()) {
            showMember(row);
            loadJournal(card);
            return;
        }
        // A number that no member has: a new card, if this operator may issue one.
        if (!holds(QStringLiteral("会员卡发行")))
            return;
        if (kit::ask(this, textNewCardQuestion())) {
            openScreen(Screen::CardIssue);
            loadJournal(card);
        } else {
            kit::info(this, QStringLiteral("该卡是新卡，请联系财务！！"));
        }
    });
}

void TFMemberMain::loadJournal(const QString &card)
{
    store::Query q(m_store, QStringLiteral(
                                "select 收银时间,流水号,付款方式,充值金额,赠送金额,消费额,有效次数,收银员,收银点名称,"
                                "说明,标志,是记次卡,误收额 from 储值流水表 where 会员卡号=:hykh order by 流水号 desc"));
    q.bind(QStringLiteral(":hykh"), card).exec();
    QList<QVariantList> rows;
    rows.reserve(q.size());
    for (const QSqlRecord &r : q.rows()) {
        QVariantList values;
        for (int i = 0; i < r.count(); ++i)
            values << r.value(i);
        rows << values;
    }
    m_journal->setRows(q.columns(), rows);
    if (!rows.isEmpty())
        m_journal->setCurrentRow(0);
    m_journalLoaded = true;
}

void TFMemberMain::reloadJournal()
{
    kit::guard(this, [this] { loadJournal(cardNumber()); });
}

std::optional<kit::Row> TFMemberMain::currentJournalRow() const
{
    return m_journal->current();
}

std::optional<Screen> TFMemberMain::passGate(Gate gate)
{
    const GateRule rule = ruleOf(gate);
    if (!holds(u(rule.right))) {
        kit::info(this, u(rule.denial));
        return std::nullopt;
    }
    const QString card = cardNumber();
    if (card.isEmpty())
        return std::nullopt;

    std::optional<Screen> target;
    kit::guard(this, [&] {
        // The card as it stands in the database now, whatever the panel
        // showed: the operation works on the number in the field.
        const QSqlRecord row = memberRow(m_store, card);
        if (row.isEmpty()) {
            kit::info(this, kNewCard);
            focusCardNumber();
            return;
        }
        if (rule.checksState) {
            const QString state = store::fieldText(row, QStringLiteral("状态"));
            if (state == QStringLiteral("已挂失")) {
                kit::info(this, QStringLiteral("此会员卡已挂失，请恢复后再操作！"));
                return;
            }
            if (state == QStringLiteral("已过期")) {
                kit::info(this, QStringLiteral("此会员卡已过期，请联系财务！"));
                return;
            }
        }
        showMember(row);
        loadJournal(card);
        const bool count = store::fieldTrue(row, QStringLiteral("是记次卡"));
        switch (gate) {
        case Gate::Deduct: target = count ? Screen::CountDeduction : Screen::Deduction; break;
        case Gate::Recharge: target = count ? Screen::CountRecharge : Screen::Recharge; break;
        case Gate::Mischarge: target = count ? Screen::CountCorrection : Screen::Mischarge; break;
        case Gate::Modify: target = Screen::CardRecord; break;
        case Gate::Visit: target = Screen::NewVisit; break;
        }
    });
    return target;
}

void TFMemberMain::runGate(Gate gate)
{
    if (const auto target = passGate(gate))
        openScreen(*target);
}

void TFMemberMain::addScreen(Screen screen, const ScreenFactory &create)
{
    m_screens.insert(int(screen), create(*this, this));
}

QDialog *TFMemberMain::screen(Screen screen) const
{
    return m_screens.value(int(screen));
}

void TFMemberMain::openScreen(Screen s)
{
    emit screenOpened(s);
    QDialog *dialog = screen(s);
    if (!dialog)
        return;
    if (s == Screen::CardIssue || s == Screen::PaymentMethod) {
        dialog->show();
        dialog->raise();
        dialog->activateWindow();
        return;
    }
    kit::openModal(dialog);
    focusCardNumber();
}

void TFMemberMain::correctPaymentMethod()
{
    if (!holds(QStringLiteral("修改会员卡付款方式"))) {
        kit::info(this, QStringLiteral("对不起，您没有修改付款方式的权限，请联系管理员！！"));
        return;
    }
    if (!m_journalLoaded)
        return;
    const auto row = currentJournalRow();
    if (!row || row->number(QStringLiteral("充值金额")) <= 0)
        return;
    openScreen(Screen::PaymentMethod);
}

void TFMemberMain::reprint()
{
    if (!holds(QStringLiteral("补打凭证"))) {
        kit::info(this, QStringLiteral("你没有补打账单的权限，请联系管理员！！！"));
        return;
    }
    if (!m_journalLoaded)
        return;
    const auto row = currentJournalRow();
    if (!row)
        return;
    // Only the 57 mm layout exists, so every cash point's 账单尺寸 gets it
    // filled (a 75 mm setting once printed an empty form).
    kit::guard(this, [&] {
        const QString ownNumber = panelField(QStringLiteral("卡自编号"))->text().trimmed();
        m_printer.print(reprintReceipt(*row, m_header, ownNumber, operatorName(), store::nowText()));
    });
}

QString TFMemberMain::journalExportName() const
{
    return QStringLiteral("会员") + panelField(QStringLiteral("卡自编号"))->text().trimmed() +
           QStringLiteral("的详细消费记录") + store::fileDateText();
}

void TFMemberMain::exportJournal()
{
    const QString name = journalExportName();
    m_journal->view()->setFocus();
    if (panelField(QStringLiteral("卡自编号"))->text().trimmed().isEmpty())
        return;
    kit::exportGrid(this, *m_journal, name);
}

} // namespace frontdesk
