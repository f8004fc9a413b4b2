// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quarnel developers

#include "ListView.h"

#include "ListViewModel.h"
#include "twips.h"

#include <QClipboard>
#include <QDrag>
#include <QGuiApplication>
#include <QHeaderView>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QScrollBar>
#include <QToolTip>
#include <QWidget>

namespace quarnel {

namespace {

// A size in twips that a widget can take: not negative, not beyond Qt's limit.
bool PossibleSize(int twips) {
    return twips >= 0 && twips <= QWIDGETSIZE_MAX * twips::PerPixel;
}

} // namespace

// ListItem

bool ListItem::IsValid() const {
    return model_ != nullptr && model_->RowOf(*this) >= 0;
}

int ListItem::Index() const {
    return model_ == nullptr ? 0 : model_->RowOf(*this) + 1;
}

int ListItem::AddedIndex() const {
    return IsValid() ? id_ : -1;
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

// ListDragData

void ListDragData::Announce(const QString& format) {
    if (!announced_.contains(format))
        announced_ << format;
}

QStringList ListDragData::formats() const {
    QStringList all = announced_;
    for (const QString& format : QMimeData::formats())
        if (!all.contains(format))
            all << format;
    return all;
}

QVariant ListDragData::retrieveData(const QString& format, QMetaType type) const {
    if (announced_.contains(format) && supplier_) {
        // Asked afresh each time: what the target gets may have changed.
        auto& self = const_cast<ListDragData&>(*this);
        self.removeFormat(format);
        supplier_(self, format);
    }
    return QMimeData::retrieveData(format, type);
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

int ListView::AddColumnHeader(const QString& key, const QString& text, SortAs sortAs) {
    return model_->AddColumn(key, text, sortAs);
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

void ListView::SetColumnStretch(int n) {
    if (n >= 1 && n <= ColumnHeaderCount())
        header()->setSectionResizeMode(n - 1, QHeaderView::Stretch);
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

void ListView::MarkListItem(const ListItem& item) {
    model_->Mark(item);
}

bool ListView::IsMarked(const ListItem& item) const {
    return model_->Marked(item);
}

void ListView::ClearMarks() {
    model_->ClearMarks();
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

std::vector<ListItem> ListView::SelectedItems() const {
    QModelIndexList rows = selectionModel()->selectedRows();
    std::sort(rows.begin(), rows.end(),
              [](const QModelIndex& a, const QModelIndex& b) { return a.row() < b.row(); });
    std::vector<ListItem> items;
    for (const QModelIndex& row : rows)
        items.push_back(model_->ItemAtRow(row.row()));
    return items;
}

QString ListView::RowsText(const std::vector<ListItem>& rows) const {
    QStringList lines;
    for (const ListItem& row : rows) {
        QStringList cells;
        for (int visual = 0; visual < header()->count(); ++visual)
            if (!header()->isSectionHidden(header()->logicalIndex(visual)))
                cells << row.SubItem(header()->logicalIndex(visual));
        lines << cells.join(u'\t');
    }
    return lines.join(u'\n');
}

void ListView::CopySelectedRows() const {
    const std::vector<ListItem> rows = SelectedItems();
    if (!rows.empty())
        QGuiApplication::clipboard()->setText(RowsText(rows));
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
    ShowSortOrder();
}

Qt::SortOrder ListView::SortOrder() const {
    return model_->SortOrder();
}

void ListView::SetSortOrder(Qt::SortOrder order) {
    model_->SetSortOrder(order);
    ShowSortOrder();
}

bool ListView::Sorted() const {
    return model_->Sorted();
}

void ListView::SetSorted(bool sorted) {
    model_->SetSorted(sorted);
    ShowSortOrder();
}

// Qt's header draws the indicator; the list sorts itself.
void ListView::ShowSortOrder() {
    header()->setSortIndicatorShown(Sorted());
    header()->setSortIndicator(SortKey(), SortOrder());
}

void ListView::SortByHeader(int columnHeader) {
    // The three settings sort once, together.
    const BulkUpdate once(*this);
    const int key = columnHeader - 1;
    if (SortKey() == key)
        SetSortOrder(SortOrder() == Qt::AscendingOrder ? Qt::DescendingOrder : Qt::AscendingOrder);
    else
        SetSortOrder(Qt::AscendingOrder);
    SetSortKey(key);
    SetSorted(true);
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

// Where the user stands

QString ListView::RowKey(const std::vector<int>& keyColumns, int row) const {
    const ListItem item = model_->ItemAtRow(row);
    QString key;
    for (int column : keyColumns)
        key += item.SubItem(column) + u'\n';
    return key;
}

ListView::Place ListView::PlaceOf(std::vector<int> keyColumns) const {
    Place place{std::move(keyColumns), {}, {}, {}, 0};
    for (const ListItem& item : SelectedItems())
        place.selected << RowKey(place.keyColumns, item.Index() - 1);
    if (currentIndex().isValid())
        place.current = RowKey(place.keyColumns, currentIndex().row());
    if (const QModelIndex top = indexAt(QPoint(0, 0)); top.row() > 0)
        place.top = RowKey(place.keyColumns, top.row());
    place.scrolled = verticalScrollBar()->value();
    return place;
}

void ListView::ReturnTo(const Place& place) {
    const bool select = !selectionModel()->hasSelection() && !place.selected.isEmpty();
    const bool scroll = indexAt(QPoint(0, 0)).row() <= 0 && !place.top.isEmpty();
    if (!select && !scroll)
        return; // nothing to look for, row by row
    const QSet<QString> selected(place.selected.begin(), place.selected.end());
    QItemSelection rows;
    QModelIndex current, top;
    for (int row = 0; row < ListItemCount(); ++row) {
        const QString key = RowKey(place.keyColumns, row);
        if (selected.contains(key))
            rows.select(model_->index(row, 0), model_->index(row, model_->columnCount() - 1));
        if (key == place.current)
            current = model_->index(row, 0);
        if (key == place.top)
            top = model_->index(row, 0);
    }
    if (select) {
        if (current.isValid())
            selectionModel()->setCurrentIndex(current, QItemSelectionModel::NoUpdate);
        selectionModel()->select(rows, QItemSelectionModel::ClearAndSelect);
    }
    if (scroll && top.isValid()) {
        scrollTo(top, PositionAtTop);
    } else if (scroll) {
        executeDelayedItemsLayout(); // the scroll bar's range as the rows make it
        verticalScrollBar()->setValue(place.scrolled);
    }
}

// The line over an empty list

void ListView::SetEmptyText(const QString& text) {
    if (emptyText_ == nullptr) {
        emptyText_ = new QLabel(viewport());
        emptyText_->setWordWrap(true);
        emptyText_->setAlignment(Qt::AlignCenter);
        emptyText_->setTextFormat(Qt::PlainText);
        emptyText_->setMargin(8);
        const auto follow = [this] {
            emptyText_->setVisible(!emptyText_->text().isEmpty() && ListItemCount() == 0);
        };
        connect(model_, &QAbstractItemModel::modelReset, emptyText_, follow);
        connect(model_, &QAbstractItemModel::rowsInserted, emptyText_, follow);
    }
    emptyText_->setText(text);
    emptyText_->setGeometry(viewport()->rect());
    emptyText_->setVisible(!text.isEmpty() && ListItemCount() == 0);
}

QString ListView::EmptyText() const {
    return emptyText_ != nullptr && emptyText_->isVisibleTo(this) ? emptyText_->text() : QString();
}

// Events

void ListView::keyPressEvent(QKeyEvent* event) {
    if (event->matches(QKeySequence::Copy)) {
        CopySelectedRows();
        return;
    }
    QTreeView::keyPressEvent(event);
}

void ListView::mouseDoubleClickEvent(QMouseEvent* event) {
    QTreeView::mouseDoubleClickEvent(event);
    emit DblClick();
}

// Dragging

std::unique_ptr<ListDragData> ListView::StartDragData(Qt::DropActions& allowedEffects) {
    if (!SelectedItem().IsValid())
        return nullptr;
    auto data = std::make_unique<ListDragData>(
        [this](ListDragData& d, const QString& format) { emit OLESetData(d, format); });
    allowedEffects = Qt::CopyAction | Qt::MoveAction | Qt::LinkAction;
    emit OLEStartDrag(*data, allowedEffects);
    return data;
}

void ListView::startDrag(Qt::DropActions) {
    Qt::DropActions allowed;
    std::unique_ptr<ListDragData> data = StartDragData(allowed);
    if (data == nullptr || allowed == Qt::IgnoreAction)
        return;
    auto* drag = new QDrag(this); // Qt deletes it once the drag is over
    drag->setMimeData(data.release());
    drag->exec(allowed, allowed & Qt::CopyAction ? Qt::CopyAction : Qt::IgnoreAction);
}

// Tool tips

QString ListView::CutCellText(const QPoint& pos) const {
    const QModelIndex index = indexAt(pos);
    if (!index.isValid())
        return {};
    // The delegate draws the text with its margins in the cell's width and
    // elides what does not fit.
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    option.rect = visualRect(index);
    const int needed = itemDelegateForIndex(index)->sizeHint(option, index).width();
    return needed > option.rect.width() ? index.data().toString() : QString();
}

bool ListView::viewportEvent(QEvent* event) {
    if (event->type() == QEvent::Resize && emptyText_ != nullptr)
        emptyText_->setGeometry(viewport()->rect());
    if (event->type() != QEvent::ToolTip)
        return QTreeView::viewportEvent(event);
    const auto* help = static_cast<QHelpEvent*>(event);
    const QString text = CutCellText(help->pos());
    if (text.isEmpty()) {
        QToolTip::hideText();
        event->ignore();
    } else {
        QToolTip::showText(help->globalPos(), text, viewport(), visualRect(indexAt(help->pos())));
    }
    return true;
}

} // namespace quarnel
