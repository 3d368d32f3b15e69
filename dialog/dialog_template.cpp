// dialog_template.cpp - lookups in a dialog template.
#include "dialog/dialog_template.h"

const DialogControl* DialogTemplate::FindControl(int controlId) const {
    if (controlId == kIdStatic) {
        return nullptr;
    }
    for (const DialogControl& c : controls) {
        if (c.id == controlId) {
            return &c;
        }
    }
    return nullptr;
}
