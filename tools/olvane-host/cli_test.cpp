// cli_test.cpp - parsing the command line.
#include "cli.h"

#include <gtest/gtest.h>

#include <iterator>
#include <sstream>

#include "tests/support/test_support.h"

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

// The list of tools/olvane-host/README.md: "ARGUMENTS => the message".
TEST(ParseArguments, UsageErrors) {
    const olvane_test::CaseChecks checks(OLVANE_SOURCE_DIR "/tools/olvane-host/README.md");
    const std::vector<std::string> cases = checks.All("usage-error");
    EXPECT_EQ(cases.size(), 15u);
    for (const std::string& c : cases) {
        std::istringstream words(c.substr(0, c.find("=> ")));
        const std::vector<std::string> args{std::istream_iterator<std::string>(words), {}};
        EXPECT_EQ(ParseArguments(args).error, c.substr(c.find("=> ") + 3)) << c;
    }
}

}  // namespace
}  // namespace olvane_host
