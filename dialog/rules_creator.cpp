// rules_creator.cpp - CRulesCreator: construction, data exchange, the Add and Remove handlers, OK
// and the freeing of item data.
#include "dialog/rules_creator.h"

#include <memory>

#include "dialog/rules_dialog_template.h"

const CString g_strNamespacePlaceholder(u"*** Namespace Placeholder");

CRulesCreator::CRulesCreator() : CDialog(RulesDialogTemplate()) {}

void CRulesCreator::SetScene(IEditorScene* scene, const CString& key) {
    m_pScene = scene;
    if (scene != nullptr) {
        CMetaDataSource* source = scene->FindMetaDataSource(key);
        if (source != nullptr) {
            m_pSource = source;
            m_pWorkingRules = source->CloneRules();
            return;
        }
    }
    m_pScene = nullptr;
}

void CRulesCreator::DoDataExchange(CDataExchange& dx) {
    CDialog::DoDataExchange(dx);
    DDX_Control(dx, IDC_ADD, m_btnAdd);
    DDX_Control(dx, IDC_TAGS, m_treeTags);
    DDX_Control(dx, IDC_RULES, m_listRules);
    DDX_Control(dx, IDC_TEMPLATES, m_listTemplates);
    DDX_Text(dx, IDC_OBJECT_NAME, m_strObjectName);
    DDX_Check(dx, IDC_VALIDATION, m_bValidationRule);
    DDX_Text(dx, IDC_PARAMETERS, m_strParameters);
    DDX_CBString(dx, IDC_ACTION, m_strAction);
}

bool CRulesCreator::OnCommand(int id) {
    switch (id) {
        case IDC_ADD:
            OnAddRule();
            return true;
        case IDC_REMOVE:
            OnRemoveRule();
            return true;
        default:
            return CDialog::OnCommand(id);
    }
}

bool CRulesCreator::OnNotify(int id, int code, long& result) {
    if (id == IDC_TAGS && code == TVN_SELCHANGED) {
        OnTagSelChanged(result);
        return true;
    }
    return CDialog::OnNotify(id, code, result);
}

void CRulesCreator::OnTagSelChanged(long& result) {
    result = 0;
}

void CRulesCreator::OnDestroy() {
    FreeItemData();
    CDialog::OnDestroy();
    // The controls go with the window.
    m_btnAdd = nullptr;
    m_treeTags = nullptr;
    m_listRules = nullptr;
    m_listTemplates = nullptr;
}

bool CRulesCreator::GetSelectedTag(CString& tag) const {
    if (m_treeTags == nullptr) {
        return false;
    }
    HTREEITEM item = m_treeTags->GetSelectedItem();
    if (item == nullptr) {
        return false;
    }
    const auto* data = static_cast<const CString*>(m_treeTags->GetItemData(item));
    if (data == nullptr || *data == g_strNamespacePlaceholder) {
        return false;
    }
    tag = *data;
    return true;
}

bool CRulesCreator::GetSelectedTemplateKey(CString& key) const {
    if (m_listTemplates == nullptr) {
        return false;
    }
    const int row = m_listTemplates->GetCurSel();
    if (row == LB_ERR) {
        return false;
    }
    const auto* data = static_cast<const CString*>(m_listTemplates->GetItemDataPtr(row));
    if (data == nullptr) {
        return false;
    }
    key = *data;
    return true;
}

void CRulesCreator::OnAddRule() {
    UpdateData(TRUE);

    CString tag;
    CString key;
    auto rule = std::make_unique<CRule>();
    if (m_strAction == u"Push") {
        const bool haveKey = GetSelectedTemplateKey(key);
        if (!GetSelectedTag(tag)) {
            MessageBox(u"Must select a tag", MB_OK);
            return;
        }
        if (!haveKey) {
            MessageBox(u"Must select a destination", MB_OK);
            return;
        }
        rule->SetPush(tag, key);
    } else if (m_strAction == u"Equals" || m_strAction == u"Not Equal" ||
               m_strAction == u"Contains" || m_strAction == u"Doesn't Contain") {
        const bool tagValid = GetSelectedTag(tag);
        // Typed text wins over the template list.
        const bool useText = !m_strParameters.IsEmpty();
        const bool haveKey = !useText && GetSelectedTemplateKey(key);
        if (!tagValid) {
            MessageBox(u"Must select a tag", MB_OK);
            return;
        }
        if (!useText && !haveKey) {
            MessageBox(u"Must select a destination", MB_OK);
            return;
        }
        if (m_strAction == u"Equals") {
            useText ? rule->SetEqualsStr(tag, m_strParameters) : rule->SetEqualsDest(tag, key);
        } else if (m_strAction == u"Not Equal") {
            useText ? rule->SetNotEqualStr(tag, m_strParameters) : rule->SetNotEqualDest(tag, key);
        } else if (m_strAction == u"Contains") {
            useText ? rule->SetContainsStr(tag, m_strParameters) : rule->SetContainsDest(tag, key);
        } else {
            useText ? rule->SetWithoutStr(tag, m_strParameters) : rule->SetWithoutDest(tag, key);
        }
    } else if (m_strAction == u"Is One Of") {
        if (!GetSelectedTag(tag)) {
            MessageBox(u"Must select a tag", MB_OK);
            return;
        }
        if (m_strParameters.IsEmpty()) {
            MessageBox(u"Must enter some comma-seperated values", MB_OK);
            return;
        }
        rule->SetIsOneOf(tag, m_strParameters);
    } else {
        MessageBox(u"Cannot Add that rule. (Not Implemented)", MB_OK);
        return;
    }

    rule->m_bValidation = m_bValidationRule != 0;
    AddRuleToList(rule.release());
}

void CRulesCreator::AddRuleToList(CRule* rule) {
    if (rule == nullptr) {
        return;
    }
    std::unique_ptr<CRule> owned(rule);
    // Without a source there is no working copy to take the rule.
    if (m_pWorkingRules == nullptr || m_listRules == nullptr) {
        return;
    }
    const CString sentence = DescribeRule(rule);
    // The working copy owns the rule from here on; a row never points at a rule it does not hold.
    m_pWorkingRules->Add(rule);
    static_cast<void>(owned.release());
    const int row = m_listRules->AddString(sentence);
    m_listRules->SetItemDataPtr(row, rule);
}

void CRulesCreator::OnRemoveRule() {
    if (m_listRules == nullptr || m_pWorkingRules == nullptr) {
        return;
    }
    const int row = m_listRules->GetCurSel();
    if (row == LB_ERR) {
        return;
    }
    auto* rule = static_cast<CRule*>(m_listRules->GetItemDataPtr(row));
    for (INT_PTR i = 0; i < m_pWorkingRules->GetSize(); ++i) {
        if (m_pWorkingRules->GetAt(i) == rule) {
            m_pWorkingRules->RemoveAt(i);
            m_listRules->DeleteString(row);
            delete rule;
            return;
        }
    }
}

void CRulesCreator::OnOK() {
    if (m_pWorkingRules != nullptr && m_pSource != nullptr) {
        m_pSource->CopyRules(m_pWorkingRules.get());
    }
    CDialog::OnOK();
}

void CRulesCreator::FreeItemData() {
    if (m_listTemplates != nullptr) {
        const int count = m_listTemplates->GetCount();
        for (int i = 0; i < count; ++i) {
            delete static_cast<CString*>(m_listTemplates->GetItemDataPtr(i));
            m_listTemplates->SetItemDataPtr(i, nullptr);
        }
    }
    if (m_treeTags != nullptr) {
        for (HTREEITEM ns = m_treeTags->GetRootItem(); ns != nullptr;
             ns = m_treeTags->GetNextSiblingItem(ns)) {
            if (!m_treeTags->ItemHasChildren(ns)) {
                continue;
            }
            for (HTREEITEM tag = m_treeTags->GetChildItem(ns); tag != nullptr;
                 tag = m_treeTags->GetNextSiblingItem(tag)) {
                delete static_cast<CString*>(m_treeTags->GetItemData(tag));
                m_treeTags->SetItemData(tag, nullptr);
            }
        }
    }
}
