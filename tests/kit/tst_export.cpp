// Grid exports, read back by independent readers: Debian's python3-xlrd
// for xls, Python's html.parser for htm, unrtf for rtf.
#include "kit/datagrid.h"
#include "kit/export.h"
#include "kit/messages.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

namespace {

// Chinese captions, money, counts, an empty cell and characters that each
// format must escape.
kit::Table fixture()
{
    kit::Table t;
    t.captions = {"卡号", "姓名", "金额", "次数", "说明"};
    t.rows = {
        {"001", "张三", 12.5, qlonglong(3), "含\"引号\" <b>&amp;"},
        {"002", "李四", -30.0, qlonglong(0), "{括号}\\反斜杠"},
        {"003", "", 0.3, qlonglong(12), ""},
    };
    t.widths = {60, 80, 60, 40, 160};
    return t;
}

QByteArray run(const QString& program, const QStringList& args)
{
    QProcess p;
    p.start(program, args);
    if (!p.waitForFinished(120000) || p.exitCode() != 0) {
        qWarning() << program << args << p.readAllStandardError();
        return {};
    }
    return p.readAllStandardOutput();
}

// Every cell of the first sheet as [type, value]; xlrd types: 1 text, 2 number.
const char* kXlrdScript = R"(
import json, sys, xlrd
book = xlrd.open_workbook(sys.argv[1])
sheet = book.sheet_by_index(0)
if len(sys.argv) > 2:
    last = sheet.nrows - 1
    print(json.dumps([sheet.nrows, sheet.ncols, sheet.row_values(last)], ensure_ascii=False))
else:
    print(json.dumps([[[sheet.cell_type(r, c), sheet.cell_value(r, c)] for c in range(sheet.ncols)]
                      for r in range(sheet.nrows)], ensure_ascii=False))
)";

const char* kHtmlScript = R"(
import json, sys
from html.parser import HTMLParser
# unrtf writes a cell's text that starts with a non-ASCII character just
# before the cell's <td>; with "pending", text between cells joins the next one.
pending_mode = len(sys.argv) > 2
class Cells(HTMLParser):
    def __init__(self):
        super().__init__(); self.rows = []; self.cell = None; self.pending = ''
    def handle_starttag(self, tag, attrs):
        if tag == 'tr': self.rows.append([]); self.pending = ''
        if tag in ('td', 'th'): self.cell = self.pending; self.pending = ''
    def handle_endtag(self, tag):
        if tag in ('td', 'th'): self.rows[-1].append(self.cell); self.cell = None
    def handle_data(self, data):
        if self.cell is not None: self.cell += data
        elif pending_mode and self.rows: self.pending += data
p = Cells(); p.feed(open(sys.argv[1], encoding='utf-8').read())
print(json.dumps(p.rows, ensure_ascii=False))
)";

QStringList shownTexts(const QVariantList& row)
{
    QStringList out;
    for (const QVariant& v : row)
        out << (v.typeId() == QMetaType::QString ? v.toString() : QString::number(v.toDouble()));
    return out;
}

bool haveReaders()
{
    return QFile::exists(KIT_PYTHON3) && QFile::exists(KIT_UNRTF);
}

}  // namespace

class ExportTest : public QObject {
    Q_OBJECT
private slots:
    void extensionRule_data();
    void extensionRule();
    void fileTypes();
    void xlsReadByXlrd();
    void xlsLargeSheets_data();
    void xlsLargeSheets();
    void htmReadByHtmlParser();
    void txtIsTabSeparatedUtf8WithBom();
    void rtfReadByUnrtf();
    void failedWriteLeavesNothing();
    void exportGridThroughSaveDialog();

private:
    QTemporaryDir dir_;
};

void ExportTest::extensionRule_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("extension");
    QTest::addColumn<QString>("result");
    QTest::newRow("appended") << "abc" << "htm" << "abc.htm";
    QTest::newRow("already there") << "abc.htm" << "htm" << "abc.htm";
    QTest::newRow("last three letters, no dot") << "myxls" << "xls" << "myxls";
    QTest::newRow("any case") << "abc.XLS" << "xls" << "abc.XLS";
    QTest::newRow("another extension") << "abc.txt" << "xls" << "abc.txt.xls";
    QTest::newRow("Chinese name") << "会员资料09-09-09" << "rtf" << "会员资料09-09-09.rtf";
}

void ExportTest::extensionRule()
{
    QFETCH(QString, name);
    QFETCH(QString, extension);
    QFETCH(QString, result);
    QCOMPARE(kit::withExtension(name, extension), result);
}

void ExportTest::fileTypes()
{
    QCOMPARE(kit::exportFileTypes(), (QStringList{"Excel Files(*.xls)", "Html Files(*.htm)",
                                                  "Txt Files(*.txt)", "Rtf Files(*.rtf)"}));
    QCOMPARE(kit::exportExtension(0), QStringLiteral("xls"));
    QCOMPARE(kit::exportExtension(3), QStringLiteral("rtf"));
}

void ExportTest::xlsReadByXlrd()
{
    if (!haveReaders())
        QSKIP("python3-xlrd or unrtf is not installed");
    const QString path = dir_.filePath("fixture.xls");
    QString error;
    QVERIFY2(kit::writeXls(path, fixture(), &error), qPrintable(error));
    const QByteArray out = run(KIT_PYTHON3, {"-c", kXlrdScript, path});
    const QJsonArray rows = QJsonDocument::fromJson(out).array();
    QCOMPARE(rows.size(), 4);
    const kit::Table t = fixture();
    for (int c = 0; c < t.captions.size(); ++c) {
        QCOMPARE(rows[0][c][0].toInt(), 1);
        QCOMPARE(rows[0][c][1].toString(), t.captions[c]);
    }
    for (int r = 0; r < t.rows.size(); ++r) {
        for (int c = 0; c < t.captions.size(); ++c) {
            const QVariant v = t.rows[r][c];
            const QJsonArray cell = rows[r + 1][c].toArray();
            if (v.typeId() == QMetaType::QString) {
                QCOMPARE(cell[1].toString(), v.toString());
                QCOMPARE(cell[0].toInt(), v.toString().isEmpty() ? 0 : 1);  // empty text: no cell
            } else {
                QCOMPARE(cell[0].toInt(), 2);  // a number, not text
                QCOMPARE(cell[1].toDouble(), v.toDouble());
            }
        }
    }
}

void ExportTest::xlsLargeSheets_data()
{
    QTest::addColumn<int>("rows");
    QTest::addColumn<bool>("numbers");
    // Unique texts: the string table runs over several CONTINUE records and
    // the allocation table over several sectors.
    QTest::newRow("3000 distinct names") << 3000 << false;
    // Over 7 MB: the sector allocation table no longer fits in the header.
    QTest::newRow("65535 rows of numbers") << 65535 << true;
}

void ExportTest::xlsLargeSheets()
{
    if (!haveReaders())
        QSKIP("python3-xlrd or unrtf is not installed");
    QFETCH(int, rows);
    QFETCH(bool, numbers);
    kit::Table t;
    t.captions = {"序号", "会员姓名", "a", "b", "c", "d", "e", "f"};
    for (int r = 0; r < rows; ++r) {
        QVariantList row{qlonglong(r), numbers ? QVariant(r * 0.5) : QVariant(QStringLiteral("会员%1号").arg(r))};
        for (int c = 0; c < 6; ++c)
            row << (numbers ? QVariant(double(c)) : QVariant(QString()));
        t.rows << row;
    }
    const QString path = dir_.filePath("large.xls");
    QString error;
    QVERIFY2(kit::writeXls(path, t, &error), qPrintable(error));
    const QJsonArray out = QJsonDocument::fromJson(run(KIT_PYTHON3, {"-c", kXlrdScript, path, "last"})).array();
    QCOMPARE(out.size(), 3);
    QCOMPARE(out[0].toInt(), rows + 1);
    QCOMPARE(out[2][0].toDouble(), double(rows - 1));
    if (numbers)
        QCOMPARE(out[2][1].toDouble(), (rows - 1) * 0.5);
    else
        QCOMPARE(out[2][1].toString(), QStringLiteral("会员%1号").arg(rows - 1));

    if (rows < 65535)
        return;
    // One row more than the format holds is refused, not written wrong.
    t.rows << t.rows.last();
    QVERIFY(!kit::writeXls(dir_.filePath("toolarge.xls"), t, &error));
    QVERIFY(error.contains("65535"));
    QVERIFY(!QFile::exists(dir_.filePath("toolarge.xls")));
}

void ExportTest::htmReadByHtmlParser()
{
    if (!haveReaders())
        QSKIP("python3-xlrd or unrtf is not installed");
    const QString path = dir_.filePath("fixture.htm");
    QVERIFY(kit::writeHtm(path, fixture()));
    const QJsonArray rows = QJsonDocument::fromJson(run(KIT_PYTHON3, {"-c", kHtmlScript, path})).array();
    const kit::Table t = fixture();
    QCOMPARE(rows.size(), 4);
    QCOMPARE(rows[0].toVariant().toStringList(), t.captions);
    for (int r = 0; r < t.rows.size(); ++r)
        QCOMPARE(rows[r + 1].toVariant().toStringList(), shownTexts(t.rows[r]));
}

void ExportTest::txtIsTabSeparatedUtf8WithBom()
{
    const QString path = dir_.filePath("fixture.txt");
    kit::Table t = fixture();
    t.rows[2][4] = "两行\n文字\t带制表符";
    QVERIFY(kit::writeTxt(path, t));
    QFile f(path);
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QByteArray bytes = f.readAll();
    QVERIFY(bytes.startsWith("\xEF\xBB\xBF"));
    const QStringList lines = QString::fromUtf8(bytes.mid(3)).split("\r\n", Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), 4);
    QCOMPARE(lines[0].split('\t'), t.captions);
    QCOMPARE(lines[1].split('\t'), shownTexts(t.rows[0]));
    // A tab or line break inside a cell does not split the row.
    QCOMPARE(lines[3].split('\t').size(), 5);
    QCOMPARE(lines[3].split('\t').last(), QStringLiteral("两行 文字 带制表符"));
}

void ExportTest::rtfReadByUnrtf()
{
    if (!haveReaders())
        QSKIP("python3-xlrd or unrtf is not installed");
    const QString path = dir_.filePath("fixture.rtf");
    QVERIFY(kit::writeRtf(path, fixture()));
    QFile f(path);
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QByteArray raw = f.readAll();
    QVERIFY(!raw.contains("张"));  // 7-bit file: Chinese is escaped
    for (char c : raw)
        QVERIFY(uchar(c) < 0x80);

    // unrtf turns the table into HTML (its plain-text output has no Unicode);
    // the HTML parser then reads its cells.
    const QByteArray html = run(KIT_UNRTF, {"--html", path});
    QVERIFY(!html.isEmpty());
    const QString htmlPath = dir_.filePath("fixture.rtf.html");
    QFile out(htmlPath);
    QVERIFY(out.open(QIODevice::WriteOnly));
    out.write(html);
    out.close();
    const QJsonArray rows =
        QJsonDocument::fromJson(run(KIT_PYTHON3, {"-c", kHtmlScript, htmlPath, "pending"})).array();
    const kit::Table t = fixture();
    QCOMPARE(rows.size(), 4);
    auto trimmed = [&](int r) {
        QStringList cells = rows[r].toVariant().toStringList();
        for (QString& c : cells)
            c = c.trimmed();
        return cells;
    };
    QCOMPARE(trimmed(0), t.captions);
    for (int r = 0; r < t.rows.size(); ++r)
        QCOMPARE(trimmed(r + 1), shownTexts(t.rows[r]));
}

void ExportTest::failedWriteLeavesNothing()
{
    QString error;
    QVERIFY(!kit::writeTxt(dir_.filePath("no/such/folder/x.txt"), fixture(), &error));
    QVERIFY(!error.isEmpty());

    // The target name is taken by a folder: the rename at the end fails and
    // no temporary file is left beside it.
    QTemporaryDir here;
    QVERIFY(QDir(here.path()).mkdir("taken.htm"));
    QVERIFY(!kit::writeHtm(here.filePath("taken.htm"), fixture(), &error));
    QCOMPARE(QDir(here.path()).entryList(QDir::Files | QDir::Hidden), QStringList());

    // Through the export, the operator gets a message naming the file.
    kit::ScriptedMessages script;
    script.saveAs(here.filePath("taken"), 1);
    QVERIFY(kit::exportTable(nullptr, fixture(), "x").isEmpty());
    QCOMPARE(script.texts().size(), 1);
    QVERIFY(script.last().startsWith(QStringLiteral("无法写入文件")));
    QVERIFY(script.last().contains("taken.htm"));
}

void ExportTest::exportGridThroughSaveDialog()
{
    kit::DataGrid grid;
    grid.setColumns({{"卡号", "卡号"}, {"金额", "金额", kit::footer::sum()}});
    grid.setRows({"卡号", "金额"}, {{"001", 0.1 + 0.2}, {"002", 5.0}});
    QTemporaryDir here;

    kit::ScriptedMessages script;
    script.saveAs(here.filePath("abc"), 2);  // Txt Files
    const QString written = kit::exportGrid(nullptr, grid, kit::dated("本班充值情况"));
    QCOMPARE(written, here.filePath("abc.txt"));
    QCOMPARE(script.entries().first().kind, kit::MessageKind::SaveDialog);
    QCOMPARE(script.entries().first().text, kit::dated("本班充值情况"));
    QFile f(written);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(QString::fromUtf8(f.readAll().mid(3)), QStringLiteral("卡号\t金额\r\n001\t0.3\r\n002\t5\r\n"));
    f.close();

    // Cancelled: nothing written, nothing said.
    script.clear();
    script.saveAs(QString(), 0);
    QVERIFY(kit::exportGrid(nullptr, grid, "x").isEmpty());
    QVERIFY(script.texts().isEmpty());

    // The rule made a name that exists: asked first; No keeps the old file.
    script.answer(false);
    script.saveAs(here.filePath("abc"), 2);
    QVERIFY(kit::exportGrid(nullptr, grid, "x").isEmpty());
    QCOMPARE(script.texts(), QStringList{"文件“abc.txt”已存在，是否覆盖?"});
    QCOMPARE(QFileInfo(written).size(), f.size());
}

QTEST_MAIN(ExportTest)
#include "tst_export.moc"
