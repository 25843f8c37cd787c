// Printing: print preview of a grid, and a renderer that draws text, rules
// and bands at millimetre positions on any paint device (the default
// printer, a PDF file, an image).
//
// Preview of a back-office list:
//
//     kit::previewGrid(this, *grid, "会员资料表");
//
// A receipt or report, drawn in millimetres:
//
//     QPageLayout a4(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(0, 5, 0, 5),
//                    QPageLayout::Millimeter);
//     auto outcome = kit::printOnDefaultPrinter(a4, [&](kit::PageRenderer& page) {
//         page.text(11.4, 5.6, "某某商店", kit::TextStyle::large().centredIn(25.7));
//         page.rule(0.3, 16.9, 48.2);
//         page.text(0.0, 33.9, "收银员：", kit::TextStyle::small());
//     });
//     if (outcome == kit::PrintOutcome::NoPrinter) kit::info(this, "...");
//
// Positions are the left and top edges of the text box, measured from the
// top-left corner of the page's printable area (inside the margins).
#pragma once

#include <QColor>
#include <QFont>
#include <QPageLayout>
#include <QPainter>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

class QPaintDevice;
class QPrinter;
class QWidget;

namespace kit {

class DataGrid;
struct Table;

struct TextStyle {
    // Tried in order; the first family installed is used.
    QStringList families{QStringLiteral("SimSun"), QStringLiteral("宋体"), QStringLiteral("NSimSun"),
                         QStringLiteral("WenQuanYi Micro Hei"), QStringLiteral("Noto Sans CJK SC")};
    double pointSize = 9.0;
    bool bold = false;
    Qt::Alignment alignment = Qt::AlignLeft;
    double widthMm = 0.0;  // the box width for centred or right-aligned text; 0: the text's own

    // The receipt fonts: 9 pt regular, and 11.25 pt bold.
    static TextStyle small() { return {}; }
    static TextStyle large()
    {
        TextStyle s;
        s.pointSize = 11.25;
        s.bold = true;
        return s;
    }
    TextStyle& withBold(bool b = true) { bold = b; return *this; }
    TextStyle& centredIn(double width) { alignment = Qt::AlignHCenter; widthMm = width; return *this; }
    TextStyle& rightIn(double width) { alignment = Qt::AlignRight; widthMm = width; return *this; }
};

// Draws on a device in millimetres. Owns a QPainter on the device for its
// lifetime (or uses the painter it is given).
class PageRenderer {
public:
    explicit PageRenderer(QPaintDevice* device);
    explicit PageRenderer(QPainter* painter);  // painter already active on its device
    ~PageRenderer();
    PageRenderer(const PageRenderer&) = delete;
    PageRenderer& operator=(const PageRenderer&) = delete;

    bool isActive() const;
    // Shifts every later position by (x, y) millimetres, e.g. to a band's top.
    void setOrigin(double xMm, double yMm);

    void text(double xMm, double yMm, const QString& text, const TextStyle& style = {});
    // A horizontal rule starting at (x, y), `lengthMm` long.
    void rule(double xMm, double yMm, double lengthMm, double thicknessMm = 0.2);
    // A vertical rule.
    void verticalRule(double xMm, double yMm, double lengthMm, double thicknessMm = 0.2);
    // A rectangle: filled with `fill` when valid, framed when `frame`.
    void band(double xMm, double yMm, double widthMm, double heightMm, const QColor& fill,
              bool frame = false);
    // The height of one line of text in the style, in millimetres.
    double lineHeight(const TextStyle& style) const;
    // The width of a text in the style, in millimetres.
    double textWidth(const QString& text, const TextStyle& style) const;
    // The font a style resolves to on this device.
    QFont font(const TextStyle& style) const;
    // Starts a new page on a paged device (printer, PDF); false elsewhere.
    bool newPage();

    double pixelsPerMmX() const { return pxPerMmX_; }
    double pixelsPerMmY() const { return pxPerMmY_; }
    QPainter* painter() const { return painter_; }

private:
    QPointF at(double xMm, double yMm) const;

    std::unique_ptr<QPainter> own_;
    QPainter* painter_;
    QPaintDevice* device_;
    double pxPerMmX_;
    double pxPerMmY_;
    double originX_ = 0.0;
    double originY_ = 0.0;
};

// Whether the system has a default printer.
bool defaultPrinterAvailable();

enum class PrintOutcome { Printed, NoPrinter, Failed };

// Prints one job on the default printer, one copy, no dialog. `draw` paints
// the pages (call PageRenderer::newPage between pages). NoPrinter means
// nothing was printed because the system has no printer.
PrintOutcome printOnDefaultPrinter(const QPageLayout& layout,
                                   const std::function<void(PageRenderer&)>& draw);

// Shows a modal print preview of pages drawn by `draw`, from which the
// operator can print.
void previewPages(QWidget* parent, const QPageLayout& layout,
                  const std::function<void(PageRenderer&)>& draw, const QString& windowTitle = {});

// Draws a table with a bold title on the first page, captions on every
// page, cell borders and as many pages as the rows need. Columns share the
// printable width in proportion to table.widths.
void drawTable(PageRenderer& page, const QRectF& areaMm, const Table& table, const QString& title);

// Print preview of a grid with a bold page title (A4 portrait, 10 mm margins).
void previewGrid(QWidget* parent, const DataGrid& grid, const QString& title);

}  // namespace kit
