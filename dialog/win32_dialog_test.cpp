// win32_dialog_test.cpp - the native editor in this process (its template linked into the test
// program): the window against the template data, then a handler that fails.
#include <gtest/gtest.h>

#include <new>
#include <string>

#include "dialog/rules_dialog_runner.h"
#include "dialog/rules_dialog_template.h"
#include "dialog/test_editor_scene.h"
#include "dialog/win32_operator.h"

using namespace win32op;

namespace {

const char kNewsPacket[] = "<a xmlns:nw='news/1.0/' nw:title='x'/>";

// The test scene, whose destination lookups can be made to fail for want of memory.
class CFailingScene final : public IEditorScene {
  public:
    explicit CFailingScene(CTestScene& scene) : m_scene(scene) {}
    int GetSceneID() const override { return m_scene.GetSceneID(); }
    void CopyScene(CDestinationMap& target) const override { m_scene.CopyScene(target); }
    CDestination* FindDestination(const CString& key) const override {
        if (m_bFail) {
            throw std::bad_alloc();
        }
        return m_scene.FindDestination(key);
    }
    CMetaDataSource* FindMetaDataSource(const CString& key) const override {
        return m_scene.FindMetaDataSource(key);
    }
    bool m_bFail = false;

  private:
    CTestScene& m_scene;
};

std::u16string RulesXml(const CMetaDataSource* source) {
    BSTR xml = source->GetRulesXML();
    std::u16string text(xml, SysStringLen(xml));
    SysFreeString(xml);
    return text;
}

}  // namespace

TEST(Win32Dialog, WindowIsTheTemplateAndAFailingHandlerEndsTheEditorAndItsExceptionComesOut) {
    CTestScene scene;
    scene.AddDestination(u"k-headline", u"Headline");
    CMetaDataSource* source = scene.AddSource(u"src", u"News", kNewsPacket);
    source->SetRulesXML(
        u"<Pavex-MetaData-Rules><DataPush tag=\"news/1.0/:title\" to=\"k-headline\" "
        u"val=\"false\"/></Pavex-MetaData-Rules>",
        0);
    ASSERT_EQ(source->GetStoredRules().GetSize(), 1);
    const std::u16string before = RulesXml(source);

    CFailingScene failing(scene);
    RunWithOperator(
        [&] { EXPECT_THROW(RunRulesDialog(&failing, u"src"), std::bad_alloc); },
        [&](const COperator& person) {
            Window dialog = person.WaitForDialog(u"Metadata Actions");
            ASSERT_NE(dialog, nullptr);
            const ShownText shown[] = {{IDC_OBJECT_NAME, u"News"}, {IDC_ACTION, u"Push"}};
            ExpectWindowMatchesTemplate(dialog, RulesDialogTemplate(), shown);
            EXPECT_TRUE(SelectTreeRow(Item(dialog, IDC_TAGS), u"  title (x)"));
            EXPECT_TRUE(SelectListRow(Item(dialog, IDC_TEMPLATES), u"Headline"));
            // The new rule's sentence names its template, which cannot be looked up.
            failing.m_bFail = true;
            Click(Item(dialog, IDC_ADD));
            EXPECT_TRUE(person.WaitGone(dialog));
        });
    EXPECT_EQ(RulesXml(source), before);
}
