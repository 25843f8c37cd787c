// The data grid: a read-only, whole-row-select list of a query result with
// declared columns, an optional group caption row, a footer row (static
// text, row count or sum), per-row colours, sorting by a click on chosen
// titles, a find bar (Ctrl+F) and columns fitted to the width.
//
//     auto* grid = new kit::DataGrid(this);
//     grid->setColumns({
//         {"收银时间", "收银时间", kit::footer::text("合计")},
//         {"流水号",   "流水号",   kit::footer::count(), kit::Sortable},
//         {"充值金额", "充值金额", kit::footer::sum(),   kit::Sortable},
//         {"姓名",     "姓名",     {}, {}, "基本资料"},   // under the group caption 基本资料
//     });
//     grid->setRowColours([](const kit::Row& r) -> kit::RowColours {
//         if (r.text("标志") == "充值") return {QColor(255, 255, 128), {}};
//         return {};
//     });
//     QSqlQuery q(db); q.prepare(...); q.addBindValue(...); q.exec();
//     grid->setQuery(q);                   // reads every row of the result
//     if (auto row = grid->current()) use(row->text("流水号"));
//
// Fields are looked up without regard to case (expr1 and Expr1 are the same
// field) and may name any column of the result, shown or not: the colour
// callback usually reads a column that is not shown. A column whose field
// is not in the result stays empty. One model (GridModel) holds the rows in
// display order and computes the footer; exports and printing read it
// through table().
#pragma once

#include <QAbstractTableModel>
#include <QColor>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QWidget>

#include <functional>
#include <memory>
#include <optional>

class QLabel;
class QLineEdit;
class QSqlQuery;
class QTableView;

namespace kit {

enum class FooterKind { None, Text, Count, Sum };

struct Footer {
    FooterKind kind = FooterKind::None;
    QString text;  // for FooterKind::Text
};

namespace footer {
inline Footer text(const QString& t) { return {FooterKind::Text, t}; }
// The number of rows.
inline Footer count() { return {FooterKind::Count, {}}; }
// The sum of the column; empty or non-numeric cells count as 0.
inline Footer sum() { return {FooterKind::Sum, {}}; }
}  // namespace footer

inline constexpr bool Sortable = true;

struct Column {
    QString caption;        // title shown
    QString field;          // result column, any case
    Footer footer = {};
    bool sortable = false;  // a click on the title sorts by this column
    QString group = {};     // caption over neighbouring columns with the same group
};

// One result row: every field of the query, by name (any case).
class Row {
public:
    Row() = default;
    bool has(const QString& field) const;
    QVariant value(const QString& field) const;  // invalid when the field is missing
    QString text(const QString& field) const;    // the cell text, trimmed
    double number(const QString& field) const;   // 0 when empty or not a number

private:
    friend class GridModel;
    std::shared_ptr<const QHash<QString, int>> index_;
    QVariantList values_;
};

// Colours of one row; an invalid colour keeps the default.
struct RowColours {
    QColor background;
    QColor text;
};

// What exports and printing read: captions and the cells of every row in
// display order. Numbers stay numbers (double or qlonglong); everything else
// is the cell's text.
struct Table {
    QStringList captions;
    QStringList groups;          // per column, empty when none
    QList<QVariantList> rows;
    QList<int> widths;           // relative column widths (pixels on screen)
};

class GridModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit GridModel(QObject* parent = nullptr);

    void setColumns(const QList<Column>& columns);
    const QList<Column>& columns() const { return columns_; }
    // Reads every row of an executed query, from its current position on.
    void setQuery(QSqlQuery& query);
    void setRows(const QStringList& fields, const QList<QVariantList>& rows);
    void clear();
    void setRowColours(std::function<RowColours(const Row&)> colours);

    Row row(int r) const;
    QVariant value(int r, const QString& field) const;
    bool hasField(const QString& field) const;
    QString footerText(int column) const;
    bool hasFooter() const;
    bool hasGroups() const;
    Table table() const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;

signals:
    void footerChanged();

private:
    void resolveColumns();
    void recompute();
    QVariant cell(int r, int column) const;

    QList<Column> columns_;
    QStringList fields_;
    std::shared_ptr<QHash<QString, int>> index_;
    QList<int> columnField_;  // field index per column, -1 when missing
    QList<QVariantList> records_;
    QList<RowColours> colours_;
    QStringList footers_;
    std::function<RowColours(const Row&)> colourOf_;
};

class DataGrid : public QWidget {
    Q_OBJECT
public:
    explicit DataGrid(QWidget* parent = nullptr);

    void setColumns(const QList<Column>& columns);
    void setQuery(QSqlQuery& query);
    void setRows(const QStringList& fields, const QList<QVariantList>& rows);
    void clear();
    void setRowColours(std::function<RowColours(const Row&)> colours);
    // Columns share the width in proportion to their contents (default on).
    void setFitToWidth(bool fit);

    int rowCount() const;
    Row row(int r) const;
    int currentRow() const;  // -1 when there is none
    std::optional<Row> current() const;
    void setCurrentRow(int r);
    QString footerText(int column) const;
    Table table() const;

    // Opens the find bar (also Ctrl+F in the grid).
    void showFind();
    // Selects the next row after the current one (wrapping) with a cell
    // containing `text`, case-insensitively. Returns false when none has.
    bool findNext(const QString& text);

    GridModel* model() const { return model_; }
    QTableView* view() const { return view_; }

signals:
    void rowActivated(int row);  // double-click or Enter on a row
    void currentRowChanged(int row);

protected:
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void fitColumns();
    void titleClicked(int column);

    GridModel* model_;
    QTableView* view_;
    QWidget* footer_;
    QWidget* findBar_;
    QLineEdit* findText_;
    QLabel* findStatus_;
    bool fit_ = true;
    int sortColumn_ = -1;
    Qt::SortOrder sortOrder_ = Qt::AscendingOrder;
};

}  // namespace kit
