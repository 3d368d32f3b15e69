// e2e_test.cpp - the whole program on the bundled samples, against the real plug-in: apply as a
// table and as JSON, show on a sidecar, a JPEG and standard input, and the exit codes.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "run.h"
#include "tests/support/test_support.h"

namespace {

using nlohmann::json;

const std::string kSamples = OLVANE_HOST_SAMPLES;

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
    olvane_test::TempDir dir;
    const std::string dc = "tag=\"http://purl.org/dc/elements/1.1/:";
    olvane_test::WriteFile(
        dir / "r.xml", "<Pavex-MetaData-Rules><DataPush " + dc +
                           "title\" to=\"t\" val=\"true\"/>"
                           "<DataEqualsDest " +
                           dc +
                           "title\" to=\"t\" val=\"true\"/>"
                           "<DataIsOneOf tag=\"http://ns.adobe.com/xap/1.0/:Rating\" to=\"1, 3\"/>"
                           "<DataEqualsStr " +
                           dc +
                           "title\" to=\"Dusk\" val=\"true\"/>"
                           "<DataPush " +
                           dc + "none\" to=\"t\"/></Pavex-MetaData-Rules>");
    const Result r = Host({"apply", "--json", "--rules", dir / "r.xml", "--template", "t=T=old",
                           kSamples + "/harbour.xmp"});
    EXPECT_EQ(r.status, 1) << r.err;
    const json report = Line(r.out, 0);
    std::vector<std::string> outcomes;
    for (const json& rule : report["rules"]) {
        outcomes.push_back(rule["outcome"]);
    }
    EXPECT_EQ(outcomes,
              (std::vector<std::string>{"pushed", "passed", "passed", "failed", "failed"}));
    EXPECT_EQ(report["templates"], json({{"t", "Harbour at dawn"}}));
    EXPECT_EQ(report["rules"][3]["reason"], "differs from \"Dusk\"");
    EXPECT_EQ(report["rules"][4]["reason"], "the tag has no value");
    EXPECT_EQ(report["passed"], false);
    const Result counted =
        Host({"apply", "--rules", dir / "r.xml", "--template", "t=T", kSamples + "/harbour.xmp"});
    EXPECT_NE(counted.out.find("result: FAILED (1 of 3 validation rules failed)"),
              std::string::npos)
        << counted.out;
}

TEST(Program, ShowsTheSamePacketFromASidecarAJpegAndStandardInput) {
    const Result sidecar = Host({"show", "--json", kSamples + "/harbour.xmp"});
    ASSERT_EQ(sidecar.status, 0) << sidecar.err;
    const json expected = Line(sidecar.out, 0)["namespaces"];
    ASSERT_EQ(expected.size(), 3u);
    EXPECT_EQ(Line(Host({"show", "--json", kSamples + "/harbour.jpg"}).out, 0)["namespaces"],
              expected);
    const Result table = Host({"show", kSamples + "/harbour.xmp"});
    EXPECT_NE(table.out.find("  xmpRights  http://ns.adobe.com/xap/1.0/rights/\n"),
              std::string::npos)
        << table.out;
}

TEST(Program, ExitCodesNameWhatWentWrong) {
    olvane_test::TempDir dir;
    olvane_test::WriteFile(dir / "plain.jpg", "\xFF\xD8\xFF\xD9");
    Result r = Host({"apply", "--json", "--rules", kSamples + "/rules.xml",
                     kSamples + "/harbour.xmp", dir / "missing.xmp", dir / "plain.jpg"});
    EXPECT_EQ(r.status, 3);  // the other files are still handled
    EXPECT_TRUE(Line(r.out, 0).contains("rules"));
    EXPECT_EQ(Line(r.out, 1)["error"], "No such file or directory");
    EXPECT_EQ(Line(r.out, 2)["error"], "no XMP packet found");
    olvane_test::WriteFile(dir / "bad.xml", "<Pavex-MetaData-Rules><DataPush");
    r = Host({"apply", "--rules", dir / "bad.xml", kSamples + "/harbour.xmp"});
    EXPECT_EQ(r.status, 3);
    EXPECT_NE(r.err.find("no rule could be read"), std::string::npos) << r.err;
    EXPECT_EQ(Host({"apply", kSamples + "/harbour.xmp"}).status, 2);
    r = Host({"--plugin", dir / "none.so", "show", kSamples + "/harbour.xmp"});
    EXPECT_EQ(r.status, 4);
    EXPECT_NE(r.err.find("cannot use the plug-in"), std::string::npos);
}

}  // namespace
