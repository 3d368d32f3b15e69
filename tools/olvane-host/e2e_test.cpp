// e2e_test.cpp - the built olvane-host run as a process on sample files, against the real plug-in.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

namespace {

using nlohmann::json;

const std::string kSamples = OLVANE_HOST_SAMPLES;
const std::string kTestdata = OLVANE_HOST_TESTDATA;
const std::string kDc = "http://purl.org/dc/elements/1.1/:";
const std::string kXmp = "http://ns.adobe.com/xap/1.0/:";

struct Result {
    int status = -1;
    std::string out;
    std::string err;
};

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// A rules document with one line per rule, in the plug-in's element names.
std::string Rules(const std::vector<std::string>& lines) {
    std::string text = "<?xml version=\"1.0\" encoding=\"utf-8\" ?>\n<Pavex-MetaData-Rules>\n";
    for (const std::string& line : lines) {
        text += line + "\n";
    }
    return text + "</Pavex-MetaData-Rules>\n";
}

std::string Rule(const std::string& element, const std::string& tag, const std::string& to,
                 bool validation = false) {
    return "<" + element + " tag=\"" + tag + "\" to=\"" + to + "\" val=\"" +
           (validation ? "true" : "false") + "\" />";
}

std::vector<json> JsonLines(const std::string& text) {
    std::vector<json> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(json::parse(line));
    }
    return lines;
}

class HostProcess : public testing::Test {
  protected:
    void SetUp() override {
        char name[] = "/tmp/olvane-host-e2e-XXXXXX";
        ASSERT_NE(::mkdtemp(name), nullptr);
        dir_ = name;
    }
    void TearDown() override { std::system(("rm -rf '" + dir_ + "'").c_str()); }

    std::string Temp(const std::string& name, const std::string& content) {
        const std::string path = dir_ + "/" + name;
        std::ofstream(path, std::ios::binary) << content;
        return path;
    }

    // Runs the program with args (each quoted for the shell), stdin from input. The plug-in is
    // named unless args name one, since the build may not put it beside the program.
    Result Run(const std::vector<std::string>& args, const std::string& input = "") {
        std::string command = "'" OLVANE_HOST_EXE "'";
        if (args.front() != "--plugin") {
            command += " --plugin '" OLVANE_PLUGIN_PATH "'";
        }
        for (const std::string& a : args) {
            command += " '" + a + "'";
        }
        command +=
            " <'" + Temp("stdin", input) + "' >'" + dir_ + "/stdout' 2>'" + dir_ + "/stderr'";
        const int status = std::system(command.c_str());
        return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadAll(dir_ + "/stdout"),
                ReadAll(dir_ + "/stderr")};
    }

    Result Apply(const std::string& rules, const std::vector<std::string>& templates) {
        std::vector<std::string> args{"apply", "--json", "--rules", Temp("rules.xml", rules)};
        for (const std::string& t : templates) {
            args.insert(args.end(), {"--template", t});
        }
        args.push_back(kSamples + "/harbour.xmp");
        return Run(args);
    }

    std::string dir_;
};

TEST_F(HostProcess, PushChainOnTheSamples) {
    // Pushes land in order: a later push overwrites, and a check against a template sees the value
    // pushed last.
    const Result r = Apply(Rules({
                               Rule("DataPush", kDc + "title", "title"),
                               Rule("DataEqualsDest", kDc + "title", "title", true),
                               Rule("DataPush", kXmp + "CreatorTool", "title"),
                               Rule("DataNotEqualDest", kDc + "title", "title", true),
                               Rule("DataPush", kXmp + "Rating", "rating"),
                           }),
                           {"title=Title=before", "rating=Rating", "untouched=U=kept"});
    ASSERT_EQ(r.status, 0) << r.err;
    const auto lines = JsonLines(r.out);
    ASSERT_EQ(lines.size(), 1u);
    const json& report = lines[0];
    EXPECT_EQ(report["file"], kSamples + "/harbour.xmp");
    EXPECT_EQ(report["templates"],
              json({{"title", "Anchor Writer 1.0"}, {"rating", "3"}, {"untouched", "kept"}}));
    std::vector<std::string> outcomes;
    for (const json& rule : report["rules"]) {
        outcomes.push_back(rule["outcome"]);
    }
    EXPECT_EQ(outcomes,
              (std::vector<std::string>{"pushed", "passed", "pushed", "passed", "pushed"}));
    EXPECT_EQ(report["rules"][0]["value"], "Harbour at dawn");
    EXPECT_EQ(report["rules"][0]["tag"], kDc + "title");
    EXPECT_EQ(report["passed"], true);

    // The bundled run: the samples' own rules and templates, as a table.
    const Result table =
        Run({"apply", "--rules", kSamples + "/rules.xml", "--template", "title=Title", "--template",
             "tool=Tool", "--template", "author=Author=Jane Example", kSamples + "/harbour.jpg"});
    EXPECT_EQ(table.status, 0) << table.err;
    EXPECT_NE(table.out.find("push dc:title -> title"), std::string::npos) << table.out;
    EXPECT_NE(table.out.find("result: passed (3 validation rules)"), std::string::npos)
        << table.out;
}

TEST_F(HostProcess, EveryCheckTypeInStringAndTemplateForm) {
    // dc:subject is "harbour, dawn", xmp:Rating is "3"; the template place holds "harbour".
    struct Case {
        std::string element;
        std::string local;
        std::string to;
        int code;
        bool passes;
    };
    const std::vector<Case> cases = {
        {"DataEqualsStr", "subject", "harbour, dawn", 2, true},
        {"DataEqualsStr", "subject", "harbour", 2, false},
        {"DataEqualsDest", "subject", "place", 3, false},
        {"DataEqualsDest", "subject", "nowhere", 3, false},
        {"DataNotEqualStr", "subject", "harbour", 4, true},
        {"DataNotEqualDest", "subject", "place", 5, true},
        {"DataContainsStr", "subject", "dawn", 6, true},
        {"DataContainsDest", "subject", "place", 7, true},
        {"DataWithoutStr", "subject", "dawn", 8, false},
        {"DataWithoutDest", "subject", "place", 9, false},
        {"DataIsOneOf", "Rating", " 1, 3 ,5", 10, true},
        {"DataIsOneOf", "Rating", "1,33,5", 10, false},
    };
    std::vector<std::string> lines;
    for (const Case& c : cases) {
        lines.push_back(Rule(c.element, (c.local == "Rating" ? kXmp : kDc) + c.local, c.to));
    }
    // Not validation rules: failures show but do not fail the run.
    const Result r = Apply(Rules(lines), {"place=Place=harbour"});
    ASSERT_EQ(r.status, 0) << r.err;
    const json report = JsonLines(r.out).at(0);
    ASSERT_EQ(report["rules"].size(), cases.size());
    for (size_t i = 0; i < cases.size(); ++i) {
        const json& rule = report["rules"][i];
        EXPECT_EQ(rule["outcome"], cases[i].passes ? "passed" : "failed") << lines[i];
        EXPECT_EQ(rule["code"], cases[i].code) << lines[i];
        EXPECT_EQ(rule["value"], cases[i].local == "Rating" ? "3" : "harbour, dawn");
    }
    EXPECT_EQ(report["rules"][3]["reason"], "no template \"nowhere\"");
    EXPECT_EQ(report["passed"], true);
}

TEST_F(HostProcess, AFailingValidationRuleFailsTheRun) {
    const std::string rules = Rules({
        Rule("DataEqualsStr", kXmp + "Rating", "5", true),
        Rule("DataIsOneOf", "http://ns.adobe.com/xap/1.0/rights/:Marked", "True, False", true),
        Rule("DataEqualsStr", kXmp + "Nothing", "", true),
    });
    Result r = Apply(rules, {});
    EXPECT_EQ(r.status, 1) << r.err;
    const json report = JsonLines(r.out).at(0);
    EXPECT_EQ(report["passed"], false);
    EXPECT_EQ(report["rules"][0]["outcome"], "failed");
    EXPECT_EQ(report["rules"][0]["reason"], "differs from \"5\"");
    EXPECT_EQ(report["rules"][1]["outcome"], "passed");
    // A tag with no value fails its check.
    EXPECT_EQ(report["rules"][2]["resolved"], false);
    EXPECT_EQ(report["rules"][2]["value"], nullptr);
    EXPECT_EQ(report["rules"][2]["reason"], "the tag has no value");

    // The table names the failure too.
    r = Run({"apply", "--rules", Temp("v.xml", rules), kSamples + "/harbour.xmp"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.out.find("FAILED (validation): differs from \"5\""), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("result: FAILED (2 of 3 validation rules failed)"), std::string::npos);
}

TEST_F(HostProcess, PacketsEmbeddedInBinaryFilesAndOnStandardInput) {
    const Result sidecar = Run({"show", "--json", kSamples + "/harbour.xmp"});
    ASSERT_EQ(sidecar.status, 0) << sidecar.err;
    const json expected = JsonLines(sidecar.out).at(0)["namespaces"];
    ASSERT_EQ(expected.size(), 3u);
    std::map<std::string, json> byPrefix;
    for (const json& ns : expected) {
        byPrefix[ns["prefix"]] = ns;
    }
    EXPECT_EQ(byPrefix["dc"]["uri"], "http://purl.org/dc/elements/1.1/");
    EXPECT_EQ(byPrefix["dc"]["values"], json({{"creator", "Jane Example"},
                                              {"subject", "harbour, dawn"},
                                              {"title", "Harbour at dawn"}}));
    EXPECT_EQ(byPrefix["xmp"]["values"]["Rating"], "3");
    EXPECT_EQ(byPrefix["xmpRights"]["values"]["Marked"], "True");

    const Result jpeg = Run({"show", "--json", kSamples + "/harbour.jpg"});
    ASSERT_EQ(jpeg.status, 0) << jpeg.err;
    EXPECT_EQ(JsonLines(jpeg.out).at(0)["namespaces"], expected);

    // A packet 3 MB into a binary file is found across the program's read chunks.
    std::string big;
    for (int i = 0; big.size() < 3'000'000; ++i) {
        big += static_cast<char>((i * 7919) & 0xFF);
    }
    const std::string file = Temp("clip.mxf", big + ReadAll(kSamples + "/harbour.xmp") + big);
    const Result embedded = Run({"show", "--json", file});
    ASSERT_EQ(embedded.status, 0) << embedded.err;
    EXPECT_EQ(JsonLines(embedded.out).at(0)["namespaces"], expected);

    const Result stdinRun = Run({"show", "--json", "-"}, ReadAll(kSamples + "/harbour.jpg"));
    ASSERT_EQ(stdinRun.status, 0) << stdinRun.err;
    EXPECT_EQ(JsonLines(stdinRun.out).at(0)["file"], "<stdin>");
    EXPECT_EQ(JsonLines(stdinRun.out).at(0)["namespaces"], expected);

    // The table: prefixes with their URIs, then rows whose values line up under "value".
    const Result table = Run({"show", kSamples + "/harbour.xmp"});
    EXPECT_NE(table.out.find("  xmpRights  http://ns.adobe.com/xap/1.0/rights/\n"),
              std::string::npos)
        << table.out;
    const size_t header = table.out.find("\n  tag ");
    ASSERT_NE(header, std::string::npos) << table.out;
    const size_t column = table.out.find("value", header) - header;
    const size_t row = table.out.find("\n  dc:subject ");
    ASSERT_NE(row, std::string::npos) << table.out;
    EXPECT_EQ(table.out.substr(row + column, 14), "harbour, dawn\n") << table.out;
}

TEST_F(HostProcess, UnreadableInputsAndUsageErrors) {
    const std::string noPacket = Temp("plain.jpg", std::string("\xFF\xD8\xFF\xD9", 4));
    Result r = Run({"show", noPacket});
    EXPECT_EQ(r.status, 3);
    EXPECT_EQ(r.err, "olvane-host: " + noPacket + ": no XMP packet found\n");

    // The other files are still handled; each file is one JSON line.
    r = Run({"apply", "--json", "--rules", kSamples + "/rules.xml", kSamples + "/harbour.xmp",
             dir_ + "/missing.xmp", noPacket});
    EXPECT_EQ(r.status, 3);
    const auto lines = JsonLines(r.out);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_TRUE(lines[0].contains("rules"));
    EXPECT_EQ(lines[1]["error"], "No such file or directory");
    EXPECT_EQ(lines[2]["error"], "no XMP packet found");

    // A rules file the plug-in cannot read is an unreadable input, not "no rules".
    r = Run({"apply", "--rules", Temp("bad.xml", "<Pavex-MetaData-Rules><DataPush"),
             kSamples + "/harbour.xmp"});
    EXPECT_EQ(r.status, 3);
    EXPECT_NE(r.err.find("no rule could be read"), std::string::npos) << r.err;

    EXPECT_EQ(Run({"apply", kSamples + "/harbour.xmp"}).status, 2);
    r = Run({"--plugin", dir_ + "/none.so", "show", kSamples + "/harbour.xmp"});
    EXPECT_EQ(r.status, 4);
    EXPECT_NE(r.err.find("cannot use the plug-in"), std::string::npos);
}

// The test files of make_testdata.py (see testdata/README.md), each with its own title.
std::vector<std::string> TestFiles() {
    std::vector<std::string> files;
    for (const auto& entry : std::filesystem::directory_iterator(kTestdata)) {
        if (entry.path().filename() != "README.md") {
            files.push_back(entry.path().string());
        }
    }
    std::sort(files.begin(), files.end());
    return files;
}

std::string LongDescription() {
    std::string text;
    for (int i = 0; i < 3000; ++i) {
        char line[64];
        std::snprintf(line, sizeof line, "%sLine %04d of the long description.", i ? "\n" : "", i);
        text += line;
    }
    return text;
}

const std::string kPluginMessage =
    "plug-in: ERROR - MultiByteToWideChar - Invalid character found in source string.. (0x459)";

TEST_F(HostProcess, EachTestFileGivesTheValuesOfTheFilesOwnPacket) {
    struct Case {
        std::string file;
        std::string from;
        std::string title;
        uint64_t scanned;  // packets a scan of the whole file finds
    };
    const bool pdf = OLVANE_HOST_READS_PDF;
    const std::vector<Case> cases = {
        {"bare-rdf.txt", "sidecar (the whole file)", "Bare RDF title", 0},
        {"document.pdf",
         pdf ? "PDF document metadata (the catalogue's /Metadata stream)"
             : "packet found by scanning, the last of 2",
         pdf ? "Document title" : "Image title", 2},
        {"extended.jpg", "JPEG XMP segment, with extended XMP from 2 segments", "Extended title",
         2},
        {"two-packets.avi", "RIFF _PMX chunk, the last of 2", "Current AVI title", 2},
        {"two-packets.bin", "packet found by scanning, the last of 2", "Current scanned title", 2},
        {"two-packets.wav", "RIFF _PMX chunk", "Current WAV title", 2},
        {"xmp.gif", "packet found by scanning", "GIF title", 1},
        {"xmp.mov", "QuickTime XMP_ box", "QuickTime title", 1},
        {"xmp.mp4", "MP4 XMP box", "MP4 title", 1},
        {"xmp.png", "PNG XMP text chunk", "PNG title", 1},
        {"xmp.tif", "TIFF XMP tag", "TIFF title", 1},
    };
    std::vector<std::string> args{"show", "--json", "--verbose"};
    for (const Case& c : cases) {
        args.push_back(kTestdata + "/" + c.file);
    }
    const Result r = Run(args);
    EXPECT_EQ(r.status, 0) << r.err;
    const auto lines = JsonLines(r.out);
    ASSERT_EQ(lines.size(), cases.size());
    for (size_t i = 0; i < cases.size(); ++i) {
        SCOPED_TRACE(cases[i].file);
        std::map<std::string, json> values;
        for (const json& ns : lines[i]["namespaces"]) {
            values[ns["prefix"]] = ns["values"];
        }
        EXPECT_EQ(lines[i]["packet"]["from"], cases[i].from);
        EXPECT_EQ(values["dc"]["title"], cases[i].title);
        EXPECT_EQ(lines[i]["packets_found"], cases[i].scanned);
        EXPECT_EQ(lines[i]["status"], "read");
        if (cases[i].file == "extended.jpg") {
            // The extension's Descriptions are read in the same packet as the main one's.
            EXPECT_EQ(values["dc"]["description"], LongDescription());
            EXPECT_EQ(
                lines[i]["warnings"],
                json({"extended XMP segments that the packet does not name were ignored: 1"}));
        } else {
            EXPECT_EQ(lines[i]["warnings"], json::array());
        }
        if (cases[i].file == "bare-rdf.txt") {
            EXPECT_EQ(values["dc"]["creator"], "Rdf Writer");
        }
    }

    const Result table = Run({"show", "--verbose", kTestdata + "/two-packets.avi"});
    EXPECT_NE(table.out.find("  packet: RIFF _PMX chunk, the last of 2, at byte "),
              std::string::npos)
        << table.out;
    EXPECT_NE(table.out.find("  packets found by scanning: 2\n    at byte "), std::string::npos);
}

TEST_F(HostProcess, JsonLinesParseForEveryTestFileAndThePluginsMessageBecomesAWarning) {
    std::vector<std::string> files = TestFiles();
    files.push_back(kSamples + "/harbour.jpg");
    const std::string unreadable = kTestdata + "/invalid-utf8.xmp";
    for (const std::vector<std::string>& command :
         {std::vector<std::string>{"show", "--json"},
          std::vector<std::string>{"apply", "--json", "--rules", kSamples + "/rules.xml"}}) {
        std::vector<std::string> args = command;
        args.insert(args.end(), files.begin(), files.end());
        const Result r = Run(args);
        EXPECT_EQ(r.status, 3) << r.err;
        const auto lines = JsonLines(r.out);  // throws on a line that is not JSON
        ASSERT_EQ(lines.size(), files.size());
        for (const json& line : lines) {
            const bool bad = line["file"] == unreadable;
            EXPECT_EQ(line["status"], bad ? "unreadable" : "read") << line["file"];
            if (bad) {
                EXPECT_EQ(line["warnings"], json({kPluginMessage}));
            }
        }
        const std::string count = std::to_string(files.size());
        std::string summary = "olvane-host: " + count;
        summary += " files, packets found: " + count + ", unreadable: 1, without a packet: 0\n";
        EXPECT_NE(r.err.find(summary), std::string::npos) << r.err;
    }
    // In the table the message goes to standard error, and the file says why it shows nothing.
    const Result table = Run({"show", unreadable});
    EXPECT_EQ(table.status, 3);
    EXPECT_EQ(table.out, unreadable + "\n  packet: sidecar (the whole file), at byte 0 (" +
                             std::to_string(std::filesystem::file_size(unreadable)) +
                             " bytes)\n  packet unreadable\n");
    EXPECT_EQ(table.err, "olvane-host: " + unreadable + ": " + kPluginMessage + "\n");
}

}  // namespace
