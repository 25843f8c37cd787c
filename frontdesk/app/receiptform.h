#pragma once
// The receipt form (TFprint): the four receipt layouts, filled from a
// Receipt, painted in millimetres onto any paint device and printed on the
// default printer without preview.
//
// Filling is pure data: fillReceipt() turns a Receipt into the list of texts
// and rules with their positions; paintReceipt() draws that list. Tests read
// the list, or paint it onto an image of known resolution.
#include "receipt.h"

#include "kit/printing.h"

#include <QFont>
#include <QImage>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>

class QWidget;

namespace frontdesk {

// Large: 11.25 pt bold; small: 9 pt; small bold: 9 pt bold.
enum class ReceiptFont { Large, Small, SmallBold };

// One text of a layout. left and top are the text's left and top edges in
// millimetres within the band; when centreIn is above 0 the text is centred
// in the strip [left, left + centreIn].
struct ReceiptText {
    QString name; // what the element is ("shop", "amountCaption", ...), for tests and reading
    QString text;
    double left = 0;
    double top = 0;
    ReceiptFont font = ReceiptFont::Small;
    double centreIn = 0;
};

// A horizontal rule: left edge, height and length in millimetres.
struct ReceiptRule {
    double left = 0;
    double top = 0;
    double length = 0;
};

struct ReceiptPage {
    ReceiptLayout layout = ReceiptLayout::Recharge;
    double bandHeight = 0; // mm
    QList<ReceiptText> texts;
    QList<ReceiptRule> rules;

    // The element of that name (nullptr when the layout has none).
    const ReceiptText *text(const QString &name) const;
};

// The page: A4 portrait, the band starts under the 5 mm top margin, no left margin.
inline constexpr double receiptTopMargin = 5.0;
inline constexpr double receiptStripWidth = 48.2;

// The layout's own title and captions, printed when a receipt leaves them empty.
QString defaultTitle(ReceiptLayout layout);
QString defaultAmountCaption(ReceiptLayout layout);

// Every text and rule of the receipt's layout at its position, filled from
// the receipt. Nothing comes from an earlier receipt.
ReceiptPage fillReceipt(const Receipt &receipt);

// SimSun first, then CJK fonts commonly found on Linux.
QStringList receiptFontFamilies();
kit::TextStyle receiptStyle(ReceiptFont font);
// A4 portrait, 5 mm top and bottom margins, none left and right.
QPageLayout receiptPageLayout();

// Draws the band with the renderer's origin at the band's top-left corner.
void paintReceipt(kit::PageRenderer &page, const ReceiptPage &receipt);
// The band and its margins (60 mm wide) on white, at the given resolution.
QImage receiptImage(const ReceiptPage &page, double dotsPerInch);
// An A4 PDF of the page; false when the file cannot be written.
bool writeReceiptPdf(const ReceiptPage &page, const QString &path);

class TFprint : public QObject, public ReceiptPrinter {
    Q_OBJECT
public:
    // Where a filled page goes. Returns false when it could not be printed
    // (after telling the user why).
    using Output = std::function<bool(const Receipt &, const ReceiptPage &)>;

    // messageParent: the window over which "no printer" is told.
    explicit TFprint(QWidget *messageParent = nullptr, QObject *parent = nullptr);

    bool print(const Receipt &receipt) override;

    // Replaces the default printer (tests record receipts instead).
    void setOutput(Output output);

    // Sends a page to the system's default printer, one copy, no preview.
    static bool printOnDefaultPrinter(const ReceiptPage &page, QWidget *messageParent);

    static QString textNoPrinter();

private:
    QWidget *m_messageParent;
    Output m_output;
};

} // namespace frontdesk
