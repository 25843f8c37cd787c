#include "backdrop.h"

#include "kit/messages.h"
#include "store/errors.h"
#include "store/query.h"
#include "store/scramble.h"
#include "store/textforms.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QTimer>
#include <QVBoxLayout>

#ifndef FRONTDESK_VERSION
#define FRONTDESK_VERSION "1.0.0.1"
#endif

namespace frontdesk {

TFMain::TFMain(store::Store &store, QWidget *parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint)
{
    setObjectName(QStringLiteral("TFMain"));
    setAutoFillBackground(true);
    QPalette p = palette();
    p.setColor(QPalette::Window, QColor(32, 84, 140));
    p.setColor(QPalette::WindowText, Qt::white);
    setPalette(p);

    auto *outer = new QVBoxLayout(this);
    m_title = new QLabel;
    QFont big = m_title->font();
    big.setPointSizeF(big.pointSizeF() * 2.4);
    big.setBold(true);
    m_title->setFont(big);
    outer->addWidget(m_title);
    outer->addStretch(1);

    // The contact panel at the lower right, 430 pixels wide.
    auto *panelRow = new QHBoxLayout;
    panelRow->addStretch(1);
    auto *panel = new QWidget;
    panel->setFixedWidth(430);
    auto *lines = new QVBoxLayout(panel);
    for (int i = 0; i < 5; ++i) {
        auto *l = new QLabel;
        l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        lines->addWidget(l);
        m_contact << l;
    }
    panelRow->addWidget(panel);
    panelRow->addSpacing(20);
    outer->addLayout(panelRow);

    auto *bar = new QHBoxLayout;
    bar->addWidget(new QLabel(QStringLiteral("操作员：")));
    bar->addSpacing(60);
    bar->addWidget(new QLabel(QStringLiteral("收银点：")));
    bar->addStretch(1);
    bar->addWidget(new QLabel(QStringLiteral("当前时间：")));
    m_clock = new QLabel;
    bar->addWidget(m_clock);
    bar->addSpacing(20);
    m_weekday = new QLabel(store::weekdayText(QDate::currentDate()));
    bar->addWidget(m_weekday);
    outer->addLayout(bar);

    kit::guard(this, [&] { readParameters(store); });

    auto *timer = new QTimer(this);
    connect(timer, &QTimer::timeout, this, [this] { m_clock->setText(store::nowText()); });
    timer->start(1000);
    m_clock->setText(store::nowText());
}

void TFMain::readParameters(store::Store &store)
{
    store::Query q(store, QStringLiteral("select * from 系统参数表"));
    q.exec();
    m_title->setText(q.text(QStringLiteral("中文名")) + QStringLiteral("管理系统"));
    const char *const lines[][2] = {
        {"公司地址：", "公司地址"}, {"联系电话：", "联系电话"}, {"电子邮件：", "电子邮件"}, {"联系人：", "联系人"}};
    for (int i = 0; i < 4; ++i) {
        QString value;
        // A contact line that does not unscramble shows empty rather than
        // stopping the program at its first window.
        try {
            value = store::unscramble(q.text(QString::fromUtf8(lines[i][1])));
        } catch (const store::Error &) {
        }
        m_contact[i]->setText(QString::fromUtf8(lines[i][0]) + value);
    }
    m_contact[4]->setText(QStringLiteral("当前版本：") + QStringLiteral(FRONTDESK_VERSION));
}

QString TFMain::title() const
{
    return m_title->text();
}

QStringList TFMain::contactLines() const
{
    QStringList out;
    for (QLabel *l : m_contact)
        out << l->text();
    return out;
}

void TFMain::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        emit activated();
}

void TFMain::closeEvent(QCloseEvent *event)
{
    QWidget::closeEvent(event);
    emit closed();
}

} // namespace frontdesk
