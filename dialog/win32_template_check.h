// win32_template_check.h - holds a native dialog window to the template data it was made from.
#pragma once

#include "dialog/dialog_template.h"
#include "dialog/win32_operator.h"

// Reports a test failure for each way the open dialog differs from the template: font, size,
// each control's window class, ID, caption (its text before the logic changed it), position and
// size in dialog units, styles, the tab order and the combo boxes' items. Controls whose text the
// logic sets at opening are passed with the text they now show.
struct ShownText {
    int id;
    const char16_t* text;
};
void ExpectWindowMatchesTemplate(win32op::Window dialog, const DialogTemplate& dialogTemplate,
                                 std::span<const ShownText> shown);
