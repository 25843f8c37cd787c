#include "splash.h"

#include <QEventLoop>
#include <QLabel>
#include <QLinearGradient>
#include <QPainter>
#include <QPixmap>
#include <QTimer>
#include <QVBoxLayout>

namespace frontdesk {

namespace {

// The picture: 400 × 223 pixels.
QPixmap picture()
{
    QPixmap pix(400, 223);
    QPainter p(&pix);
    QLinearGradient g(0, 0, 0, 223);
    g.setColorAt(0, QColor(40, 100, 170));
    g.setColorAt(1, QColor(15, 45, 90));
    p.fillRect(pix.rect(), g);
    p.setPen(Qt::white);
    QFont f = p.font();
    f.setPointSize(22);
    f.setBold(true);
    p.setFont(f);
    p.drawText(pix.rect().adjusted(0, 0, 0, -40), Qt::AlignCenter, QStringLiteral("会员卡管理系统"));
    f.setPointSize(11);
    f.setBold(false);
    p.setFont(f);
    p.drawText(pix.rect().adjusted(0, 80, 0, 0), Qt::AlignCenter, QStringLiteral("前台管理"));
    return pix;
}

} // namespace

Splash::Splash(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::MSWindowsFixedSizeDialogHint)
{
    setWindowTitle(QStringLiteral("正在连接数据库，请稍等..."));
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    auto *label = new QLabel;
    label->setPixmap(picture());
    layout->addWidget(label);
    setFixedSize(400, 223);
}

void Splash::showFor(int ms)
{
    show();
    repaint();
    if (ms > 0) {
        QEventLoop loop;
        QTimer::singleShot(ms, &loop, &QEventLoop::quit);
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    }
    hide();
}

} // namespace frontdesk
