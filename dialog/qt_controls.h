// qt_controls.h - the control interfaces over Qt widgets.
#pragma once

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTreeWidget>

#include "dialog/dialog_controls.h"
#include "dialog/qt_text.h"

// Any widget with text() and setText().
template <class Widget>
class CQtWindowText final : public IWindowText {
  public:
    explicit CQtWindowText(Widget* widget) : m_pWidget(widget) {}
    CString GetWindowText() const override { return FromQString(m_pWidget->text()); }
    void SetWindowText(const CString& text) override { m_pWidget->setText(ToQString(text)); }

  private:
    Widget* m_pWidget;
};

class CQtButton final : public IButton {
  public:
    explicit CQtButton(QPushButton* button) : m_pButton(button) {}
    CString GetWindowText() const override { return FromQString(m_pButton->text()); }
    void SetWindowText(const CString& text) override { m_pButton->setText(ToQString(text)); }

  private:
    QPushButton* m_pButton;
};

class CQtCheckBox final : public ICheckBox {
  public:
    explicit CQtCheckBox(QCheckBox* box) : m_pBox(box) {}
    CString GetWindowText() const override { return FromQString(m_pBox->text()); }
    void SetWindowText(const CString& text) override { m_pBox->setText(ToQString(text)); }
    int GetCheck() const override { return m_pBox->isChecked() ? 1 : 0; }
    void SetCheck(int check) override { m_pBox->setChecked(check != 0); }

  private:
    QCheckBox* m_pBox;
};

class CQtComboBox final : public IComboBox {
  public:
    explicit CQtComboBox(QComboBox* combo) : m_pCombo(combo) {}
    CString GetWindowText() const override;
    void SetWindowText(const CString& text) override;
    int GetCount() const override { return m_pCombo->count(); }
    CString GetLBText(int index) const override;
    int AddString(const CString& text) override;
    int GetCurSel() const override;
    void SetCurSel(int index) override { m_pCombo->setCurrentIndex(index); }

  private:
    QComboBox* m_pCombo;
};

// A list widget whose sideways scrolling is set by a horizontal extent, not by its rows: rows
// wider than the extent are cut off, as in a list box.
class ExtentListWidget final : public QListWidget {
  public:
    explicit ExtentListWidget(QWidget* parent);
    int HorizontalExtent() const { return m_extent; }
    void SetHorizontalExtent(int extent);

  private:
    int m_extent = 0;
};

// A tree widget that can draw dotted lines from each row to its parent, as a tree control with
// lines between its items does; no expand buttons are drawn.
class LinedTreeWidget final : public QTreeWidget {
  public:
    explicit LinedTreeWidget(QWidget* parent) : QTreeWidget(parent) {}
    void SetHasLines(bool hasLines) { m_hasLines = hasLines; }

  protected:
    void drawBranches(QPainter* painter, const QRect& rect,
                      const QModelIndex& index) const override;

  private:
    bool m_hasLines = false;
};

class CQtListBox final : public IListBox {
  public:
    explicit CQtListBox(ExtentListWidget* list) : m_pList(list) {}
    int GetCount() const override { return m_pList->count(); }
    int AddString(const CString& text) override;
    int DeleteString(int index) override;
    CString GetText(int index) const override;
    int GetCurSel() const override;
    void SetCurSel(int index) override;
    void* GetItemDataPtr(int index) const override;
    void SetItemDataPtr(int index, void* data) override;
    int GetHorizontalExtent() const override { return m_pList->HorizontalExtent(); }
    void SetHorizontalExtent(int extent) override { m_pList->SetHorizontalExtent(extent); }
    int GetTextExtent(const CString& text) const override;
    int GetWidestTextExtent(const std::vector<CString>& texts) const override;

  private:
    ExtentListWidget* m_pList;
};

class CQtTreeCtrl final : public ITreeCtrl {
  public:
    explicit CQtTreeCtrl(QTreeWidget* tree) : m_pTree(tree) {}
    HTREEITEM InsertItem(const CString& text, HTREEITEM parent) override;
    CString GetItemText(HTREEITEM item) const override;
    void* GetItemData(HTREEITEM item) const override;
    void SetItemData(HTREEITEM item, void* data) override;
    HTREEITEM GetSelectedItem() const override;
    void SelectItem(HTREEITEM item) override;
    HTREEITEM GetRootItem() const override;
    HTREEITEM GetNextSiblingItem(HTREEITEM item) const override;
    HTREEITEM GetChildItem(HTREEITEM item) const override;
    bool ItemHasChildren(HTREEITEM item) const override;
    void Expand(HTREEITEM item) override;
    bool IsExpanded(HTREEITEM item) const override;

    static QTreeWidgetItem* ToItem(HTREEITEM item) {
        return reinterpret_cast<QTreeWidgetItem*>(item);
    }
    static HTREEITEM ToHandle(QTreeWidgetItem* item) { return reinterpret_cast<HTREEITEM>(item); }

  private:
    QTreeWidget* m_pTree;
};
