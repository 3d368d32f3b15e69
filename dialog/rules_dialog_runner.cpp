// rules_dialog_runner.cpp - RunRulesDialog with the Qt view: uses the host's QApplication, or makes
// one for the call when there is none and a display can be opened.
#include "dialog/rules_dialog_runner.h"

#include <QApplication>
#include <QThread>
#include <cstdio>
#include <string>

#include "dialog/display_probe.h"
#include "dialog/qt_dialog_window.h"
#include "dialog/rules_creator.h"

namespace {

void Refuse(const std::string& reason) {
    std::fprintf(stderr, "olvane: the rules editor cannot open: %s\n", reason.c_str());
}

void RunEditor(IEditorScene* scene, const CString& key) {
    CRulesCreator editor;
    editor.SetScene(scene, key);
    CQtModalRunner runner;
    editor.DoModal(runner);
}

}  // namespace

void RunRulesDialog(IEditorScene* scene, const CString& key) {
    if (QCoreApplication* existing = QCoreApplication::instance()) {
        if (qobject_cast<QApplication*>(existing) == nullptr) {
            Refuse("the host's Qt application object is not a QApplication (no widgets)");
            return;
        }
        if (existing->thread() != QThread::currentThread()) {
            Refuse("called on a thread other than the host's user-interface thread");
            return;
        }
        RunEditor(scene, key);
        return;
    }

    const DisplayVerdict verdict =
        CheckDisplay(DisplayEnvironment::FromProcess(), SystemDisplayProbe());
    if (!verdict.usable) {
        Refuse("no display (" + verdict.reason +
               "); set DISPLAY, or QT_QPA_PLATFORM=offscreen to run without one");
        return;
    }
    // Qt keeps references to these for the application object's life.
    static int argc = 1;
    static char name[] = "olvane";
    static char* argv[] = {name, nullptr};
    QApplication application(argc, argv);
    RunEditor(scene, key);
}
