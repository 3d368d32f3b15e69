// qt_controls.cpp - the control interfaces over Qt widgets.
#include "dialog/qt_controls.h"

#include <QApplication>
#include <QFontMetrics>
#include <QFontMetricsF>
#include <QPainter>
#include <QScrollBar>
#include <QStyledItemDelegate>

#include <algorithm>
#include <cmath>
#include <functional>
#include <utility>
#include <vector>

namespace {
// Rows and items carry their data pointer themselves, not in the model: it is never shown, and
// setting a model role tells the view its data changed, which for a tree sized to its contents
// means measuring every row again (freeing the tag tree's data cost seconds).
class DataListItem final : public QListWidgetItem {
  public:
    explicit DataListItem(const QString& text) : QListWidgetItem(text) {}
    void* m_pData = nullptr;
};
class DataTreeItem final : public QTreeWidgetItem {
  public:
    using QTreeWidgetItem::QTreeWidgetItem;
    void* m_pData = nullptr;
};
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
    // Every row is one line of the list's font and as wide as the extent: the first row's size
    // serves for all, instead of laying out the text of every row to find it.
    setUniformItemSizes(true);
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
    m_pList->addItem(new DataListItem(ToQString(text)));
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
    const auto* item = static_cast<const DataListItem*>(m_pList->item(index));
    return item != nullptr ? item->m_pData : nullptr;
}

void CQtListBox::SetItemDataPtr(int index, void* data) {
    if (auto* item = static_cast<DataListItem*>(m_pList->item(index))) {
        item->m_pData = data;
    }
}

int CQtListBox::GetTextExtent(const CString& text) const {
    // The application's default font, not the list's own: the width the sideways scrolling is
    // measured in.
    return QFontMetrics(QApplication::font()).horizontalAdvance(ToQString(text));
}

namespace {

// Text whose laid-out width is the sum of its characters' advances but for kerning: printable
// Latin letters and marks, which no shaping reorders, joins or sets at a tab stop.
bool IsPlainLatin(const CString& text) {
    for (const char16_t c : text.view()) {
        if (c < 0x20 || (c >= 0x7F && c < 0xA0) || c >= 0x250) {
            return false;
        }
    }
    return true;
}

}  // namespace

// Laying text out to measure it costs a tenth of a microsecond a character, and thousands of rules
// of a few thousand characters each took seconds. The widest is found with exactly the same
// measure, GetTextExtent, but not every text needs it: plain Latin text is estimated from its
// characters' advances (a table lookup each, so without kerning), scaled by how the widest
// estimate's exact width compares, and measured exactly, widest estimate first, until no estimate
// left comes near the widest width found, with twice the largest error seen so far (at least 1%
// of the widest estimate) and a few pixels to spare. Other text is always measured.
int CQtListBox::GetWidestTextExtent(const std::vector<CString>& texts) const {
    const QFontMetricsF metrics(QApplication::font());
    std::vector<double> advances(0x250, -1);
    std::vector<std::pair<double, size_t>> estimates;  // estimate, index: plain Latin only
    int widest = 0;
    for (size_t i = 0; i < texts.size(); ++i) {
        if (!IsPlainLatin(texts[i])) {
            widest = std::max(widest, GetTextExtent(texts[i]));
            continue;
        }
        double width = 0;
        for (const char16_t c : texts[i].view()) {
            double& advance = advances[c];
            if (advance < 0) {
                advance = metrics.horizontalAdvance(QChar(c));
            }
            width += advance;
        }
        estimates.emplace_back(width, i);
    }
    std::sort(estimates.begin(), estimates.end(), std::greater<>());
    double scale = 1;
    double error = estimates.empty() ? 0 : estimates.front().first / 100;
    for (size_t k = 0; k < estimates.size(); ++k) {
        const double estimate = estimates[k].first * scale;
        if (k > 0 && estimate + 2 * error + 4 < widest) {
            break;  // nor any after it
        }
        const int exact = GetTextExtent(texts[estimates[k].second]);
        if (k == 0 && estimates[k].first > 0) {
            scale = exact / estimates[k].first;
        }
        error = std::max(error, std::abs(exact - estimates[k].first * scale));
        widest = std::max(widest, exact);
    }
    return widest;
}

HTREEITEM CQtTreeCtrl::InsertItem(const CString& text, HTREEITEM parent) {
    auto* item = parent == nullptr ? new DataTreeItem(m_pTree) : new DataTreeItem(ToItem(parent));
    item->setText(0, ToQString(text));
    return ToHandle(item);
}

CString CQtTreeCtrl::GetItemText(HTREEITEM item) const {
    return item != nullptr ? FromQString(ToItem(item)->text(0)) : CString();
}

void* CQtTreeCtrl::GetItemData(HTREEITEM item) const {
    return item != nullptr ? static_cast<DataTreeItem*>(ToItem(item))->m_pData : nullptr;
}

void CQtTreeCtrl::SetItemData(HTREEITEM item, void* data) {
    if (item != nullptr) {
        static_cast<DataTreeItem*>(ToItem(item))->m_pData = data;
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
