// rules_creator_init.cpp - CRulesCreator::OnInitDialog: filling the templates list, the tag tree
// and the Rules list when the editor opens.
#include "dialog/rules_creator.h"

#include <memory>
#include <vector>

#include "metadata/destination.h"
#include "metadata/meta_data.h"

namespace {

// Deletes the copied destinations however the fill ends.
class TemporaryScene {
  public:
    TemporaryScene() = default;
    ~TemporaryScene() { RemoveAllDestinations(m_map); }
    TemporaryScene(const TemporaryScene&) = delete;
    TemporaryScene& operator=(const TemporaryScene&) = delete;
    CDestinationMap m_map;
};

}  // namespace

BOOL CRulesCreator::OnInitDialog() {
    CDialog::OnInitDialog();

    if (m_pScene == nullptr || m_pSource == nullptr) {
        MessageBox(u"Scene is invalid!", MB_OK);
        return TRUE;
    }

    FillTemplates();

    CString diagnostics;
    diagnostics.Format(u"\nScene ID = %d\nGUID = %s", m_pScene->GetSceneID(),
                       m_pSource->GetKey().GetString());
    FillTagTree(diagnostics);

    FillRules();

    m_strObjectName = m_pSource->GetName();
    m_strAction = u"Push";
    UpdateData(FALSE);
    return TRUE;
}

void CRulesCreator::FillTemplates() {
    if (m_listTemplates == nullptr) {
        return;
    }
    // The scene copies only its template destinations; metadata sources are not offered.
    TemporaryScene copy;
    m_pScene->CopyScene(copy.m_map);
    POSITION pos = copy.m_map.GetStartPosition();
    while (pos != nullptr) {
        const auto* entry = copy.m_map.GetNextAssocPtr(pos);
        auto key = std::make_unique<CString>(entry->key);
        const int row = m_listTemplates->AddString(entry->value->GetName());
        m_listTemplates->SetItemDataPtr(row, key.release());
    }
}

void CRulesCreator::FillTagTree(const CString& diagnostics) {
    if (m_treeTags == nullptr) {
        return;
    }
    POSITION pos = m_pSource->GetFirstNamespacePosition();
    if (pos == nullptr) {
        MessageBox(CString(u"No tags are available!") + diagnostics, MB_OK | MB_TOPMOST);
        return;
    }
    CString prefix;
    CString uri;
    while (pos != nullptr && m_pSource->GetNextNamespace(pos, prefix, uri)) {
        CString text;
        text.Format(u"%s (%s)", prefix.GetString(), uri.GetString());
        HTREEITEM ns = m_treeTags->InsertItem(text, nullptr);
        m_treeTags->SetItemData(ns, const_cast<CString*>(&g_strNamespacePlaceholder));

        const CMetaData* group = m_pSource->FindMetaDataByPrefix(prefix);
        if (group == nullptr) {
            continue;
        }
        // The group's texts are NUL-terminated.
        group->m_Values.ForEach([&](const ValueMap::Entry& entry) {
            text.Format(u"  %s (%s)", entry.key().data(), entry.value().data());
            auto tag = std::make_unique<CString>();
            tag->Format(u"%s:%s", uri.GetString(), entry.key().data());
            HTREEITEM row = m_treeTags->InsertItem(text, ns);
            m_treeTags->SetItemData(row, tag.release());
        });
        m_treeTags->Expand(ns);
    }
}

void CRulesCreator::FillRules() {
    if (m_listRules == nullptr || m_pWorkingRules == nullptr) {
        return;
    }
    std::vector<CString> sentences;
    sentences.reserve(static_cast<size_t>(m_pWorkingRules->GetSize()));
    for (INT_PTR i = 0; i < m_pWorkingRules->GetSize(); ++i) {
        CRule* rule = m_pWorkingRules->GetAt(i);
        sentences.push_back(DescribeRule(rule));
        const int row = m_listRules->AddString(sentences.back());
        m_listRules->SetItemDataPtr(row, rule);
    }
    const int widest = m_listRules->GetWidestTextExtent(sentences);
    // Only grows, and only here: rules added later do not widen it.
    if (widest > m_listRules->GetHorizontalExtent()) {
        m_listRules->SetHorizontalExtent(widest);
    }
}
