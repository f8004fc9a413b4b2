// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quarnel developers

// The rows and columns behind a ListView. Rows are stored in the order they
// were added (an item's id is its place in that store) and shown through
// `order_`, so that sorting moves ids, never texts, and an item handle keeps
// its row, and rows added to a list keep the selection where it was. A long list is held compactly:
// the texts of all rows lie in one array, row after row, and a text equal to the one above it in
// its column shares that one's memory.
#pragma once

#include "ListView.h"

#include <QAbstractTableModel>

#include <set>
#include <vector>

namespace quarnel {

class ListViewModel final : public QAbstractTableModel {
  public:
    using QAbstractTableModel::QAbstractTableModel;

    struct Column {
        QString key;
        QString text;
        SortAs sortAs = SortAs::Text;
    };

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;

    bool editable = false;
    bool draggable = false;

    // Columns.
    const std::vector<Column>& Columns() const { return columns_; }
    void ClearColumns();
    int AddColumn(const QString& key, const QString& text, SortAs sortAs); // its index, from 1

    // Rows.
    void ClearRows();
    ListItem AddRow(const QString& text);
    ListItem ItemAtRow(int row);
    // The row an item stands in, from 0; -1 when it stands for no row here.
    int RowOf(const ListItem& item) const;
    QString CellOf(const ListItem& item, int column) const;
    void SetCell(const ListItem& item, int column, const QString& text);

    // Marked rows show in bold on a tinted background; clearing the rows
    // clears the marks.
    void Mark(const ListItem& item);
    bool Marked(const ListItem& item) const;
    void ClearMarks();

    // Bulk updates: inside them the view hears nothing. At their end a
    // change of rows or columns resets the view once (sorted, if sorting is
    // on); rows that were only added are inserted, and a change of the sort
    // settings alone sorts once, so that the selection and the scroll
    // position follow their rows.
    void BeginBulk();
    void EndBulk();

    // Sorting.
    int SortKey() const { return sortKey_; }
    Qt::SortOrder SortOrder() const { return sortOrder_; }
    bool Sorted() const { return sorted_; }
    void SetSortKey(int key);
    void SetSortOrder(Qt::SortOrder order);
    void SetSorted(bool sorted);

  private:
    const QString& Cell(int id, int column) const;
    int IdCount() const { return static_cast<int>(rowOf_.size()); }
    void Store(int id, int column, const QString& text);
    // Gives every row room for `columns` texts.
    void Restride(std::size_t columns);
    bool RowLess(int a, int b) const;
    bool SortsAsNumbers() const;
    void NumberRowsFrom(int row);
    void SortRows();
    void Resort();
    // Inside a bulk update: the view is told of a reset once, before the
    // first change of rows or columns.
    void BeginReset();

    std::vector<Column> columns_;
    std::vector<QString> cells_; // by id, `stride_` each: the item's text, then its sub-items
    std::size_t stride_ = 0;
    std::vector<int> order_;       // by row as shown: the id
    std::vector<int> rowOf_;       // by id: the row as shown
    std::set<int> marked_;         // ids
    std::uint64_t generation_ = 1; // changes whenever the rows are cleared
    int bulkDepth_ = 0;
    bool resetPending_ = false; // a bulk update has changed rows or columns
    int addedFrom_ = -1;        // a bulk update has added rows from this one on, and no more
    bool sortPending_ = false;  // a bulk update has changed the sort settings
    int sortKey_ = 0;
    Qt::SortOrder sortOrder_ = Qt::AscendingOrder;
    bool sorted_ = false;
};

} // namespace quarnel
