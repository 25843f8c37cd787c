// The data grid: fields by name, footers, row colours, sorting, find.
#include "kit/datagrid.h"

#include <QHeaderView>
#include <QLineEdit>
#include <QSignalSpy>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTableView>
#include <QTest>

namespace {

// A journal-like fixture: money with one or two decimals, an empty cell, a
// count column and the flag that decides the colours (not shown).
const QStringList kFields{"流水号", "充值金额", "消费额", "有效次数", "标志", "Expr1"};

QList<QVariantList> journalRows()
{
    return {
        {10, 0.1, QVariant(), 2, "充值", "a"},
        {2, 0.2, -30.0, QVariant(), "消费", "b"},
        {33, QVariant(), -0.7, 1, "误收", ""},
        {4, 100.0, QString(), 3, "新开卡", "d"},
    };
}

QList<kit::Column> journalColumns()
{
    return {
        {"流水号", "流水号", kit::footer::text("合计"), kit::Sortable},
        {"充值金额", "充值金额", kit::footer::sum(), kit::Sortable},
        {"消费额", "消费额", kit::footer::sum()},
        {"有效次数", "有效次数", kit::footer::sum()},
        {"说明", "expr1", kit::footer::count()},  // the result names it Expr1
        {"稽核人", "稽核人"},                      // not in the result: stays empty
    };
}

kit::RowColours byFlag(const kit::Row& row)
{
    const QString flag = row.text("标志");
    if (flag == "充值" || flag == "新开卡")
        return {QColor(255, 255, 128), {}};
    if (flag == "误收" || flag == "修改")
        return {QColor(255, 0, 0), QColor(Qt::white)};
    return {};
}

QStringList column(const kit::DataGrid& grid, int c)
{
    QStringList out;
    for (int r = 0; r < grid.rowCount(); ++r)
        out << grid.model()->data(grid.model()->index(r, c), Qt::DisplayRole).toString();
    return out;
}

void clickTitle(kit::DataGrid& grid, int c)
{
    QHeaderView* header = grid.view()->horizontalHeader();
    const QPoint at(header->sectionViewportPosition(c) + header->sectionSize(c) / 2, header->height() * 3 / 4);
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, at);
}

}  // namespace

class GridTest : public QObject {
    Q_OBJECT
private slots:
    void cellsAndFooters();
    void emptyGridFooters();
    void rowColoursFollowRows();
    void sortingByTitleClick_data();
    void sortingByTitleClick();
    void findWrapsAround();
    void readsAQueryResult();
};

void GridTest::cellsAndFooters()
{
    kit::DataGrid grid;
    grid.setColumns(journalColumns());
    grid.setRows(kFields, journalRows());
    QCOMPARE(grid.rowCount(), 4);
    QCOMPARE(column(grid, 4), (QStringList{"a", "b", "", "d"}));  // expr1 found as Expr1
    QCOMPARE(column(grid, 5), (QStringList{"", "", "", ""}));
    QCOMPARE(grid.footerText(0), QStringLiteral("合计"));
    QCOMPARE(grid.footerText(1), QStringLiteral("100.3"));  // 0.1 + 0.2 + empty + 100, no noise
    QCOMPARE(grid.footerText(2), QStringLiteral("-30.7"));  // null and empty text count as 0
    QCOMPARE(grid.footerText(3), QStringLiteral("6"));
    QCOMPARE(grid.footerText(4), QStringLiteral("4"));
    QCOMPARE(grid.footerText(5), QString());

    // Cells are shown as the shortest text: 100 not 100.0, 0.3 not 0.30000000000000004.
    grid.setRows({"x"}, {{0.1 + 0.2}, {100.0}, {1234567.5}});
    grid.setColumns({{"x", "X", kit::footer::sum()}});
    QCOMPARE(column(grid, 0), (QStringList{"0.3", "100", "1234567.5"}));
    QCOMPARE(grid.footerText(0), QStringLiteral("1234667.8"));
}

void GridTest::emptyGridFooters()
{
    kit::DataGrid grid;
    grid.setColumns(journalColumns());
    grid.setRows(kFields, {});
    QCOMPARE(grid.footerText(0), QStringLiteral("合计"));
    QCOMPARE(grid.footerText(1), QStringLiteral("0"));
    QCOMPARE(grid.footerText(4), QStringLiteral("0"));
    QVERIFY(!grid.current().has_value());
}

void GridTest::rowColoursFollowRows()
{
    kit::DataGrid grid;
    grid.setColumns(journalColumns());
    grid.setRows(kFields, journalRows());
    grid.setRowColours(byFlag);
    auto colourOf = [&](int r, int role) { return grid.model()->index(r, 1).data(role).value<QColor>(); };
    QCOMPARE(colourOf(0, Qt::BackgroundRole), QColor(255, 255, 128));
    QVERIFY(!colourOf(0, Qt::ForegroundRole).isValid());
    QVERIFY(!grid.model()->index(1, 1).data(Qt::BackgroundRole).isValid());  // 消费: window colour
    QCOMPARE(colourOf(2, Qt::BackgroundRole), QColor(255, 0, 0));
    QCOMPARE(colourOf(2, Qt::ForegroundRole), QColor(Qt::white));

    // After sorting by 流水号 the red row (33) is last and still red.
    grid.model()->sort(0, Qt::AscendingOrder);
    QCOMPARE(column(grid, 0), (QStringList{"2", "4", "10", "33"}));
    QCOMPARE(colourOf(3, Qt::BackgroundRole), QColor(255, 0, 0));
    QCOMPARE(colourOf(1, Qt::BackgroundRole), QColor(255, 255, 128));
}

void GridTest::sortingByTitleClick_data()
{
    QTest::addColumn<int>("title");
    QTest::addColumn<int>("clicks");
    QTest::addColumn<QStringList>("serials");

    QTest::newRow("numbers ascending, not as text") << 0 << 1 << QStringList{"2", "4", "10", "33"};
    QTest::newRow("second click descending") << 0 << 2 << QStringList{"33", "10", "4", "2"};
    QTest::newRow("empty cell first") << 1 << 1 << QStringList{"33", "10", "2", "4"};
    QTest::newRow("title not sortable") << 2 << 1 << QStringList{"10", "2", "33", "4"};
}

void GridTest::sortingByTitleClick()
{
    QFETCH(int, title);
    QFETCH(int, clicks);
    QFETCH(QStringList, serials);

    kit::DataGrid grid;
    grid.resize(600, 300);
    grid.setColumns(journalColumns());
    grid.setRows(kFields, journalRows());
    grid.show();
    QVERIFY(QTest::qWaitForWindowExposed(&grid));
    for (int i = 0; i < clicks; ++i)
        clickTitle(grid, title);
    QCOMPARE(column(grid, 0), serials);
    // Exports read the same order.
    QCOMPARE(grid.table().rows.first().first().toString(), serials.first());
}

void GridTest::findWrapsAround()
{
    kit::DataGrid grid;
    grid.setColumns(journalColumns());
    grid.setRows(kFields, journalRows());
    grid.show();
    QVERIFY(QTest::qWaitForWindowExposed(&grid));
    grid.view()->setFocus();
    QTest::keyClick(grid.view(), Qt::Key_F, Qt::ControlModifier);
    auto* findText = grid.findChild<QLineEdit*>();
    QVERIFY(findText && findText->isVisible() && findText->hasFocus());

    QVERIFY(grid.findNext(QStringLiteral("D")));  // case-insensitive
    QCOMPARE(grid.currentRow(), 3);
    QVERIFY(grid.findNext(QStringLiteral("0.")));  // 0.1 in row 0, after wrapping
    QCOMPARE(grid.currentRow(), 0);
    QVERIFY(grid.findNext(QStringLiteral("0.")));
    QCOMPARE(grid.currentRow(), 1);
    QCOMPARE(grid.current()->text("标志"), QStringLiteral("消费"));
    QVERIFY(!grid.findNext(QStringLiteral("不存在")));
    QCOMPARE(grid.currentRow(), 1);
}

void GridTest::readsAQueryResult()
{
    auto db = QSqlDatabase::addDatabase("QSQLITE", "grid");
    db.setDatabaseName(":memory:");
    QVERIFY(db.open());
    QSqlQuery q(db);
    QVERIFY(q.exec("create table t (卡号 text, 金额 real, 次数 integer)"));
    QVERIFY(q.exec("insert into t values ('001', 12.5, 3), ('002', 7.25, null)"));
    QVERIFY(q.prepare("select 卡号, 金额, 次数 as Expr2 from t where 金额 > ? order by 卡号"));
    q.addBindValue(0);
    QVERIFY2(q.exec(), qPrintable(q.lastError().text()));

    kit::DataGrid grid;
    grid.setColumns({{"卡号", "卡号", kit::footer::count()}, {"金额", "金额", kit::footer::sum()},
                     {"次数", "expr2", kit::footer::sum()}});
    grid.setQuery(q);
    QCOMPARE(grid.rowCount(), 2);
    QCOMPARE(column(grid, 1), (QStringList{"12.5", "7.25"}));
    QCOMPARE(grid.footerText(1), QStringLiteral("19.75"));
    QCOMPARE(grid.footerText(2), QStringLiteral("3"));
    QCOMPARE(grid.row(1).text("卡号"), QStringLiteral("002"));
}

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    GridTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_grid.moc"
