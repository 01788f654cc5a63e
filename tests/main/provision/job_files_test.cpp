// A production job's inputs and outputs: the units CSV as a factory writes it, the command
// lines, and what status, export and the report show of a journal, with the DTUs' text
// shown as text.
#include <gtest/gtest.h>

#include "main/journal/journal.h"
#include "main/provision/job_outputs.h"
#include "main/provision/job_summary.h"
#include "main/provision/production_options.h"
#include "main/provision/report_html.h"
#include "main/provision/units_csv.h"
#include "tests/platform/scratch_dir.h"

namespace provision {
namespace {

using Args = std::vector<std::string>;

TEST(UnitsCsv, ReadsWhatSpreadsheetsWrite) {
  UnitsCsv csv;
  ASSERT_EQ(parse_units_csv("\xEF\xBB\xBFid, DN ,ss1\r\n"
                            "DTU-0001,\"a,b \"\"quoted\"\"\",13900000001\r\n"
                            "\r\n"
                            "DTU-0002,,\r\n"
                            "\"DTU-0003\",\"x\",\"\"",
                            csv),
            "");
  EXPECT_EQ(csv.keys, (std::vector<size_t>{0, 3, 11}));
  ASSERT_EQ(csv.rows.size(), 3u);
  EXPECT_EQ(csv.rows[0].values, (Args{"DTU-0001", "a,b \"quoted\"", "13900000001"}));
  EXPECT_EQ(csv.rows[1].values, (Args{"DTU-0002", "", ""}));
  EXPECT_EQ(csv.rows[1].line, 4u) << "blank lines still count for the line numbers";
  EXPECT_EQ(csv.rows[2].values, (Args{"DTU-0003", "x", ""}));
  EXPECT_EQ(csv_field("a,b \"q\""), "\"a,b \"\"q\"\"\"");
  EXPECT_EQ(csv_field(" lead"), "\" lead\"");
  EXPECT_EQ(csv_field("plain"), "plain");
}

TEST(UnitsCsv, RefusesWhatWouldBeGuessedAtNamingTheLine) {
  UnitsCsv csv;
  EXPECT_EQ(parse_units_csv("ID,PORT\nA,1\n", csv),
            "line 1: unknown key \"PORT\" in the header (keys: ID IP PT DN AP TM UB HT OT RV1 RV2 SS1 SS2)");
  EXPECT_EQ(parse_units_csv("ID,dn,DN\nA,1,2\n", csv), "line 1: key DN is named twice");
  EXPECT_EQ(parse_units_csv("ID,DN\nA,1\nB\nC,3\n", csv), "line 3 (row 2): 1 value where the header names 2 keys");
  EXPECT_EQ(parse_units_csv("ID,DN\nA,1,2\n", csv), "line 2 (row 1): 3 values where the header names 2 keys");
  EXPECT_EQ(parse_units_csv("ID,DN\nA,\"open\n", csv), "line 2: a quoted value is never closed");
  EXPECT_EQ(parse_units_csv("ID,DN\n", csv), "no units: the file has a header row but no row of values");
  EXPECT_EQ(parse_units_csv("", csv), "the file is empty: it needs a header row of keys and one row per unit");
}

TEST(ProductionOptions, EachCommandTakesItsOwnOptions) {
  ProductionOptions o;
  ASSERT_TRUE(is_production_command({"provision"}));
  ASSERT_FALSE(is_production_command({"write"}));
  ASSERT_EQ(parse_production_options({"provision", "--db", "run.sqlite", "--job=b7", "--port", "COM5", "--port",
                                      "/dev/ttyUSB3", "--bench", "line 1", "--baud", "115200", "--lease", "5"},
                                     o),
            "");
  EXPECT_EQ(o.command, ProductionCommand::Provision);
  EXPECT_EQ(o.ports, (Args{"COM5", "/dev/ttyUSB3"}));
  EXPECT_EQ(o.bench, "line 1");
  EXPECT_EQ(o.lease_ms, 5000);
  // The bench reads its ports' lines as UTF-8, whatever its own output is.
  EXPECT_EQ(port_arguments(o, "COM5"), (Args{"provision", "--db", "run.sqlite", "--job", "b7", "--port", "COM5",
                                             "--bench", "line 1", "--baud", "115200", "--lease", "5", "--encoding",
                                             "utf-8"}));
  EXPECT_EQ(o.encoding, platform::ConsoleEncoding::System);
  ASSERT_EQ(parse_production_options({"job", "export", "--db", "x", "--job", "b", "--csv", "--encoding", "UTF-8"}, o), "");
  EXPECT_TRUE(o.csv);
  EXPECT_EQ(o.encoding, platform::ConsoleEncoding::Utf8);
  EXPECT_EQ(parse_production_options({"job", "status", "--db", "x", "--job", "b", "--encoding=gbk"}, o),
            "--encoding gbk: expected utf-8 or console");

  ASSERT_EQ(parse_production_options({"job", "resolve", "--db", "x", "--job", "b", "--unit", "DTU-7", "--to-pool",
                                      "--note", "dropped on the floor"},
                                     o),
            "");
  EXPECT_EQ(o.command, ProductionCommand::JobResolve);
  EXPECT_TRUE(o.to_pool);
  EXPECT_EQ(o.unit, "DTU-7");
  EXPECT_EQ(o.note, "dropped on the floor");
  EXPECT_EQ(parse_production_options({"job", "resolve", "--db", "x", "--job", "b", "--unit", "D", "--to-pool", "--set-aside"}, o),
            "job resolve needs one of --to-pool and --set-aside");
  EXPECT_EQ(parse_production_options({"job", "resolve", "--db", "x", "--job", "b", "--unit", "D"}, o),
            "job resolve needs one of --to-pool and --set-aside");
  EXPECT_EQ(parse_production_options({"job", "resolve", "--db", "x", "--job", "b", "--unit", "D", "--set-aside", "--note",
                                      "two\nlines"},
                                     o),
            "--note: expected one line of at most 500 characters");

  EXPECT_EQ(parse_production_options({"job"}, o), "job needs one of create, status, export, report, resolve");
  EXPECT_EQ(parse_production_options({"job", "delete"}, o),
            "unknown command \"job delete\" (job takes create, status, export, report or resolve)");
  EXPECT_EQ(parse_production_options({"job", "create", "--db", "x", "--name", "n", "--from", "b"}, o),
            "job create needs --units");
  EXPECT_EQ(parse_production_options({"job", "export", "--db", "x", "--job", "b"}, o),
            "job export needs one of --csv and --json");
  EXPECT_EQ(parse_production_options({"job", "status", "--db", "x", "--job", "b", "--port", "COM5"}, o),
            "unknown option --port for job status");
  EXPECT_EQ(parse_production_options({"provision", "--db", "x", "--job", "b", "--port", "COM5", "--port", "COM5"}, o),
            "--port COM5 is given twice");
  EXPECT_EQ(parse_production_options({"provision", "--db", "x", "--db", "y", "--job", "b", "--port", "COM5"}, o),
            "--db is given twice");
  EXPECT_EQ(parse_production_options({"provision", "--db", "x", "--job", "b", "--port", "COM5", "--lease", "1"}, o),
            "--lease 1: expected whole seconds from 2 to 3600");
  EXPECT_EQ(parse_production_options({"provision", "--db", "x", "--job", "b", "--port", "COM5", "--bench", "a\tb"}, o),
            "--bench a\tb: expected a name of 1 to 64 characters, without control characters");
  EXPECT_NE(production_help().find("job report --db DB --job NAME --html FILE"), std::string::npos);
}

// A small journal in a real SQLite file: one unit done at bench "A" whose DTU's DN reads
// markup, one failed once, one set aside, one in doubt.
class JobOutputs : public ::testing::Test {
 protected:
  void SetUp() override {
    j = journal::Journal::open(scratch.file("run.sqlite"), true);
    journal::NewJob plan;
    plan.name = "batch <7>";
    plan.base_file = "base.txt";
    plan.keys = {"ID", "DN"};
    for (const char* id : {"DTU-1", "DTU-2", "DTU-3", "DTU-4"}) {
      journal::Values v(journal::kValueCount, "x");
      v[0] = id;
      plan.units.push_back(v);
    }
    plan.base = plan.units[0];
    job = j->create_job(plan);
    const int64_t s = j->open_session(job.id, {"A", "COM5", "host", 1}, 3600000);
    auto u = j->claim_next(job.id, s);
    j->start_writing(job.id, u->seq, s, {});
    after = u->target;
    after[3] = "<script>alert('x')</script>";
    after[11] = "+8613800000001";                     // a phone number a spreadsheet takes for a number
    after[12] = "=SUM(A1:A9)";                        // and a DTU's value it would run
    j->finish(job.id, u->seq, s, after, 7100);
    u = j->claim_next(job.id, s);
    j->start_writing(job.id, u->seq, s, {});
    j->fail(job.id, u->seq, s, 0, {"SS1", "no answer", {}, false});
    u = j->claim_next(job.id, s);
    j->start_writing(job.id, u->seq, s, {});
    for (int i = 0; i < journal::kMaxAttempts; ++i) {
      j->fail(job.id, u->seq, s, i, {"read-back", "SS2 kept its old value", {}, true});
      if (i + 1 < journal::kMaxAttempts) j->take_over(job.id, u->seq, s, {}, "again");
    }
    u = j->claim_next(job.id, s);
    j->start_writing(job.id, u->seq, s, {});
    j->end_session(job.id, s, "stopped by SIGINT");
    summary = summarize(*j, job, job.created_ms + 60000);
  }

  platform_test::ScratchDir scratch;
  std::unique_ptr<journal::Journal> j;
  journal::Job job;
  journal::Values after;
  JobSummary summary;
};

TEST_F(JobOutputs, StatusCountsRatesAndFailures) {
  const journal::Counts& c = summary.counts;
  EXPECT_EQ(c.done, 1);
  EXPECT_EQ(c.pending, 1);
  EXPECT_EQ(c.set_aside, 1);
  EXPECT_EQ(c.in_doubt, 1);
  ASSERT_EQ(summary.benches.size(), 1u);
  EXPECT_EQ(summary.benches[0].done, 1);
  EXPECT_GT(summary.benches[0].per_hour, 0);
  EXPECT_EQ(summary.failures, (std::vector<std::pair<std::string, int>>{{"read-back", 3}, {"SS1", 1}}));

  const std::string text = status_text(summary);
  EXPECT_NE(text.find("pending 1, claimed 0, done 1, set aside 2 (1 in doubt)"), std::string::npos) << text;
  EXPECT_NE(text.find("failures by step: read-back 3 SS1 1"), std::string::npos) << text;
  EXPECT_NE(text.find("DTU-4 in doubt: bench A, port COM5 stopped by SIGINT during step writing"), std::string::npos) << text;
  const std::string json = status_json(summary);
  EXPECT_NE(json.find("\"done\":1,\"set_aside\":2,\"in_doubt\":1,\"finished\":false"), std::string::npos) << json;
  EXPECT_NE(json.find("\"failures_by_step\":{\"read-back\":3,\"SS1\":1}"), std::string::npos) << json;
}

TEST_F(JobOutputs, ExportHasOneLinePerUnitWithWhatTheDtuHolds) {
  const std::string csv = export_csv(summary);
  UnitsCsv parsed;  // the export reads back as CSV: a header and one row per unit
  const size_t header_end = csv.find('\n');
  EXPECT_EQ(csv.substr(0, header_end),
            "row,unit,state,attempts,bench,port,done_at,last_failure,reason,ID,IP,PT,DN,AP,TM,UB,HT,OT,RV1,RV2,SS1,SS2");
  EXPECT_EQ(std::count(csv.begin(), csv.end(), '\n'), 5);
  EXPECT_NE(csv.find("\n1,DTU-1,done,0,A,COM5,20"), std::string::npos) << csv;
  EXPECT_NE(csv.find(",<script>alert('x')</script>,"), std::string::npos) << "CSV keeps the text as it is";
  // What a spreadsheet would run or turn into a number stays text there; the JSON is exact.
  EXPECT_NE(csv.find(",'+8613800000001,'=SUM(A1:A9)\n"), std::string::npos) << csv;
  const std::string json = export_json(summary);
  EXPECT_NE(json.find("\"SS1\":\"+8613800000001\",\"SS2\":\"=SUM(A1:A9)\""), std::string::npos) << json;
  EXPECT_EQ(std::count(json.begin(), json.end(), '\n'), 4);
  EXPECT_NE(json.find("\"DN\":\"<script>alert('x')</script>\""), std::string::npos) << json;
  EXPECT_NE(json.find("{\"row\":3,\"unit\":\"DTU-3\",\"state\":\"set_aside\",\"attempts\":3"), std::string::npos) << json;
}

TEST_F(JobOutputs, TheReportIsOnePageThatShowsMarkupAsText) {
  const std::string html = report_html(summary);
  EXPECT_EQ(html.find("<script"), std::string::npos) << "no script, and the DTU's text escaped";
  EXPECT_NE(html.find("&lt;script&gt;alert(&#39;x&#39;)&lt;/script&gt;"), std::string::npos);
  EXPECT_NE(html.find("<h1>Job batch &lt;7&gt;</h1>"), std::string::npos);
  for (const char* outside : {"src=", "href=", "url(", "@import", "http:", "https:"})
    EXPECT_EQ(html.find(outside), std::string::npos) << outside << ": the page fetches nothing";
  EXPECT_NE(html.find("<svg"), std::string::npos);
  EXPECT_NE(html.find("aria-label=\"units per hour per bench\""), std::string::npos);
  EXPECT_NE(html.find("aria-label=\"failures by step\""), std::string::npos);
  EXPECT_NE(html.find("<td>DTU-4</td><td>in doubt</td>"), std::string::npos);
}

}  // namespace
}  // namespace provision
