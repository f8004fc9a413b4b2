#include "ListView.h"

#include "twips.h"

#include <QAbstractTableModel>
#include <QHeaderView>
#include <QWidget>

#include <algorithm>
#include <vector>

namespace quarnel {

namespace {

// A size in twips that a widget can take: not negative, not beyond Qt's limit.
bool PossibleSize(int twips) {
    return twips >= 0 && twips <= QWIDGETSIZE_MAX * twips::PerPixel;
}

} // namespace

// The rows and columns behind a ListView. Rows are stored in the order they
// were added (an item's id is its place in that store) and shown through
// `order_`, so that sorting moves ids, never texts, and an item handle keeps
// its row.
class ListViewModel final : public QAbstractTableModel {
  public:
    using QAbstractTableModel::QAbstractTableModel;

    struct Column {
        QString key;
        QString text;
    };

    int rowCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() ? 0 : static_cast<int>(order_.size());
    }
    int columnCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() ? 0 : static_cast<int>(columns_.size());
    }

    QVariant data(const QModelIndex& index, int role) const override {
        if (role != Qt::DisplayRole && role != Qt::EditRole)
            return {};
        if (!index.isValid() || index.row() >= rowCount() || index.column() >= columnCount())
            return {};
        return Cell(order_[static_cast<std::size_t>(index.row())], index.column());
    }

    QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
        if (orientation != Qt::Horizontal || section < 0 || section >= columnCount())
            return {};
        if (role == Qt::DisplayRole)
            return columns_[static_cast<std::size_t>(section)].text;
        if (role == Qt::TextAlignmentRole)
            return QVariant::fromValue(Qt::AlignLeft | Qt::AlignVCenter);
        return {};
    }

    Qt::ItemFlags flags(const QModelIndex& index) const override {
        if (!index.isValid())
            return Qt::NoItemFlags;
        Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
        if (editable && index.column() == 0)
            f |= Qt::ItemIsEditable;
        if (draggable)
            f |= Qt::ItemIsDragEnabled;
        return f;
    }

    bool setData(const QModelIndex& index, const QVariant& value, int role) override {
        if (role != Qt::EditRole || !editable || index.column() != 0 || !index.isValid())
            return false;
        SetCell(ItemAtRow(index.row()), 0, value.toString());
        return true;
    }

    bool editable = false;
    bool draggable = false;

    // Columns.

    const std::vector<Column>& Columns() const { return columns_; }

    void ClearColumns() {
        if (columns_.empty())
            return;
        if (bulkDepth_ == 0)
            beginRemoveColumns({}, 0, columnCount() - 1);
        columns_.clear();
        if (bulkDepth_ == 0)
            endRemoveColumns();
    }

    int AddColumn(const QString& key, const QString& text) {
        const int at = columnCount();
        if (bulkDepth_ == 0)
            beginInsertColumns({}, at, at);
        columns_.push_back({key, text});
        if (bulkDepth_ == 0)
            endInsertColumns();
        return at + 1;
    }

    // Rows.

    void ClearRows() {
        if (bulkDepth_ == 0)
            beginResetModel();
        cells_.clear();
        order_.clear();
        rowOf_.clear();
        ++generation_; // handles of the old rows now stand for no row
        if (bulkDepth_ == 0)
            endResetModel();
    }

    ListItem AddRow(const QString& text) {
        const int id = static_cast<int>(cells_.size());
        cells_.push_back({text});
        rowOf_.push_back(0);
        const auto end = static_cast<int>(order_.size());
        // Inside a bulk update the rows are sorted once, at its end.
        const int row = sorted_ && bulkDepth_ == 0
                            ? static_cast<int>(
                                  std::upper_bound(order_.begin(), order_.end(), id,
                                                   [this](int a, int b) { return RowLess(a, b); }) -
                                  order_.begin())
                            : end;
        if (bulkDepth_ == 0)
            beginInsertRows({}, row, row);
        order_.insert(order_.begin() + row, id);
        NumberRowsFrom(row);
        if (bulkDepth_ == 0)
            endInsertRows();
        return {this, id, generation_};
    }

    ListItem ItemAtRow(int row) {
        if (row < 0 || row >= rowCount())
            return {};
        return {this, order_[static_cast<std::size_t>(row)], generation_};
    }

    // The row an item stands in, from 0; -1 when it stands for no row here.
    int RowOf(const ListItem& item) const {
        if (item.model_ != this || item.generation_ != generation_ || item.id_ < 0 ||
            item.id_ >= static_cast<int>(cells_.size()))
            return -1;
        return rowOf_[static_cast<std::size_t>(item.id_)];
    }

    QString CellOf(const ListItem& item, int column) const {
        return RowOf(item) < 0 ? QString() : Cell(item.id_, column);
    }

    void SetCell(const ListItem& item, int column, const QString& text) {
        const int row = RowOf(item);
        if (row < 0 || column < 0)
            return;
        auto& cells = cells_[static_cast<std::size_t>(item.id_)];
        if (cells.size() <= static_cast<std::size_t>(column))
            cells.resize(static_cast<std::size_t>(column) + 1);
        cells[static_cast<std::size_t>(column)] = text;
        if (bulkDepth_ > 0)
            return;
        if (column < columnCount())
            emit dataChanged(index(row, column), index(row, column),
                             {Qt::DisplayRole, Qt::EditRole});
        if (sorted_ && column == sortKey_)
            Resort();
    }

    // Bulk updates.

    void BeginBulk() {
        if (bulkDepth_++ == 0)
            beginResetModel();
    }

    void EndBulk() {
        if (bulkDepth_ == 0 || --bulkDepth_ > 0)
            return;
        if (sorted_)
            SortRows();
        endResetModel();
    }

    // Sorting.

    int SortKey() const { return sortKey_; }
    Qt::SortOrder SortOrder() const { return sortOrder_; }
    bool Sorted() const { return sorted_; }

    void SetSortKey(int key) {
        if (key < 0 || key == sortKey_)
            return;
        sortKey_ = key;
        if (sorted_)
            Resort();
    }

    void SetSortOrder(Qt::SortOrder order) {
        if (order == sortOrder_)
            return;
        sortOrder_ = order;
        if (sorted_)
            Resort();
    }

    void SetSorted(bool sorted) {
        sorted_ = sorted;
        if (sorted_)
            Resort();
    }

  private:
    const QString& Cell(int id, int column) const {
        static const QString none;
        const auto& cells = cells_[static_cast<std::size_t>(id)];
        return static_cast<std::size_t>(column) < cells.size()
                   ? cells[static_cast<std::size_t>(column)]
                   : none;
    }

    // Orders two rows (by id) by the key column's text, in the sort order.
    bool RowLess(int a, int b) const {
        const int c = QString::compare(Cell(a, sortKey_), Cell(b, sortKey_), Qt::CaseInsensitive);
        return sortOrder_ == Qt::AscendingOrder ? c < 0 : c > 0;
    }

    void NumberRowsFrom(int row) {
        for (auto r = static_cast<std::size_t>(row); r < order_.size(); ++r)
            rowOf_[static_cast<std::size_t>(order_[r])] = static_cast<int>(r);
    }

    // Stable, so rows with equal texts keep their order.
    void SortRows() {
        std::stable_sort(order_.begin(), order_.end(),
                         [this](int a, int b) { return RowLess(a, b); });
        NumberRowsFrom(0);
    }

    // Sorts and tells the view, so that the selection and every other
    // persistent index follow their rows.
    void Resort() {
        if (bulkDepth_ > 0)
            return;
        emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
        const QModelIndexList before = persistentIndexList();
        std::vector<int> ids;
        ids.reserve(static_cast<std::size_t>(before.size()));
        for (const QModelIndex& i : before)
            ids.push_back(order_[static_cast<std::size_t>(i.row())]);
        SortRows();
        QModelIndexList after;
        after.reserve(before.size());
        for (qsizetype i = 0; i < before.size(); ++i)
            after.push_back(
                index(rowOf_[static_cast<std::size_t>(ids[static_cast<std::size_t>(i)])],
                      before[i].column()));
        changePersistentIndexList(before, after);
        emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
    }

    std::vector<Column> columns_;
    std::vector<std::vector<QString>> cells_; // by id: the item's text, then its sub-items
    std::vector<int> order_;                  // by row as shown: the id
    std::vector<int> rowOf_;                  // by id: the row as shown
    std::uint64_t generation_ = 1;            // changes whenever the rows are cleared
    int bulkDepth_ = 0;
    int sortKey_ = 0;
    Qt::SortOrder sortOrder_ = Qt::AscendingOrder;
    bool sorted_ = false;
};

// ListItem

bool ListItem::IsValid() const {
    return model_ != nullptr && model_->RowOf(*this) >= 0;
}

int ListItem::Index() const {
    return model_ == nullptr ? 0 : model_->RowOf(*this) + 1;
}

QString ListItem::Text() const {
    return SubItem(0);
}

void ListItem::SetText(const QString& text) {
    if (model_ != nullptr)
        model_->SetCell(*this, 0, text);
}

QString ListItem::SubItem(int k) const {
    return model_ == nullptr ? QString() : model_->CellOf(*this, k);
}

void ListItem::SetSubItem(int k, const QString& text) {
    if (model_ != nullptr && k >= 1)
        model_->SetCell(*this, k, text);
}

// ListView

ListView::ListView(QWidget* parent) : QTreeView(parent), model_(new ListViewModel(this)) {
    setModel(model_);
    // Report view: flat rows under one row of headers, all of one height.
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setSortingEnabled(false); // the list sorts itself; a header click only reports
    header()->setStretchLastSection(false);
    header()->setSectionsClickable(true);
    header()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    header()->setMinimumSectionSize(0);
    connect(header(), &QHeaderView::sectionClicked, this,
            [this](int logicalIndex) { emit ColumnClick(logicalIndex + 1); });
    SetLabelEdit(labelEdit_);
    SetMultiSelect(false);
    SetOLEDragMode(dragMode_);
    SetExtendedStyle(extendedStyle_);
}

ListView::~ListView() = default;

void ListView::SetLabelEdit(LabelEditMode mode) {
    labelEdit_ = mode;
    model_->editable = mode == LabelEditMode::Automatic;
    setEditTriggers(model_->editable ? SelectedClicked | EditKeyPressed : NoEditTriggers);
}

void ListView::SetMultiSelect(bool multiSelect) {
    setSelectionMode(multiSelect ? ExtendedSelection : SingleSelection);
}

bool ListView::MultiSelect() const {
    return selectionMode() != SingleSelection;
}

void ListView::SetOLEDragMode(DragMode mode) {
    dragMode_ = mode;
    model_->draggable = mode == DragMode::Automatic;
    setDragEnabled(model_->draggable);
    setDragDropMode(model_->draggable ? DragOnly : NoDragDrop);
    setDefaultDropAction(Qt::CopyAction);
}

void ListView::SetExtendedStyle(std::uint32_t style) {
    extendedStyle_ = style;
    const bool fullRow = (style & LVS_EX_FULLROWSELECT) != 0;
    setSelectionBehavior(fullRow ? SelectRows : SelectItems);
    setAllColumnsShowFocus(fullRow);
    const bool movable = (style & LVS_EX_HEADERDRAGDROP) != 0;
    header()->setSectionsMovable(movable);
    header()->setFirstSectionMovable(movable);
}

// Column headers

void ListView::ClearColumnHeaders() {
    model_->ClearColumns();
}

int ListView::AddColumnHeader(const QString& key, const QString& text) {
    return model_->AddColumn(key, text);
}

int ListView::ColumnHeaderCount() const {
    return model_->columnCount();
}

QString ListView::ColumnHeaderKey(int n) const {
    return n >= 1 && n <= ColumnHeaderCount() ? model_->Columns()[std::size_t(n - 1)].key
                                              : QString();
}

QString ListView::ColumnHeaderText(int n) const {
    return n >= 1 && n <= ColumnHeaderCount() ? model_->Columns()[std::size_t(n - 1)].text
                                              : QString();
}

bool ListView::SetColumnHeaderWidth(int n, int twips) {
    if (n < 1 || n > ColumnHeaderCount() || !PossibleSize(twips))
        return false;
    header()->resizeSection(n - 1, twips::ToPixels(twips));
    return true;
}

int ListView::ColumnHeaderWidth(int n) const {
    if (n < 1 || n > ColumnHeaderCount())
        return 0;
    return twips::FromPixels(header()->sectionSize(n - 1));
}

// Items

void ListView::ClearListItems() {
    model_->ClearRows();
}

ListItem ListView::AddListItem(const QString& text) {
    return model_->AddRow(text);
}

int ListView::ListItemCount() const {
    return model_->rowCount();
}

ListItem ListView::ListItemAt(int index) const {
    return model_->ItemAtRow(index - 1);
}

void ListView::BeginUpdate() {
    model_->BeginBulk();
}

void ListView::EndUpdate() {
    model_->EndBulk();
}

// Selection

ListItem ListView::SelectedItem() const {
    const QItemSelectionModel* selection = selectionModel();
    const QModelIndex current = selection->currentIndex();
    if (current.isValid() && selection->isSelected(current))
        return model_->ItemAtRow(current.row());
    const QModelIndexList selected = selection->selectedIndexes();
    return selected.isEmpty() ? ListItem() : model_->ItemAtRow(selected.first().row());
}

void ListView::SetSelectedItem(const ListItem& item) {
    const int row = model_->RowOf(item);
    if (row < 0) {
        selectionModel()->clearSelection();
        return;
    }
    QItemSelectionModel::SelectionFlags how = QItemSelectionModel::ClearAndSelect;
    if (selectionBehavior() == SelectRows)
        how |= QItemSelectionModel::Rows;
    selectionModel()->setCurrentIndex(model_->index(row, 0), how);
}

// Sorting

int ListView::SortKey() const {
    return model_->SortKey();
}

void ListView::SetSortKey(int key) {
    model_->SetSortKey(key);
}

Qt::SortOrder ListView::SortOrder() const {
    return model_->SortOrder();
}

void ListView::SetSortOrder(Qt::SortOrder order) {
    model_->SetSortOrder(order);
}

bool ListView::Sorted() const {
    return model_->Sorted();
}

void ListView::SetSorted(bool sorted) {
    model_->SetSorted(sorted);
}

// Size

bool ListView::SetWidth(int twips) {
    if (!PossibleSize(twips))
        return false;
    resize(twips::ToPixels(twips), height());
    return true;
}

bool ListView::SetHeight(int twips) {
    if (!PossibleSize(twips))
        return false;
    resize(width(), twips::ToPixels(twips));
    return true;
}

int ListView::Width() const {
    return twips::FromPixels(width());
}

int ListView::Height() const {
    return twips::FromPixels(height());
}

// Events

void ListView::mouseDoubleClickEvent(QMouseEvent* event) {
    QTreeView::mouseDoubleClickEvent(event);
    emit DblClick();
}

} // namespace quarnel
