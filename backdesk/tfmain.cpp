#include "tfmain.h"

#include "signin/tfyhsz.h"

#include "kit/fields.h"
#include "kit/keys.h"
#include "kit/messages.h"
#include "store/errors.h"
#include "store/query.h"
#include "store/scramble.h"
#include "store/textforms.h"

#include <QDialog>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#ifndef BACKDESK_VERSION
#define BACKDESK_VERSION "1.0.0.1"
#endif

namespace backdesk {

namespace {

const QColor maroon(128, 0, 0);
const QColor navy(0, 0, 128);

const QStringList contactColumns{QStringLiteral("公司地址"), QStringLiteral("联系电话"), QStringLiteral("电子邮件"),
                                 QStringLiteral("联系人")};
const QStringList contactCaptions{QStringLiteral("公司地址："), QStringLiteral("联系电话："),
                                  QStringLiteral("电子邮件："), QStringLiteral("联系人：")};

void fill(QWidget *w, const QColor &background, const QColor &text)
{
    w->setAutoFillBackground(true);
    QPalette p = w->palette();
    p.setColor(QPalette::Window, background);
    p.setColor(QPalette::WindowText, text);
    w->setPalette(p);
}

QLabel *label(const QString &text, const QColor &colour = {})
{
    auto *l = new QLabel(text);
    if (colour.isValid()) {
        QPalette p = l->palette();
        p.setColor(QPalette::WindowText, colour);
        l->setPalette(p);
    }
    return l;
}

void scaleFont(QWidget *w, double factor, bool bold)
{
    QFont f = w->font();
    f.setPointSizeF(f.pointSizeF() * factor);
    f.setBold(bold);
    w->setFont(f);
}

// 营业时间 with ":00" appended, as a time: "08:00" gives 08:00:00. An hour
// without its leading zero ("8:00") is taken as well.
QTime businessTime(const QString &stored)
{
    return QTime::fromString(stored.trimmed() + QStringLiteral(":00"), QStringLiteral("H:mm:ss"));
}

} // namespace

TFmain::TFmain(store::Store &store, QWidget *parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint), m_context{{store, {}, workstation}, {}, {}}
{
    setObjectName(QStringLiteral("TFmain"));
    setWindowTitle(QStringLiteral("管理系统"));

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(buildTitleBar());
    layout->addWidget(buildShiftBar());

    m_operators = new signin::TFyhsz(m_context.session, this);
    layout->addWidget(buildMenu());
    layout->addWidget(buildBody(), 1);
    layout->addWidget(buildBottomLine());

    auto *keys = new kit::KeyRouter(this);
    keys->bindKey(Qt::Key_F10, m_changeOperator);

    auto *clock = new QTimer(this);
    connect(clock, &QTimer::timeout, this, &TFmain::tick);
    clock->start(1000);
    tick();
}

TFmain::~TFmain() = default;

QWidget *TFmain::buildTitleBar()
{
    auto *bar = new QFrame;
    fill(bar, navy, Qt::white);
    auto *row = new QHBoxLayout(bar);
    row->setContentsMargins(8, 4, 4, 4);

    auto *picture = new QLabel;
    picture->setPixmap(style()->standardIcon(QStyle::SP_ComputerIcon).pixmap(32, 32));
    m_title = new QLabel(QStringLiteral("管理系统"));
    scaleFont(m_title, 1.8, true);

    auto *minimise = new QToolButton;
    minimise->setIcon(style()->standardIcon(QStyle::SP_TitleBarMinButton));
    minimise->setToolTip(QStringLiteral("最小化"));
    minimise->setAutoRaise(true);
    auto *exit = new QToolButton;
    exit->setIcon(style()->standardIcon(QStyle::SP_TitleBarCloseButton));
    exit->setToolTip(QStringLiteral("退出"));
    exit->setAutoRaise(true);
    connect(minimise, &QToolButton::clicked, this, &QWidget::showMinimized);
    connect(exit, &QToolButton::clicked, this, &TFmain::quitRequested);

    row->addWidget(picture);
    row->addWidget(m_title);
    row->addStretch();
    row->addWidget(minimise);
    row->addWidget(exit);
    return bar;
}

QWidget *TFmain::buildShiftBar()
{
    auto *bar = new QFrame;
    fill(bar, maroon, Qt::white);
    auto *row = new QHBoxLayout(bar);
    row->setContentsMargins(8, 4, 8, 4);
    m_fromDate = new kit::DateEdit;
    m_fromTime = new kit::TimeEdit;
    m_toDate = new kit::DateEdit;
    m_toTime = new kit::TimeEdit;
    m_fromDate->setObjectName(QStringLiteral("开始日期"));
    m_fromTime->setObjectName(QStringLiteral("开始时间"));
    m_toDate->setObjectName(QStringLiteral("结束日期"));
    m_toTime->setObjectName(QStringLiteral("结束时间"));
    row->addWidget(label(QStringLiteral("开始时间"), Qt::white));
    row->addWidget(m_fromDate);
    row->addWidget(m_fromTime);
    row->addSpacing(24);
    row->addWidget(label(QStringLiteral("结束时间"), Qt::white));
    row->addWidget(m_toDate);
    row->addWidget(m_toTime);
    row->addStretch();
    connect(m_fromDate, &QDateEdit::dateChanged, this, &TFmain::periodChanged);
    connect(m_fromTime, &QTimeEdit::timeChanged, this, &TFmain::periodChanged);
    connect(m_toDate, &QDateEdit::dateChanged, this, &TFmain::periodChanged);
    connect(m_toTime, &QTimeEdit::timeChanged, this, &TFmain::periodChanged);
    return bar;
}

QToolButton *TFmain::addEntry(const QString &caption, const QString &right, QWidget *screen, int iconKind)
{
    auto *b = new QToolButton;
    b->setText(caption);
    b->setObjectName(caption);
    // Some themes have only small pictures of these icons: they are drawn
    // scaled up, so that the menu's pictures are all of one size.
    const QPixmap picture = style()->standardIcon(QStyle::StandardPixmap(iconKind)).pixmap(48, 48);
    b->setIcon(QIcon(picture.scaled(48, 48, Qt::KeepAspectRatio, Qt::SmoothTransformation)));
    b->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    b->setAutoRaise(true);
    m_entries.insert(caption, b);
    if (right.isEmpty()) {
        connect(b, &QToolButton::clicked, this, &TFmain::quitRequested);
    } else if (!screen) {
        // The screen of this entry is not part of the program yet.
        b->setEnabled(false);
        b->setToolTip(QStringLiteral("该功能尚未提供"));
    } else {
        connect(b, &QToolButton::clicked, this, [this, right, screen] { open(right, screen); });
    }
    return b;
}

QWidget *TFmain::buildMenu()
{
    struct Entry {
        const char *caption;
        const char *right; // empty: 退出
        QWidget *screen;   // null: not built yet
        QStyle::StandardPixmap icon;
    };
    const Entry menu[] = {
        {"收款统计(&1)", "会员卡销售统计", nullptr, QStyle::SP_FileDialogDetailedView},
        {"会员资料(&2)", "会员卡资料管理", nullptr, QStyle::SP_FileDialogContentsView},
        {"问题记录(&6)", "后台问题记录", nullptr, QStyle::SP_MessageBoxWarning},
        {"日志查询(&7)", "操作日志", nullptr, QStyle::SP_FileDialogInfoView},
        {"收银点设置(&B)", "收银点设置", nullptr, QStyle::SP_ComputerIcon},
        {"用户设置(&A)", "用户设置", m_operators, QStyle::SP_DirHomeIcon},
        {"付款方式(&D)", "付款方式设置", nullptr, QStyle::SP_DialogApplyButton},
        {"卡类型设置(&C)", "卡类型设置", nullptr, QStyle::SP_DriveFDIcon},
        {"系统维护(&F)", "系统维护", nullptr, QStyle::SP_BrowserReload},
        {"退出(&G)", "", nullptr, QStyle::SP_DialogCloseButton},
    };
    // The entry operations that the ten buttons leave out get smaller
    // buttons of their own.
    const Entry more[] = {
        {"系统参数(&S)", "系统参数", nullptr, QStyle::SP_FileDialogListView},
        {"客户档案(&K)", "客户档案管理", nullptr, QStyle::SP_DirOpenIcon},
        {"短信中心(&M)", "短信中心管理", nullptr, QStyle::SP_MessageBoxInformation},
    };

    auto *box = new QWidget;
    auto *rows = new QVBoxLayout(box);
    auto *big = new QHBoxLayout;
    for (const Entry &e : menu) {
        QToolButton *b = addEntry(QString::fromUtf8(e.caption), QString::fromUtf8(e.right), e.screen, e.icon);
        b->setIconSize(QSize(48, 48));
        b->setFixedSize(104, 84);
        big->addWidget(b);
    }
    big->addStretch();
    auto *small = new QHBoxLayout;
    for (const Entry &e : more) {
        QToolButton *b = addEntry(QString::fromUtf8(e.caption), QString::fromUtf8(e.right), e.screen, e.icon);
        b->setIconSize(QSize(20, 20));
        b->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
        small->addWidget(b);
    }
    small->addStretch();
    rows->addLayout(big);
    rows->addLayout(small);
    return box;
}

QWidget *TFmain::buildBody()
{
    auto *body = new QWidget;
    auto *row = new QHBoxLayout(body);
    auto *picture = new QLabel;
    picture->setPixmap(style()->standardIcon(QStyle::SP_DirHomeIcon).pixmap(64, 64).scaled(
        160, 160, Qt::KeepAspectRatio, Qt::SmoothTransformation));
    picture->setAlignment(Qt::AlignCenter);

    auto *lines = new QVBoxLayout;
    lines->addStretch();
    QLabel *version = label(QStringLiteral("当前版本：") + QStringLiteral(BACKDESK_VERSION), navy);
    scaleFont(version, 1.2, true);
    lines->addWidget(version);
    for (QLabel *&l : m_contacts) {
        l = label(QString(), navy);
        scaleFont(l, 1.1, false);
        lines->addWidget(l);
    }
    lines->addStretch();

    row->addStretch(1);
    row->addWidget(picture);
    row->addSpacing(48);
    row->addLayout(lines);
    row->addStretch(1);
    for (int i = 0; i < 4; ++i)
        m_contacts[i]->setText(contactCaptions[i]);
    return body;
}

QWidget *TFmain::buildBottomLine()
{
    auto *line = new QFrame;
    line->setFrameShape(QFrame::StyledPanel);
    auto *row = new QHBoxLayout(line);
    row->setContentsMargins(8, 2, 8, 2);
    m_operator = new QLabel;
    m_workstation = new QLabel(workstation);
    m_changeOperator = new QPushButton(QStringLiteral("更换操作员(F10)"));
    m_changeOperator->setAutoDefault(false);
    m_clock = new QLabel;
    m_weekday = new QLabel;
    connect(m_changeOperator, &QPushButton::clicked, this, &TFmain::changeOperatorRequested);

    row->addWidget(new QLabel(QStringLiteral("操作员：")));
    row->addWidget(m_operator);
    row->addSpacing(24);
    row->addWidget(new QLabel(QStringLiteral("收银点：")));
    row->addWidget(m_workstation);
    row->addSpacing(24);
    row->addWidget(m_changeOperator);
    row->addStretch();
    row->addWidget(new QLabel(QStringLiteral("当前时间：")));
    row->addWidget(m_clock);
    row->addSpacing(12);
    row->addWidget(m_weekday);
    return line;
}

void TFmain::signIn(const signin::Operator &op)
{
    m_context.session.current = op;
    m_operator->setText(op.name());
    if (m_shown)
        return;
    m_shown = true;
    fitToScreen();
    show();
    raise();
    activateWindow();
    m_weekday->setText(store::weekdayText(QDate::currentDate()));
    kit::guard(this, [this] { loadParameters(); });
}

void TFmain::fitToScreen()
{
    if (QScreen *s = screen()) {
        const QRect work = s->availableGeometry();
        setGeometry(work.left(), work.top(), s->geometry().width(), work.height());
    }
}

void TFmain::loadParameters()
{
    store::Query q(m_context.session.store,
                   QStringLiteral("select 中文名,公司地址,联系电话,电子邮件,联系人,营业时间 from 系统参数表"));
    q.exec();
    m_title->setText(q.text(QStringLiteral("中文名")) + QStringLiteral("管理系统"));
    setWindowTitle(m_title->text());

    for (int i = 0; i < 4; ++i) {
        QString plain;
        try {
            plain = store::unscramble(q.text(contactColumns[i]));
        } catch (const store::ConversionError &) {
            // A line that is not in scrambled form is left out; the
            // others still show.
        }
        m_contacts[i]->setText(contactCaptions[i] + plain);
    }

    // The shift period: yesterday to today, both at the business hour. A
    // business hour that is no time does not keep the screen from working:
    // the period starts at midnight and the manager is told what to correct.
    const QString hour = q.text(QStringLiteral("营业时间"));
    QTime at = businessTime(hour);
    const QDate today = QDate::currentDate();
    m_fromDate->setDate(today.addDays(-1));
    m_toDate->setDate(today);
    if (!at.isValid()) {
        at = QTime(0, 0);
        kit::info(this, QStringLiteral("系统参数中的营业时间“%1”不是有效的时间（应为“时:分”，如08:00），"
                                       "开始时间和结束时间暂按00:00:00设置，请在系统参数中改正。")
                            .arg(hour));
    }
    m_fromTime->setTime(at);
    m_toTime->setTime(at);
}

void TFmain::tick()
{
    m_clock->setText(store::nowText());
}

void TFmain::periodChanged()
{
    m_context.shiftFrom = shiftFrom();
    m_context.shiftTo = shiftTo();
}

QDateTime TFmain::shiftFrom() const
{
    return QDateTime(m_fromDate->date(), m_fromTime->time());
}

QDateTime TFmain::shiftTo() const
{
    return QDateTime(m_toDate->date(), m_toTime->time());
}

QStringList TFmain::contactLines() const
{
    QStringList out;
    for (QLabel *l : m_contacts)
        out << l->text();
    return out;
}

void TFmain::open(const QString &right, QWidget *screen)
{
    kit::guard(this, [&] {
        if (!m_context.session.current.holds(right))
            return;
        kit::openModal(static_cast<QDialog *>(screen));
        activateWindow();
    });
}

} // namespace backdesk
