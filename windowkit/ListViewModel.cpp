// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quarnel developers

#include "ListViewModel.h"

#include <QGuiApplication>
#include <QPalette>

#include <algorithm>
#include <limits>
#include <utility>

namespace quarnel {

namespace {

// One UTF-16 unit without regard to case; ASCII without a table look-up,
// since paths and names are mostly ASCII and a sort compares them often.
char16_t Folded(char16_t c) {
    if (c < 0x80)
        return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + (u'a' - u'A')) : c;
    return QChar::toCaseFolded(c);
}

// Compares two texts as text without regard to case, unit by unit.
int CompareWithoutCase(const QString& a, const QString& b) {
    const qsizetype n = std::min(a.size(), b.size());
    const char16_t* pa = reinterpret_cast<const char16_t*>(a.constData());
    const char16_t* pb = reinterpret_cast<const char16_t*>(b.constData());
    for (qsizetype i = 0; i < n; ++i) {
        if (pa[i] == pb[i])
            continue;
        const char16_t fa = Folded(pa[i]);
        const char16_t fb = Folded(pb[i]);
        if (fa != fb)
            return fa < fb ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

// The number a text writes; texts that write none come before every number.
qint64 NumberOf(const QString& text) {
    bool ok = false;
    const qint64 number = text.toLongLong(&ok);
    return ok ? number : std::numeric_limits<qint64>::min();
}

} // namespace

int ListViewModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(order_.size());
}

int ListViewModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(columns_.size());
}

QVariant ListViewModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount() || index.column() >= columnCount())
        return {};
    const int id = order_[static_cast<std::size_t>(index.row())];
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        return Cell(id, index.column());
    case Qt::FontRole:
        if (marked_.contains(id)) {
            QFont font = QGuiApplication::font();
            font.setBold(true);
            return font;
        }
        return {};
    case Qt::BackgroundRole:
        if (marked_.contains(id)) {
            QColor tint = QGuiApplication::palette().color(QPalette::Highlight);
            tint.setAlpha(48);
            return tint;
        }
        return {};
    default:
        return {};
    }
}

QVariant ListViewModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 || section >= columnCount())
        return {};
    if (role == Qt::DisplayRole)
        return columns_[static_cast<std::size_t>(section)].text;
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue(Qt::AlignLeft | Qt::AlignVCenter);
    return {};
}

Qt::ItemFlags ListViewModel::flags(const QModelIndex& index) const {
    if (!index.isValid())
        return Qt::NoItemFlags;
    Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
    if (editable && index.column() == 0)
        f |= Qt::ItemIsEditable;
    if (draggable)
        f |= Qt::ItemIsDragEnabled;
    return f;
}

bool ListViewModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (role != Qt::EditRole || !editable || index.column() != 0 || !index.isValid())
        return false;
    SetCell(ItemAtRow(index.row()), 0, value.toString());
    return true;
}

// Columns

void ListViewModel::ClearColumns() {
    if (columns_.empty())
        return;
    if (bulkDepth_ == 0)
        beginRemoveColumns({}, 0, columnCount() - 1);
    BeginReset();
    columns_.clear();
    if (bulkDepth_ == 0)
        endRemoveColumns();
}

int ListViewModel::AddColumn(const QString& key, const QString& text, SortAs sortAs) {
    const int at = columnCount();
    if (bulkDepth_ == 0)
        beginInsertColumns({}, at, at);
    BeginReset();
    columns_.push_back({key, text, sortAs});
    if (bulkDepth_ == 0)
        endInsertColumns();
    return at + 1;
}

// Rows

void ListViewModel::ClearRows() {
    if (bulkDepth_ == 0)
        beginResetModel();
    BeginReset();
    // Swapped out, so that the memory of a long list goes back at once.
    std::vector<QString>().swap(cells_);
    stride_ = 0;
    std::vector<int>().swap(order_);
    std::vector<int>().swap(rowOf_);
    marked_.clear();
    ++generation_; // handles of the old rows now stand for no row
    if (bulkDepth_ == 0)
        endResetModel();
}

ListItem ListViewModel::AddRow(const QString& text) {
    const int id = IdCount();
    if (stride_ == 0)
        stride_ = std::max<std::size_t>(1, columns_.size());
    cells_.resize(cells_.size() + stride_);
    rowOf_.push_back(0);
    Store(id, 0, text);
    const auto end = static_cast<int>(order_.size());
    // Inside a bulk update the rows are sorted once, at its end.
    const int row =
        sorted_ && bulkDepth_ == 0
            ? static_cast<int>(std::upper_bound(order_.begin(), order_.end(), id,
                                                [this](int a, int b) { return RowLess(a, b); }) -
                               order_.begin())
            : end;
    if (bulkDepth_ == 0)
        beginInsertRows({}, row, row);
    else if (end > 0 && !resetPending_ && addedFrom_ < 0)
        addedFrom_ = end; // told at the end of the bulk update, without a reset
    else if (addedFrom_ < 0)
        BeginReset();
    order_.insert(order_.begin() + row, id);
    NumberRowsFrom(row);
    if (bulkDepth_ == 0)
        endInsertRows();
    return {this, id, generation_};
}

ListItem ListViewModel::ItemAtRow(int row) {
    if (row < 0 || row >= rowCount())
        return {};
    return {this, order_[static_cast<std::size_t>(row)], generation_};
}

int ListViewModel::RowOf(const ListItem& item) const {
    if (item.model_ != this || item.generation_ != generation_ || item.id_ < 0 ||
        item.id_ >= IdCount())
        return -1;
    return rowOf_[static_cast<std::size_t>(item.id_)];
}

QString ListViewModel::CellOf(const ListItem& item, int column) const {
    return RowOf(item) < 0 || column < 0 ? QString() : Cell(item.id_, column);
}

void ListViewModel::Mark(const ListItem& item) {
    const int row = RowOf(item);
    if (row < 0 || !marked_.insert(item.id_).second)
        return;
    // As SetCell tells a change inside a bulk update.
    if (addedFrom_ < 0 || row < addedFrom_)
        BeginReset();
    if (bulkDepth_ == 0)
        emit dataChanged(index(row, 0), index(row, columnCount() - 1),
                         {Qt::FontRole, Qt::BackgroundRole});
}

bool ListViewModel::Marked(const ListItem& item) const {
    return RowOf(item) >= 0 && marked_.contains(item.id_);
}

void ListViewModel::ClearMarks() {
    if (marked_.empty())
        return;
    marked_.clear();
    if (rowCount() > 0)
        emit dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1),
                         {Qt::FontRole, Qt::BackgroundRole});
}

void ListViewModel::SetCell(const ListItem& item, int column, const QString& text) {
    const int row = RowOf(item);
    if (row < 0 || column < 0)
        return;
    // A row added in this bulk update is told of with the others.
    if (addedFrom_ < 0 || row < addedFrom_)
        BeginReset();
    Store(item.id_, column, text);
    if (bulkDepth_ > 0)
        return;
    if (column < columnCount())
        emit dataChanged(index(row, column), index(row, column), {Qt::DisplayRole, Qt::EditRole});
    if (sorted_ && column == sortKey_)
        Resort();
}

// Bulk updates

void ListViewModel::BeginBulk() {
    ++bulkDepth_;
}

void ListViewModel::BeginReset() {
    if (bulkDepth_ == 0 || resetPending_)
        return;
    resetPending_ = true;
    beginResetModel();
}

void ListViewModel::EndBulk() {
    if (bulkDepth_ == 0 || --bulkDepth_ > 0)
        return;
    const bool reset = std::exchange(resetPending_, false);
    const int addedFrom = std::exchange(addedFrom_, -1);
    const bool sort = std::exchange(sortPending_, false) && sorted_;
    if (reset) {
        if (sorted_)
            SortRows();
        endResetModel();
        return;
    }
    if (addedFrom >= 0) {
        // The view hears of the added rows at the end, then of their places.
        const std::vector<int> added(order_.begin() + addedFrom, order_.end());
        order_.resize(static_cast<std::size_t>(addedFrom));
        beginInsertRows({}, addedFrom, addedFrom + static_cast<int>(added.size()) - 1);
        order_.insert(order_.end(), added.begin(), added.end());
        endInsertRows();
    }
    if (sorted_ && (sort || addedFrom >= 0))
        Resort();
}

// Sorting

void ListViewModel::SetSortKey(int key) {
    if (key < 0 || key == sortKey_)
        return;
    sortKey_ = key;
    if (sorted_)
        Resort();
}

void ListViewModel::SetSortOrder(Qt::SortOrder order) {
    if (order == sortOrder_)
        return;
    sortOrder_ = order;
    if (sorted_)
        Resort();
}

void ListViewModel::SetSorted(bool sorted) {
    if (sorted == sorted_)
        return; // while sorted, the rows are in order already
    sorted_ = sorted;
    if (sorted_)
        Resort();
}

const QString& ListViewModel::Cell(int id, int column) const {
    static const QString none;
    return static_cast<std::size_t>(column) < stride_
               ? cells_[static_cast<std::size_t>(id) * stride_ + static_cast<std::size_t>(column)]
               : none;
}

void ListViewModel::Store(int id, int column, const QString& text) {
    if (static_cast<std::size_t>(column) >= stride_)
        Restride(static_cast<std::size_t>(column) + 1);
    // A user with many files, the same letters, the same count: one text.
    const QString* above = id > 0 ? &Cell(id - 1, column) : nullptr;
    cells_[static_cast<std::size_t>(id) * stride_ + static_cast<std::size_t>(column)] =
        above != nullptr && *above == text ? *above : text;
}

void ListViewModel::Restride(std::size_t columns) {
    std::vector<QString> wider(static_cast<std::size_t>(IdCount()) * columns);
    for (std::size_t id = 0; id < static_cast<std::size_t>(IdCount()); ++id)
        std::move(cells_.begin() + static_cast<std::ptrdiff_t>(id * stride_),
                  cells_.begin() + static_cast<std::ptrdiff_t>((id + 1) * stride_),
                  wider.begin() + static_cast<std::ptrdiff_t>(id * columns));
    cells_ = std::move(wider);
    stride_ = columns;
}

bool ListViewModel::SortsAsNumbers() const {
    return static_cast<std::size_t>(sortKey_) < columns_.size() &&
           columns_[static_cast<std::size_t>(sortKey_)].sortAs == SortAs::Number;
}

// Orders two rows (by id) by the key column's texts, in the sort order.
bool ListViewModel::RowLess(int a, int b) const {
    const QString& ta = Cell(a, sortKey_);
    const QString& tb = Cell(b, sortKey_);
    const int c = SortsAsNumbers() ? (NumberOf(ta) > NumberOf(tb)) - (NumberOf(ta) < NumberOf(tb))
                                   : CompareWithoutCase(ta, tb);
    return sortOrder_ == Qt::AscendingOrder ? c < 0 : c > 0;
}

void ListViewModel::NumberRowsFrom(int row) {
    for (auto r = static_cast<std::size_t>(row); r < order_.size(); ++r)
        rowOf_[static_cast<std::size_t>(order_[r])] = static_cast<int>(r);
}

// Stable, so rows with equal texts keep their order. Numbers are read once
// for the whole sort, not at every comparison.
void ListViewModel::SortRows() {
    if (SortsAsNumbers()) {
        std::vector<qint64> numbers(static_cast<std::size_t>(IdCount()));
        for (int id = 0; id < IdCount(); ++id)
            numbers[static_cast<std::size_t>(id)] = NumberOf(Cell(id, sortKey_));
        const bool ascending = sortOrder_ == Qt::AscendingOrder;
        std::stable_sort(order_.begin(), order_.end(), [&](int a, int b) {
            const qint64 na = numbers[static_cast<std::size_t>(a)];
            const qint64 nb = numbers[static_cast<std::size_t>(b)];
            return ascending ? na < nb : na > nb;
        });
    } else {
        std::stable_sort(order_.begin(), order_.end(),
                         [this](int a, int b) { return RowLess(a, b); });
    }
    NumberRowsFrom(0);
}

// Sorts and tells the view, so that the selection and every other persistent
// index follow their rows.
void ListViewModel::Resort() {
    if (bulkDepth_ > 0) {
        sortPending_ = true;
        return;
    }
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
        after.push_back(index(rowOf_[static_cast<std::size_t>(ids[static_cast<std::size_t>(i)])],
                              before[i].column()));
    changePersistentIndexList(before, after);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

} // namespace quarnel
