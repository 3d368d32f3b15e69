// win32_operator.h - a test's operator for native dialogs: from a thread of its own it finds the
// windows the thread under test shows, reads their controls through the Win32 API, and clicks,
// types and presses keys as a person at the screen would. Handles and text are in neutral types
// (as in win32_ui.h), so tests can include this beside the library's headers.
#pragma once

#include <functional>
#include <span>
#include <string>
#include <vector>

#include "dialog/dialog_template.h"

namespace win32op {

using Window = void*;  // HWND

// Watches the top-level windows of one thread (the one that runs the dialogs). Every wait gives
// up after 15 seconds.
class COperator {
  public:
    explicit COperator(unsigned long uiThread) : m_uiThread(uiThread) {}

    // A visible dialog box with that caption that no other window of the thread owns.
    Window WaitForDialog(const char16_t* caption) const;
    // Waits for a message box (a dialog box owned by another), reads its caption, its text and
    // its buttons' captions, in that order, presses its first button and waits until it is gone.
    // Empty when none came.
    std::vector<std::u16string> AnswerMessageBox() const;
    bool WaitGone(Window window) const;
    // Closes whatever the thread still shows, message boxes first; false when something was left
    // to close.
    bool CloseAll() const;
    // Esc, to the window that has the focus on the thread, as typed.
    void PressEscape() const;

  private:
    Window FindDialog(const std::function<bool(Window)>& wanted) const;
    unsigned long m_uiThread;
};

// Calls open on this thread (it runs a modal dialog, as the host's call does) while script plays
// the operator on a thread of its own. Whatever the script leaves open is then closed, and the
// test fails, so that a failing check never leaves the test waiting for a person.
void RunWithOperator(const std::function<void()>& open,
                     const std::function<void(const COperator&)>& script);

Window Item(Window dialog, int id);
std::u16string Text(Window window);
std::vector<std::u16string> ListRows(Window list);

// Acting; each returns once the window has handled it (a click, at most after a wait).
bool SelectTreeRow(Window tree, const std::u16string& text);
bool SelectListRow(Window list, const std::u16string& text);
void Type(Window control, const std::u16string& text);  // replaces what the field holds
void Click(Window button);
// Returns at once: for clicks that open a message box.
void ClickLater(Window button);

// Reports a test failure for each way the open dialog differs from the template: font, size,
// each control's window class, ID, caption, position and size in dialog units, styles, the tab
// order and the combo boxes' items. Controls whose text the logic sets at opening are passed with
// the text they now show.
struct ShownText {
    int id;
    const char16_t* text;
};
void ExpectWindowMatchesTemplate(Window dialog, const DialogTemplate& dialogTemplate,
                                 std::span<const ShownText> shown);

}  // namespace win32op
