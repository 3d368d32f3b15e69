// win32_controls.cpp - the tree control over its native window; the logic's item handles are the
// control's own.
#include "dialog/win32_controls.h"

namespace {

win32ui::TreeItem Native(HTREEITEM item) {
    return item;
}

HTREEITEM Handle(win32ui::TreeItem item) {
    return static_cast<HTREEITEM>(item);
}

}  // namespace

HTREEITEM CWin32TreeCtrl::InsertItem(const CString& text, HTREEITEM parent) {
    return Handle(win32ui::TreeInsert(m_hWnd, text, Native(parent)));
}

CString CWin32TreeCtrl::GetItemText(HTREEITEM item) const {
    return win32ui::TreeText(m_hWnd, Native(item));
}

void* CWin32TreeCtrl::GetItemData(HTREEITEM item) const {
    return win32ui::TreeData(m_hWnd, Native(item));
}

void CWin32TreeCtrl::SetItemData(HTREEITEM item, void* data) {
    win32ui::TreeSetData(m_hWnd, Native(item), data);
}

HTREEITEM CWin32TreeCtrl::GetSelectedItem() const {
    return Handle(win32ui::TreeGet(m_hWnd, win32ui::TreeRelation::Selected));
}

void CWin32TreeCtrl::SelectItem(HTREEITEM item) {
    win32ui::TreeSelect(m_hWnd, Native(item));
}

HTREEITEM CWin32TreeCtrl::GetRootItem() const {
    return Handle(win32ui::TreeGet(m_hWnd, win32ui::TreeRelation::Root));
}

HTREEITEM CWin32TreeCtrl::GetNextSiblingItem(HTREEITEM item) const {
    return Handle(win32ui::TreeGet(m_hWnd, win32ui::TreeRelation::NextSibling, Native(item)));
}

HTREEITEM CWin32TreeCtrl::GetChildItem(HTREEITEM item) const {
    return Handle(win32ui::TreeGet(m_hWnd, win32ui::TreeRelation::FirstChild, Native(item)));
}

bool CWin32TreeCtrl::ItemHasChildren(HTREEITEM item) const {
    return GetChildItem(item) != nullptr;
}

void CWin32TreeCtrl::Expand(HTREEITEM item) {
    win32ui::TreeExpand(m_hWnd, Native(item));
}

bool CWin32TreeCtrl::IsExpanded(HTREEITEM item) const {
    return win32ui::TreeIsExpanded(m_hWnd, Native(item));
}
