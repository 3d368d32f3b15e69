// rules_creator_test.cpp - the rules editor's logic, played through the fake window: what opening
// shows, each action's checks and messages, Remove, OK and cancel, and the rule sentences.
#include "dialog/rules_creator.h"

#include <gtest/gtest.h>

#include <memory>
#include <optional>
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

    // Opens a fresh editor on key with body playing the operator; returns the run's result.
    template <class Body>
    int Open(const CString& key, Body body) {
        return OpenOn(&scene, key, body);
    }
    template <class Body>
    int OpenOn(IEditorScene* on, const CString& key, Body body) {
        editor.emplace();
        editor->SetScene(on, key);
        runner = CFakeRunner([&](CFakeDialogWindow& w, CDialog& d) {
            Operator op{w, d};
            body(op);
        });
        return editor->DoModal(runner);
    }

    CTestScene scene;
    CMetaDataSource* source = nullptr;
    std::optional<CRulesCreator> editor;
    CFakeRunner runner;
};

}  // namespace

TEST_F(RulesCreatorTest, OpeningFillsTemplatesTreeAndName) {
    Open(u"src", [&](Operator& op) {
        // Template destinations only, each row carrying its key.
        CFakeListBox& templates = op.w.List(IDC_TEMPLATES);
        ASSERT_EQ(templates.GetCount(), 2);
        for (int i = 0; i < 2; ++i) {
            const CString key = *static_cast<CString*>(templates.GetItemDataPtr(i));
            EXPECT_EQ(scene.FindDestination(key)->GetName(), templates.GetText(i));
        }
        // Namespace rows, expanded, with their tags under them.
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
        EXPECT_EQ(op.w.Text(IDC_OBJECT_NAME).m_text, CString(u"Evening news"));
        EXPECT_EQ(op.w.Combo(IDC_ACTION).GetCurSel(), 0);
    });
    EXPECT_TRUE(runner.m_initMessages.empty());
}

TEST_F(RulesCreatorTest, EachActionBuildsItsRule) {
    // Typed text makes the string form, else the selected template the destination form.
    struct Step {
        const char16_t* action;
        const char16_t* params;
        bool validation;
        const char16_t* sentence;
        const char16_t* stored;
    };
    const Step steps[] = {
        {u"Push", u"", false, u"Data from tag \"nw:title\" to template \"Headline\"",
         u"1|news/1.0/:title|k-headline"},
        {u"Equals", u"abc", false, u"Check to see if tag \"nw:title\" is the same as \"abc\"",
         u"2|news/1.0/:title|abc"},
        {u"Equals", u"", false,
         u"Check to see if tag \"news/1.0/:title\" is the same as template \"Headline\"",
         u"3|news/1.0/:title|k-headline"},
        {u"Not Equal", u"abc", false,
         u"Check to see if tag \"news/1.0/:title\" is different than \"abc\"",
         u"4|news/1.0/:title|abc"},
        {u"Not Equal", u"", true,
         u"Check to see if tag \"news/1.0/:title\" is different from template \"Headline\"  "
         u"(Validation Rule)",
         u"5|news/1.0/:title|k-headline|v"},
        {u"Contains", u"x", false, u"Check to see if tag \"news/1.0/:title\" contains \"x\"",
         u"6|news/1.0/:title|x"},
        {u"Contains", u"", true,
         u"Check to see if tag \"news/1.0/:title\" contains string from template \"Headline\"  "
         u"(Validation Rule)",
         u"7|news/1.0/:title|k-headline|v"},
        {u"Doesn't Contain", u"x", true,
         u"Check to see if tag \"news/1.0/:title\" doesn't contain \"x\"  (Validation Rule)",
         u"8|news/1.0/:title|x|v"},
        {u"Doesn't Contain", u"", false,
         u"Check to see if tag \"news/1.0/:title\" doesn't contain string from template "
         u"\"Headline\"",
         u"9|news/1.0/:title|k-headline"},
        {u"Is One Of", u"a, b,c", false,
         u"Check to see if tag \"news/1.0/:title\" is any of \"a, b,c\"",
         u"10|news/1.0/:title|a, b,c"},
    };
    Open(u"src", [&](Operator& op) {
        op.Tag(kTitleRow);
        op.Template(u"Headline");
        for (const Step& step : steps) {
            op.Action(step.action);
            op.Params(step.params);
            op.Validation(step.validation);
            EXPECT_EQ(op.AddMessage(), CString());
            EXPECT_EQ(op.Rows(IDC_RULES).back(), CString(step.sentence));
        }
        // Each row carries the working copy's rule at the same place.
        ASSERT_EQ(editor->GetWorkingRules()->GetSize(), 10);
        for (int i = 0; i < 10; ++i) {
            EXPECT_EQ(op.w.List(IDC_RULES).GetItemDataPtr(i), editor->GetWorkingRules()->GetAt(i));
        }
        op.d.OnCommand(IDOK);
    });
    std::vector<std::u16string> expected;
    for (const Step& step : steps) {
        expected.push_back(step.stored);
    }
    EXPECT_EQ(StoredTexts(), expected);
}

TEST_F(RulesCreatorTest, AddChecksAndMessages) {
    const std::vector<CString> actions = {u"Push",     u"Equals",          u"Not Equal",
                                          u"Contains", u"Doesn't Contain", u"Is One Of"};
    Open(u"src", [&](Operator& op) {
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
        EXPECT_EQ(editor->GetWorkingRules()->GetSize(), 1);
    });
}

TEST_F(RulesCreatorTest, RemoveTheFirstOfTwoThenCancelOrOk) {
    CRule* kept = Store(RuleTypeEqualsStr, u"news/1.0/:desk", u"City", true);
    for (const int button : {IDCANCEL, IDOK}) {
        const int result = Open(u"src", [&](Operator& op) {
            op.Remove(LB_ERR);  // nothing selected: nothing happens
            EXPECT_EQ(op.w.List(IDC_RULES).GetCount(), 1);
            op.Tag(kTitleRow);
            op.Template(u"Ticker");
            op.Add();
            op.Remove(0);
            EXPECT_EQ(op.Rows(IDC_RULES),
                      std::vector<CString>{u"Data from tag \"nw:title\" to template \"Ticker\""});
            ASSERT_EQ(editor->GetWorkingRules()->GetSize(), 1);
            EXPECT_EQ(op.w.List(IDC_RULES).GetItemDataPtr(0), editor->GetWorkingRules()->GetAt(0));
            // The source is untouched until OK.
            EXPECT_EQ(source->m_Rules[0], kept);
            op.d.OnCommand(button);
        });
        EXPECT_EQ(result, button);
        if (button == IDCANCEL) {
            ASSERT_EQ(source->m_Rules.GetSize(), 1);
            EXPECT_EQ(source->m_Rules[0], kept);
            EXPECT_EQ(StoredTexts(), std::vector<std::u16string>{u"2|news/1.0/:desk|City|v"});
        } else {
            EXPECT_EQ(StoredTexts(), std::vector<std::u16string>{u"1|news/1.0/:title|k-ticker"});
            // The source holds copies: the editor's working copy is its own.
            EXPECT_NE(source->m_Rules[0], editor->GetWorkingRules()->GetAt(0));
        }
    }
}

TEST_F(RulesCreatorTest, InvalidSceneOpensEmpty) {
    struct Case {
        IEditorScene* scene;
        CString key;
    };
    // A plain destination's key, a missing key, no scene at all.
    for (const Case& c :
         {Case{&scene, u"k-headline"}, Case{&scene, u"nothing"}, Case{nullptr, u"src"}}) {
        OpenOn(c.scene, c.key, [&](Operator& op) {
            EXPECT_EQ(editor->m_pScene, nullptr);
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

    Open(u"bare-key", [&](Operator& op) {
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
    Store(RuleTypeNone, title, u"x");
    Store(RuleTypeUnresolved, title, u"x");
    // A colon past index 5 inside the URI splits there; no group has that URI.
    Store(RuleTypeEqualsStr, u"urn:abcd:ef:title", u"q");
    // The scheme's colon is passed over.
    Store(RuleTypePush, u"nw:x", u"k-ticker");
    scene.Delete(u"k-gone");

    Open(u"src", [&](Operator& op) {
        EXPECT_EQ(
            op.Rows(IDC_RULES),
            (std::vector<CString>{
                u"Cannot display rule: GUID k-gone refers to an object that does not exist",
                u"Check to see if tag \"nw:title\" is the same as \"Evening\"",
                u"Check to see if tag \"news/1.0/:title\" is the same as template \"Other feed\"",
                u"Unknown Rule Type",
                u"Unknown Rule Type",
                u"Check to see if tag \"urn:abcd:ef:title\" is the same as \"q\"",
                u"Data from tag \"nw:x\" to template \"Ticker\"",
            }));
        // The unreadable rule stays and can be removed.
        op.Remove(0);
        op.d.OnCommand(IDOK);
    });
    EXPECT_EQ(source->m_Rules.GetSize(), 6);
    EXPECT_EQ(editor->DescribeRule(nullptr), CString());
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
        Open(u"src", [&](Operator& op) {
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
        CRulesCreator wide;
        wide.SetScene(&scene, u"src");
        CFakeRunner fake([&](CFakeDialogWindow& w, CDialog&) {
            EXPECT_EQ(w.List(IDC_RULES).m_nExtent, widest + 50);
        });
        fake.m_beforeInit = [&](CFakeDialogWindow& w) {
            w.List(IDC_RULES).m_nExtent = widest + 50;
        };
        wide.DoModal(fake);
    }
}
