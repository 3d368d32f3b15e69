// win32_ui.h - the Win32 calls the native editor makes, in the library's own types. Only
// win32_ui.cpp includes <windows.h>: its WCHAR, BSTR, IDOK and MessageBox macro collide with the
// platform's spelling of the framework, which the other half of the view (win32_controls.*,
// win32_dialog_window.*) builds on. Text is UTF-16; a window or tree item is an opaque handle.
#pragma once

#include <cstdint>
#include <string>

namespace win32ui {

using Window = void*;    // HWND
using TreeItem = void*;  // HTREEITEM

// What the dialog procedure hands on, on the thread that runs the dialog.
class IDialogEvents {
  public:
    // The window and its controls exist, the combo boxes hold their initialisation data. True:
    // the system gives the focus to the first control that takes it.
    virtual bool OnInitDialog(Window dialog) = 0;
    // A button was clicked; Enter, Esc and the close box arrive as IDOK and IDCANCEL.
    virtual void OnCommand(int id) = 0;
    // A tree control's selection changed; result is the answer to the control.
    virtual void OnTreeSelChanged(int id, long& result) = 0;
    // The window is going; its controls are still there.
    virtual void OnDestroy() = 0;

  protected:
    ~IDialogEvents() = default;
};

// Runs the dialog template templateId of module modally on this thread, owned by the thread's
// active window (the host's, which is disabled meanwhile), after the common controls are
// registered. Returns EndDialog's result, or -1 when no window could be made. An exception from
// events never unwinds through the system's frames: it ends the dialog, and is thrown again here
// once the system's modal loop has returned; events then gets nothing more but OnDestroy.
int RunDialogBox(void* module, int templateId, IDialogEvents& events);
void EndDialog(Window dialog, int result);
// A modal message box over owner, with owner's caption; type is the system's MB_ flags.
int ShowMessageBox(Window owner, const char16_t* text, uint32_t type);

enum class ControlClass { Other, PushButton, CheckBox, Static, Edit, ListBox, ComboBox, TreeView };
Window DialogItem(Window dialog, int id);  // null when there is none
ControlClass ClassOf(Window control);

std::u16string GetText(Window control);
void SetText(Window control, const char16_t* text);
int GetCheck(Window button);
void SetCheck(Window button, int check);

// List boxes. Adding raises std::bad_alloc when the control has no room left.
int ListCount(Window list);
int ListAdd(Window list, const char16_t* text);
int ListDelete(Window list, int index);
std::u16string ListText(Window list, int index);
int ListCurSel(Window list);
void ListSetCurSel(Window list, int index);
void* ListData(Window list, int index);  // null for a bad index
void ListSetData(Window list, int index, void* data);
int ListExtent(Window list);
void ListSetExtent(Window list, int extent);
// Width in pixels of text drawn in a device context of the window, with that context's default
// font (not the one the control draws with).
int TextWidth(Window window, const char16_t* text, int length);

// Combo boxes; their window text is the edit field's.
int ComboCount(Window combo);
int ComboAdd(Window combo, const char16_t* text);
std::u16string ComboText(Window combo, int index);
int ComboCurSel(Window combo);
void ComboSetCurSel(Window combo, int index);

// Tree controls. Inserting raises std::bad_alloc when the control cannot store the item.
enum class TreeRelation { Root, Selected, NextSibling, FirstChild };
TreeItem TreeInsert(Window tree, const char16_t* text, TreeItem parent);  // null: a top row
TreeItem TreeGet(Window tree, TreeRelation relation, TreeItem item = nullptr);
std::u16string TreeText(Window tree, TreeItem item);
void* TreeData(Window tree, TreeItem item);
void TreeSetData(Window tree, TreeItem item, void* data);
void TreeSelect(Window tree, TreeItem item);
void TreeExpand(Window tree, TreeItem item);
bool TreeIsExpanded(Window tree, TreeItem item);

}  // namespace win32ui
