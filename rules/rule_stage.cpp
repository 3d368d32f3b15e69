// rule_stage.cpp - CRuleStage.
#include "rules/rule_stage.h"

CRuleStage::CRuleStage(CRuleArray& target, bool keep) : m_Target(target), m_bKeep(keep) {
    if (keep) {
        // Same capacity as the target, so further growth takes the same steps.
        m_Slots.CopyStorage(target);
        m_nKept = target.GetSize();
    }
    m_Slots.SetGrowBy(target.GetGrowBy());
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
    m_Target.TakeStorage(m_Slots);
    m_nKept = 0;
}
