#include "about.h"

#include "kit/keys.h"

#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace frontdesk {

TFabout::TFabout(QWidget *parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("关于本软件"));
    auto *layout = new QVBoxLayout(this);
    auto *heading = new QLabel(QStringLiteral("关于本软件"));
    QFont f = heading->font();
    f.setPointSizeF(f.pointSizeF() * 1.5);
    f.setBold(true);
    heading->setFont(f);
    layout->addWidget(heading);
    auto *text = new QLabel(QStringLiteral("会员卡管理系统 前台管理\n"
                                           "发行储值卡与记次卡，充值、扣款、误收更正，打印与补打凭证。\n"
                                           "当前版本：1.0.0.1"));
    text->setWordWrap(true);
    layout->addWidget(text);
    auto *back = new QPushButton(QStringLiteral("返回主界面"));
    back->setAutoDefault(false);
    layout->addWidget(back, 0, Qt::AlignRight);
    connect(back, &QPushButton::clicked, this, &QDialog::accept);
    auto *keys = new kit::KeyRouter(this);
    keys->bindEscape(back);
}

} // namespace frontdesk
