// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quarnel developers

// The list view that every window of Quarnel uses: a report view (one row per
// item under a row of column headers) over a table model of its own, with the
// operations the windows rely on: column headers with keys and widths in
// twips, items with sub-items, the selected items, sorting by one column (as
// text or as numbers, the header showing which), column-click and
// double-click events, dragging a row out with data made when the target
// asks for it, copying the selected rows (Ctrl+C), tool tips for cut cells,
// a line that says why the list is empty, and the extended style bits.
//
// Columns and items are counted from 1 where the windows count them from 1
// (column headers, the index of an item, the clicked header); the sort key is
// a column counted from 0, and sub-item k shows in column k + 1.
#pragma once

#include <QMimeData>
#include <QTreeView>

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

class QLabel;

namespace quarnel {

class ListViewModel;

// One row of a ListView, held as a handle: it stays with its row when the
// list is sorted. After the list's items are cleared an old handle stands for
// no row: it reads empty and ignores writes.
class ListItem {
  public:
    ListItem() = default; // no row

    bool IsValid() const;
    // The row's place in the list as shown, counted from 1; 0 without a row.
    int Index() const;
    // The row's place in the order the rows were added, from 0, whatever
    // the sort; -1 without a row. A window that adds a row for each of its
    // records, in their order, finds a row's record by it.
    int AddedIndex() const;

    QString Text() const;
    void SetText(const QString& text);
    // Sub-item k (k from 1) shows in column k + 1.
    QString SubItem(int k) const;
    void SetSubItem(int k, const QString& text);

    bool operator==(const ListItem&) const = default;

  private:
    friend class ListViewModel;
    ListItem(ListViewModel* model, int id, std::uint64_t generation)
        : model_(model), id_(id), generation_(generation) {}

    ListViewModel* model_ = nullptr;
    int id_ = -1;
    std::uint64_t generation_ = 0;
};

// The data of a drag out of a ListView. Formats can be announced without
// data: the list is asked for their data only when a drop target wants it
// (ListView::OLESetData), so that what it gives can depend on the target.
class ListDragData final : public QMimeData {
    Q_OBJECT

  public:
    using Supplier = std::function<void(ListDragData& data, const QString& format)>;
    explicit ListDragData(Supplier supplier) : supplier_(std::move(supplier)) {}

    // Offers `format` (a MIME type such as "text/plain") without its data.
    void Announce(const QString& format);
    QStringList formats() const override;

  protected:
    QVariant retrieveData(const QString& format, QMetaType type) const override;

  private:
    Supplier supplier_;
    QStringList announced_;
};

// How a column's texts are compared when the list is sorted by it: as text
// without regard to case, or as the numbers they write (texts that write
// none come first).
enum class SortAs { Text, Number };

class ListView : public QTreeView {
    Q_OBJECT

  public:
    enum class LabelEditMode { Automatic, Manual };
    enum class DragMode { Manual, Automatic };

    // Extended style bits, under the platform's names for them.
    static constexpr std::uint32_t LVS_EX_HEADERDRAGDROP = 0x10; // reorder columns by dragging
    static constexpr std::uint32_t LVS_EX_FULLROWSELECT = 0x20;  // a click selects the whole row

    explicit ListView(QWidget* parent = nullptr);
    ~ListView() override;

    // Manual: the user never edits an item's text in place (the default).
    // Automatic: a click on the selected item, or F2, edits its text.
    void SetLabelEdit(LabelEditMode mode);
    LabelEditMode LabelEdit() const { return labelEdit_; }

    // False (the default): at most one selected row. True: any number, with
    // Shift, Ctrl and Ctrl+A.
    void SetMultiSelect(bool multiSelect);
    bool MultiSelect() const;

    // Automatic: the user can drag the selected row out of the list.
    void SetOLEDragMode(DragMode mode);
    DragMode OLEDragMode() const { return dragMode_; }

    // The extended style as one value. LVS_EX_FULLROWSELECT and
    // LVS_EX_HEADERDRAGDROP take effect; other bits are kept and read back
    // unchanged.
    std::uint32_t ExtendedStyle() const { return extendedStyle_; }
    void SetExtendedStyle(std::uint32_t style);

    // Column headers, in the order added; the first shows the items' own text.
    void ClearColumnHeaders();
    int AddColumnHeader(const QString& key, const QString& text,
                        SortAs sortAs = SortAs::Text); // its index, from 1
    int ColumnHeaderCount() const;
    QString ColumnHeaderKey(int n) const;
    QString ColumnHeaderText(int n) const;
    // The width of column n (from 1) in twips; false for no such column or a
    // negative width. The width is kept to the nearest pixel.
    bool SetColumnHeaderWidth(int n, int twips);
    int ColumnHeaderWidth(int n) const;
    // Column n takes whatever width the others leave, and follows the list's
    // width; the user widens the others instead of it.
    void SetColumnStretch(int n);

    // Items. A new item goes to the end of the list, or to its place in the
    // order while the list is sorted.
    void ClearListItems();
    ListItem AddListItem(const QString& text);
    int ListItemCount() const;
    ListItem ListItemAt(int index) const; // index from 1, as shown

    // A marked row stands out (in bold on a tinted background) until
    // ClearMarks or until the rows are cleared, such as a row that a refresh
    // brought.
    void MarkListItem(const ListItem& item);
    bool IsMarked(const ListItem& item) const;
    void ClearMarks();

    // Between BeginUpdate and EndUpdate (they nest) the list tells its view
    // nothing; EndUpdate sorts once if the list is sorted and resets the view
    // once. Nothing may process events inside the bracket.
    void BeginUpdate();
    void EndUpdate();
    class BulkUpdate {
      public:
        explicit BulkUpdate(ListView& list) : list_(list) { list_.BeginUpdate(); }
        ~BulkUpdate() { list_.EndUpdate(); }
        BulkUpdate(const BulkUpdate&) = delete;
        BulkUpdate& operator=(const BulkUpdate&) = delete;

      private:
        ListView& list_;
    };

    // The selected item (the current one when several are), or an invalid
    // one when none is selected.
    ListItem SelectedItem() const;
    void SetSelectedItem(const ListItem& item);
    // Every selected item, top to bottom.
    std::vector<ListItem> SelectedItems() const;

    // The rows' texts as the list shows them, the columns in their shown
    // order separated by tabs, one line a row: what Ctrl+C copies of the
    // selected rows.
    QString RowsText(const std::vector<ListItem>& rows) const;
    void CopySelectedRows() const;

    // Where the user stands in the list, the rows known by the texts of
    // `keyColumns` (from 0): the selected rows, the current one and the one
    // at the top. ReturnTo selects the rows of the same keys again and
    // scrolls the top one back to the top, as far as they are still listed
    // (a top row that is gone leaves the list scrolled as far as before),
    // unless the user has selected or scrolled since the rows came.
    struct Place {
        std::vector<int> keyColumns;
        QStringList selected;
        QString current, top;
        int scrolled = 0;
    };
    Place PlaceOf(std::vector<int> keyColumns) const;
    void ReturnTo(const Place& place);

    // A line shown over the list while it holds no rows, such as why it is
    // empty; none when `text` is empty. Screen readers read it as a label.
    void SetEmptyText(const QString& text);
    QString EmptyText() const;

    // Sorting by the texts of column SortKey (from 0), compared as the
    // column says (SortAs). Setting Sorted to true sorts at once; while it
    // stays true the rows are kept in order, also when the key or the order
    // changes, items are added or the key column's texts change. Turning it
    // off leaves the rows where they stand. At first: key 0, ascending, off.
    // While sorted, the key's header shows the order.
    int SortKey() const;
    void SetSortKey(int key); // a negative key is refused
    Qt::SortOrder SortOrder() const;
    void SetSortOrder(Qt::SortOrder order);
    bool Sorted() const;
    void SetSorted(bool sorted);
    // A click on column header `columnHeader` (from 1) as every window
    // answers it: sorted by that column, ascending, or in the reverse order
    // when it is the key already (the key starts at the first column, so a
    // first click on the first header sorts descending).
    void SortByHeader(int columnHeader);

    // The list's size in twips. A negative size, or one larger than a widget
    // can be, is refused: the size stays and the setter answers false.
    bool SetWidth(int twips);
    bool SetHeight(int twips);
    int Width() const;
    int Height() const;

    // The data that a drag of the selected row carries: null without a
    // selected row. OLEStartDrag has been asked for the allowed effects,
    // which start as copy, move and link. A drag started by the user takes
    // its data from here.
    std::unique_ptr<ListDragData> StartDragData(Qt::DropActions& allowedEffects);

  signals:
    void ColumnClick(int columnHeader); // the clicked header, from 1
    void DblClick();
    // In automatic drag mode the list starts dragging the selected row: the
    // handler announces formats on `data` and may narrow `allowedEffects`.
    void OLEStartDrag(ListDragData& data, Qt::DropActions& allowedEffects);
    // A drop target asks for `format`, announced without data: the handler
    // puts the data into `data`, or leaves the format without any.
    void OLESetData(ListDragData& data, const QString& format);

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void startDrag(Qt::DropActions supportedActions) override;
    bool viewportEvent(QEvent* event) override;

  private:
    // The whole text of the cell at `pos` of the viewport when the column is
    // too narrow to show all of it; empty when it shows whole. The cell's
    // tool tip shows it.
    QString CutCellText(const QPoint& pos) const;
    void ShowSortOrder();
    QString RowKey(const std::vector<int>& keyColumns, int row) const;

    ListViewModel* model_;
    QLabel* emptyText_ = nullptr;
    LabelEditMode labelEdit_ = LabelEditMode::Manual;
    DragMode dragMode_ = DragMode::Manual;
    std::uint32_t extendedStyle_ = 0;
};

} // namespace quarnel
