// win32_editor_test.cpp - the native editor as a Windows host opens it: olvane.dll loaded with
// LoadLibrary, a scene made through the exports, SetRulesDialog called on this thread while the
// operator works the dialog, then the stored rule read back as text and as a record. This program
// holds no dialog template of its own, so the editor can only open from the DLL's resources.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "dialog/win32_operator.h"
#include "tests/support/test_support.h"
#include "tools/olvane-host/plugin.h"

using namespace win32op;

namespace {

// The editor's control IDs, as the host's documentation of template 8000 gives them.
constexpr int kOk = 1, kRules = 8002, kAdd = 8003, kValidation = 8004, kTemplates = 8005,
              kRemove = 8006, kAction = 8007, kParameters = 8008, kTags = 8009;

constexpr char16_t kCaption[] = u"Metadata Actions";
constexpr char16_t kPushSentence[] = u"Data from tag \"dc:title\" to template \"Headline\"";
constexpr char16_t kEqualsSentence[] =
    u"Check to see if tag \"dc:title\" is the same as \"abc\"  (Validation Rule)";

std::u16string Utf16(const std::string& ascii) {
    return std::u16string(ascii.begin(), ascii.end());
}

// A message box as the operator meets it: the dialog's caption, the text, a single OK button.
// (Whether it stays above every window cannot be told under wine, which ignores MB_TOPMOST.)
std::vector<std::u16string> Box(const std::u16string& text) {
    return {kCaption, text, u"OK"};
}

}  // namespace

TEST(Win32EditorPlugin, OpensFromTheDllAndWritesTheRulesBack) {
    olvane_host::Plugin plugin;
    std::string error;
    ASSERT_TRUE(plugin.Load(OLVANE_PLUGIN_PATH, error)) << error;
    const olvane_host::PluginApi& api = plugin.Api();
    const std::string packet =
        olvane_test::ReadFile(std::string(OLVANE_SOURCE_DIR) + "/samples/harbour.xmp");
    const int scene = api.AddScene();
    api.AddDestination(scene, "Headline", "k-headline", 0);
    api.AddDestination(scene, "Lower third", "k-lower", 0);
    ASSERT_EQ(api.SetMetaData(scene, packet.c_str(), "photo-7", "Harbour at dawn"), 1);
    ASSERT_EQ(api.SetMetaData(scene, "<x:xmpmeta xmlns:x='adobe:ns:meta/'/>", "bare", "Bare"), 1);
    auto edit = [&](const char* key, const std::function<void(const COperator&)>& script) {
        RunWithOperator([&] { EXPECT_EQ(api.SetRulesDialog(scene, key), 1); }, script);
    };

    // A source without tags: the message comes before the editor; Esc cancels.
    edit("bare", [&](const COperator& person) {
        EXPECT_EQ(person.AnswerMessageBox(), Box(u"No tags are available!\nScene ID = " +
                                                 Utf16(std::to_string(scene)) + u"\nGUID = bare"));
        Window dialog = person.WaitForDialog(kCaption);
        ASSERT_NE(dialog, nullptr);
        person.PressEscape();
        EXPECT_TRUE(person.WaitGone(dialog));
    });

    // Which refusal comes when is the logic's (its cases in tests/editor-cases/); here, that the
    // native controls hand the logic what the operator chose, typed and checked.
    edit("photo-7", [&](const COperator& person) {
        Window dialog = person.WaitForDialog(kCaption);
        ASSERT_NE(dialog, nullptr);
        ClickLater(Item(dialog, kAdd));
        EXPECT_EQ(person.AnswerMessageBox(), Box(u"Must select a tag"));
        ASSERT_TRUE(SelectTreeRow(Item(dialog, kTags), u"  title (Harbour at dawn)"));
        ASSERT_TRUE(SelectListRow(Item(dialog, kTemplates), u"Headline"));
        Click(Item(dialog, kAdd));
        // Typed into the action's field while "Push" is still the list's selection.
        Type(Item(dialog, kAction), u"Equals");
        Type(Item(dialog, kParameters), u"abc");
        Click(Item(dialog, kValidation));
        Click(Item(dialog, kAdd));
        EXPECT_EQ(ListRows(Item(dialog, kRules)),
                  (std::vector<std::u16string>{kPushSentence, kEqualsSentence}));
        ASSERT_TRUE(SelectListRow(Item(dialog, kRules), kPushSentence));
        Click(Item(dialog, kRemove));
        EXPECT_EQ(ListRows(Item(dialog, kRules)), std::vector<std::u16string>{kEqualsSentence});
        Click(Item(dialog, kOk));
        EXPECT_TRUE(person.WaitGone(dialog));
    });
    BSTR xml = api.GetRulesXML(scene, "photo-7");
    EXPECT_EQ(std::u16string(xml, api.SysStringLen(xml)),
              u"<?xml version=\"1.0\" encoding=\"utf-8\" ?>\n<Pavex-MetaData-Rules>\n"
              u"<DataEqualsStr      tag=\"http://purl.org/dc/elements/1.1/:title\"           "
              u"to=\"abc\"          val=\"true\" />\n</Pavex-MetaData-Rules>\n");
    api.SysFreeString(xml);

    // The same rule as a record in the header's layout, read across the DLL's boundary.
    OlvaneRuleArray records{};
    ASSERT_EQ(api.GetRules(scene, "photo-7", &records), 1);
    ASSERT_EQ(records.size, 1);
    const OlvaneRule& rule = *records.data[0];
    EXPECT_EQ((std::vector<int>{rule.type, rule.reserved, rule.validation, int(rule.args.size)}),
              (std::vector<int>{2, 1, 1, 2}));
    EXPECT_EQ(std::u16string(rule.args.data[1], api.SysStringLen(rule.args.data[1])), u"abc");
    EXPECT_EQ(api.FreeRules(&records), 1);
}
