// qt_controls.cpp - the control interfaces over Qt widgets.
#include "dialog/qt_controls.h"

#include <QApplication>
#include <QFontMetrics>
#include <QPainter>
#include <QScrollBar>
#include <QStyledItemDelegate>

namespace {
// Row and item data: the pointer, kept as an integer in the user role.
constexpr int kDataRole = Qt::UserRole;

void* DataOf(const QVariant& value) {
    return reinterpret_cast<void*>(value.value<quintptr>());  // NOLINT(performance-no-int-to-ptr)
}
QVariant ToVariant(void* data) {
    return QVariant::fromValue(reinterpret_cast<quintptr>(data));
}
}  // namespace

CString CQtComboBox::GetWindowText() const {
    return FromQString(m_pCombo->currentText());
}

void CQtComboBox::SetWindowText(const CString& text) {
    m_pCombo->setEditText(ToQString(text));
}

CString CQtComboBox::GetLBText(int index) const {
    return FromQString(m_pCombo->itemText(index));
}

int CQtComboBox::AddString(const CString& text) {
    m_pCombo->addItem(ToQString(text));
    return m_pCombo->count() - 1;
}

int CQtComboBox::GetCurSel() const {
    const int index = m_pCombo->currentIndex();
    // Typing over a selected item leaves no item selected.
    if (index < 0 || m_pCombo->currentText() != m_pCombo->itemText(index)) {
        return LB_ERR;
    }
    return index;
}

namespace {
// Every row is as wide as the extent: the list view then scrolls sideways exactly as far as the
// extent reaches past the viewport, rows are still drawn across the whole viewport, and text
// beyond the extent is cut off, as in a list box. (Setting the scroll bar's range by hand instead
// fights the view's own scroll bar handling and can make the two bars toggle each other.)
class ExtentDelegate final : public QStyledItemDelegate {
  public:
    explicit ExtentDelegate(ExtentListWidget* list) : QStyledItemDelegate(list), m_list(list) {}
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        QSize size = QStyledItemDelegate::sizeHint(option, index);
        size.setWidth(m_list->HorizontalExtent());
        return size;
    }

  private:
    const ExtentListWidget* m_list;
};
}  // namespace

ExtentListWidget::ExtentListWidget(QWidget* parent) : QListWidget(parent) {
    setItemDelegate(new ExtentDelegate(this));
}

void ExtentListWidget::SetHorizontalExtent(int extent) {
    m_extent = extent < 0 ? 0 : extent;
    doItemsLayout();
}

void LinedTreeWidget::drawBranches(QPainter* painter, const QRect& rect,
                                   const QModelIndex& index) const {
    if (!m_hasLines) {
        return;
    }
    const int indent = indentation();
    const int middle = rect.top() + rect.height() / 2;
    QPen pen(palette().color(QPalette::Mid));
    pen.setStyle(Qt::DotLine);
    painter->save();
    painter->setPen(pen);
    // From the right: this row's own cell, then one cell per ancestor below the top level.
    int right = rect.right() + 1;
    bool own = true;
    for (QModelIndex i = index; i.parent().isValid(); i = i.parent(), own = false) {
        const int x = right - indent / 2;
        const bool last = i.row() + 1 == model()->rowCount(i.parent());
        if (own) {
            painter->drawLine(x, rect.top(), x, last ? middle : rect.bottom());
            painter->drawLine(x, middle, right - 2, middle);
        } else if (!last) {
            painter->drawLine(x, rect.top(), x, rect.bottom());
        }
        right -= indent;
    }
    painter->restore();
}

int CQtListBox::AddString(const CString& text) {
    m_pList->addItem(ToQString(text));
    return m_pList->count() - 1;
}

int CQtListBox::DeleteString(int index) {
    if (index < 0 || index >= m_pList->count()) {
        return LB_ERR;
    }
    const bool wasSelected = GetCurSel() == index;
    delete m_pList->takeItem(index);
    // Deleting the selected row leaves nothing selected; Qt would move the selection on.
    if (wasSelected) {
        m_pList->clearSelection();
        m_pList->setCurrentRow(-1);
    }
    return m_pList->count();
}

CString CQtListBox::GetText(int index) const {
    const QListWidgetItem* item = m_pList->item(index);
    return item != nullptr ? FromQString(item->text()) : CString();
}

int CQtListBox::GetCurSel() const {
    const QList<QListWidgetItem*> selected = m_pList->selectedItems();
    return selected.isEmpty() ? LB_ERR : m_pList->row(selected.first());
}

void CQtListBox::SetCurSel(int index) {
    if (index < 0 || index >= m_pList->count()) {
        m_pList->clearSelection();
        m_pList->setCurrentRow(-1);
        return;
    }
    m_pList->setCurrentRow(index);
}

void* CQtListBox::GetItemDataPtr(int index) const {
    const QListWidgetItem* item = m_pList->item(index);
    return item != nullptr ? DataOf(item->data(kDataRole)) : nullptr;
}

void CQtListBox::SetItemDataPtr(int index, void* data) {
    if (QListWidgetItem* item = m_pList->item(index)) {
        item->setData(kDataRole, ToVariant(data));
    }
}

int CQtListBox::GetTextExtent(const CString& text) const {
    // The application's default font, not the list's own: the width the sideways scrolling is
    // measured in.
    return QFontMetrics(QApplication::font()).horizontalAdvance(ToQString(text));
}

HTREEITEM CQtTreeCtrl::InsertItem(const CString& text, HTREEITEM parent) {
    auto* item =
        parent == nullptr ? new QTreeWidgetItem(m_pTree) : new QTreeWidgetItem(ToItem(parent));
    item->setText(0, ToQString(text));
    return ToHandle(item);
}

CString CQtTreeCtrl::GetItemText(HTREEITEM item) const {
    return item != nullptr ? FromQString(ToItem(item)->text(0)) : CString();
}

void* CQtTreeCtrl::GetItemData(HTREEITEM item) const {
    return item != nullptr ? DataOf(ToItem(item)->data(0, kDataRole)) : nullptr;
}

void CQtTreeCtrl::SetItemData(HTREEITEM item, void* data) {
    if (item != nullptr) {
        ToItem(item)->setData(0, kDataRole, ToVariant(data));
    }
}

HTREEITEM CQtTreeCtrl::GetSelectedItem() const {
    const QList<QTreeWidgetItem*> selected = m_pTree->selectedItems();
    return selected.isEmpty() ? nullptr : ToHandle(selected.first());
}

void CQtTreeCtrl::SelectItem(HTREEITEM item) {
    if (item == nullptr) {
        m_pTree->clearSelection();
        return;
    }
    m_pTree->setCurrentItem(ToItem(item));
}

HTREEITEM CQtTreeCtrl::GetRootItem() const {
    return ToHandle(m_pTree->topLevelItem(0));
}

HTREEITEM CQtTreeCtrl::GetNextSiblingItem(HTREEITEM item) const {
    if (item == nullptr) {
        return nullptr;
    }
    QTreeWidgetItem* it = ToItem(item);
    QTreeWidgetItem* parent = it->parent();
    if (parent == nullptr) {
        return ToHandle(m_pTree->topLevelItem(m_pTree->indexOfTopLevelItem(it) + 1));
    }
    return ToHandle(parent->child(parent->indexOfChild(it) + 1));
}

HTREEITEM CQtTreeCtrl::GetChildItem(HTREEITEM item) const {
    return item != nullptr ? ToHandle(ToItem(item)->child(0)) : nullptr;
}

bool CQtTreeCtrl::ItemHasChildren(HTREEITEM item) const {
    return item != nullptr && ToItem(item)->childCount() > 0;
}

void CQtTreeCtrl::Expand(HTREEITEM item) {
    if (item != nullptr) {
        ToItem(item)->setExpanded(true);
    }
}

bool CQtTreeCtrl::IsExpanded(HTREEITEM item) const {
    return item != nullptr && ToItem(item)->isExpanded();
}
