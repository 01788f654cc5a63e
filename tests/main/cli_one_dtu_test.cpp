// The console program's work on one DTU, run in this process on the windowless backend's
// virtual clock against the simulated DTU: exit status, step and message of each way it
// ends. This file is built twice: once with the tool's texts, once with every message,
// status line and caption text of the tool reading as the same one-letter text. Both builds
// pass the same expectations, so no outcome of the console program depends on those texts.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "app/runtime_calls.h"
#include "app_texts.h"
#include "main/cli/one_dtu.h"
#include "main/cli/options.h"
#include "main/cli/report.h"
#include "platform/backend.h"
#include "platform/process.h"
#include "runtime/runtime_app.h"
#include "tools/dtu-sim/headless_peer.h"

namespace {

namespace texts = app::texts;
using platform::headless::HeadlessBackend;

constexpr bool kTextsAltered = DTU_TEXTS_ALTERED;  // set by the build of this file
constexpr int kCom = 5;
const std::string kPort = "COM5";

std::string message(uint32_t offset) { return cli::terminal_text(app::text(offset)); }

struct CliEnd {
  int status = -1;
  std::string out;
  std::vector<std::string> err;
  bool err_has(std::string_view text) const {
    for (const auto& line : err)
      if (line.find(text) != std::string::npos) return true;
    return false;
  }
};

class OneDtuRun : public ::testing::Test {
 protected:

  // A DTU on COM5 whose thirteen values all differ.
  dtusim::HeadlessPeer& add_dtu(const std::vector<std::string>& faults = {}) {
    dtusim::Settings s = dtusim::Settings::factory();
    const std::pair<dtusim::Key, const char*> values[] = {
        {dtusim::Key::ID, "DTU42"},        {dtusim::Key::IP, "10.0.0.7"},        {dtusim::Key::PT, "9000"},
        {dtusim::Key::DN, "dtu.example"},  {dtusim::Key::AP, "cmnet"},           {dtusim::Key::TM, "UDP"},
        {dtusim::Key::UB, "19200"},        {dtusim::Key::OT, "300"},             {dtusim::Key::HT, "60"},
        {dtusim::Key::RV1, "13900000001"}, {dtusim::Key::RV2, "13900000002"},    {dtusim::Key::SS1, "13900000003"},
        {dtusim::Key::SS2, "13900000004"}};
    for (const auto& [key, value] : values) s.put(key, value);
    dtu_ = std::make_shared<dtusim::HeadlessPeer>(dtusim::Config{}, s);
    for (const auto& f : faults) EXPECT_EQ(dtu_->add_fault(f), "") << f;
    backend_.add_serial_peer(platform::serial_device_path(kCom), dtu_);
    return *dtu_;
  }

  CliEnd run(std::vector<std::string> args) {
    args.insert(args.end(), {"--port", kPort, "--boot-wait", "10", "--json"});
    rt::reset_runtime_for_tests();  // each run is a program of its own
    cli::Options options;
    EXPECT_EQ(cli::parse_options(args, options), "");
    CliEnd r;
    cli::OneDtuSetup setup;
    setup.options = &options;
    setup.port = kPort;
    setup.backend = &backend_;
    setup.progress = [&r](std::string_view line) { r.err.emplace_back(line); };
    setup.output = [&r](std::string_view text) { r.out += text; };
    r.status = cli::run_one_dtu(setup);
    return r;
  }

  static std::string ended(int ok_or_not, const std::string& step, const std::string& text) {
    return "{\"port\":\"" + kPort + "\",\"ok\":" + (ok_or_not ? "true" : "false") + ",\"step\":\"" + step +
           "\",\"message\":" + cli::json_string(text) + "}\n";
  }

  HeadlessBackend backend_;
  std::shared_ptr<dtusim::HeadlessPeer> dtu_;
};

TEST(ToolTexts, ThisBuildReadsTheTextsItSaysItDoes) {
  if (kTextsAltered) {
    EXPECT_EQ(message(texts::msg_write_ok), "X");
    EXPECT_EQ(message(texts::msg_fail_pt), "X");
    EXPECT_EQ(message(texts::status_entering), "X");
    EXPECT_EQ(message(texts::caption_disconnect), message(texts::caption_connect));
  } else {
    EXPECT_EQ(message(texts::msg_write_ok), "写入成功！！");
    EXPECT_EQ(message(texts::caption_disconnect), "断开连接");
  }
  EXPECT_EQ(std::string(app::text(texts::banner)), "Press %%%%%%%%% into setting mode") << "the protocol's own";
}

TEST_F(OneDtuRun, ReadWriteAndResetSucceedWithTheToolsMessages) {
  add_dtu();
  CliEnd r = run({"read"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "{\"port\":\"COM5\",\"ok\":true,\"settings\":{\"ID\":\"DTU42\",\"IP\":\"10.0.0.7\",\"PT\":\"9000\","
                   "\"DN\":\"dtu.example\",\"AP\":\"cmnet\",\"TM\":\"UDP\",\"UB\":\"19200\",\"HT\":\"60\",\"OT\":\"300\","
                   "\"RV1\":\"13900000001\",\"RV2\":\"13900000002\",\"SS1\":\"13900000003\",\"SS2\":\"13900000004\"}}\n");

  r = run({"write", "--set", "pt=8081", "--set", "SS1="});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, ended(1, "done", message(texts::msg_write_ok)));
  EXPECT_EQ(dtu_->settings().get(dtusim::Key::PT), "8081");
  EXPECT_EQ(dtu_->settings().get(dtusim::Key::SS1), "");
  EXPECT_EQ(dtu_->settings().get(dtusim::Key::HT), "60");

  r = run({"reset"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, ended(1, "done", message(texts::msg_reset_ok)));
  EXPECT_EQ(dtu_->settings().get(dtusim::Key::HT), "120");
}

TEST_F(OneDtuRun, AnUnansweredCommandNamesItsStep) {
  add_dtu({"no-answer=PT"});
  CliEnd r = run({"write"});
  EXPECT_EQ(r.status, 6);
  EXPECT_EQ(r.out, ended(0, "PT", message(texts::msg_fail_pt)));
  EXPECT_EQ(dtu_->settings().get(dtusim::Key::DN), "dtu.example") << "nothing after the failed step";

  add_dtu({"no-answer=LIST"});
  r = run({"read"});
  EXPECT_EQ(r.status, 6);
  EXPECT_EQ(r.out, ended(0, "read", message(texts::msg_read_failed)));

  add_dtu({"no-answer=RST"});
  r = run({"reset"});
  EXPECT_EQ(r.status, 6);
  EXPECT_EQ(r.out, ended(0, "reset", message(texts::msg_not_connected)));

  add_dtu({"short-list=10"});
  r = run({"read"});
  EXPECT_EQ(r.status, 6);
  EXPECT_EQ(r.out, ended(0, "read", "the DTU's listing lacks RV2 SS1 SS2; nothing is taken from it"));
}

// Refused before the port is opened: COM5 has no device at all.
TEST_F(OneDtuRun, RefusedValuesEndAtTheCheckWithTheFieldsMessage) {
  const std::pair<std::string, std::string> refused[] = {
      {"ID=0123456789ABCDEF", message(texts::msg_bad_device_id)},
      {"PT=65536", message(texts::msg_bad_server_port)},
      {"UB=abc", message(texts::msg_bad_work_baud)},
      {"HT=", message(texts::msg_bad_heartbeat)},
      {"OT=", message(texts::msg_char_timeout_empty)},
      {"OT=49", message(texts::msg_bad_char_timeout)},
      {"SS2=   ", message(texts::msg_bad_sms2)},
      {"IP=1.2.3.256", "IP: \"1.2.3.256\" is not an IP address (a.b.c.d, each part 0 to 255)"},
  };
  for (const auto& [set, text] : refused) {
    const CliEnd r = run({"write", "--set", "PT=80", "--set", set});
    EXPECT_EQ(r.status, 4) << set;
    EXPECT_EQ(r.out, ended(0, "check", text)) << set;
  }
  const CliEnd r = run({"read"});
  EXPECT_EQ(r.status, 3);
  EXPECT_EQ(r.out, ended(0, "open", message(texts::msg_port_open_failed)));
}

TEST_F(OneDtuRun, NoSettingModeSaysWhetherTheDtuBooted) {
  add_dtu().set_boot_on_open(false);
  CliEnd r = run({"read"});
  EXPECT_EQ(r.status, 5);
  EXPECT_EQ(r.out, ended(0, "boot", "no boot banner within 10 s (power the DTU on after the port is opened; check the "
                                    "port and the baud rate)"));

  add_dtu({"no-answer=ENTER"});
  r = run({"reset"});
  EXPECT_EQ(r.status, 5);
  EXPECT_EQ(r.out, ended(0, "boot", "the DTU booted but did not confirm the setting-mode request"));
}

}  // namespace
