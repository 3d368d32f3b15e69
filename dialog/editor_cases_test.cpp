// editor_cases_test.cpp - runs the rules editor cases of tests/editor-cases/: each sets up a scene,
// opens the editor in its real Qt window (offscreen), plays the operator's steps through the
// window's controls and compares what the editor showed, said and stored with the case's check
// block. The format is described in tests/editor-cases/README.md.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "dialog/qt_dialog_window.h"
#include "dialog/qt_test_support.h"
#include "dialog/rules_creator.h"
#include "dialog/rules_dialog_template.h"
#include "dialog/test_editor_scene.h"
#include "platform/codepage.h"
#include "tests/support/test_support.h"

namespace {

namespace fs = std::filesystem;

// "key = value" split at its first " = ".
std::pair<std::string, std::string> Split(const std::string& line) {
    const size_t at = line.find(" = ");
    return at == std::string::npos ? std::pair{line, std::string()}
                                   : std::pair{line.substr(0, at), line.substr(at + 3)};
}

CString Wide(const std::string& utf8) {
    return CString(utf8.c_str());
}

class EditorCases : public ::testing::TestWithParam<fs::path> {
  protected:
    std::string File(const std::string& key) const {
        return checks.Has(key) ? olvane_test::ReadFile(GetParam() / checks.One(key))
                               : std::string();
    }
    HTREEITEM Find(ITreeCtrl* tree, const CString& text) const {
        for (HTREEITEM ns = tree->GetRootItem(); ns != nullptr; ns = tree->GetNextSiblingItem(ns)) {
            for (HTREEITEM t = ns; t != nullptr;
                 t = t == ns ? tree->GetChildItem(ns) : tree->GetNextSiblingItem(t)) {
                if (tree->GetItemText(t) == text) {
                    return t;
                }
            }
        }
        return nullptr;
    }
    // One of the operator's steps: "tag ROW", "template NAME", "action TEXT", "params TEXT",
    // "check 0|1", "add", "remove ROW", "ok", "cancel".
    void Step(IDialogWindow& w, CDialog& d, const std::string& step) {
        const size_t space = step.find(' ');
        const std::string verb = step.substr(0, space);
        const CString arg = Wide(space == std::string::npos ? "" : step.substr(space + 1));
        if (verb == "tag") {
            w.GetTreeCtrl(IDC_TAGS)->SelectItem(Find(w.GetTreeCtrl(IDC_TAGS), arg));
        } else if (verb == "template" || verb == "remove") {
            IListBox* list = w.GetListBox(verb == "template" ? IDC_TEMPLATES : IDC_RULES);
            list->SetCurSel(LB_ERR);
            for (int i = 0; i < list->GetCount(); ++i) {
                if (verb == "template" ? list->GetText(i) == arg
                                       : std::to_string(i) == WideToUtf8(arg.view())) {
                    list->SetCurSel(i);
                }
            }
            if (verb == "remove") {
                d.OnCommand(IDC_REMOVE);
            }
        } else if (verb == "action") {
            IComboBox* combo = w.GetComboBox(IDC_ACTION);
            combo->SetCurSel(LB_ERR);
            for (int i = 0; i < combo->GetCount(); ++i) {
                if (combo->GetLBText(i) == arg) {
                    combo->SetCurSel(i);
                }
            }
            if (combo->GetCurSel() == LB_ERR) {
                combo->SetWindowText(arg);  // typed
            }
        } else if (verb == "params") {
            w.GetTextControl(IDC_PARAMETERS)->SetWindowText(arg);
        } else if (verb == "check") {
            w.GetCheckBox(IDC_VALIDATION)->SetCheck(arg == u"1" ? 1 : 0);
        } else if (verb == "add") {
            d.OnCommand(IDC_ADD);
        } else {
            ASSERT_TRUE(verb == "ok" || verb == "cancel") << step;
            d.OnCommand(verb == "ok" ? IDOK : IDCANCEL);
        }
    }
    // What the window shows now: its rows, and whether the list scrolls as far as its widest row
    // at opening.
    void Look(IDialogWindow& w) {
        IListBox* list = w.GetListBox(IDC_RULES);
        for (int i = 0; i < list->GetCount(); ++i) {
            rows.push_back(WideToUtf8(list->GetText(i).view()));
        }
        extentIsOpeningWidest = list->GetHorizontalExtent() == openingWidest;
    }

    olvane_test::CaseChecks checks{GetParam() / "README.md"};
    std::vector<std::string> rows;
    int openingWidest = 0;
    bool extentIsOpeningWidest = false;
};

TEST_P(EditorCases, ShowSayAndStoreWhatTheyExpect) {
    ASSERT_FALSE(checks.Empty()) << "no check block in " << GetParam();
    TestApplication();
    CTestScene scene(7);
    for (const std::string& line : checks.All("template")) {
        scene.AddDestination(Wide(Split(line).first), Wide(Split(line).second));
    }
    for (const std::string& line : checks.All("other")) {
        scene.AddSource(Wide(Split(line).first), Wide(Split(line).second), "");
    }
    const auto [key, name] = Split(checks.One("source"));
    CMetaDataSource* source = scene.AddSource(Wide(key), Wide(name), File("input").c_str());
    source->SetRulesXML(NarrowToWide(File("stored").c_str()).c_str(), 0);
    const CString open = Wide(checks.Has("open") ? checks.One("open") : key);

    CRulesCreator editor;
    editor.SetScene(checks.One("open") == "no scene" ? nullptr : &scene, open);
    bool looked = false;
    CModalScript script([&](QDialog* window) {
        auto& w = *dynamic_cast<IDialogWindow*>(window);
        for (const std::string& row : checks.All("expanded")) {
            EXPECT_TRUE(
                w.GetTreeCtrl(IDC_TAGS)->IsExpanded(Find(w.GetTreeCtrl(IDC_TAGS), Wide(row))))
                << row;
        }
        std::string templates;
        for (int i = 0; i < w.GetListBox(IDC_TEMPLATES)->GetCount(); ++i) {
            const CString* data =
                static_cast<CString*>(w.GetListBox(IDC_TEMPLATES)->GetItemDataPtr(i));
            templates += (i == 0 ? "" : ", ") + WideToUtf8(data->view()) + " = " +
                         WideToUtf8(w.GetListBox(IDC_TEMPLATES)->GetText(i).view());
        }
        EXPECT_EQ(templates, checks.One("templates"));
        EXPECT_EQ(WideToUtf8(w.GetTextControl(IDC_OBJECT_NAME)->GetWindowText().view()),
                  checks.One("shown-name"));
        for (int i = 0; i < w.GetListBox(IDC_RULES)->GetCount(); ++i) {
            openingWidest = std::max(openingWidest, w.GetListBox(IDC_RULES)->GetTextExtent(
                                                        w.GetListBox(IDC_RULES)->GetText(i)));
        }
        for (const std::string& step : checks.All("step")) {
            if (step == "ok" || step == "cancel") {
                Look(w);
                looked = true;
            }
            Step(w, editor, step);
        }
        if (!looked) {
            Look(w);
            window->reject();
        }
    });
    CQtModalRunner runner;
    EXPECT_EQ(std::to_string(editor.DoModal(runner)),
              checks.Has("result") ? checks.One("result") : "2");

    std::vector<std::string> messages;
    for (const AnsweredBox& box : script.m_answered) {
        std::string text = box.text.toStdString() + (box.onTop ? " (on top)" : "");
        for (size_t at = 0; (at = text.find('\n', at)) != std::string::npos;) {
            text.replace(at, 1, "\\n");
        }
        messages.push_back(text);
    }
    EXPECT_EQ(messages, checks.All("message"));
    EXPECT_EQ(rows, checks.All("row"));
    if (checks.Has("extent")) {
        EXPECT_TRUE(extentIsOpeningWidest) << "the list's extent is not its widest row at opening";
    }
    std::vector<std::string> stored;
    for (INT_PTR i = 0; i < source->GetStoredRules().GetSize(); ++i) {
        const CRule* r = source->GetStoredRules()[i];
        stored.push_back(std::to_string(r->m_nType) + " " + WideToUtf8(r->GetArg(0).view()) + "|" +
                         WideToUtf8(r->GetArg(1).view()) + "|" +
                         (r->m_bValidation ? "true" : "false"));
    }
    EXPECT_EQ(stored, checks.All("rule"));
}

INSTANTIATE_TEST_SUITE_P(Cases, EditorCases,
                         ::testing::ValuesIn(olvane_test::CasesIn("tests/editor-cases")),
                         [](const ::testing::TestParamInfo<fs::path>& info) {
                             return olvane_test::CaseName(info.param);
                         });

}  // namespace
