// win32_ui.cpp - the native dialog box: running a template modally, its dialog procedure, the
// framework's initialisation data for its combo boxes, message boxes, and telling controls apart.
#include "dialog/win32_ui.h"

// clang-format off
#include <windows.h>
#include <commctrl.h>
// clang-format on

#include <cwchar>
#include <exception>
#include <string>

namespace win32ui {
namespace {

HWND Hwnd(Window window) {
    return static_cast<HWND>(window);
}

// The framework's dialog initialisation data (resource type 240, named like its template):
// records of a control ID, a message, a 32-bit byte count and that many bytes of NUL-terminated
// ANSI text, ended by a zero ID. The messages are the 16-bit numbers of LB_ADDSTRING and
// CB_ADDSTRING.
constexpr WORD kDialogInitType = 240;
constexpr WORD kInitListAddString = 0x0401;
constexpr WORD kInitComboAddString = 0x0403;

WORD ReadWord(const BYTE* at) {
    return static_cast<WORD>(at[0] | (at[1] << 8));
}

void ExecuteDialogInit(HWND dialog, HMODULE module, int templateId) {
    HRSRC found =
        ::FindResourceW(module, MAKEINTRESOURCEW(templateId), MAKEINTRESOURCEW(kDialogInitType));
    HGLOBAL loaded = found != nullptr ? ::LoadResource(module, found) : nullptr;
    const auto* data =
        static_cast<const BYTE*>(loaded != nullptr ? ::LockResource(loaded) : nullptr);
    if (data == nullptr) {
        return;
    }
    const size_t size = ::SizeofResource(module, found);
    constexpr size_t kHeader = 8;
    size_t at = 0;
    // A record that does not fit ends the list: the data is ours, but it is read with care.
    while (size - at >= kHeader && ReadWord(data + at) != 0) {
        const WORD id = ReadWord(data + at);
        const WORD message = ReadWord(data + at + 2);
        const size_t length = ReadWord(data + at + 4) | (size_t{ReadWord(data + at + 6)} << 16);
        at += kHeader;
        if (length > size - at) {
            return;
        }
        const std::string text(reinterpret_cast<const char*>(data + at),
                               ::strnlen(reinterpret_cast<const char*>(data + at), length));
        at += length;
        const UINT send = message == kInitComboAddString  ? CB_ADDSTRING
                          : message == kInitListAddString ? LB_ADDSTRING
                                                          : 0;
        if (send != 0) {
            ::SendDlgItemMessageA(dialog, id, send, 0, reinterpret_cast<LPARAM>(text.c_str()));
        }
    }
}

struct DialogRun {
    IDialogEvents& events;
    HMODULE module;
    int templateId;
    std::exception_ptr failure;
};

// Calls the editor's logic. The system's frames cannot carry an exception (nor can its window
// procedures be unwound): keep it, end the dialog, and let RunDialogBox throw it.
template <class Handler>
void Deliver(HWND dialog, DialogRun& run, Handler&& handler) {
    if (run.failure) {
        return;
    }
    try {
        handler();
    } catch (...) {
        run.failure = std::current_exception();
        ::EndDialog(dialog, IDCANCEL);
    }
}

INT_PTR CALLBACK DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        ::SetWindowLongPtrW(dialog, DWLP_USER, lParam);
    }
    // NOLINTNEXTLINE(performance-no-int-to-ptr): Win32 hands pointers as integers.
    auto* run = reinterpret_cast<DialogRun*>(::GetWindowLongPtrW(dialog, DWLP_USER));
    if (run == nullptr) {
        return FALSE;
    }
    switch (message) {
        case WM_INITDIALOG: {
            bool focus = true;
            Deliver(dialog, *run, [&] {
                ExecuteDialogInit(dialog, run->module, run->templateId);
                focus = run->events.OnInitDialog(dialog);
            });
            return focus ? TRUE : FALSE;
        }
        case WM_COMMAND:
            if (HIWORD(wParam) != BN_CLICKED) {
                return FALSE;
            }
            Deliver(dialog, *run, [&] { run->events.OnCommand(LOWORD(wParam)); });
            return TRUE;
        case WM_NOTIFY: {
            // NOLINTNEXTLINE(performance-no-int-to-ptr)
            const auto* header = reinterpret_cast<const NMHDR*>(lParam);
            if (header->code != TVN_SELCHANGEDW && header->code != TVN_SELCHANGEDA) {
                return FALSE;
            }
            long result = 0;
            Deliver(dialog, *run, [&] {
                run->events.OnTreeSelChanged(static_cast<int>(header->idFrom), result);
            });
            ::SetWindowLongPtrW(dialog, DWLP_MSGRESULT, result);
            return TRUE;
        }
        case WM_DESTROY:
            // Even after a failure: the logic frees what it attached to the controls.
            try {
                run->events.OnDestroy();
            } catch (...) {
                if (!run->failure) {
                    run->failure = std::current_exception();
                }
            }
            ::SetWindowLongPtrW(dialog, DWLP_USER, 0);
            return FALSE;
        default:
            return FALSE;
    }
}

}  // namespace

int RunDialogBox(void* module, int templateId, IDialogEvents& events) {
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_TREEVIEW_CLASSES};
    ::InitCommonControlsEx(&controls);
    DialogRun run{events, static_cast<HMODULE>(module), templateId, nullptr};
    const INT_PTR result =
        ::DialogBoxParamW(run.module, MAKEINTRESOURCEW(templateId), ::GetActiveWindow(), DialogProc,
                          reinterpret_cast<LPARAM>(&run));
    if (run.failure) {
        std::rethrow_exception(run.failure);
    }
    return static_cast<int>(result);
}

void EndDialog(Window dialog, int result) {
    ::EndDialog(Hwnd(dialog), result);
}

int ShowMessageBox(Window owner, const char16_t* text, uint32_t type) {
    const std::u16string caption = GetText(owner);
    return ::MessageBoxW(Hwnd(owner), reinterpret_cast<const wchar_t*>(text),
                         reinterpret_cast<const wchar_t*>(caption.c_str()), type);
}

Window DialogItem(Window dialog, int id) {
    return ::GetDlgItem(Hwnd(dialog), id);
}

ControlClass ClassOf(Window control) {
    wchar_t name[32] = {};
    ::GetClassNameW(Hwnd(control), name, static_cast<int>(std::size(name)));
    if (::_wcsicmp(name, L"Button") == 0) {
        switch (::GetWindowLongW(Hwnd(control), GWL_STYLE) & BS_TYPEMASK) {
            case BS_PUSHBUTTON:
            case BS_DEFPUSHBUTTON:
                return ControlClass::PushButton;
            case BS_CHECKBOX:
            case BS_AUTOCHECKBOX:
                return ControlClass::CheckBox;
            default:
                return ControlClass::Other;
        }
    }
    static constexpr struct {
        const wchar_t* name;
        ControlClass kind;
    } kClasses[] = {
        {L"Static", ControlClass::Static},      {L"Edit", ControlClass::Edit},
        {L"ListBox", ControlClass::ListBox},    {L"ComboBox", ControlClass::ComboBox},
        {WC_TREEVIEWW, ControlClass::TreeView},
    };
    for (const auto& known : kClasses) {
        if (::_wcsicmp(name, known.name) == 0) {
            return known.kind;
        }
    }
    return ControlClass::Other;
}

}  // namespace win32ui
