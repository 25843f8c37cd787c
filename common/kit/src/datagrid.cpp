#include "kit/datagrid.h"

#include "kit/keys.h"
#include "kit/numbers.h"

#include <QAbstractItemView>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QScrollBar>
#include <QShortcut>
#include <QSqlField>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QStyleOptionHeader>
#include <QTableView>
#include <QVBoxLayout>

#include <algorithm>
#include <numeric>

namespace kit {

// ---------------------------------------------------------------- Row

bool Row::has(const QString& field) const
{
    return index_ && index_->contains(field.toLower());
}

QVariant Row::value(const QString& field) const
{
    if (!index_)
        return {};
    const int i = index_->value(field.toLower(), -1);
    return i >= 0 && i < values_.size() ? values_[i] : QVariant();
}

QString Row::text(const QString& field) const { return cellText(value(field)).trimmed(); }

double Row::number(const QString& field) const { return cellNumber(value(field)).value_or(0.0); }

// ---------------------------------------------------------------- GridModel

GridModel::GridModel(QObject* parent)
    : QAbstractTableModel(parent), index_(std::make_shared<QHash<QString, int>>())
{
}

void GridModel::setColumns(const QList<Column>& columns)
{
    beginResetModel();
    columns_ = columns;
    resolveColumns();
    recompute();
    endResetModel();
    emit footerChanged();
}

void GridModel::setQuery(QSqlQuery& query)
{
    QStringList fields;
    const QSqlRecord record = query.record();
    for (int i = 0; i < record.count(); ++i)
        fields << record.fieldName(i);
    QList<QVariantList> rows;
    bool more = query.isValid() || query.next();
    while (more) {
        QVariantList values;
        values.reserve(fields.size());
        for (int i = 0; i < fields.size(); ++i)
            values << query.value(i);
        rows << values;
        more = query.next();
    }
    setRows(fields, rows);
}

void GridModel::setRows(const QStringList& fields, const QList<QVariantList>& rows)
{
    beginResetModel();
    fields_ = fields;
    auto index = std::make_shared<QHash<QString, int>>();
    for (int i = 0; i < fields.size(); ++i)
        if (!index->contains(fields[i].toLower()))  // the first of equal names wins
            index->insert(fields[i].toLower(), i);
    index_ = index;
    records_ = rows;
    resolveColumns();
    recompute();
    endResetModel();
    emit footerChanged();
}

void GridModel::clear() { setRows(fields_, {}); }

void GridModel::setRowColours(std::function<RowColours(const Row&)> colours)
{
    colourOf_ = std::move(colours);
    recompute();
    if (!records_.isEmpty())
        emit dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1));
}

void GridModel::resolveColumns()
{
    columnField_.clear();
    for (const Column& c : columns_)
        columnField_ << index_->value(c.field.toLower(), -1);
}

void GridModel::recompute()
{
    colours_.clear();
    if (colourOf_) {
        colours_.reserve(records_.size());
        for (int r = 0; r < records_.size(); ++r)
            colours_ << colourOf_(row(r));
    }
    footers_.clear();
    for (int c = 0; c < columns_.size(); ++c) {
        const Footer& f = columns_[c].footer;
        switch (f.kind) {
        case FooterKind::None:
            footers_ << QString();
            break;
        case FooterKind::Text:
            footers_ << f.text;
            break;
        case FooterKind::Count:
            footers_ << QString::number(records_.size());
            break;
        case FooterKind::Sum: {
            Sum sum;
            for (int r = 0; r < records_.size(); ++r)
                sum.add(cellNumber(cell(r, c)).value_or(0.0));
            footers_ << numberText(sum.total());
            break;
        }
        }
    }
}

QVariant GridModel::cell(int r, int column) const
{
    const int f = columnField_.value(column, -1);
    if (f < 0 || r < 0 || r >= records_.size())
        return {};
    return records_[r].value(f);
}

Row GridModel::row(int r) const
{
    Row out;
    out.index_ = index_;
    if (r >= 0 && r < records_.size())
        out.values_ = records_[r];
    return out;
}

QVariant GridModel::value(int r, const QString& field) const { return row(r).value(field); }

bool GridModel::hasField(const QString& field) const { return index_->contains(field.toLower()); }

QString GridModel::footerText(int column) const { return footers_.value(column); }

bool GridModel::hasFooter() const
{
    return std::any_of(columns_.begin(), columns_.end(),
                       [](const Column& c) { return c.footer.kind != FooterKind::None; });
}

bool GridModel::hasGroups() const
{
    return std::any_of(columns_.begin(), columns_.end(),
                       [](const Column& c) { return !c.group.isEmpty(); });
}

Table GridModel::table() const
{
    Table t;
    for (const Column& c : columns_) {
        t.captions << c.caption;
        t.groups << c.group;
    }
    t.rows.reserve(records_.size());
    for (int r = 0; r < records_.size(); ++r) {
        QVariantList cells;
        for (int c = 0; c < columns_.size(); ++c) {
            const QVariant v = cell(r, c);
            switch (v.typeId()) {
            case QMetaType::Int:
            case QMetaType::UInt:
            case QMetaType::LongLong:
            case QMetaType::ULongLong:
            case QMetaType::Short:
            case QMetaType::UShort:
                cells << QVariant(v.toLongLong());
                break;
            case QMetaType::Double:
            case QMetaType::Float:
                // The value as shown, without noise.
                cells << QVariant(numberText(v.toDouble()).toDouble());
                break;
            default:
                cells << QVariant(cellText(v));
            }
        }
        t.rows << cells;
    }
    return t;
}

int GridModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(records_.size());
}

int GridModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(columns_.size());
}

QVariant GridModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid())
        return {};
    const int r = index.row();
    switch (role) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole:
        return cellText(cell(r, index.column()));
    case Qt::TextAlignmentRole: {
        const QVariant v = cell(r, index.column());
        const bool numeric = v.typeId() == QMetaType::Double || v.typeId() == QMetaType::Int
            || v.typeId() == QMetaType::LongLong;
        return QVariant::fromValue(Qt::Alignment((numeric ? Qt::AlignRight : Qt::AlignLeft)
                                                 | Qt::AlignVCenter));
    }
    case Qt::BackgroundRole:
        if (r < colours_.size() && colours_[r].background.isValid())
            return colours_[r].background;
        return {};
    case Qt::ForegroundRole:
        if (r < colours_.size() && colours_[r].text.isValid())
            return colours_[r].text;
        return {};
    default:
        return {};
    }
}

QVariant GridModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole)
        return columns_.value(section).caption;
    return QAbstractTableModel::headerData(section, orientation, role);
}

Qt::ItemFlags GridModel::flags(const QModelIndex& index) const
{
    return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
}

void GridModel::sort(int column, Qt::SortOrder order)
{
    if (column < 0 || column >= columns_.size())
        return;
    const int f = columnField_[column];
    if (f < 0)
        return;
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    // Keep the colours with their rows while sorting.
    QList<int> perm(records_.size());
    std::iota(perm.begin(), perm.end(), 0);
    // Empty cells first, then numbers by value, then texts.
    auto less = [&](int a, int b) {
        const QVariant& va = records_[a][f];
        const QVariant& vb = records_[b][f];
        const QString ta = cellText(va), tb = cellText(vb);
        if (ta.isEmpty() || tb.isEmpty())
            return ta.isEmpty() && !tb.isEmpty();
        const auto na = cellNumber(va), nb = cellNumber(vb);
        if (na && nb)
            return *na < *nb;
        if (na || nb)
            return bool(na);
        return ta.compare(tb) < 0;
    };
    std::stable_sort(perm.begin(), perm.end(), [&](int a, int b) {
        return order == Qt::AscendingOrder ? less(a, b) : less(b, a);
    });
    const QModelIndexList before = persistentIndexList();
    QList<int> newPosition(records_.size());
    for (int i = 0; i < perm.size(); ++i)
        newPosition[perm[i]] = i;
    QList<QVariantList> sorted;
    QList<RowColours> sortedColours;
    sorted.reserve(records_.size());
    for (int i : perm) {
        sorted << records_[i];
        if (i < colours_.size())
            sortedColours << colours_[i];
    }
    records_ = sorted;
    colours_ = sortedColours;
    QModelIndexList after;
    for (const QModelIndex& idx : before)
        after << index(newPosition.value(idx.row()), idx.column());
    changePersistentIndexList(before, after);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

// ---------------------------------------------------------------- widgets

namespace {

// A horizontal header that can show a group caption over neighbouring
// columns: the group takes the upper half, the column title the lower half.
class GroupHeader : public QHeaderView {
public:
    explicit GroupHeader(QWidget* parent) : QHeaderView(Qt::Horizontal, parent) {}

    QSize sizeHint() const override
    {
        QSize s = QHeaderView::sizeHint();
        if (groupModel() && groupModel()->hasGroups())
            s.setHeight(s.height() * 2);
        return s;
    }

protected:
    void paintSection(QPainter* painter, const QRect& rect, int logical) const override
    {
        const GridModel* m = groupModel();
        const QString group = m ? m->columns().value(logical).group : QString();
        if (!m || !m->hasGroups()) {
            QHeaderView::paintSection(painter, rect, logical);
            return;
        }
        const int half = rect.height() / 2;
        if (group.isEmpty()) {
            QHeaderView::paintSection(painter, rect, logical);
            return;
        }
        // The span of the group: neighbouring visual sections with the same group.
        int first = visualIndex(logical), last = first;
        while (first > 0 && m->columns().value(logicalIndex(first - 1)).group == group)
            --first;
        while (last < count() - 1 && m->columns().value(logicalIndex(last + 1)).group == group)
            ++last;
        const int left = sectionViewportPosition(logicalIndex(first));
        const int right = sectionViewportPosition(logicalIndex(last)) + sectionSize(logicalIndex(last));
        QStyleOptionHeader opt;
        initStyleOption(&opt);
        opt.rect = QRect(left, rect.top(), right - left, half);
        opt.text = group;
        opt.textAlignment = Qt::AlignCenter;
        opt.section = logical;
        painter->save();
        painter->setClipRect(rect);
        style()->drawControl(QStyle::CE_Header, &opt, painter, this);
        painter->restore();
        QHeaderView::paintSection(painter, QRect(rect.left(), rect.top() + half, rect.width(),
                                                 rect.height() - half), logical);
    }

private:
    const GridModel* groupModel() const { return qobject_cast<const GridModel*>(model()); }
};

// The footer row under the table, its cells aligned with the columns.
class FooterBar : public QWidget {
public:
    FooterBar(QTableView* view, GridModel* model, QWidget* parent)
        : QWidget(parent), view_(view), model_(model)
    {
        setFixedHeight(view->fontMetrics().height() + 8);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.fillRect(rect(), palette().button());
        const QHeaderView* header = view_->horizontalHeader();
        const int offset = view_->viewport()->mapTo(parentWidget(), QPoint(0, 0)).x() - x();
        p.setClipRect(QRect(offset, 0, view_->viewport()->width(), height()));
        for (int c = 0; c < model_->columnCount(); ++c) {
            if (header->isSectionHidden(c))
                continue;
            const QRect cell(offset + header->sectionViewportPosition(c), 0, header->sectionSize(c),
                             height());
            p.setPen(palette().color(QPalette::Mid));
            p.drawRect(cell.adjusted(0, 0, -1, -1));
            p.setPen(palette().color(QPalette::ButtonText));
            const bool number = model_->columns().value(c).footer.kind == FooterKind::Sum
                || model_->columns().value(c).footer.kind == FooterKind::Count;
            p.drawText(cell.adjusted(4, 0, -4, 0),
                       (number ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter,
                       model_->footerText(c));
        }
    }

private:
    QTableView* view_;
    GridModel* model_;
};

}  // namespace

DataGrid::DataGrid(QWidget* parent) : QWidget(parent), model_(new GridModel(this))
{
    view_ = new QTableView(this);
    view_->setHorizontalHeader(new GroupHeader(view_));
    view_->setModel(model_);
    view_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view_->setSelectionBehavior(QAbstractItemView::SelectRows);
    view_->setSelectionMode(QAbstractItemView::SingleSelection);
    view_->setSortingEnabled(false);
    view_->verticalHeader()->hide();
    view_->verticalHeader()->setDefaultSectionSize(view_->fontMetrics().height() + 6);
    view_->horizontalHeader()->setSectionsClickable(true);
    view_->horizontalHeader()->setHighlightSections(false);
    view_->setWordWrap(false);
    view_->installEventFilter(this);
    view_->viewport()->installEventFilter(this);  // refit when the visible width changes

    footer_ = new FooterBar(view_, model_, this);
    footer_->hide();

    findBar_ = new QWidget(this);
    findBar_->setProperty(kOwnKeysProperty, true);
    auto* findLayout = new QHBoxLayout(findBar_);
    findLayout->setContentsMargins(0, 0, 0, 0);
    findLayout->addWidget(new QLabel(QStringLiteral("查找："), findBar_));
    findText_ = new QLineEdit(findBar_);
    findLayout->addWidget(findText_, 1);
    auto* nextButton = new QPushButton(QStringLiteral("查找下一个"), findBar_);
    auto* closeButton = new QPushButton(QStringLiteral("关闭"), findBar_);
    findStatus_ = new QLabel(findBar_);
    findLayout->addWidget(nextButton);
    findLayout->addWidget(closeButton);
    findLayout->addWidget(findStatus_);
    findBar_->hide();
    findText_->installEventFilter(this);
    connect(nextButton, &QPushButton::clicked, this, [this] { findNext(findText_->text()); });
    connect(findText_, &QLineEdit::returnPressed, this, [this] { findNext(findText_->text()); });
    connect(closeButton, &QPushButton::clicked, this, [this] {
        findBar_->hide();
        view_->setFocus();
    });

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(findBar_);
    layout->addWidget(view_, 1);
    layout->addWidget(footer_);

    auto* find = new QShortcut(QKeySequence::Find, this, nullptr, nullptr, Qt::WidgetWithChildrenShortcut);
    connect(find, &QShortcut::activated, this, &DataGrid::showFind);

    QHeaderView* header = view_->horizontalHeader();
    connect(header, &QHeaderView::sectionClicked, this, &DataGrid::titleClicked);
    connect(header, &QHeaderView::sectionResized, footer_, qOverload<>(&QWidget::update));
    connect(header, &QHeaderView::sectionMoved, footer_, qOverload<>(&QWidget::update));
    connect(view_->horizontalScrollBar(), &QScrollBar::valueChanged, footer_, qOverload<>(&QWidget::update));
    connect(model_, &GridModel::footerChanged, this, [this] {
        footer_->setVisible(model_->hasFooter());
        footer_->update();
    });
    connect(model_, &QAbstractItemModel::modelReset, this, [this] {
        sortColumn_ = -1;
        view_->horizontalHeader()->setSortIndicatorShown(false);
        view_->horizontalHeader()->updateGeometry();
        fitColumns();
    });
    connect(view_, &QTableView::doubleClicked, this, [this](const QModelIndex& i) { emit rowActivated(i.row()); });
    connect(view_->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& now) { emit currentRowChanged(now.isValid() ? now.row() : -1); });
}

void DataGrid::setColumns(const QList<Column>& columns) { model_->setColumns(columns); }
void DataGrid::setQuery(QSqlQuery& query) { model_->setQuery(query); }
void DataGrid::setRows(const QStringList& fields, const QList<QVariantList>& rows)
{
    model_->setRows(fields, rows);
}
void DataGrid::clear() { model_->clear(); }
void DataGrid::setRowColours(std::function<RowColours(const Row&)> colours)
{
    model_->setRowColours(std::move(colours));
}

void DataGrid::setFitToWidth(bool fit)
{
    fit_ = fit;
    fitColumns();
}

int DataGrid::rowCount() const { return model_->rowCount(); }
Row DataGrid::row(int r) const { return model_->row(r); }

int DataGrid::currentRow() const
{
    const QModelIndex i = view_->currentIndex();
    return i.isValid() ? i.row() : -1;
}

std::optional<Row> DataGrid::current() const
{
    const int r = currentRow();
    if (r < 0)
        return std::nullopt;
    return model_->row(r);
}

void DataGrid::setCurrentRow(int r)
{
    if (r < 0 || r >= rowCount())
        return;
    view_->setCurrentIndex(model_->index(r, 0));
    view_->selectRow(r);
    view_->scrollTo(model_->index(r, 0));
}

QString DataGrid::footerText(int column) const { return model_->footerText(column); }

Table DataGrid::table() const
{
    Table t = model_->table();
    for (int c = 0; c < model_->columnCount(); ++c)
        t.widths << view_->columnWidth(c);
    return t;
}

void DataGrid::showFind()
{
    findBar_->show();
    findStatus_->clear();
    findText_->setFocus();
    findText_->selectAll();
}

bool DataGrid::findNext(const QString& text)
{
    findStatus_->clear();
    const int n = rowCount();
    if (text.isEmpty() || n == 0)
        return false;
    const int start = currentRow();
    for (int step = 1; step <= n; ++step) {
        const int r = (start + step + n) % n;
        for (int c = 0; c < model_->columnCount(); ++c) {
            if (model_->data(model_->index(r, c), Qt::DisplayRole).toString().contains(text, Qt::CaseInsensitive)) {
                setCurrentRow(r);
                return true;
            }
        }
    }
    findStatus_->setText(QStringLiteral("没有找到“%1”").arg(text));
    return false;
}

void DataGrid::titleClicked(int column)
{
    if (!model_->columns().value(column).sortable)
        return;
    sortOrder_ = (sortColumn_ == column && sortOrder_ == Qt::AscendingOrder) ? Qt::DescendingOrder
                                                                             : Qt::AscendingOrder;
    sortColumn_ = column;
    model_->sort(column, sortOrder_);
    QHeaderView* header = view_->horizontalHeader();
    header->setSortIndicatorShown(true);
    header->setSortIndicator(column, sortOrder_);
}

void DataGrid::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    fitColumns();
}

bool DataGrid::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == view_->viewport() && event->type() == QEvent::Resize)
        fitColumns();
    if (event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (watched == findText_ && key->key() == Qt::Key_Escape) {
            findBar_->hide();
            view_->setFocus();
            return true;
        }
        if (watched == view_ && (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)
            && currentRow() >= 0) {
            emit rowActivated(currentRow());
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void DataGrid::fitColumns()
{
    QHeaderView* header = view_->horizontalHeader();
    const int n = model_->columnCount();
    if (n == 0)
        return;
    // Natural width: the wider of the title and the widest visible cell.
    QList<int> natural;
    int total = 0;
    for (int c = 0; c < n; ++c) {
        const int title = header->fontMetrics().horizontalAdvance(model_->columns()[c].caption) + 16;
        const int w = std::max(title, static_cast<QAbstractItemView*>(view_)->sizeHintForColumn(c)) + 8;
        natural << w;
        total += w;
    }
    const int available = view_->viewport()->width();
    if (!fit_ || available <= 0 || total <= 0) {
        for (int c = 0; c < n; ++c)
            view_->setColumnWidth(c, natural[c]);
        return;
    }
    int used = 0;
    for (int c = 0; c < n; ++c) {
        const int w = c == n - 1 ? available - used : int(qint64(natural[c]) * available / total);
        view_->setColumnWidth(c, std::max(w, 20));
        used += w;
    }
    footer_->update();
}

}  // namespace kit
