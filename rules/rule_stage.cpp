// rule_stage.cpp - RuleStage.
#include "rules/rule_stage.h"

RuleStage::RuleStage(CRuleArray& target, bool keep) : m_target(target), m_keep(keep) {
    if (keep) {
        // Same capacity as the target, so further growth takes the same steps.
        m_slots.CopyStorage(target);
        m_kept = target.GetSize();
    }
    m_slots.SetGrowBy(target.GetGrowBy());
}

RuleStage::~RuleStage() {
    for (INT_PTR i = m_kept; i < m_slots.GetSize(); ++i) {
        CRule* rule = m_slots[i];
        m_slots[i] = nullptr;
        delete rule;
    }
}

void RuleStage::Add(std::unique_ptr<CRule> rule) {
    m_slots.Add(rule.get());
    rule.release();
}

void RuleStage::Commit() {
    if (m_keep) {
        // The kept rules live on in the stage's copy of the slots; only the old storage goes.
        m_target.RemoveAll();
    } else {
        FreeRuleArray(&m_target);
    }
    m_target.TakeStorage(m_slots);
    m_kept = 0;
}
