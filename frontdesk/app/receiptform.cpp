#include "receiptform.h"

#include "kit/messages.h"

#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>

namespace frontdesk {

namespace {

const QString kSignature = QStringLiteral("客人签署：");
const QString kBrand = QStringLiteral("恒蓝软件");

// Tops of the three layouts that share their elements, in the order
// recharge / settlement / mis-charge.
struct Tops {
    double recharge, settlement, mischarge;
    double of(ReceiptLayout l) const
    {
        return l == ReceiptLayout::Recharge ? recharge : l == ReceiptLayout::Settlement ? settlement : mischarge;
    }
};

QString orDefault(const QString &value, const QString &fallback)
{
    return value.isEmpty() ? fallback : value;
}

void fillShared(ReceiptPage &p, const Receipt &r)
{
    const ReceiptLayout l = r.layout;
    auto text = [&](const char *name, const QString &t, double left, Tops top, ReceiptFont f,
                    double centreIn = 0) {
        p.texts.append({QString::fromUtf8(name), t, left, top.of(l), f, centreIn});
    };
    auto rule = [&](double left, Tops top, double length) { p.rules.append({left, top.of(l), length}); };
    using F = ReceiptFont;

    text("shop", r.header.shopName, 11.4, {5.6, 5.3, 5.0}, F::Large, 25.7);
    text("title", orDefault(r.title, defaultTitle(l)), 11.4, {11.9, 11.6, 11.4}, F::SmallBold, 25.7);
    rule(0.3, {16.9, 16.7, 16.4}, 48.2);
    text("address", r.header.address, 0.3, {20.6, 20.4, 20.1}, F::Small);
    text("phoneCaption", QStringLiteral("电话："), 0.3, {25.9, 25.7, 25.4}, F::Small);
    text("phone", r.header.phone, 9.0, {25.9, 25.7, 25.4}, F::Small);
    rule(0.3, {29.9, 29.6, 29.4}, 48.2);
    text("cashierCaption", QStringLiteral("收银员："), 0.0, {33.9, 33.6, 33.3}, F::Small);
    text("cashier", r.cashier, 12.2, {33.9, 33.6, 33.3}, F::Small);
    text("idCaption", QStringLiteral("ID:"), 28.8, {33.9, 33.6, 33.3}, F::Small);
    text("id", r.id, 33.6, {33.9, 33.6, 33.3}, F::Small);
    text("timeCaption", QStringLiteral("收银时间："), 0.0, {40.0, 39.7, 39.4}, F::Small);
    text("time", r.time.left(16), 15.1, {40.0, 39.7, 39.4}, F::Small);
    text("cardCaption", QStringLiteral("会员卡号："), 0.0, {46.0, 45.8, 45.5}, F::Large);
    text("card", r.ownNumber, 18.8, {46.0, 45.8, 45.5}, F::Large);
    text("amountCaption", orDefault(r.amountCaption, defaultAmountCaption(l)), 0.0, {52.4, 52.1, 51.9}, F::Small);
    p.texts.append({QStringLiteral("amount"), r.amountValue, l == ReceiptLayout::Recharge ? 15.3 : 14.8,
                    Tops{52.4, 52.1, 51.9}.of(l), F::Small, 0});
    if (l == ReceiptLayout::Recharge) {
        p.texts.append({QStringLiteral("methodCaption"), QStringLiteral("付款方式："), 0.0, 58.5, F::Small, 0});
        p.texts.append({QStringLiteral("method"), r.method, 15.6, 58.5, F::Small, 0});
        p.texts.append({QStringLiteral("giftCaption"), orDefault(r.giftCaption, QStringLiteral("赠送金额：")), 0.0,
                        64.8, F::Small, 0});
        p.texts.append({QStringLiteral("gift"), r.giftValue, 15.6, 64.8, F::Small, 0});
    }
    text("balanceCaption", orDefault(r.balanceCaption, QStringLiteral("当前余额：")), 0.0, {71.4, 58.2, 58.2},
         F::Small);
    text("balance", r.balanceValue, 15.6, {71.4, 58.2, 58.2}, F::Small);
    text("slogan", r.header.slogan, 0.0, {87.0, 69.1, 69.1}, F::Large);
    text("signature", kSignature, 0.0, {93.7, 76.7, 76.7}, F::Large);
    rule(18.8, {96.1, 79.1, 79.1}, 28.8);
    text("brand", kBrand, 0.0, {100.8, 83.9, 83.9}, F::SmallBold);
}

void fillReprint(ReceiptPage &p, const Receipt &r)
{
    using F = ReceiptFont;
    auto text = [&](const char *name, const QString &t, double left, double top, F f) {
        p.texts.append({QString::fromUtf8(name), t, left, top, f, 0});
    };
    text("title", orDefault(r.title, defaultTitle(ReceiptLayout::Reprint)), 17.7, 7.4, F::Large);
    p.rules.append({0.3, 15.9, 48.2});
    text("reprintTimeCaption", QStringLiteral("补打时间："), 0.3, 19.6, F::Small);
    text("reprintTime", r.reprintTime.left(16), 16.1, 19.6, F::Small);
    text("reprintOperatorCaption", QStringLiteral("补打操作员："), 0.3, 24.9, F::Small);
    text("reprintOperator", r.reprintOperator, 19.6, 24.9, F::Small);
    p.rules.append({0.3, 28.8, 48.2});
    text("cashierCaption", QStringLiteral("收银员："), 0.0, 32.8, F::Small);
    text("cashier", r.cashier, 12.2, 32.8, F::Small);
    text("idCaption", QStringLiteral("ID:"), 28.8, 32.8, F::Small);
    text("id", r.id, 33.6, 32.8, F::Small);
    text("timeCaption", QStringLiteral("收银时间："), 0.0, 38.9, F::Small);
    text("time", r.time.left(16), 15.1, 38.9, F::Small);
    text("cardCaption", QStringLiteral("会员卡号："), 0.0, 45.0, F::Large);
    text("card", r.ownNumber, 18.8, 45.0, F::Large);
    text("amountCaption", orDefault(r.amountCaption, defaultAmountCaption(ReceiptLayout::Reprint)), 0.0, 51.3,
         F::Small);
    text("amount", r.amountValue, 14.8, 51.3, F::Small);
    text("methodCaption", QStringLiteral("付款方式："), 0.0, 57.4, F::Small);
    text("method", r.method, 15.6, 57.4, F::Small);
    text("slogan", r.header.slogan, 0.0, 68.5, F::Large);
    text("signature", kSignature, 0.0, 77.0, F::Large);
    p.rules.append({18.8, 79.4, 28.8});
    text("brand", kBrand, 0.0, 84.1, F::SmallBold);
}

} // namespace

const ReceiptText *ReceiptPage::text(const QString &name) const
{
    for (const ReceiptText &t : texts)
        if (t.name == name)
            return &t;
    return nullptr;
}

QString defaultTitle(ReceiptLayout layout)
{
    switch (layout) {
    case ReceiptLayout::Recharge: return QStringLiteral("充值收据");
    case ReceiptLayout::Settlement: return QStringLiteral("结账单");
    case ReceiptLayout::Mischarge: return QStringLiteral("误收单据");
    case ReceiptLayout::Reprint: return QStringLiteral("补打单");
    }
    return {};
}

QString defaultAmountCaption(ReceiptLayout layout)
{
    switch (layout) {
    case ReceiptLayout::Recharge: return QStringLiteral("充值金额：");
    case ReceiptLayout::Settlement: return QStringLiteral("消费金额：");
    case ReceiptLayout::Mischarge: return QStringLiteral("误收金额：");
    case ReceiptLayout::Reprint: return QStringLiteral("操作金额：");
    }
    return {};
}

ReceiptPage fillReceipt(const Receipt &receipt)
{
    ReceiptPage p;
    p.layout = receipt.layout;
    p.bandHeight = receipt.layout == ReceiptLayout::Recharge ? 113.8 : 95.0;
    if (receipt.layout == ReceiptLayout::Reprint)
        fillReprint(p, receipt);
    else
        fillShared(p, receipt);
    return p;
}

QStringList receiptFontFamilies()
{
    return kit::TextStyle{}.families;
}

kit::TextStyle receiptStyle(ReceiptFont font)
{
    kit::TextStyle style = font == ReceiptFont::Large ? kit::TextStyle::large() : kit::TextStyle::small();
    if (font == ReceiptFont::SmallBold)
        style.withBold();
    return style;
}

QPageLayout receiptPageLayout()
{
    return QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                       QMarginsF(0, receiptTopMargin, 0, receiptTopMargin), QPageLayout::Millimeter);
}

void paintReceipt(kit::PageRenderer &page, const ReceiptPage &receipt)
{
    for (const ReceiptRule &r : receipt.rules)
        page.rule(r.left, r.top, r.length);
    for (const ReceiptText &t : receipt.texts) {
        if (t.text.isEmpty())
            continue;
        kit::TextStyle style = receiptStyle(t.font);
        if (t.centreIn > 0)
            style.centredIn(t.centreIn);
        page.text(t.left, t.top, t.text, style);
    }
}

QImage receiptImage(const ReceiptPage &page, double dotsPerInch)
{
    const double mm = dotsPerInch / 25.4;
    QImage image(int(60 * mm), int((2 * receiptTopMargin + page.bandHeight) * mm), QImage::Format_RGB32);
    image.setDotsPerMeterX(qRound(dotsPerInch / 0.0254));
    image.setDotsPerMeterY(qRound(dotsPerInch / 0.0254));
    image.fill(Qt::white);
    kit::PageRenderer renderer(&image);
    renderer.painter()->setRenderHint(QPainter::Antialiasing);
    renderer.setOrigin(0, receiptTopMargin);
    paintReceipt(renderer, page);
    return image;
}

bool writeReceiptPdf(const ReceiptPage &page, const QString &path)
{
    QPdfWriter pdf(path);
    pdf.setResolution(600);
    pdf.setPageLayout(receiptPageLayout());
    kit::PageRenderer renderer(&pdf);
    if (!renderer.isActive())
        return false;
    paintReceipt(renderer, page);
    return renderer.painter()->end();
}

TFprint::TFprint(QWidget *messageParent, QObject *parent)
    : QObject(parent), m_messageParent(messageParent)
{
    m_output = [this](const Receipt &, const ReceiptPage &page) {
        return printOnDefaultPrinter(page, m_messageParent);
    };
}

bool TFprint::print(const Receipt &receipt)
{
    return m_output(receipt, fillReceipt(receipt));
}

void TFprint::setOutput(Output output)
{
    m_output = std::move(output);
}

QString TFprint::textNoPrinter()
{
    return QStringLiteral("没有找到默认打印机，凭证没有打印。请在系统中设置默认打印机后用“补打凭证”重新打印。");
}

bool TFprint::printOnDefaultPrinter(const ReceiptPage &page, QWidget *messageParent)
{
    switch (kit::printOnDefaultPrinter(receiptPageLayout(), [&](kit::PageRenderer &r) { paintReceipt(r, page); })) {
    case kit::PrintOutcome::Printed:
        return true;
    case kit::PrintOutcome::NoPrinter:
        kit::info(messageParent, textNoPrinter());
        return false;
    case kit::PrintOutcome::Failed:
        break;
    }
    kit::info(messageParent, QStringLiteral("默认打印机无法打印，凭证没有打印。"));
    return false;
}

} // namespace frontdesk
