// win32_editor_test.cpp - the native editor as a Windows host opens it: olvane.dll loaded with
// LoadLibrary, a scene made through the exports, SetRulesDialog called on this thread while the
// operator works the dialog. This program holds no dialog template of its own, so the editor can
// only open from the DLL's resources. With OLVANE_EDITOR_SCREENSHOT set, the editor is
// photographed there (docs/editor-win32.png is made this way).
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "dialog/win32_operator.h"
#include "dialog/win32_test_support.h"
#include "tests/support/test_support.h"
#include "tools/olvane-host/plugin.h"

using namespace win32op;

namespace {

// The editor's control IDs, as the host's documentation of template 8000 gives them.
constexpr int kOk = 1;
constexpr int kObjectName = 8000;
constexpr int kRules = 8002;
constexpr int kAdd = 8003;
constexpr int kValidation = 8004;
constexpr int kTemplates = 8005;
constexpr int kRemove = 8006;
constexpr int kAction = 8007;
constexpr int kParameters = 8008;
constexpr int kTags = 8009;

constexpr char16_t kCaption[] = u"Metadata Actions";
constexpr char16_t kTitleRow[] = u"  title (Harbour at dawn)";
constexpr char16_t kPushSentence[] = u"Data from tag \"dc:title\" to template \"Headline\"";
constexpr char16_t kEqualsSentence[] =
    u"Check to see if tag \"dc:title\" is the same as \"abc\"  (Validation Rule)";

std::u16string Utf16(const std::string& ascii) {
    return std::u16string(ascii.begin(), ascii.end());
}

class Win32EditorPlugin : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string error;
        ASSERT_TRUE(plugin.Load(OLVANE_PLUGIN_PATH, error)) << error;
        packet = olvane_test::ReadFile(std::string(OLVANE_SOURCE_DIR) + "/samples/harbour.xmp");
        ASSERT_FALSE(packet.empty());
        scene = api.AddScene();
        api.AddDestination(scene, "Headline", "k-headline", 0);
        api.AddDestination(scene, "Lower third", "k-lower", 0);
        api.SetMetaData(scene, packet.c_str(), "photo-7", "Harbour at dawn");
    }
    std::u16string RulesXML(const char* key) const {
        BSTR xml = api.GetRulesXML(scene, key);
        std::u16string text(xml, api.SysStringLen(xml));
        api.SysFreeString(xml);
        return text;
    }
    void SetRules(const char* key, const std::u16string& xml) const {
        api.SetRulesXML(scene, key,
                        api.SysAllocStringLen(xml.data(), static_cast<unsigned>(xml.size())), 0);
    }

    void Edit(const char* key, const std::function<void(const COperator&)>& script) {
        RunWithOperator([&] { EXPECT_EQ(api.SetRulesDialog(scene, key), 1); }, script);
    }

    // The text the library writes for these rules, given as rules XML.
    std::u16string Stored(const std::u16string& rules) {
        api.SetMetaData(scene, packet.c_str(), "expected", "Expected");
        SetRules("expected", u"<Pavex-MetaData-Rules>" + rules + u"</Pavex-MetaData-Rules>");
        return RulesXML("expected");
    }

    olvane_host::Plugin plugin;
    const olvane_host::PluginApi& api = plugin.Api();
    std::string packet;
    int scene = 0;
};

// Clicks a button that must answer with a message box, and gives the box's text.
std::u16string Refusal(const COperator& person, Window dialog, int button) {
    ClickLater(Item(dialog, button));
    const std::optional<MessageBoxInfo> box = person.AnswerMessageBox();
    if (!box) {
        ADD_FAILURE() << "no message box";
        return {};
    }
    EXPECT_EQ(box->caption, kCaption);
    EXPECT_EQ(box->buttons, std::vector<std::u16string>{u"OK"});
    EXPECT_FALSE(box->topmost);
    return box->text;
}

}  // namespace

TEST_F(Win32EditorPlugin, AddRemoveAndOkWriteTheRulesBack) {
    Edit("photo-7", [&](const COperator& person) {
        Window dialog = person.WaitForDialog(kCaption);
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(Text(Item(dialog, kObjectName)), u"Harbour at dawn");
        std::vector<std::u16string> templates = ListRows(Item(dialog, kTemplates));
        std::sort(templates.begin(), templates.end());
        EXPECT_EQ(templates, (std::vector<std::u16string>{u"Headline", u"Lower third"}));
        const std::vector<std::u16string> tags = TreeRows(Item(dialog, kTags));
        EXPECT_NE(std::find(tags.begin(), tags.end(), kTitleRow), tags.end());

        // Which refusal comes when is the logic's (its cases in tests/editor-cases/); here, that
        // a refusal is a message box the operator can read and close, and that a typed action
        // reaches the logic.
        EXPECT_EQ(Refusal(person, dialog, kAdd), u"Must select a tag");
        ASSERT_TRUE(SelectTreeRow(Item(dialog, kTags), kTitleRow));
        ASSERT_TRUE(ChooseComboItem(Item(dialog, kAction), u"Is One Of"));
        Type(Item(dialog, kAction), u"push");
        EXPECT_EQ(Refusal(person, dialog, kAdd), u"Cannot Add that rule. (Not Implemented)");

        ASSERT_TRUE(ChooseComboItem(Item(dialog, kAction), u"Push"));
        ASSERT_TRUE(SelectListRow(Item(dialog, kTemplates), u"Headline"));
        Click(Item(dialog, kAdd));
        // Typed text wins over the selected template.
        ASSERT_TRUE(ChooseComboItem(Item(dialog, kAction), u"Equals"));
        Type(Item(dialog, kParameters), u"abc");
        Click(Item(dialog, kValidation));
        EXPECT_TRUE(IsChecked(Item(dialog, kValidation)));
        Click(Item(dialog, kAdd));
        EXPECT_EQ(ListRows(Item(dialog, kRules)),
                  (std::vector<std::u16string>{kPushSentence, kEqualsSentence}));
        if (const char* path = std::getenv("OLVANE_EDITOR_SCREENSHOT")) {
            EXPECT_TRUE(SavePng(dialog, Utf16(path)));
        }

        ASSERT_TRUE(SelectListRow(Item(dialog, kRules), kPushSentence));
        Click(Item(dialog, kRemove));
        EXPECT_EQ(ListRows(Item(dialog, kRules)), std::vector<std::u16string>{kEqualsSentence});
        Click(Item(dialog, kOk));
        EXPECT_TRUE(person.WaitGone(dialog));
    });
    EXPECT_EQ(RulesXML("photo-7"),
              Stored(u"<DataEqualsStr tag=\"http://purl.org/dc/elements/1.1/:title\" to=\"abc\" "
                     u"val=\"true\"/>"));
}

TEST_F(Win32EditorPlugin, OpeningMessages) {
    // A key that names a template, not a metadata source: the editor opens empty.
    Edit("k-headline", [&](const COperator& person) {
        const std::optional<MessageBoxInfo> box = person.AnswerMessageBox();
        ASSERT_TRUE(box);
        EXPECT_EQ(box->text, u"Scene is invalid!");
        EXPECT_FALSE(box->topmost);
        Window dialog = person.WaitForDialog(kCaption);
        ASSERT_NE(dialog, nullptr);
        EXPECT_TRUE(TreeRows(Item(dialog, kTags)).empty());
        EXPECT_TRUE(ListRows(Item(dialog, kTemplates)).empty());
        Click(Item(dialog, kOk));
        EXPECT_TRUE(person.WaitGone(dialog));
    });
    // A source without namespaces: the message stays above every window.
    api.SetMetaData(scene, "<x:xmpmeta xmlns:x='adobe:ns:meta/'/>", "bare", "Bare");
    Edit("bare", [&](const COperator& person) {
        const std::optional<MessageBoxInfo> box = person.AnswerMessageBox();
        ASSERT_TRUE(box);
        EXPECT_EQ(box->text, u"No tags are available!\nScene ID = " + Utf16(std::to_string(scene)) +
                                 u"\nGUID = bare");
        // Wine does not honour MB_TOPMOST; Windows does.
        EXPECT_TRUE(box->topmost || RunningUnderWine());
        Window dialog = person.WaitForDialog(kCaption);
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(ListRows(Item(dialog, kTemplates)).size(), 2u);
        person.Press(Key::Escape);
        EXPECT_TRUE(person.WaitGone(dialog));
    });
}
