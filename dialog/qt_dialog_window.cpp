// qt_dialog_window.cpp - building a Qt dialog from a dialog template, and running it modally.
#include "dialog/qt_dialog_window.h"

#include <QAbstractItemView>
#include <QFontMetrics>
#include <QHeaderView>
#include <QMessageBox>

#include "dialog/qt_text.h"

namespace {

// Whole alphabet, as the average character width of a dialog font is measured.
constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";

Qt::ScrollBarPolicy ScrollPolicy(uint32_t style, uint32_t flag) {
    return (style & flag) != 0 ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff;
}

}  // namespace

QString ControlObjectName(int id) {
    return QStringLiteral("control%1").arg(id);
}

QFont CQtDialogWindow::TemplateFont(const DialogTemplate& dialogTemplate) {
    // Named as the template names it; fontconfig substitutes a sans-serif face where it is
    // missing, and dialog units follow whatever face that is.
    QFont font(ToQString(dialogTemplate.fontFace), dialogTemplate.fontPointSize);
    font.setStyleHint(QFont::SansSerif);
    return font;
}

CQtDialogWindow::CQtDialogWindow(const DialogTemplate& dialogTemplate, CDialog& dialog,
                                 QWidget* parent)
    : QDialog(parent), m_Dialog(dialog) {
    setObjectName(QStringLiteral("dialog%1").arg(dialogTemplate.id));
    const QFont font = TemplateFont(dialogTemplate);
    setFont(font);
    const QFontMetrics metrics(font);
    m_BaseUnits = BaseUnitsFromAlphabetWidth(metrics.horizontalAdvance(QLatin1String(kAlphabet)),
                                             metrics.height());

    setWindowTitle(ToQString(dialogTemplate.caption));
    // Caption with a close box, no resizing, no help button.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                   Qt::MSWindowsFixedSizeDialogHint);
    setFixedSize(HorizontalDluToPixels(dialogTemplate.cx, m_BaseUnits),
                 VerticalDluToPixels(dialogTemplate.cy, m_BaseUnits));
    setModal(true);

    QWidget* previous = nullptr;
    for (const DialogControl& control : dialogTemplate.controls) {
        QWidget* widget = BuildControl(control);
        if ((control.style & kTabStop) == 0) {
            continue;
        }
        // The template's order is the Tab order.
        if (previous != nullptr) {
            setTabOrder(previous, widget);
        }
        previous = widget;
    }
    for (const DialogComboInit& init : dialogTemplate.comboInit) {
        if (IComboBox* combo = GetComboBox(init.id)) {
            for (const char16_t* item : init.items) {
                combo->AddString(CString(item));
            }
        }
    }
}

CQtDialogWindow::~CQtDialogWindow() = default;

void CQtDialogWindow::Place(QWidget* widget, const DialogControl& control) {
    const PixelRect r = DluRectToPixels(control.x, control.y, control.cx, control.cy, m_BaseUnits);
    widget->setGeometry(r.x, r.y, r.width, r.height);
    widget->setProperty(kControlIdProperty, control.id);
    if (control.id != kIdStatic) {
        widget->setObjectName(ControlObjectName(control.id));
    }
    if ((control.style & kTabStop) != 0) {
        widget->setFocusPolicy(Qt::StrongFocus);
    }
}

QWidget* CQtDialogWindow::BuildControl(const DialogControl& control) {
    const QString caption = ToQString(control.caption);
    const int id = control.id;
    Control entry;
    switch (control.kind) {
        case ControlKind::PushButton: {
            auto* button = new QPushButton(caption, this);
            button->setDefault((control.style & kDefaultButton) != 0);
            QObject::connect(button, &QPushButton::clicked, this,
                             [this, id] { Deliver([&] { m_Dialog.OnCommand(id); }); });
            entry.widget = button;
            entry.button = std::make_unique<CQtButton>(button);
            entry.text = std::make_unique<CQtWindowText<QPushButton>>(button);
            break;
        }
        case ControlKind::CheckBox: {
            auto* box = new QCheckBox(caption, this);
            entry.widget = box;
            entry.checkBox = std::make_unique<CQtCheckBox>(box);
            entry.text = std::make_unique<CQtWindowText<QCheckBox>>(box);
            break;
        }
        case ControlKind::StaticText: {
            auto* label = new QLabel(caption, this);
            label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
            label->setTextFormat(Qt::PlainText);
            entry.widget = label;
            entry.text = std::make_unique<CQtWindowText<QLabel>>(label);
            break;
        }
        case ControlKind::Edit: {
            auto* edit = new QLineEdit(caption, this);
            edit->setFrame((control.style & kBorder) != 0);
            entry.widget = edit;
            entry.text = std::make_unique<CQtWindowText<QLineEdit>>(edit);
            break;
        }
        case ControlKind::ListBox: {
            auto* list = new ExtentListWidget(this);
            list->setSelectionMode(QAbstractItemView::SingleSelection);
            list->setFrameShape((control.style & kBorder) != 0 ? QFrame::StyledPanel
                                                               : QFrame::NoFrame);
            list->setVerticalScrollBarPolicy(ScrollPolicy(control.style, kVScroll));
            list->setHorizontalScrollBarPolicy(ScrollPolicy(control.style, kHScroll));
            list->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
            entry.widget = list;
            entry.listBox = std::make_unique<CQtListBox>(list);
            break;
        }
        case ControlKind::ComboBox: {
            auto* combo = new QComboBox(this);
            combo->setEditable((control.style & kDropDown) != 0);
            // Typed text stays typed text; it is never added to the list.
            combo->setInsertPolicy(QComboBox::NoInsert);
            // No completion either: what the operator types is compared as typed.
            combo->setCompleter(nullptr);
            entry.widget = combo;
            entry.comboBox = std::make_unique<CQtComboBox>(combo);
            break;
        }
        case ControlKind::TreeView: {
            auto* tree = new LinedTreeWidget(this);
            tree->SetHasLines((control.style & kHasLines) != 0);
            tree->setHeaderHidden(true);
            tree->setColumnCount(1);
            tree->setRootIsDecorated(false);  // no expand buttons
            // Long rows scroll sideways instead of being cut short.
            tree->header()->setStretchLastSection(false);
            tree->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
            tree->setTextElideMode(Qt::ElideNone);
            tree->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
            tree->setSelectionMode(QAbstractItemView::SingleSelection);
            tree->setFrameShape((control.style & kBorder) != 0 ? QFrame::StyledPanel
                                                               : QFrame::NoFrame);
            if ((control.style & kTrackSelect) != 0) {
                tree->setMouseTracking(true);
                tree->setAttribute(Qt::WA_Hover);
            }
            if ((control.style & kNoDragDrop) != 0) {
                tree->setDragEnabled(false);
                tree->setDragDropMode(QAbstractItemView::NoDragDrop);
            }
            QObject::connect(tree, &QTreeWidget::itemSelectionChanged, this, [this, id] {
                long result = 0;
                Deliver([&] { m_Dialog.OnNotify(id, TVN_SELCHANGED, result); });
            });
            entry.widget = tree;
            entry.treeCtrl = std::make_unique<CQtTreeCtrl>(tree);
            break;
        }
    }
    Place(entry.widget, control);
    if (control.kind == ControlKind::ComboBox) {
        // The template's height is that of the open list; the closed box is as high as its font
        // needs.
        auto* combo = static_cast<QComboBox*>(entry.widget);
        const int listHeight =
            VerticalDluToPixels(control.cy, m_BaseUnits) - combo->sizeHint().height();
        const int rowHeight = QFontMetrics(font()).height() + 2;
        combo->setMaxVisibleItems(listHeight > rowHeight ? listHeight / rowHeight : 1);
        combo->resize(combo->width(), combo->sizeHint().height());
    }
    QWidget* widget = entry.widget;
    if (id != kIdStatic) {
        m_Controls[id] = std::move(entry);
    }
    return widget;
}

IButton* CQtDialogWindow::GetButton(int id) {
    auto it = m_Controls.find(id);
    return it != m_Controls.end() ? it->second.button.get() : nullptr;
}

ICheckBox* CQtDialogWindow::GetCheckBox(int id) {
    auto it = m_Controls.find(id);
    return it != m_Controls.end() ? it->second.checkBox.get() : nullptr;
}

IComboBox* CQtDialogWindow::GetComboBox(int id) {
    auto it = m_Controls.find(id);
    return it != m_Controls.end() ? it->second.comboBox.get() : nullptr;
}

IListBox* CQtDialogWindow::GetListBox(int id) {
    auto it = m_Controls.find(id);
    return it != m_Controls.end() ? it->second.listBox.get() : nullptr;
}

ITreeCtrl* CQtDialogWindow::GetTreeCtrl(int id) {
    auto it = m_Controls.find(id);
    return it != m_Controls.end() ? it->second.treeCtrl.get() : nullptr;
}

IWindowText* CQtDialogWindow::GetTextControl(int id) {
    auto it = m_Controls.find(id);
    return it != m_Controls.end() ? it->second.text.get() : nullptr;
}

int CQtDialogWindow::MessageBox(const CString& text, UINT type) {
    QMessageBox box(QMessageBox::NoIcon, windowTitle(), ToQString(text), QMessageBox::Ok, this);
    box.setTextFormat(Qt::PlainText);
    if ((type & MB_TOPMOST) != 0) {
        box.setWindowFlag(Qt::WindowStaysOnTopHint, true);
    }
    box.exec();
    return IDOK;
}

void CQtDialogWindow::EndDialog(int result) {
    m_bEnded = true;
    m_nResult = result;
    done(result);
}

int CQtDialogWindow::RunModal() {
    if (m_bEnded) {
        return m_nResult;
    }
    const int result = exec();
    return m_bEnded ? m_nResult : result;
}

void CQtDialogWindow::FocusFirstTabStop() {
    for (QWidget* w = nextInFocusChain(); w != this; w = w->nextInFocusChain()) {
        if (w->parentWidget() == this && (w->focusPolicy() & Qt::TabFocus) != 0 && w->isEnabled()) {
            w->setFocus(Qt::TabFocusReason);
            return;
        }
    }
}

void CQtDialogWindow::accept() {
    Deliver([this] { m_Dialog.OnCommand(IDOK); });
}

void CQtDialogWindow::reject() {
    Deliver([this] { m_Dialog.OnCommand(IDCANCEL); });
}

void CQtDialogWindow::Deliver(const std::function<void()>& handler) {
    // Qt's event loop cannot carry an exception: keep it, close the window, and let the runner
    // throw it once the run is over.
    try {
        handler();
    } catch (...) {
        if (!m_pException) {
            m_pException = std::current_exception();
        }
        EndDialog(IDCANCEL);
    }
}

int CQtModalRunner::RunModal(CDialog& dialog) {
    CQtDialogWindow window(dialog.GetTemplate(), dialog);
    dialog.Attach(&window);
    // However the run ends, the dialog sees its window go.
    struct Destroyed {
        CDialog& dialog;
        ~Destroyed() {
            dialog.OnDestroy();
            dialog.Attach(nullptr);
        }
    } destroyed{dialog};
    if (dialog.OnInitDialog() != FALSE) {
        window.FocusFirstTabStop();
    }
    const int result = window.RunModal();
    if (std::exception_ptr failure = window.Failure()) {
        std::rethrow_exception(failure);
    }
    return result;
}
