// rules_creator.h - CRulesCreator: the modal "Metadata Actions" editor of one metadata source's
// rules. All edits go to a working copy; OK replaces the source's rules with it.
#pragma once

#include "dialog/dialog.h"
#include "dialog/editor_scene.h"
#include "metadata/meta_data_source.h"
#include "platform/carray.h"
#include "platform/cstring.h"
#include "rules/rule.h"

// The item data of every namespace row of the tag tree; its text marks a row that is no tag.
extern const CString g_strNamespacePlaceholder;

class CRulesCreator : public CDialog {
  public:
    CRulesCreator();

    // Looks the metadata source up under key and takes a working copy of its rules. Without a
    // scene, or when key names no metadata source, the editor opens empty.
    void SetScene(IEditorScene* scene, const CString& key);

    BOOL OnInitDialog() override;
    bool OnCommand(int id) override;
    bool OnNotify(int id, int code, long& result) override;
    void OnDestroy() override;

    // Handlers of the Add and Remove buttons.
    void OnAddRule();
    void OnRemoveRule();

    // Appends the rule's sentence to the Rules list and the rule to the working copy, which takes
    // it over. Null: nothing.
    void AddRuleToList(CRule* rule);
    // The sentence shown for a rule; "" for null.
    CString DescribeRule(const CRule* rule) const;
    // The tag and second text of a rule; with resolve, the second text is a destination key
    // replaced by that object's name. False, with the reason in text, when the key names nothing.
    bool PrepareRuleText(const CRule* rule, CString& text, CString& tag, CString& second,
                         bool resolve) const;

    const CRuleArray* GetWorkingRules() const { return m_pWorkingRules.get(); }

  protected:
    void DoDataExchange(CDataExchange& dx) override;
    void OnOK() override;

  private:
    void OnTagSelChanged(long& result);
    // Frees the key strings of the templates list and the tag strings of the tree.
    void FreeItemData();
    void FillTemplates();
    void FillTagTree(const CString& diagnostics);
    void FillRules();
    // The full tag name of the selected tree row, when a tag (not a namespace) row is selected.
    bool GetSelectedTag(CString& tag) const;
    // The key attached to the selected template row, when one is selected.
    bool GetSelectedTemplateKey(CString& key) const;

  public:
    IButton* m_btnAdd = nullptr;
    ITreeCtrl* m_treeTags = nullptr;
    IListBox* m_listRules = nullptr;
    IListBox* m_listTemplates = nullptr;
    CString m_strObjectName;
    int m_bValidationRule = 0;
    CString m_strParameters;
    CString m_strAction;
    IEditorScene* m_pScene = nullptr;
    CMetaDataSource* m_pSource = nullptr;
    RuleArrayPtr m_pWorkingRules;  // null without a source
};
