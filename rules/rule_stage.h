// rule_stage.h - RuleStage: a rule list built aside and published in one step that cannot fail.
#pragma once

#include <memory>

#include "rules/rule.h"

// Everything that can fail (clones, storage) happens on the stage; the target only changes in
// Commit, which allocates nothing. Growth follows the target's own step, so the published array
// ends up with the capacity it would have had if the rules had been added to it directly.
class RuleStage {
  public:
    // keep: start from the target's current rules (to append to them); otherwise start empty (to
    // replace them).
    RuleStage(CRuleArray& target, bool keep);
    // Deletes the rules the stage added if it was not committed.
    ~RuleStage();
    RuleStage(const RuleStage&) = delete;
    RuleStage& operator=(const RuleStage&) = delete;

    void Add(std::unique_ptr<CRule> rule);
    // Storage for count more Adds at once, with the capacity those Adds would have reached.
    void ReserveForAdds(INT_PTR count) { m_slots.ReserveForAdds(m_slots.GetSize() + count); }
    // Slots at index Kept() and above belong to the stage until Commit; a caller may size the
    // array and fill those slots directly.
    CRuleArray& Slots() { return m_slots; }
    INT_PTR Kept() const { return m_kept; }

    // Replacing: deletes the target's old rules. Then the target takes the stage's storage.
    void Commit();

  private:
    CRuleArray& m_target;
    CRuleArray m_slots;
    INT_PTR m_kept = 0;
    bool m_keep;
};
