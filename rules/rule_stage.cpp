// rule_stage.cpp - CRuleStage.
#include "rules/rule_stage.h"

#include <cstring>

CRuleStage::CRuleStage(CRuleArray& target, bool keep) : m_Target(target), m_bKeep(keep) {
    if (keep && target.m_nMaxSize > 0) {
        // Same capacity as the target, so further growth takes the same steps.
        m_Slots.SetSize(target.m_nMaxSize, 0);
        std::memcpy(static_cast<void*>(m_Slots.GetData()), target.GetData(),
                    sizeof(CRule*) * static_cast<size_t>(target.GetSize()));
        m_Slots.m_nSize = target.GetSize();
        m_nKept = target.GetSize();
    }
    m_Slots.m_nGrowBy = target.m_nGrowBy;
}

CRuleStage::~CRuleStage() {
    for (INT_PTR i = m_nKept; i < m_Slots.GetSize(); ++i) {
        CRule* rule = m_Slots[i];
        m_Slots[i] = nullptr;
        delete rule;
    }
}

void CRuleStage::Add(std::unique_ptr<CRule> rule) {
    m_Slots.Add(rule.get());
    rule.release();
}

void CRuleStage::Commit() {
    if (m_bKeep) {
        // The kept rules live on in the stage's copy of the slots; only the old storage goes.
        m_Target.RemoveAll();
    } else {
        FreeRuleArray(&m_Target);
    }
    m_Target.m_pData = m_Slots.m_pData;
    m_Target.m_nSize = m_Slots.m_nSize;
    m_Target.m_nMaxSize = m_Slots.m_nMaxSize;
    m_Slots.m_pData = nullptr;
    m_Slots.m_nSize = 0;
    m_Slots.m_nMaxSize = 0;
    m_nKept = 0;
}
