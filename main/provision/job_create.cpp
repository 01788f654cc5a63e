#include "main/provision/job_create.h"

#include <algorithm>
#include <array>
#include <map>

#include "app/settings_table.h"
#include "app/runtime_calls.h"
#include "app_texts.h"
#include "main/cli/report.h"
#include "main/cli/settings_record.h"
#include "main/cli/tool_run.h"
#include "main/cli/work_folder.h"
#include "main/provision/units_csv.h"
#include "platform/gbk_codec.h"

namespace provision {
namespace {

std::string key_name(size_t index) { return std::string(app::kSettings[index].name); }

std::string check_message(const app::CheckResult& check) {
  return cli::terminal_text(app::text(app::refusal_message(check)));
}

// What keeps a CSV value from going into a field: a control character (a line break would
// end the DTU's command early and start another), or a character GBK cannot hold.
std::string value_problem(const std::string& utf8) {
  if (std::any_of(utf8.begin(), utf8.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; }))
    return "the value holds a control character";
  if (!platform::utf8_to_gbk(utf8)) return "the value has characters the DTU's text (GBK) cannot hold";
  return "";
}

std::string where(const UnitsCsv::Row& row, size_t number) {
  return "line " + std::to_string(row.line) + " (row " + std::to_string(number) + ")";
}

struct Checked {
  std::string error;
  journal::Values base;
  std::vector<journal::Values> units;
};

// In the tool: the base as the window loads it from its settings file, checked field by
// field; then each row's values put into their fields and checked as the window checks
// them when they lose the focus. Each unit is what the fields then hold.
Checked check_in_tool(const std::string& folder, const UnitsCsv& csv) {
  Checked result;
  cli::ToolRun run;
  run.folder = folder;
  run.work = [&](cli::ToolDriver&, cli::DtuDriver& dtu) {
    std::array<std::string, app::kSettingCount> base_gbk;
    for (const app::Setting& s : app::kSettings) {
      base_gbk[app::index_of(s.key)] = dtu.value(s.key);
      const app::CheckResult check = dtu.check_field(s.key);
      if (!check.passed) {
        result.error = "the base file's " + std::string(s.name) + ": " + check_message(check);
        return;
      }
      const auto utf8 = platform::gbk_to_utf8(base_gbk[app::index_of(s.key)]);
      if (!utf8) {
        result.error = "the base file's " + std::string(s.name) + " is not GBK text";
        return;
      }
      result.base.push_back(*utf8);
    }
    for (size_t r = 0; r < csv.rows.size(); ++r) {
      const UnitsCsv::Row& row = csv.rows[r];
      journal::Values unit = result.base;
      for (size_t k = 0; k < csv.keys.size(); ++k) {
        const app::Key key = app::kSettings[csv.keys[k]].key;
        const std::string& value = row.values[k];
        std::string problem = value_problem(value);
        if (problem.empty() && !dtu.put_value(key, *platform::utf8_to_gbk(value)))
          problem = "\"" + value + "\" is not an IP address (a.b.c.d, each part 0 to 255)";
        if (problem.empty()) {
          const app::CheckResult check = dtu.check_field(key);
          if (!check.passed) problem = "\"" + value + "\": " + check_message(check);
        }
        if (!problem.empty()) {
          result.error = where(row, r + 1) + ", " + key_name(csv.keys[k]) + ": " + problem;
          return;
        }
        unit[csv.keys[k]] = cli::terminal_text(dtu.value(key));
      }
      result.units.push_back(std::move(unit));
      for (size_t k : csv.keys) dtu.put_value(app::kSettings[k].key, base_gbk[k]);
    }
  };
  cli::run_tool(run);
  return result;
}

// Every unit needs an ID of its own: the journal finds a unit again by the ID its DTU reports.
std::string id_problem(const UnitsCsv& csv, const std::vector<journal::Values>& units) {
  std::map<std::string, size_t> first;
  for (size_t r = 0; r < units.size(); ++r) {
    const std::string& id = units[r][0];
    if (id.empty()) return where(csv.rows[r], r + 1) + ": the ID is empty; every unit needs an ID of its own";
    const auto [at, fresh] = first.emplace(id, r);
    if (!fresh)
      return where(csv.rows[r], r + 1) + ": ID \"" + id + "\" is also the ID of " +
             where(csv.rows[at->second], at->second + 1) + "; every unit needs an ID of its own";
  }
  return "";
}

}  // namespace

int create_job(const ProductionOptions& o, journal::Journal& journal, const Console& console) {
  auto refuse = [&](int status, const std::string& why) {
    console.err("job create: " + why + "; no job was made");
    return status;
  };
  std::string record, text;
  if (!cli::read_whole_file(o.base_file, record)) return refuse(cli::kUsage, "--from " + o.base_file + ": cannot read it");
  const size_t values = cli::settings_record_values(record);
  if (values < app::kSettingCount)
    return refuse(cli::kUsage, "--from " + o.base_file + ": holds " + std::to_string(values) +
                                   " values where a settings file holds 13");
  if (!cli::read_whole_file(o.units_csv, text)) return refuse(cli::kUsage, "--units " + o.units_csv + ": cannot read it");
  UnitsCsv csv;
  if (std::string error = parse_units_csv(text, csv); !error.empty())
    return refuse(cli::kUsage, "--units " + o.units_csv + ": " + error);
  if (journal.find_job(o.job)) return refuse(cli::kUsage, "a job named \"" + o.job + "\" already exists");

  cli::WorkFolder work;
  if (work.path().empty() || !cli::write_whole_file(work.settings_file(), record))
    return refuse(cli::kFailed, "cannot make a work folder in the temporary folder");
  const Checked checked = check_in_tool(work.path(), csv);
  if (!checked.error.empty()) return refuse(cli::kCheckFailed, "--units " + o.units_csv + ": " + checked.error);
  if (std::string error = id_problem(csv, checked.units); !error.empty())
    return refuse(cli::kCheckFailed, "--units " + o.units_csv + ": " + error);

  journal::NewJob plan;
  plan.name = o.job;
  plan.base_file = o.base_file;
  plan.base = checked.base;
  for (size_t k : csv.keys) plan.keys.push_back(key_name(k));
  plan.units = checked.units;
  const journal::Job job = journal.create_job(plan);
  std::string keys;
  for (const auto& k : plan.keys) keys += " " + k;
  console.err("job " + job.name + ": " + std::to_string(job.unit_count) + " units (" + o.base_file + " with" + keys +
              " from " + o.units_csv + ") in " + journal.db().where());
  return cli::kOk;
}

}  // namespace provision
