// rules_creator_test.cpp - the rules editor's logic, played through the fake window: what opening
// shows, each action's checks and messages, Remove, OK and cancel, and the rule sentences.
#include "dialog/rules_creator.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "dialog/fake_dialog_window.h"
#include "dialog/rules_dialog_template.h"
#include "dialog/test_editor_scene.h"

namespace {

constexpr char16_t kNews[] = u"news/1.0/";
constexpr char16_t kDc[] = u"http://purl.org/dc/elements/1.1/";

const CString kTitleRow(u"  title (Evening)");
const CString kNewsRow(u"nw (news/1.0/)");

// A scene with two templates, one other source, and the source "src" under edit: namespaces nw
// (title, desk) and dc (creator).
class RulesCreatorTest : public ::testing::Test {
  protected:
    RulesCreatorTest() : scene(7) {
        scene.AddDestination(u"k-headline", u"Headline");
        scene.AddDestination(u"k-ticker", u"Ticker");
        scene.AddSource(u"other", u"Other feed", {{u"xmlns:x", u"x/1/"}, {u"x:a", u"1"}});
        source = scene.AddSource(u"src", u"Evening news",
                                 {{u"xmlns:nw", kNews},
                                  {u"nw:title", u"Evening"},
                                  {u"nw:desk", u"City"},
                                  {u"xmlns:dc", kDc},
                                  {u"dc:creator", u"Jane"}});
    }

    // Adds a stored rule to the source before the editor opens.
    CRule* Store(int type, const CString& tag, const CString& second, bool validation = false) {
        auto rule = std::make_unique<CRule>();
        rule->SetPush(tag, second);
        rule->m_nType = type;
        rule->m_bValidation = validation;
        source->m_Rules.Add(rule.get());
        return rule.release();
    }

    std::vector<std::u16string> StoredTexts() const {
        std::vector<std::u16string> out;
        for (INT_PTR i = 0; i < source->m_Rules.GetSize(); ++i) {
            const CRule* r = source->m_Rules[i];
            const std::string type = std::to_string(r->m_nType);
            out.push_back(std::u16string(type.begin(), type.end()) + u"|" + r->GetArg(0).str() +
                          u"|" + r->GetArg(1).str() + (r->m_bValidation ? u"|v" : u""));
        }
        return out;
    }

    CTestScene scene;
    CMetaDataSource* source = nullptr;
};

// The operator at the fake window.
struct Operator {
    CFakeDialogWindow& w;
    CDialog& d;

    void Tag(const CString& row) {
        CFakeTreeCtrl& tree = w.Tree(IDC_TAGS);
        HTREEITEM item = tree.FindItem(row);
        ASSERT_NE(item, nullptr) << "no tree row";
        tree.SelectItem(item);
    }
    void Template(const CString& name) {
        const int row = w.List(IDC_TEMPLATES).FindRow(name);
        ASSERT_NE(row, LB_ERR);
        w.List(IDC_TEMPLATES).SetCurSel(row);
    }
    void Action(const CString& text) {
        CFakeComboBox& combo = w.Combo(IDC_ACTION);
        for (int i = 0; i < combo.GetCount(); ++i) {
            if (combo.GetLBText(i) == text) {
                combo.SetCurSel(i);
                return;
            }
        }
        combo.Type(text);
    }
    void Params(const CString& text) { w.Text(IDC_PARAMETERS).m_text = text; }
    void Validation(bool on) { w.Check(IDC_VALIDATION).m_nCheck = on ? 1 : 0; }
    void Add() { d.OnCommand(IDC_ADD); }
    void Remove(int row) {
        w.List(IDC_RULES).SetCurSel(row);
        d.OnCommand(IDC_REMOVE);
    }
    std::vector<CString> Rows(int id) {
        std::vector<CString> rows;
        for (const auto& r : w.List(id).m_rows) {
            rows.push_back(r.text);
        }
        return rows;
    }
    // Presses Add and returns the one message it showed ("" for none).
    CString AddMessage() {
        Add();
        const std::vector<CString> m = w.TakeMessages();
        return m.empty() ? CString() : m.front();
    }
};

template <class Body>
int RunEditor(CRulesCreator& editor, CFakeRunner& runner, Body body) {
    runner = CFakeRunner([&](CFakeDialogWindow& w, CDialog& d) {
        Operator op{w, d};
        body(op);
    });
    return editor.DoModal(runner);
}

}  // namespace

TEST_F(RulesCreatorTest, OpeningFillsTemplatesTreeAndName) {
    CRulesCreator editor;
    editor.SetScene(&scene, u"src");
    CFakeRunner runner;
    RunEditor(editor, runner, [&](Operator& op) {
        // Template destinations only, each row carrying its key.
        CFakeListBox& templates = op.w.List(IDC_TEMPLATES);
        ASSERT_EQ(templates.GetCount(), 2);
        for (int i = 0; i < 2; ++i) {
            const CString key = *static_cast<CString*>(templates.GetItemDataPtr(i));
            EXPECT_EQ(scene.FindDestination(key)->GetName(), templates.GetText(i));
        }
        EXPECT_NE(templates.FindRow(u"Headline"), LB_ERR);
        EXPECT_EQ(templates.FindRow(u"Other feed"), LB_ERR);

        CFakeTreeCtrl& tree = op.w.Tree(IDC_TAGS);
        ASSERT_EQ(tree.m_roots.size(), 2u);
        HTREEITEM ns = tree.FindItem(kNewsRow);
        ASSERT_NE(ns, nullptr);
        EXPECT_EQ(tree.GetItemData(ns), &g_strNamespacePlaceholder);
        EXPECT_TRUE(tree.IsExpanded(ns));
        EXPECT_NE(tree.FindItem(u"dc (http://purl.org/dc/elements/1.1/)"), nullptr);
        HTREEITEM title = tree.FindItem(kTitleRow);
        ASSERT_NE(title, nullptr);
        EXPECT_EQ(CFakeTreeCtrl::ToNode(title)->parent, CFakeTreeCtrl::ToNode(ns));
        EXPECT_EQ(*static_cast<CString*>(tree.GetItemData(title)), CString(u"news/1.0/:title"));
        EXPECT_NE(tree.FindItem(u"  desk (City)"), nullptr);

        EXPECT_EQ(op.w.Text(IDC_OBJECT_NAME).m_text, CString(u"Evening news"));
        EXPECT_EQ(op.w.Combo(IDC_ACTION).m_text, CString(u"Push"));
        EXPECT_EQ(op.w.Combo(IDC_ACTION).GetCurSel(), 0);
    });
    EXPECT_TRUE(runner.m_initMessages.empty());
}

TEST_F(RulesCreatorTest, EachActionBuildsItsRule) {
    CRulesCreator editor;
    editor.SetScene(&scene, u"src");
    CFakeRunner runner;
    RunEditor(editor, runner, [&](Operator& op) {
        op.Tag(kTitleRow);
        op.Template(u"Headline");
        op.Add();  // Push
        op.Action(u"Not Equal");
        op.Params(u"abc");
        op.Add();
        // Typed text wins over a selected template.
        op.Action(u"Equals");
        op.Add();
        op.Params(u"");
        op.Add();
        op.Action(u"Contains");
        op.Validation(true);
        op.Add();
        op.Action(u"Doesn't Contain");
        op.Params(u"x");
        op.Add();
        op.Action(u"Is One Of");
        op.Params(u"a, b,c");
        op.Validation(false);
        op.Add();
        EXPECT_TRUE(op.w.m_messages.empty());

        EXPECT_EQ(op.Rows(IDC_RULES),
                  (std::vector<CString>{
                      u"Data from tag \"nw:title\" to template \"Headline\"",
                      u"Check to see if tag \"news/1.0/:title\" is different than \"abc\"",
                      u"Check to see if tag \"nw:title\" is the same as \"abc\"",
                      u"Check to see if tag \"news/1.0/:title\" is the same as template "
                      u"\"Headline\"",
                      u"Check to see if tag \"news/1.0/:title\" contains string from template "
                      u"\"Headline\"  (Validation Rule)",
                      u"Check to see if tag \"news/1.0/:title\" doesn't contain \"x\"  (Validation "
                      u"Rule)",
                      u"Check to see if tag \"news/1.0/:title\" is any of \"a, b,c\"",
                  }));
        // Each row carries the working copy's rule at the same place.
        ASSERT_EQ(editor.GetWorkingRules()->GetSize(), 7);
        for (int i = 0; i < 7; ++i) {
            EXPECT_EQ(op.w.List(IDC_RULES).GetItemDataPtr(i), editor.GetWorkingRules()->GetAt(i));
        }
        op.d.OnCommand(IDOK);
    });
    EXPECT_EQ(StoredTexts(), (std::vector<std::u16string>{
                                 u"1|news/1.0/:title|k-headline",
                                 u"4|news/1.0/:title|abc",
                                 u"2|news/1.0/:title|abc",
                                 u"3|news/1.0/:title|k-headline",
                                 u"7|news/1.0/:title|k-headline|v",
                                 u"8|news/1.0/:title|x|v",
                                 u"10|news/1.0/:title|a, b,c",
                             }));
}

TEST_F(RulesCreatorTest, AddChecksAndMessages) {
    CRulesCreator editor;
    editor.SetScene(&scene, u"src");
    CFakeRunner runner;
    const std::vector<CString> actions = {u"Push",     u"Equals",          u"Not Equal",
                                          u"Contains", u"Doesn't Contain", u"Is One Of"};
    RunEditor(editor, runner, [&](Operator& op) {
        op.Template(u"Headline");
        op.Params(u"a,b");
        for (const CString& action : actions) {
            op.Action(action);
            // Nothing selected, then a namespace row: neither is a tag.
            EXPECT_EQ(op.AddMessage(), CString(u"Must select a tag"));
            op.Tag(kNewsRow);
            EXPECT_EQ(op.AddMessage(), CString(u"Must select a tag"));
            op.w.Tree(IDC_TAGS).SelectItem(nullptr);
        }
        op.Tag(kTitleRow);
        op.Params(u"");
        op.w.List(IDC_TEMPLATES).SetCurSel(LB_ERR);
        for (const CString& action : actions) {
            op.Action(action);
            const CString expected = action == u"Is One Of"
                                         ? CString(u"Must enter some comma-seperated values")
                                         : CString(u"Must select a destination");
            EXPECT_EQ(op.AddMessage(), expected);
        }
        // Push needs a template even with text typed.
        op.Action(u"Push");
        op.Params(u"abc");
        EXPECT_EQ(op.AddMessage(), CString(u"Must select a destination"));
        // "Is One Of" needs no template.
        op.Template(u"Headline");
        op.w.List(IDC_TEMPLATES).SetCurSel(LB_ERR);
        op.Action(u"Is One Of");
        EXPECT_EQ(op.AddMessage(), CString());
        // Action names are exact.
        for (const CString& typed : {CString(u"push"), CString(u"Equals "), CString(u"")}) {
            op.Action(typed);
            EXPECT_EQ(op.AddMessage(), CString(u"Cannot Add that rule. (Not Implemented)"));
        }
        EXPECT_EQ(op.w.List(IDC_RULES).GetCount(), 1);
        EXPECT_EQ(editor.GetWorkingRules()->GetSize(), 1);
    });
}

TEST_F(RulesCreatorTest, RemoveTheFirstOfTwoThenOk) {
    Store(RuleTypeEqualsStr, u"news/1.0/:desk", u"City");
    CRulesCreator editor;
    editor.SetScene(&scene, u"src");
    CFakeRunner runner;
    RunEditor(editor, runner, [&](Operator& op) {
        // Remove with nothing selected does nothing.
        op.Remove(LB_ERR);
        EXPECT_EQ(op.w.List(IDC_RULES).GetCount(), 1);

        op.Tag(kTitleRow);
        op.Template(u"Ticker");
        op.Add();
        op.Remove(0);
        ASSERT_EQ(op.w.List(IDC_RULES).GetCount(), 1);
        EXPECT_EQ(op.Rows(IDC_RULES).front(),
                  CString(u"Data from tag \"nw:title\" to template \"Ticker\""));
        ASSERT_EQ(editor.GetWorkingRules()->GetSize(), 1);
        EXPECT_EQ(op.w.List(IDC_RULES).GetItemDataPtr(0), editor.GetWorkingRules()->GetAt(0));
        // The source is untouched until OK.
        EXPECT_EQ(StoredTexts(), std::vector<std::u16string>{u"2|news/1.0/:desk|City"});
        op.d.OnCommand(IDOK);
    });
    EXPECT_EQ(StoredTexts(), std::vector<std::u16string>{u"1|news/1.0/:title|k-ticker"});
    // The source holds copies: the editor's working copy is its own.
    EXPECT_NE(source->m_Rules[0], editor.GetWorkingRules()->GetAt(0));
}

TEST_F(RulesCreatorTest, CancelWritesNothing) {
    CRule* kept = Store(RuleTypePush, u"news/1.0/:title", u"k-headline", true);
    CRulesCreator editor;
    editor.SetScene(&scene, u"src");
    CFakeRunner runner;
    const int result = RunEditor(editor, runner, [&](Operator& op) {
        op.Remove(0);
        op.Tag(kTitleRow);
        op.Action(u"Equals");
        op.Params(u"z");
        op.Add();
        op.d.OnCommand(IDCANCEL);
    });
    EXPECT_EQ(result, IDCANCEL);
    ASSERT_EQ(source->m_Rules.GetSize(), 1);
    EXPECT_EQ(source->m_Rules[0], kept);
    EXPECT_EQ(StoredTexts(), std::vector<std::u16string>{u"1|news/1.0/:title|k-headline|v"});
}

TEST_F(RulesCreatorTest, InvalidSceneOpensEmpty) {
    struct Case {
        IEditorScene* scene;
        CString key;
    };
    // A plain destination's key, a missing key, no scene at all.
    for (const Case& c :
         {Case{&scene, u"k-headline"}, Case{&scene, u"nothing"}, Case{nullptr, u"src"}}) {
        CRulesCreator editor;
        editor.SetScene(c.scene, c.key);
        EXPECT_EQ(editor.m_pScene, nullptr);
        CFakeRunner runner;
        RunEditor(editor, runner, [&](Operator& op) {
            EXPECT_EQ(op.w.List(IDC_TEMPLATES).GetCount(), 0);
            EXPECT_TRUE(op.w.Tree(IDC_TAGS).m_roots.empty());
            for (const CString action : {u"Push", u"Equals", u"Is One Of"}) {
                op.Action(action);
                EXPECT_EQ(op.AddMessage(), CString(u"Must select a tag"));
            }
            op.Action(u"Other");
            EXPECT_EQ(op.AddMessage(), CString(u"Cannot Add that rule. (Not Implemented)"));
            op.Remove(0);
            op.d.OnCommand(IDOK);
        });
        ASSERT_EQ(runner.m_initMessages.size(), 1u);
        EXPECT_EQ(runner.m_initMessages[0].text, CString(u"Scene is invalid!"));
    }
    EXPECT_EQ(source->m_Rules.GetSize(), 0);
}

TEST_F(RulesCreatorTest, NoTagsShowsSceneAndKeyButListsTheRest) {
    CMetaDataSource* empty = scene.AddSource(u"bare-key", u"Bare", {});
    auto rule = std::make_unique<CRule>();
    rule->SetPush(u"news/1.0/:title", u"k-ticker");
    empty->m_Rules.Add(rule.release());

    CRulesCreator editor;
    editor.SetScene(&scene, u"bare-key");
    CFakeRunner runner;
    RunEditor(editor, runner, [&](Operator& op) {
        EXPECT_TRUE(op.w.Tree(IDC_TAGS).m_roots.empty());
        EXPECT_EQ(op.w.List(IDC_TEMPLATES).GetCount(), 2);
        // No group to give a prefix: the stored tag shows.
        EXPECT_EQ(
            op.Rows(IDC_RULES),
            std::vector<CString>{u"Data from tag \"news/1.0/:title\" to template \"Ticker\""});
        EXPECT_EQ(op.w.Text(IDC_OBJECT_NAME).m_text, CString(u"Bare"));
    });
    ASSERT_EQ(runner.m_initMessages.size(), 1u);
    EXPECT_EQ(runner.m_initMessages[0].text,
              CString(u"No tags are available!\nScene ID = 7\nGUID = bare-key"));
    EXPECT_EQ(runner.m_initMessages[0].type, MB_OK | MB_TOPMOST);
}

TEST_F(RulesCreatorTest, SentencesOfStoredRules) {
    const CString title(u"news/1.0/:title");
    scene.AddDestination(u"k-gone", u"Gone");
    Store(RuleTypePush, title, u"k-gone");
    Store(RuleTypeEqualsStr, u"NEWS/1.0/:title", u"Evening");  // URIs match ignoring case
    Store(RuleTypeEqualsDest, title, u"other");                // a source named as template
    Store(RuleTypeNotEqualDest, title, u"k-ticker");
    Store(RuleTypeContainsStr, title, u"Eve", true);
    Store(RuleTypeWithoutDest, title, u"k-ticker");
    Store(RuleTypeIsOneOf, title, u"a,b");
    Store(RuleTypeNone, title, u"x");
    Store(RuleTypeUnresolved, title, u"x");
    // A colon past index 5 inside the URI splits there; no group has that URI.
    Store(RuleTypeEqualsStr, u"urn:abcd:ef:title", u"q");
    // The scheme's colon is passed over.
    Store(RuleTypePush, u"nw:x", u"k-ticker");
    scene.Delete(u"k-gone");

    CRulesCreator editor;
    editor.SetScene(&scene, u"src");
    CFakeRunner runner;
    RunEditor(editor, runner, [&](Operator& op) {
        EXPECT_EQ(
            op.Rows(IDC_RULES),
            (std::vector<CString>{
                u"Cannot display rule: GUID k-gone refers to an object that does not exist",
                u"Check to see if tag \"nw:title\" is the same as \"Evening\"",
                u"Check to see if tag \"news/1.0/:title\" is the same as template \"Other feed\"",
                u"Check to see if tag \"news/1.0/:title\" is different from template \"Ticker\"",
                u"Check to see if tag \"news/1.0/:title\" contains \"Eve\"  (Validation Rule)",
                u"Check to see if tag \"news/1.0/:title\" doesn't contain string from template "
                u"\"Ticker\"",
                u"Check to see if tag \"news/1.0/:title\" is any of \"a,b\"",
                u"Unknown Rule Type",
                u"Unknown Rule Type",
                u"Check to see if tag \"urn:abcd:ef:title\" is the same as \"q\"",
                u"Data from tag \"nw:x\" to template \"Ticker\"",
            }));
        // The unreadable rule stays and can be removed.
        op.Remove(0);
        op.d.OnCommand(IDOK);
    });
    EXPECT_EQ(source->m_Rules.GetSize(), 10);
    EXPECT_EQ(editor.DescribeRule(nullptr), CString());
}

TEST_F(RulesCreatorTest, ExtentGrowsOnlyAtOpening) {
    Store(RuleTypeEqualsStr, u"news/1.0/:title", u"short");
    Store(RuleTypeEqualsStr, u"news/1.0/:title", u"a rather longer comparison text");
    const int widest = static_cast<int>(
        std::u16string_view(
            u"Check to see if tag \"nw:title\" is the same as \"a rather longer comparison text\"")
            .size() *
        CFakeListBox::kCharWidth);
    {
        CRulesCreator editor;
        editor.SetScene(&scene, u"src");
        CFakeRunner runner;
        RunEditor(editor, runner, [&](Operator& op) {
            EXPECT_EQ(op.w.List(IDC_RULES).m_nExtent, widest);
            // A longer rule added now does not widen it.
            op.Tag(kTitleRow);
            op.Action(u"Is One Of");
            op.Params(CString(std::u16string(200, u'x')));
            op.Add();
            EXPECT_EQ(op.w.List(IDC_RULES).GetCount(), 3);
            EXPECT_EQ(op.w.List(IDC_RULES).m_nExtent, widest);
        });
    }
    {
        // Never reduced.
        CRulesCreator editor;
        editor.SetScene(&scene, u"src");
        CFakeRunner runner;
        runner.m_beforeInit = [&](CFakeDialogWindow& w) {
            w.List(IDC_RULES).m_nExtent = widest + 50;
        };
        runner.m_script = [&](CFakeDialogWindow& w, CDialog&) {
            EXPECT_EQ(w.List(IDC_RULES).m_nExtent, widest + 50);
        };
        editor.DoModal(runner);
    }
}
