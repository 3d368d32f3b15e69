// rules_xml.h - the rules document: writer and reader.
#pragma once

#include <string>

#include "rules/rule.h"
#include "zev/element.h"

// The whole document for the rules, with encoding in the declaration's "utf-%d".
CString WriteRulesXML(const CRuleArray& rules, int encoding);

// Parses text; on success frees the rules first unless the low byte of append is set, then reads
// the rule elements of the document. A parse failure changes nothing.
void ReadRulesXML(CRuleArray& rules, const char16_t* text, int append);

// A new rule (type 1) from the element's tag / to / val attributes, or null for a null element.
CRule* RuleFromElement(zev::CElement* element);
bool GetStringAttribute(zev::CElement* element, const std::u16string& name, CString& out);
bool GetBoolAttribute(zev::CElement* element, const std::u16string& name, bool& out);
