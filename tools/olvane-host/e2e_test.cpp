// e2e_test.cpp - the whole program on the bundled samples and test files, against the real
// plug-in: apply as a table and as JSON, show on each file format, warnings and exit codes.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "run.h"
#include "tests/support/test_support.h"

namespace {

using nlohmann::json;

const std::string kSamples = OLVANE_HOST_SAMPLES;
const std::string kTestdata = OLVANE_HOST_TESTDATA;

struct Result {
    int status;
    std::string out;
    std::string err;
};

Result Host(std::vector<std::string> args) {
    std::ostringstream out;
    std::ostringstream err;
    olvane_host::Io io{out, err, false};
    if (args[0] != "--plugin") {
        args.insert(args.begin(), {"--plugin", OLVANE_PLUGIN_PATH});
    }
    const int status = olvane_host::Run(args, io);
    return {status, out.str(), err.str()};
}

json Line(const std::string& text, size_t index) {
    std::istringstream in(text);
    std::string line;
    for (size_t i = 0; i <= index; ++i) {
        std::getline(in, line);
    }
    return json::parse(line);
}

TEST(Program, AppliesRulesAsATableAndAsJson) {
    const Result table = Host({"apply", "--rules", kSamples + "/rules.xml", "--template",
                               "title=Title", "--template", "tool=Tool", "--template",
                               "author=Author=Jane Example", kSamples + "/harbour.jpg"});
    EXPECT_EQ(table.status, 0) << table.err;
    EXPECT_NE(table.out.find("push dc:title -> title"), std::string::npos) << table.out;
    EXPECT_NE(table.out.find("result: passed (3 validation rules)"), std::string::npos);

    // Pushes land in order and checks see what was pushed; a pushed validation rule passes, a
    // failed one fails the run, an unresolved tag fails.
    const std::string rules = olvane_test::DataPath("rules/pushes-and-checks.xml");
    const Result r = Host(
        {"apply", "--json", "--rules", rules, "--template", "t=T=old", kSamples + "/harbour.xmp"});
    EXPECT_EQ(r.status, 1) << r.err;
    const json report = Line(r.out, 0);
    json outcomes = json::array();
    for (const json& rule : report["rules"]) {
        outcomes.push_back(rule["outcome"]);
    }
    EXPECT_EQ(outcomes, json({"pushed", "passed", "passed", "failed", "failed"}));
    EXPECT_EQ(report["templates"], json({{"t", "Harbour at dawn"}}));
    EXPECT_EQ(report["rules"][3]["reason"], "differs from \"Dusk\"");
    EXPECT_EQ(report["rules"][4]["reason"], "the tag has no value");
    EXPECT_EQ(report["passed"], false);
    const Result counted =
        Host({"apply", "--rules", rules, "--template", "t=T", kSamples + "/harbour.xmp"});
    EXPECT_NE(counted.out.find("result: FAILED (1 of 3 validation rules failed)"),
              std::string::npos)
        << counted.out;
}

TEST(Program, ExitCodesNameWhatWentWrong) {
    olvane_test::TempDir dir;
    olvane_test::WriteFile(dir / "plain.jpg", "\xFF\xD8\xFF\xD9");
    Result r =
        Host({"apply", "--json", "--rules", kSamples + "/rules.xml", kSamples + "/harbour.xmp",
              dir / "missing.xmp", dir / "plain.jpg", dir.path().string()});
    EXPECT_EQ(r.status, 3);  // the other files are still handled
    EXPECT_EQ(Line(r.out, 0)["rules"][0]["reason"], "no template \"title\"");  // a push
    EXPECT_EQ(Line(r.out, 1)["error"], "No such file or directory");
    EXPECT_EQ(Line(r.out, 2)["error"], "no XMP packet found");
    EXPECT_EQ(Line(r.out, 3)["error"], "Is a directory");
    // Not on a terminal: no progress line, and the summary last.
    EXPECT_EQ(r.err.find('\r'), std::string::npos);
    EXPECT_TRUE(
        r.err.ends_with("\nolvane-host: 4 files, packets found: 1, unreadable: 0, "
                        "without a packet: 1, not read: 2\n"))
        << r.err;
    olvane_test::WriteFile(dir / "bad.xml", "<Pavex-MetaData-Rules><DataPush");
    r = Host({"apply", "--rules", dir / "bad.xml", kSamples + "/harbour.xmp"});
    EXPECT_EQ(r.status, 3);
    EXPECT_NE(r.err.find("no rule could be read"), std::string::npos) << r.err;
    EXPECT_EQ(Host({"apply", kSamples + "/harbour.xmp"}).status, 2);
    r = Host({"--plugin", dir / "none.so", "show", kSamples + "/harbour.xmp"});
    EXPECT_EQ(r.status, 4);
    EXPECT_NE(r.err.find("cannot use the plug-in"), std::string::npos);
}

// The test files of make_testdata.py, each with its own title, as the check block of
// testdata/README.md lists them: "file | packet from | title | packets a scan of the file finds".
TEST(Program, EachTestFileGivesTheValuesOfTheFilesOwnPacket) {
    const olvane_test::CaseChecks checks(kTestdata + "/README.md");
    std::vector<std::string> cases = checks.All("file");
    cases.push_back(checks.One(OLVANE_HOST_READS_PDF ? "with-qpdf" : "without-qpdf"));
    ASSERT_EQ(cases.size(), 11u);
    std::vector<std::string> args{"show", "--json", "--verbose"};
    for (const std::string& c : cases) {
        args.push_back(kTestdata + "/" + c.substr(0, c.find(" | ")));
    }
    const Result r = Host(args);
    EXPECT_EQ(r.status, 0) << r.err;
    for (size_t i = 0; i < cases.size(); ++i) {
        SCOPED_TRACE(cases[i]);
        const json line = Line(r.out, i);
        std::map<std::string, json> values;
        for (const json& ns : line["namespaces"]) {
            values[ns["prefix"]] = ns["values"];
        }
        const std::string found = std::to_string(line["packets_found"].get<uint64_t>());
        EXPECT_EQ(line["file"].get<std::string>().substr(kTestdata.size() + 1) + " | " +
                      line["packet"]["from"].get<std::string>() + " | " +
                      values["dc"]["title"].get<std::string>() + " | " + found,
                  cases[i]);
        EXPECT_EQ(line["status"], "read");
        // The extension's Descriptions are read in the same packet as the main one's.
        const bool extended = cases[i].starts_with("extended.jpg");
        if (extended) {
            const std::string text = values["dc"]["description"];
            EXPECT_EQ(text.size(), 3000 * 35 - 1);  // "Line 0000 of the long description." ...
            EXPECT_TRUE(
                text.ends_with("\nLine 2998 of the long description.\nLine 2999 of the "
                               "long description."));
        }
        EXPECT_EQ(line["warnings"].size(), extended ? 1u : 0u);
    }
    const Result table = Host({"show", "--verbose", kTestdata + "/two-packets.avi"});
    EXPECT_NE(table.out.find("  packet: RIFF _PMX chunk, the last of 2, at byte "),
              std::string::npos)
        << table.out;
    EXPECT_NE(table.out.find("  packets found by scanning: 2\n    at byte "), std::string::npos);
}

TEST(Program, ThePluginsMessageBecomesAWarningOfTheUnreadableFile) {
    const std::string unreadable = kTestdata + "/invalid-utf8.xmp";
    const std::string message =
        "plug-in: ERROR - MultiByteToWideChar - Invalid character found in source string.. "
        "(0x459)";
    const Result r = Host({"apply", "--json", "--rules", kSamples + "/rules.xml",
                           kSamples + "/harbour.jpg", unreadable});
    EXPECT_EQ(r.status, 3) << r.err;
    EXPECT_EQ(Line(r.out, 0)["status"], "read");
    EXPECT_EQ(Line(r.out, 1)["status"], "unreadable");
    EXPECT_EQ(Line(r.out, 1)["warnings"], json({message}));
    EXPECT_NE(r.err.find("olvane-host: 2 files, packets found: 2, unreadable: 1, without a "
                         "packet: 0\n"),
              std::string::npos)
        << r.err;
    // In the table the message goes to standard error, and the file says why it shows nothing.
    const Result table = Host({"show", unreadable});
    EXPECT_EQ(table.status, 3);
    EXPECT_EQ(table.out, unreadable + "\n  packet: sidecar (the whole file), at byte 0 (" +
                             std::to_string(std::filesystem::file_size(unreadable)) +
                             " bytes)\n  packet unreadable\n");
    EXPECT_EQ(table.err, "olvane-host: " + unreadable + ": " + message + "\n");
}

}  // namespace
