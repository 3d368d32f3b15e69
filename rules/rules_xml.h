// rules_xml.h - the rules document: writer and reader.
#pragma once

#include <string>

#include "rules/rule.h"
#include "zev/element.h"
#include "zev/sax_dual_handler.h"

// The whole document for the rules, with encoding in the declaration's "utf-%d".
CString WriteRulesXML(const CRuleArray& rules, int encoding);

// The part of the host's BOOL append that counts: its low byte.
constexpr int kAppendByte = 0xFF;

// Parses text; on success frees the rules first unless append & kAppendByte is set, then reads
// the rule elements of the document. A parse failure changes nothing. The rules come straight
// from the reader's events, as reading the document's element tree with ReadRules would give them
// (events: which the reader is asked for, zev/sax_dual_handler.h).
void ReadRulesXML(CRuleArray& rules, const char16_t* text, int append,
                  zev::SaxEvents events = zev::SaxEvents::kUtf8WhereOffered);

// Appends the rules read from the children of a "Pavex-MetaData-Rules" element; other roots:
// nothing.
void ReadRules(CRuleArray& rules, zev::CElement* element);
// A new rule (type 1) from the element's tag / to / val attributes, or null for a null element.
CRule* RuleFromElement(zev::CElement* element);
bool GetStringAttribute(zev::CElement* element, const std::u16string& name, CString& out);
bool GetBoolAttribute(zev::CElement* element, const std::u16string& name, bool& out);
