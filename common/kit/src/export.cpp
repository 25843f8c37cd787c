#include "kit/export.h"

#include "kit/messages.h"
#include "kit/numbers.h"

#include <QDate>
#include <QFileInfo>
#include <QSaveFile>
#include <QTableView>

#include <algorithm>
#include <QWidget>

namespace kit {

QStringList exportFileTypes()
{
    // The filter lists "name|extension" pairs.
    const QStringList parts = kExportFilter.split(QLatin1Char('|'));
    QStringList names;
    for (int i = 0; i + 1 < parts.size(); i += 2)
        names << parts[i];
    return names;
}

QString exportExtension(int filterIndex)
{
    const QStringList parts = kExportFilter.split(QLatin1Char('|'));
    return parts.value(2 * filterIndex + 1, QStringLiteral("xls"));
}

QString withExtension(const QString& name, const QString& extension)
{
    if (name.right(3).toUpper() == extension.toUpper())
        return name;
    return name + QLatin1Char('.') + extension;
}

QString dated(const QString& prefix)
{
    return prefix + QDate::currentDate().toString(QStringLiteral("yy-MM-dd"));
}

namespace {

bool isNumber(const QVariant& v)
{
    const int t = v.typeId();
    return t == QMetaType::Double || t == QMetaType::LongLong || t == QMetaType::Int
        || t == QMetaType::ULongLong || t == QMetaType::UInt || t == QMetaType::Float;
}

// Writes through a temporary file beside the target, renamed into place on
// success only.
bool saveBytes(const QString& path, const QByteArray& bytes, QString* error)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        if (error)
            *error = file.errorString();
        return false;
    }
    if (file.write(bytes) != bytes.size()) {
        if (error)
            *error = file.errorString();
        file.cancelWriting();
        return false;
    }
    if (!file.commit()) {
        if (error)
            *error = file.errorString();
        return false;
    }
    return true;
}

// One line of plain text: tabs and line breaks inside a cell would break
// the columns, so they become spaces.
QString plainCell(const QVariant& v)
{
    QString s = cellText(v);
    for (QChar& c : s)
        if (c == QLatin1Char('\t') || c == QLatin1Char('\n') || c == QLatin1Char('\r'))
            c = QLatin1Char(' ');
    return s;
}

QString rtfEscaped(const QString& s)
{
    QString out;
    for (QChar c : s) {
        const ushort u = c.unicode();
        if (c == QLatin1Char('\\') || c == QLatin1Char('{') || c == QLatin1Char('}')) {
            out += QLatin1Char('\\');
            out += c;
        } else if (c == QLatin1Char('\n')) {
            out += QStringLiteral("\\line ");
        } else if (c == QLatin1Char('\r')) {
            // dropped: \n makes the line break
        } else if (c == QLatin1Char('\t')) {
            out += QStringLiteral("\\tab ");
        } else if (u < 0x20) {
            // other control characters have no place in a cell
        } else if (u < 0x80) {
            out += c;
        } else {
            // \uN takes a signed 16-bit number, followed by the one
            // character a reader without Unicode shows instead: "?", written
            // as \'3f so that no reader takes it for the start of a word.
            out += QStringLiteral("\\u%1\\'3f").arg(qint16(u));
        }
    }
    return out;
}

}  // namespace

bool writeXls(const QString& path, const Table& table, QString* error)
{
    const QByteArray bytes = xlsWorkbook(table, error);
    if (bytes.isEmpty())
        return false;
    return saveBytes(path, bytes, error);
}

bool writeHtm(const QString& path, const Table& table, QString* error)
{
    QString html = QStringLiteral(
        "<!DOCTYPE html>\n<html>\n<head>\n<meta charset=\"utf-8\">\n<title>%1</title>\n</head>\n<body>\n"
        "<table border=\"1\" cellspacing=\"0\" cellpadding=\"2\">\n<tr>")
                       .arg(QFileInfo(path).completeBaseName().toHtmlEscaped());
    for (const QString& caption : table.captions)
        html += QStringLiteral("<th>%1</th>").arg(caption.toHtmlEscaped());
    html += QStringLiteral("</tr>\n");
    for (const QVariantList& row : table.rows) {
        html += QStringLiteral("<tr>");
        for (int c = 0; c < table.captions.size(); ++c) {
            const QVariant v = row.value(c);
            html += isNumber(v) ? QStringLiteral("<td align=\"right\">") : QStringLiteral("<td>");
            html += cellText(v).toHtmlEscaped();
            html += QStringLiteral("</td>");
        }
        html += QStringLiteral("</tr>\n");
    }
    html += QStringLiteral("</table>\n</body>\n</html>\n");
    return saveBytes(path, html.toUtf8(), error);
}

bool writeTxt(const QString& path, const Table& table, QString* error)
{
    QString text;
    text += table.captions.join(QLatin1Char('\t'));
    text += QStringLiteral("\r\n");
    for (const QVariantList& row : table.rows) {
        QStringList cells;
        for (int c = 0; c < table.captions.size(); ++c)
            cells << plainCell(row.value(c));
        text += cells.join(QLatin1Char('\t'));
        text += QStringLiteral("\r\n");
    }
    return saveBytes(path, QByteArray("\xEF\xBB\xBF") + text.toUtf8(), error);
}

bool writeRtf(const QString& path, const Table& table, QString* error)
{
    const int columns = int(table.captions.size());
    // Cell right edges in twips; screen pixels (96 per inch) are 15 twips.
    QString cellDefs = QStringLiteral("\\trowd\\trgaph60");
    int edge = 0;
    for (int c = 0; c < columns; ++c) {
        edge += std::max(600, table.widths.value(c, 100) * 15);
        cellDefs += QStringLiteral("\\clbrdrt\\brdrs\\brdrw10\\clbrdrl\\brdrs\\brdrw10"
                                   "\\clbrdrb\\brdrs\\brdrw10\\clbrdrr\\brdrs\\brdrw10\\cellx%1")
                        .arg(edge);
    }
    QString rtf = QStringLiteral("{\\rtf1\\ansi\\ansicpg936\\deff0\\uc1\n"
                                 "{\\fonttbl{\\f0\\fnil\\fcharset134 SimSun;}}\n"
                                 "\\f0\\fs20\n");
    auto rowText = [&](const QList<QString>& cells, bool bold) {
        rtf += cellDefs + QStringLiteral("\n\\pard\\intbl");
        if (bold)
            rtf += QStringLiteral("\\b");
        for (const QString& cell : cells)
            rtf += QLatin1Char(' ') + rtfEscaped(cell) + QStringLiteral("\\cell");
        if (bold)
            rtf += QStringLiteral("\\b0");
        rtf += QStringLiteral("\\row\n");
    };
    rowText(table.captions, true);
    for (const QVariantList& row : table.rows) {
        QStringList cells;
        for (int c = 0; c < columns; ++c)
            cells << cellText(row.value(c));
        rowText(cells, false);
    }
    rtf += QStringLiteral("\\pard\n}\n");
    return saveBytes(path, rtf.toLatin1(), error);
}

bool writeTable(const QString& path, const Table& table, ExportFormat format, QString* error)
{
    switch (format) {
    case ExportFormat::Xls:
        return writeXls(path, table, error);
    case ExportFormat::Htm:
        return writeHtm(path, table, error);
    case ExportFormat::Txt:
        return writeTxt(path, table, error);
    case ExportFormat::Rtf:
        return writeRtf(path, table, error);
    }
    return false;
}

QString exportTable(QWidget* parent, const Table& table, const QString& proposedName)
{
    const SaveChoice choice = messageSeam().chooseSaveFile(parent, proposedName, exportFileTypes());
    if (choice.cancelled())
        return {};
    const int index = std::clamp(choice.filterIndex, 0, 3);
    const QString path = withExtension(choice.path, exportExtension(index));
    // The dialog asked about overwriting the name it returned; a name the
    // extension rule made is asked about here.
    if (path != choice.path && QFileInfo(path).isFile()
        && !ask(parent, QStringLiteral("文件“%1”已存在，是否覆盖?").arg(QFileInfo(path).fileName())))
        return {};
    QString error;
    if (!writeTable(path, table, ExportFormat(index), &error)) {
        info(parent, QStringLiteral("无法写入文件“%1”：%2").arg(path, error));
        return {};
    }
    return path;
}

QString exportGrid(QWidget* parent, const DataGrid& grid, const QString& proposedName)
{
    grid.view()->setFocus();
    return exportTable(parent, grid.table(), proposedName);
}

}  // namespace kit
