// Export of a grid to a file: the save dialog, the extension rule and the
// four writers (Excel 97-2003 workbook, HTML table, tab-separated text, RTF).
//
// A screen's export button:
//
//     kit::exportGrid(this, *grid, kit::dated("本班充值情况"));   // "本班充值情况09-09-09"
//
// This shows the save dialog (through the message seam, so tests script it
// with ScriptedMessages::saveAs), applies the extension rule, writes every
// row of the grid under its captions and reports a failure as a message.
// The writers can also be called directly with any kit::Table.
#pragma once

#include "kit/datagrid.h"

#include <QString>
#include <QStringList>

class QWidget;

namespace kit {

enum class ExportFormat { Xls, Htm, Txt, Rtf };

// The save dialog's file types, in this order:
// "Excel Files(*.xls)|xls|Html Files(*.htm)|htm|Txt Files(*.txt)|txt|Rtf Files(*.rtf)|rtf".
inline const QString kExportFilter = QStringLiteral(
    "Excel Files(*.xls)|xls|Html Files(*.htm)|htm|Txt Files(*.txt)|txt|Rtf Files(*.rtf)|rtf");
// The type names of kExportFilter ("Excel Files(*.xls)", ...).
QStringList exportFileTypes();
// The extension of a type index of the dialog: 0 xls, 1 htm, 2 txt, 3 rtf.
QString exportExtension(int filterIndex);

// The extension rule: "." + extension is appended unless the last three
// characters of the name, upper-cased, equal the extension upper-cased
// (abc -> abc.htm, abc.htm stays, myxls stays for xls, abc.txt -> abc.txt.xls).
QString withExtension(const QString& name, const QString& extension);

// prefix + today as yy-MM-dd, the proposed name of every export.
QString dated(const QString& prefix);

// The writers. Each writes to a temporary file beside `path` and renames it
// into place only when everything was written, so a failure never leaves a
// half-written file under the chosen name. On failure they return false and
// put a readable reason into *error.
bool writeXls(const QString& path, const Table& table, QString* error = nullptr);
bool writeHtm(const QString& path, const Table& table, QString* error = nullptr);
bool writeTxt(const QString& path, const Table& table, QString* error = nullptr);
bool writeRtf(const QString& path, const Table& table, QString* error = nullptr);
bool writeTable(const QString& path, const Table& table, ExportFormat format, QString* error = nullptr);

// The bytes of an Excel 97-2003 workbook (BIFF8 in a compound file) with one
// sheet: the captions in the first row, then the rows. Numbers are written
// as numbers, everything else as Unicode text. Fails (empty result, reason
// in *error) above 65535 data rows or 256 columns, the format's limits.
QByteArray xlsWorkbook(const Table& table, QString* error = nullptr);

// The whole export of a grid, with the save dialog. Returns the path
// written, or an empty string when cancelled or failed (a failure has been
// shown as a message). When the extension rule changes the chosen name and
// a file of the new name exists, the operator is asked before it is replaced.
QString exportGrid(QWidget* parent, const DataGrid& grid, const QString& proposedName);
QString exportTable(QWidget* parent, const Table& table, const QString& proposedName);

}  // namespace kit
