// win32_operator.h - a test's operator for native dialogs: from a thread of its own it finds the
// windows the thread under test shows, reads their controls through the Win32 API, and clicks,
// types and presses keys as a person at the screen would. Handles and text are in neutral types
// (as in win32_ui.h), so tests can include this beside the library's headers.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace win32op {

using Window = void*;  // HWND

struct Rect {
    int x = 0, y = 0, cx = 0, cy = 0;
    bool operator==(const Rect&) const = default;
};

struct ControlInfo {
    int id = 0;
    std::u16string className;
    std::u16string text;
    Rect rect;  // pixels, in the dialog's client area
    uint32_t style = 0;
    uint32_t exStyle = 0;
};

struct MessageBoxInfo {
    std::u16string caption;
    std::u16string text;
    std::vector<std::u16string> buttons;
    bool topmost = false;
};

enum class Key { Escape, Enter };

unsigned long CurrentThreadId();
// Wine leaves out some of what Windows does (a message box's MB_TOPMOST, for one).
bool RunningUnderWine();

// Watches the top-level windows of one thread (the one that runs the dialogs). Every wait gives
// up after timeoutMs.
class COperator {
  public:
    explicit COperator(unsigned long uiThread, int timeoutMs = 15000)
        : m_uiThread(uiThread), m_timeoutMs(timeoutMs) {}

    // A visible dialog box with that caption that no other window of the thread owns.
    Window WaitForDialog(const char16_t* caption) const;
    // Waits for a message box (a dialog box owned by another), reads it, presses its first
    // button and waits until it is gone.
    std::optional<MessageBoxInfo> AnswerMessageBox() const;
    bool WaitGone(Window window) const;
    // Closes whatever the thread still shows, message boxes first; false when something was left
    // to close.
    bool CloseAll() const;
    // The key goes to the window that has the focus on the thread, as typed.
    void Press(Key key) const;

  private:
    std::vector<Window> TopWindows() const;
    unsigned long m_uiThread;
    int m_timeoutMs;
};

// Reading.
Window Item(Window dialog, int id);
std::u16string Text(Window window);
std::vector<ControlInfo> Controls(Window dialog);  // in creation order
std::vector<int> TabOrder(Window dialog);          // control IDs, as the Tab key visits them
Rect ClientRect(Window window);
// The four numbers converted as the dialog manager converts a template's: x and cx with the
// horizontal base unit, y and cy with the vertical.
Rect MapDialogRect(Window dialog, const Rect& dialogUnits);
Rect DroppedRect(Window combo);  // the open list, in the dialog's client area
std::vector<std::u16string> ComboItems(Window combo);
std::vector<std::u16string> ListRows(Window list);
int ListItemHeight(Window list);
std::vector<std::u16string> TreeRows(Window tree);  // depth first
bool IsChecked(Window button);
struct FontInfo {
    std::u16string face;
    int points = 0;
};
FontInfo DialogFont(Window dialog);

// Acting; each returns once the window has handled it.
bool SelectTreeRow(Window tree, const std::u16string& text);
bool SelectListRow(Window list, const std::u16string& text);
bool ChooseComboItem(Window combo, const std::u16string& text);
void Type(Window control, const std::u16string& text);  // replaces what the field holds
void Click(Window button);
// Returns at once: for clicks that open a message box.
void ClickLater(Window button);

// Draws the window, frame included, into a PNG file.
bool SavePng(Window window, const std::u16string& path);

}  // namespace win32op
