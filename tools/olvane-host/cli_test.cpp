// cli_test.cpp - parsing the command line.
#include "cli.h"

#include <gtest/gtest.h>

namespace olvane_host {
namespace {

TEST(ParseArguments, AcceptsBothOptionFormsAndFilesAnywhere) {
    const ParsedArguments p = ParseArguments(
        {"--plugin", "/opt/libolvane.so", "apply", "a.jpg", "--rules=r.xml", "--template",
         "title=Title", "-", "--template=n=Name=a=b", "--json", "--", "--odd-name.xmp"});
    ASSERT_EQ(p.error, "");
    const Options& o = p.options;
    EXPECT_EQ(o.command, Command::kApply);
    EXPECT_EQ(o.plugin, "/opt/libolvane.so");
    EXPECT_EQ(o.rules, "r.xml");
    EXPECT_TRUE(o.json);
    EXPECT_EQ(o.files, (std::vector<std::string>{"a.jpg", "-", "--odd-name.xmp"}));
    std::vector<std::string> templates;
    for (const auto& t : o.templates) {
        templates.insert(templates.end(), {t.key, t.name, t.value});
    }
    // Only the first two '=' split.
    EXPECT_EQ(templates, (std::vector<std::string>{"title", "Title", "", "n", "Name", "a=b"}));
}

TEST(ParseArguments, HelpWinsAndNamesItsCommand) {
    const ParsedArguments p = ParseArguments({"edit", "-h", "--bogus"});
    EXPECT_TRUE(p.options.help);
    EXPECT_NE(HelpText(p.options.command).find("Usage: olvane-host edit"), std::string::npos);
}

TEST(ParseArguments, UsageErrors) {
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        {{}, "no command given (show, apply or edit)"},
        {{"shwo", "a.xmp"}, "unknown command 'shwo' (show, apply or edit)"},
        {{"show", "--verbos", "a.xmp"}, "unknown option '--verbos'"},
        {{"apply", "--rules", "r", "--verbose", "a"}, "apply: --verbose is an option of show"},
        {{"show"}, "show: no input file given"},
        {{"show", "--rules", "r.xml", "a"},
         "show: --rules and --template are options of apply and edit"},
        {{"apply", "a.jpg"}, "apply: --rules RULES.xml is required"},
        {{"apply", "a.jpg", "--rules"}, "--rules needs a value"},
        {{"apply", "--rules", "a", "--rules", "b", "f"}, "--rules is given twice"},
        {{"apply", "--rules", "r", "-", "-"}, "apply: standard input (-) can be read only once"},
        {{"apply", "--rules", "r", "--template", "title", "f"},
         "--template title: expected KEY=NAME[=VALUE]"},
        {{"apply", "--rules", "r", "--template", "t=A", "--template", "t=B", "f"},
         "--template: the key t is given twice"},
        {{"apply", "--rules", "r", "--template", "olvane-host.packet=P", "f"},
         "--template: the key olvane-host.packet is reserved for the packet"},
        {{"edit", "--rules", "r", "a", "b"}, "edit: exactly one input file is needed"},
        {{"edit", "--rules", "r", "--json", "a"}, "edit: --json is an option of show and apply"},
    };
    for (const auto& [args, message] : cases) {
        EXPECT_EQ(ParseArguments(args).error, message);
    }
}

}  // namespace
}  // namespace olvane_host
