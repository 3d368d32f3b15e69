// apply.cpp - the apply command: the evaluated rules carried out as a host carries them out.
#include <strings.h>

#include <nlohmann/json.hpp>

#include "checks.h"
#include "commands.h"
#include "host_scene.h"
#include "input_files.h"
#include "packet_report.h"
#include "progress.h"
#include "rules_file.h"
#include "table.h"
#include "text.h"

namespace olvane_host {

namespace {

constexpr size_t kValueWidth = 40;

struct AppliedRule {
    RuleRecord stored;     // as written: the tag and the type even when the tag did not resolve
    RuleRecord evaluated;  // as ParseRules handed it over
    RuleResult result;
};

struct FileReport {
    std::string name;
    std::vector<AppliedRule> rules;
    std::vector<NamespaceRecord> namespaces;
    Destinations values;
    size_t validations = 0;
    size_t validationsFailed = 0;
};

// "prefix:name" for a tag whose namespace the packet declares, else the tag as it is. The tag is
// split as the plug-in splits it: at the first colon from index 5 on, so a URI scheme is passed.
std::string ShortTag(const std::string& tag, const std::vector<NamespaceRecord>& namespaces) {
    const size_t colon = tag.size() > 5 ? tag.find(':', 5) : std::string::npos;
    if (colon == std::string::npos) {
        return tag;
    }
    const std::string uri = tag.substr(0, colon);
    for (const NamespaceRecord& ns : namespaces) {
        if (ns.uri.size() == uri.size() && ::strcasecmp(ns.uri.c_str(), uri.c_str()) == 0) {
            return ns.prefix + tag.substr(colon);
        }
    }
    return tag;
}

std::string Quoted(const std::string& text) {
    return "\"" + Ellipsize(EscapeControls(text), kValueWidth) + "\"";
}

std::string Sentence(const RuleRecord& rule, const std::string& tag) {
    const std::string action(RuleTypeName(rule.type));
    if (rule.type == OLVANE_RULE_PUSH) {
        return "push " + tag + " -> " + rule.second;
    }
    if (IsDestinationForm(rule.type)) {
        return tag + " " + action + " template " + rule.second;
    }
    return tag + " " + action + " " + Quoted(rule.second);
}

std::string OutcomeText(const AppliedRule& rule) {
    std::string text;
    switch (rule.result.outcome) {
        case Outcome::kPushed:
            text = "pushed";
            break;
        case Outcome::kPassed:
            text = "passed";
            break;
        case Outcome::kFailed:
            text = rule.stored.validation ? "FAILED" : "failed";
            break;
    }
    if (rule.stored.validation) {
        text += " (validation)";
    }
    if (!rule.result.reason.empty()) {
        text += ": " + rule.result.reason;
    }
    return text;
}

std::string_view OutcomeName(Outcome outcome) {
    switch (outcome) {
        case Outcome::kPushed:
            return "pushed";
        case Outcome::kPassed:
            return "passed";
        default:
            return "failed";
    }
}

void PrintReport(Io& io, const FileReport& report, const std::vector<TemplateSpec>& templates) {
    io.out << report.name << '\n';
    if (report.rules.empty()) {
        io.out << "  (no rules)\n";
    } else {
        Table table;
        table.Add({"#", "rule", "value", "outcome"});
        for (size_t i = 0; i < report.rules.size(); ++i) {
            const AppliedRule& rule = report.rules[i];
            const bool resolved = rule.evaluated.type != OLVANE_RULE_UNRESOLVED;
            table.Add({std::to_string(i + 1),
                       Sentence(rule.stored, ShortTag(rule.stored.first, report.namespaces)),
                       resolved ? Quoted(rule.evaluated.first) : "(no value)", OutcomeText(rule)});
        }
        table.Print(io.out, "  ");
    }
    if (!templates.empty()) {
        io.out << "  templates:\n";
        Table table;
        for (const TemplateSpec& t : templates) {
            table.Add({t.key, t.name, Quoted(report.values.at(t.key))});
        }
        table.Print(io.out, "    ");
    }
    if (report.validationsFailed > 0) {
        io.out << "  result: FAILED (" << report.validationsFailed << " of " << report.validations
               << " validation rules failed)\n";
    } else {
        io.out << "  result: passed (" << report.validations << " validation rules)\n";
    }
}

nlohmann::ordered_json ToJson(nlohmann::ordered_json json, const FileReport& report,
                              const std::vector<TemplateSpec>& templates) {
    nlohmann::ordered_json rules = nlohmann::ordered_json::array();
    for (size_t i = 0; i < report.rules.size(); ++i) {
        const AppliedRule& rule = report.rules[i];
        const bool resolved = rule.evaluated.type != OLVANE_RULE_UNRESOLVED;
        rules.push_back({
            {"index", i + 1},
            {"type", RuleTypeName(rule.stored.type)},
            {"code", rule.stored.type},
            {"tag", rule.stored.first},
            {"resolved", resolved},
            {"value", resolved ? nlohmann::ordered_json(rule.evaluated.first) : nullptr},
            {"argument", rule.stored.second},
            {"validation", rule.stored.validation},
            {"outcome", OutcomeName(rule.result.outcome)},
            {"reason", rule.result.reason},
        });
    }
    nlohmann::ordered_json values = nlohmann::ordered_json::object();
    for (const TemplateSpec& t : templates) {
        values[t.key] = report.values.at(t.key);
    }
    json["rules"] = std::move(rules);
    json["templates"] = std::move(values);
    json["passed"] = report.validationsFailed == 0;
    return json;
}

// Reads and decodes the rules file and makes sure the plug-in reads rules from it.
bool LoadRules(const Options& options, const PluginApi& api, std::u16string& rules, Io& io) {
    std::string bytes;
    std::string error;
    bool missing = false;
    if (!ReadTextFile(options.rules, bytes, error, missing) ||
        !DecodeRulesText(bytes, rules, error)) {
        ReportError(io, options.rules, error);
        return false;
    }
    HostScene probe(api);
    probe.SetPacket("", "rules check");
    probe.SetRulesXml(rules);
    if (probe.Rules().empty() && LooksUnread(rules)) {
        ReportError(io, options.rules,
                    "no rule could be read (is it a well-formed rules document?)");
        return false;
    }
    return true;
}

FileReport ApplyTo(HostScene& scene, const Options& options, const std::string& name,
                   const std::string& packet, const std::u16string& rules) {
    FileReport report;
    report.name = name;
    for (const TemplateSpec& t : options.templates) {
        scene.AddTemplate(t);
        report.values[t.key] = t.value;
    }
    scene.SetPacket(packet, name);
    scene.SetRulesXml(rules);
    std::vector<RuleRecord> stored = scene.Rules();
    std::vector<RuleRecord> evaluated = scene.ParsedRules();
    if (stored.size() != evaluated.size()) {
        throw PluginError("GetRules and ParseRules disagree on the number of rules");
    }
    report.namespaces = scene.Namespaces();
    for (size_t i = 0; i < stored.size(); ++i) {
        AppliedRule rule{std::move(stored[i]), std::move(evaluated[i]), {}};
        rule.result = CarryOut(rule.evaluated.type, rule.evaluated.first, rule.evaluated.second,
                               report.values);
        if (rule.stored.validation) {
            ++report.validations;
            if (rule.result.outcome == Outcome::kFailed) {
                ++report.validationsFailed;
            }
        }
        report.rules.push_back(std::move(rule));
    }
    return report;
}

}  // namespace

int RunApply(const Options& options, const PluginApi& api, Io& io) {
    std::u16string rules;
    if (!LoadRules(options, api, rules, io)) {
        return kExitUnreadable;
    }
    bool unreadable = false;
    bool failed = false;
    bool printed = false;
    Progress progress(io, options.files.size());
    for (size_t i = 0; i < options.files.size(); ++i) {
        FileInput input(options.files[i], options, io, progress);
        progress.Step(i, input.Name());
        if (!input.Read()) {
            unreadable = true;
            continue;
        }
        HostScene scene(api);
        const FileReport report =
            ApplyTo(scene, options, input.Name(), input.Choice().packet, rules);
        failed = failed || report.validationsFailed > 0;
        unreadable = input.Report(scene) != kExitOk || unreadable;
        if (options.json) {
            io.out << Dump(ToJson(input.JsonStart(scene), report, options.templates)) << '\n';
            continue;
        }
        if (printed) {
            io.out << '\n';
        }
        printed = true;
        PrintReport(io, report, options.templates);
    }
    progress.Summary();
    if (unreadable) {
        return kExitUnreadable;
    }
    return failed ? kExitValidationFailed : kExitOk;
}

}  // namespace olvane_host
