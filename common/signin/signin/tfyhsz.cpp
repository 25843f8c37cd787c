#include "signin/tfyhsz.h"

#include "signin/accounts.h"
#include "signin/dialogparts.h"
#include "signin/tftjyh.h"
#include "signin/tfxgyh.h"

#include "kit/datagrid.h"
#include "kit/keys.h"
#include "kit/messages.h"
#include "store/query.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

namespace signin {

namespace {

const auto builtInRefused = QStringLiteral("该用户为系统内定，不能删除！");
const auto selfDisableRefused = QStringLiteral("不能停用当前登录的操作员！");

const QColor navy(0, 0, 128);
const QColor maroon(128, 0, 0);

struct BoxSpec {
    const char *column;
    const char *caption;
    bool maroon;
};

// The rights in screen order, top to bottom, per column.
const BoxSpec frontDesk[] = {
    {"会员卡发行", "会员卡发行", false},         {"会员卡修改", "会员卡修改", false},
    {"会员卡充值", "会员卡充值", false},         {"会员卡扣款", "会员卡扣款", false},
    {"会员卡误收", "会员卡误收", false},         {"会员卡挂失", "会员卡挂失/恢复", false},
    {"会员卡密码修改", "会员卡密码修改", false}, {"会员卡资料输出", "会员卡资料输出", false},
    {"会员卡换卡", "会员卡换卡", false},         {"会员回访", "会员回访", false},
    {"前台问题记录", "问题记录", false},         {"补打凭证", "补打凭证", false},
    {"交接班报表", "交接班报表", false},         {"前台删除失效卡", "删除失效卡", true},
    {"修改会员卡到期时间", "修改会员卡到期时间", true},
    {"修改会员卡付款方式", "修改会员卡付款方式", true},
};
const BoxSpec backOffice[] = {
    {"会员卡销售统计", "收款统计", false},       {"会员卡发行稽核", "会员卡发行稽核", false},
    {"会员卡消费稽核", "会员卡消费稽核", false}, {"会员卡资料管理", "会员资料管理", false},
    {"后台删除失效卡", "删除失效卡", false},     {"操作日志", "操作日志", false},
    {"后台问题记录", "问题记录", false},         {"用户设置", "用户设置", false},
    {"收银点设置", "收银点设置", false},         {"卡类型设置", "卡类型设置", false},
    {"系统参数", "参数参数", false},             {"付款方式设置", "付款方式设置", false},
    {"系统维护", "系统维护", true},              {"用户资料设置", "用户资料设置", true},
    {"删除历史数据", "删除历史数据", true},      {"会员卡高级查询", "会员卡高级查询", true},
};
// The rights that only gates read; here they get boxes of their own.
const BoxSpec others[] = {
    {"初始化数据库", "初始化数据库", false}, {"客户档案管理", "客户档案管理", false},
    {"短信中心管理", "短信中心管理", false}, {"导出客户资料", "导出客户资料", false},
    {"新增客户档案", "新增客户档案", false}, {"修改客户档案", "修改客户档案", false},
    {"删除客户档案", "删除客户档案", false},
};

void colour(QWidget *w, const QColor &c)
{
    QPalette p = w->palette();
    p.setColor(QPalette::WindowText, c);
    p.setColor(QPalette::Text, c);
    w->setPalette(p);
}

void emphasise(QWidget *w)
{
    QFont f = w->font();
    f.setBold(true);
    f.setPointSizeF(f.pointSizeF() * 1.2);
    w->setFont(f);
}

} // namespace

TFyhsz::TFyhsz(Session &session, QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowStaysOnTopHint | Qt::MSWindowsFixedSizeDialogHint), m_session(session)
{
    setWindowTitle(QStringLiteral("用户设置"));
    setObjectName(QStringLiteral("TFyhsz"));

    m_list = new kit::DataGrid;
    m_list->setColumns({
        {QStringLiteral("用户名"), QStringLiteral("用户名"), kit::footer::text(QStringLiteral("合计"))},
        {QStringLiteral("姓名"), QStringLiteral("姓名"), kit::footer::count()},
    });
    m_list->setMinimumSize(220, 360);
    m_list->view()->setContextMenuPolicy(Qt::CustomContextMenu);

    m_add = new QPushButton(QStringLiteral("新增(&A)"));
    m_modify = new QPushButton(QStringLiteral("修改(&E)"));
    m_delete = new QPushButton(QStringLiteral("删除(&D)"));
    m_save = new QPushButton(QStringLiteral("保存设置"));

    auto *header = new QVBoxLayout;
    header->addWidget(new QLabel(QStringLiteral("在这里设置用户的各种权限，打勾表示拥有该权限。")));
    header->addWidget(new QLabel(QStringLiteral("你可以在列表框里点鼠标右键来快速删除用户。")));

    auto *body = new QHBoxLayout;
    body->addWidget(m_list, 1);
    body->addWidget(buildRights());

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    for (QPushButton *b : {m_add, m_modify, m_delete, m_save})
        buttons->addWidget(b);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(header);
    layout->addLayout(body);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    m_addDialog = new TFtjyh(session, this);
    m_modifyDialog = new TFxgyh(session, this);

    connect(m_add, &QPushButton::clicked, this, [this] { kit::openModal(m_addDialog); });
    connect(m_modify, &QPushButton::clicked, this, &TFyhsz::modifyCurrent);
    connect(m_delete, &QPushButton::clicked, this, &TFyhsz::deleteCurrent);
    connect(m_save, &QPushButton::clicked, this, &TFyhsz::saveCurrent);
    connect(m_addDialog, &TFtjyh::added, this, [this](const QString &user) { refresh(user); });
    connect(m_modifyDialog, &TFxgyh::modified, this, [this](const QString &user) { refresh(user); });

    // The boxes always show the operator under the cursor, however the
    // cursor got there, so 保存设置 writes what the manager sees.
    connect(m_list, &kit::DataGrid::currentRowChanged, this, &TFyhsz::loadBoxes);
    connect(m_list->view(), &QTableView::clicked, this, &TFyhsz::loadBoxes);
    // A right-click deletes the operator clicked, as the header line says.
    connect(m_list->view(), &QWidget::customContextMenuRequested, this, [this](const QPoint &at) {
        const QModelIndex index = m_list->view()->indexAt(at);
        if (!index.isValid())
            return;
        m_list->setCurrentRow(index.row());
        deleteCurrent();
    });

    auto *keys = new kit::KeyRouter(this);
    keys->bindKey(Qt::Key_Escape, [this] { close(); });
}

QWidget *TFyhsz::buildRights()
{
    auto *rights = new QWidget;
    auto *grid = new QGridLayout(rights);

    auto makeBox = [this](const QString &column, const QString &caption, const QColor &c) {
        auto *b = new QCheckBox(caption);
        b->setObjectName(column);
        colour(b, c);
        m_boxes.insert(column, b);
        return b;
    };

    grid->addWidget(makeBox(QStringLiteral("是否停用"), QStringLiteral("停用"), navy), 0, 0);

    auto addColumn = [&](int col, QWidget *heading, const auto &specs) {
        emphasise(heading);
        grid->addWidget(heading, 1, col);
        int row = 2;
        for (const BoxSpec &s : specs)
            grid->addWidget(makeBox(QString::fromUtf8(s.column), QString::fromUtf8(s.caption), s.maroon ? maroon : navy),
                            row++, col);
    };
    addColumn(0, makeBox(QStringLiteral("会员卡管理"), QStringLiteral("会员卡管理"), navy), frontDesk);
    addColumn(1, makeBox(QStringLiteral("后台管理"), QStringLiteral("后台管理"), navy), backOffice);
    auto *otherHeading = new QLabel(QStringLiteral("其他权限"));
    colour(otherHeading, navy);
    addColumn(2, otherHeading, others);
    grid->setRowStretch(grid->rowCount(), 1);
    return rights;
}

void TFyhsz::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    refresh();
}

void TFyhsz::refresh(const QString &userName)
{
    kit::guard(this, [&] {
        const QList<QSqlRecord> rows = listOperators(m_session.store);
        const QStringList fields{QStringLiteral("id"), QStringLiteral("用户名"), QStringLiteral("姓名"),
                                 QStringLiteral("系统内定")};
        QList<QVariantList> values;
        int at = 0;
        for (const QSqlRecord &r : rows) {
            QVariantList v;
            for (const QString &f : fields)
                v << r.value(f);
            if (!userName.isEmpty() && r.value(QStringLiteral("用户名")).toString() == userName)
                at = int(values.size());
            values << v;
        }
        {
            // Filling the list moves the cursor; load the boxes once, below.
            const QSignalBlocker quiet(m_list);
            m_list->setRows(fields, values);
            m_list->setCurrentRow(at);
        }
        loadBoxes();
    });
}

QString TFyhsz::currentUser() const
{
    const auto row = m_list->current();
    return row ? row->value(QStringLiteral("用户名")).toString() : QString();
}

void TFyhsz::loadBoxes()
{
    kit::guard(this, [this] {
        const std::optional<Operator> op =
            m_list->current() ? Operator::load(m_session.store, currentUser()) : std::nullopt;
        for (auto it = m_boxes.begin(); it != m_boxes.end(); ++it)
            it.value()->setChecked(op ? op->holds(it.key()) : false);
    });
}

void TFyhsz::saveCurrent()
{
    if (!m_list->current())
        return;
    kit::guard(this, [this] {
        QHash<QString, bool> rights;
        for (const QString &column : editedRights())
            rights.insert(column, m_boxes.value(column)->isChecked());
        const QString user = currentUser();
        switch (saveRights(m_session, user, rights, m_boxes.value(QStringLiteral("是否停用"))->isChecked())) {
        case Change::SelfDisable:
            kit::info(this, selfDisableRefused);
            break;
        case Change::Missing:
            kit::info(this, parts::operatorGone);
            refresh();
            break;
        default:
            break;
        }
    });
}

void TFyhsz::deleteCurrent()
{
    const auto row = m_list->current();
    if (!row)
        return;
    const QString user = row->value(QStringLiteral("用户名")).toString();
    if (store::isTrue(row->value(QStringLiteral("系统内定")))) {
        kit::info(this, builtInRefused);
        return;
    }
    if (!kit::ask(this, QStringLiteral("确定要删除用户") + user + QStringLiteral("吗？")))
        return;
    kit::guard(this, [&] {
        switch (deleteOperator(m_session, user)) {
        case Change::Done:
            kit::info(this, QStringLiteral("删除成功！"));
            break;
        case Change::BuiltIn:
            kit::info(this, builtInRefused);
            break;
        default:
            kit::info(this, parts::operatorGone);
            break;
        }
    });
    refresh();
}

void TFyhsz::modifyCurrent()
{
    if (!m_list->current())
        return;
    m_modifyDialog->setUser(currentUser());
    kit::openModal(m_modifyDialog);
}

} // namespace signin
