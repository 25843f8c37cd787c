#include "kit/printing.h"

#include "kit/datagrid.h"
#include "kit/messages.h"
#include "kit/numbers.h"

#include <QFontMetricsF>
#include <QPagedPaintDevice>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QPrinterInfo>

#include <numeric>

namespace kit {

PageRenderer::PageRenderer(QPaintDevice* device)
    : own_(std::make_unique<QPainter>(device)), painter_(own_.get()), device_(device),
      pxPerMmX_(device->logicalDpiX() / 25.4), pxPerMmY_(device->logicalDpiY() / 25.4)
{
}

PageRenderer::PageRenderer(QPainter* painter)
    : painter_(painter), device_(painter->device()), pxPerMmX_(device_->logicalDpiX() / 25.4),
      pxPerMmY_(device_->logicalDpiY() / 25.4)
{
}

PageRenderer::~PageRenderer()
{
    if (own_ && own_->isActive())
        own_->end();
}

bool PageRenderer::isActive() const { return painter_->isActive(); }

void PageRenderer::setOrigin(double xMm, double yMm)
{
    originX_ = xMm;
    originY_ = yMm;
}

QPointF PageRenderer::at(double xMm, double yMm) const
{
    return {(originX_ + xMm) * pxPerMmX_, (originY_ + yMm) * pxPerMmY_};
}

QFont PageRenderer::font(const TextStyle& style) const
{
    QFont f;
    f.setFamilies(style.families);
    f.setPointSizeF(style.pointSize);
    f.setBold(style.bold);
    return QFont(f, device_);
}

double PageRenderer::lineHeight(const TextStyle& style) const
{
    return QFontMetricsF(font(style), device_).height() / pxPerMmY_;
}

double PageRenderer::textWidth(const QString& text, const TextStyle& style) const
{
    return QFontMetricsF(font(style), device_).horizontalAdvance(text) / pxPerMmX_;
}

void PageRenderer::text(double xMm, double yMm, const QString& text, const TextStyle& style)
{
    const QFont f = font(style);
    const QFontMetricsF metrics(f, device_);
    const double advance = metrics.horizontalAdvance(text);
    const QPointF topLeft = at(xMm, yMm);
    // The box's top is at y; the baseline one ascent of the font below it.
    double left = topLeft.x();
    if (style.widthMm > 0) {
        const double width = style.widthMm * pxPerMmX_;
        if (style.alignment & Qt::AlignHCenter)
            left += (width - advance) / 2;
        else if (style.alignment & Qt::AlignRight)
            left += width - advance;
    }
    painter_->save();
    painter_->setFont(f);
    painter_->setPen(Qt::black);
    painter_->drawText(QPointF(left, topLeft.y() + metrics.ascent()), text);
    painter_->restore();
}

void PageRenderer::rule(double xMm, double yMm, double lengthMm, double thicknessMm)
{
    const QPointF p = at(xMm, yMm);
    painter_->fillRect(QRectF(p, QSizeF(lengthMm * pxPerMmX_, std::max(1.0, thicknessMm * pxPerMmY_))),
                       Qt::black);
}

void PageRenderer::verticalRule(double xMm, double yMm, double lengthMm, double thicknessMm)
{
    const QPointF p = at(xMm, yMm);
    painter_->fillRect(QRectF(p, QSizeF(std::max(1.0, thicknessMm * pxPerMmX_), lengthMm * pxPerMmY_)),
                       Qt::black);
}

void PageRenderer::band(double xMm, double yMm, double widthMm, double heightMm, const QColor& fill,
                        bool frame)
{
    const QRectF r(at(xMm, yMm), QSizeF(widthMm * pxPerMmX_, heightMm * pxPerMmY_));
    if (fill.isValid())
        painter_->fillRect(r, fill);
    if (frame) {
        rule(xMm, yMm, widthMm);
        rule(xMm, yMm + heightMm - 0.2, widthMm);
        verticalRule(xMm, yMm, heightMm);
        verticalRule(xMm + widthMm - 0.2, yMm, heightMm);
    }
}

bool PageRenderer::newPage()
{
    if (auto* paged = dynamic_cast<QPagedPaintDevice*>(device_))
        return paged->newPage();
    return false;
}

bool defaultPrinterAvailable() { return !QPrinterInfo::defaultPrinter().isNull(); }

PrintOutcome printOnDefaultPrinter(const QPageLayout& layout,
                                   const std::function<void(PageRenderer&)>& draw)
{
    const QPrinterInfo info = QPrinterInfo::defaultPrinter();
    if (info.isNull())
        return PrintOutcome::NoPrinter;
    QPrinter printer(info, QPrinter::HighResolution);
    printer.setPageLayout(layout);
    printer.setCopyCount(1);
    PageRenderer page(&printer);
    if (!page.isActive())
        return PrintOutcome::Failed;
    draw(page);
    return page.painter()->end() ? PrintOutcome::Printed : PrintOutcome::Failed;
}

void previewPages(QWidget* parent, const QPageLayout& layout,
                  const std::function<void(PageRenderer&)>& draw, const QString& windowTitle)
{
    QPrinter printer(QPrinter::HighResolution);
    printer.setPageLayout(layout);
    QPrintPreviewDialog dialog(&printer, parent);
    if (!windowTitle.isEmpty())
        dialog.setWindowTitle(windowTitle);
    QObject::connect(&dialog, &QPrintPreviewDialog::paintRequested, &dialog, [&](QPrinter* target) {
        PageRenderer page(target);
        if (page.isActive())
            draw(page);
    });
    openModal(&dialog);
}

void drawTable(PageRenderer& page, const QRectF& area, const Table& table, const QString& title)
{
    const int columns = int(table.captions.size());
    if (columns == 0)
        return;
    TextStyle titleStyle;
    titleStyle.pointSize = 14;
    titleStyle.bold = true;
    titleStyle.alignment = Qt::AlignHCenter;
    titleStyle.widthMm = area.width();
    TextStyle headStyle;
    headStyle.bold = true;
    const TextStyle cellStyle;

    // Column edges in millimetres, in proportion to the widths on screen.
    QList<double> weights;
    for (int c = 0; c < columns; ++c)
        weights << std::max(1, table.widths.value(c, 100));
    const double total = std::accumulate(weights.begin(), weights.end(), 0.0);
    QList<double> left{area.left()};
    for (int c = 0; c < columns; ++c)
        left << left.last() + area.width() * weights[c] / total;

    const double pad = 1.0;
    const double rowHeight = page.lineHeight(cellStyle) + 2 * pad;
    double y = area.top();
    if (!title.isEmpty()) {
        page.text(area.left(), y, title, titleStyle);
        y += page.lineHeight(titleStyle) + 3;
    }

    const QFont cellFont = page.font(cellStyle);
    const QFontMetricsF metrics(cellFont, page.painter()->device());
    auto fitted = [&](const QString& s, int c) {
        const double width = (left[c + 1] - left[c] - 2 * pad) * page.pixelsPerMmX();
        return metrics.elidedText(s, Qt::ElideRight, width);
    };
    auto drawRow = [&](const QList<QVariant>& cells, bool head) {
        page.rule(area.left(), y, area.width());
        page.rule(area.left(), y + rowHeight, area.width());
        for (int c = 0; c <= columns; ++c)
            page.verticalRule(left[c], y, rowHeight);
        for (int c = 0; c < columns; ++c) {
            const QVariant v = cells.value(c);
            const bool number = !head && cellNumber(v) && v.typeId() != QMetaType::QString;
            TextStyle s = head ? headStyle : cellStyle;
            if (number)
                s.rightIn(left[c + 1] - left[c] - 2 * pad);
            page.text(left[c] + pad, y + pad, fitted(cellText(v), c), s);
        }
        y += rowHeight;
    };
    QList<QVariant> captions;
    for (const QString& caption : table.captions)
        captions << caption;
    drawRow(captions, true);
    for (const QVariantList& row : table.rows) {
        if (y + rowHeight > area.bottom()) {
            page.newPage();
            y = area.top();
            drawRow(captions, true);
        }
        drawRow(row, false);
    }
}

void previewGrid(QWidget* parent, const DataGrid& grid, const QString& title)
{
    const QPageLayout a4(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(10, 10, 10, 10),
                         QPageLayout::Millimeter);
    const Table table = grid.table();
    previewPages(parent, a4, [&](PageRenderer& page) {
        const QRectF area(QPointF(0, 0), a4.paintRect(QPageLayout::Millimeter).size());
        drawTable(page, area, table, title);
    }, title);
}

}  // namespace kit
