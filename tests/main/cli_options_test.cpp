// The console program's command line, its output formats, and the settings-file record
// count it refuses short files by.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "main/cli/options.h"
#include "main/cli/report.h"
#include "main/cli/settings_record.h"

namespace cli {
namespace {

using Args = std::vector<std::string>;

TEST(CliOptions, WriteLineWithEveryOptionInBothSpellings) {
  Options o;
  ASSERT_EQ(parse_options({"write", "--port=COM3", "--port", "/dev/pts/4", "--baud", "19200", "--boot-wait=2.5", "--json",
                           "--from", "data.txt", "--set", "pt=8080", "--set=ID=设备 7", "--set", "PT=9090"},
                          o),
            "");
  EXPECT_EQ(o.command, Command::Write);
  EXPECT_EQ(o.ports, (Args{"COM3", "/dev/pts/4"}));
  EXPECT_EQ(o.baud, 19200);
  EXPECT_EQ(o.boot_wait_ms, 2500);
  EXPECT_TRUE(o.json);
  EXPECT_EQ(o.from_file, "data.txt");
  ASSERT_EQ(o.sets.size(), 3u);
  EXPECT_EQ(o.sets[0].key, app::Key::PT);
  EXPECT_EQ(o.sets[1].value, "设备 7") << "only the first '=' separates key and value";
  EXPECT_EQ(o.sets[2].value, "9090");
}

TEST(CliOptions, DefaultsAndTheSimpleCommands) {
  Options o;
  ASSERT_EQ(parse_options({"reset", "--port", "com15"}, o), "");
  EXPECT_EQ(o.baud, 9600);
  EXPECT_EQ(o.boot_wait_ms, 60000);
  EXPECT_FALSE(o.json);
  ASSERT_EQ(parse_options({"read", "--port", "COM1", "--boot-wait", "0.05", "--help"}, o), "");
  EXPECT_EQ(o.command, Command::Help);
  ASSERT_EQ(parse_options({"--version"}, o), "");
  EXPECT_EQ(o.command, Command::Version);
  ASSERT_EQ(parse_options({"ports"}, o), "");
  EXPECT_EQ(o.command, Command::Ports);
  EXPECT_EQ(o.encoding, platform::ConsoleEncoding::System);
}

// Redirected output in UTF-8 for callers that read it so, on every command; "console" is the
// system's way, the default.
TEST(CliOptions, EveryCommandTakesAnEncoding) {
  Options o;
  ASSERT_EQ(parse_options({"ports", "--encoding", "utf-8"}, o), "");
  EXPECT_EQ(o.encoding, platform::ConsoleEncoding::Utf8);
  ASSERT_EQ(parse_options({"read", "--encoding=UTF8", "--port", "COM1", "--json"}, o), "");
  EXPECT_EQ(o.encoding, platform::ConsoleEncoding::Utf8);
  EXPECT_TRUE(o.json);
  ASSERT_EQ(parse_options({"write", "--port", "COM1", "--encoding", "utf-8", "--encoding", "console"}, o), "");
  EXPECT_EQ(o.encoding, platform::ConsoleEncoding::System);
  EXPECT_EQ(parse_options({"read", "--port", "COM1", "--encoding", "gbk"}, o), "--encoding gbk: expected utf-8 or console");
  EXPECT_EQ(parse_options({"reset", "--port", "COM1", "--encoding"}, o), "--encoding needs a value");
}

TEST(CliOptions, UsageErrorsNameWhatIsWrong) {
  const std::vector<std::pair<Args, std::string>> cases = {
      {{}, "no command"},
      {{"program"}, "program"},
      {{"read"}, "--port"},
      {{"read", "--port"}, "--port"},
      {{"read", "--port", "COM0"}, "COM0"},
      {{"read", "--port", ""}, "--port"},
      {{"read", "--port", "COM1", "--port", "COM1"}, "twice"},
      {{"read", "--port", "COM1", "--baud", "9601"}, "9601"},
      {{"read", "--port", "COM1", "--baud", "+9600"}, "+9600"},
      {{"read", "--port", "COM1", "--boot-wait", "-1"}, "-1"},
      {{"read", "--port", "COM1", "--boot-wait", "1.2345"}, "1.2345"},
      {{"read", "--port", "COM1", "--set", "ID=1"}, "--set"},
      {{"read", "--port", "COM1", "--port", "COM2", "--save", "x"}, "--save"},
      {{"reset", "--port", "COM1", "--save", "x"}, "--save"},
      {{"write", "--port", "COM1", "--set", "XY=1"}, "XY"},
      {{"write", "--port", "COM1", "--set", "ID"}, "KEY=VALUE"},
      {{"write", "--port", "COM1", "--set", "DN=a\r\n%RST"}, "control"},
      {{"write", "--port", "COM1", "--set", "DN=\xF0\x9F\x98\x80"}, "GBK"},
      {{"write", "--port", "COM1", "--json=1"}, "--json"},
      {{"write", "--port", "COM1", "extra"}, "extra"},
      {{"ports", "--port", "COM1"}, "--port"},
  };
  for (const auto& [args, mention] : cases) {
    Options o;
    const std::string error = parse_options(args, o);
    EXPECT_NE(error.find(mention), std::string::npos) << "args[0]=" << (args.empty() ? "" : args[0]) << ": \"" << error << '"';
  }
}

TEST(CliOptions, PortNames) {
  PortName p;
  ASSERT_TRUE(parse_port("cOm12", p));
  EXPECT_EQ(p.com, 12);
  EXPECT_EQ(p.number, 12);
  // Above the window's COM15 (a USB adapter's number): no box item, but still a COM port.
  ASSERT_TRUE(parse_port("COM16", p));
  EXPECT_EQ(p.com, 0);
  EXPECT_EQ(p.number, 16);
  EXPECT_EQ(p.device, "");
  ASSERT_TRUE(parse_port("COM23", p));
  EXPECT_EQ(p.number, 23);
  ASSERT_TRUE(parse_port("COMX", p));
  EXPECT_EQ(p.device, "COMX") << "not a COM name: a device path relative to here";
  ASSERT_TRUE(parse_port("/dev/ttyUSB0", p));
  EXPECT_EQ(p.com, 0);
  EXPECT_FALSE(parse_port("COM99999999999", p));
}

TEST(CliOptions, ChildLineParsesBackToTheSameWorkForItsPort) {
  Options o;
  ASSERT_EQ(parse_options({"write", "--port", "COM3", "--port", "COM4", "--baud", "2400", "--boot-wait", "1.5", "--json",
                           "--from", "f.txt", "--set", "dn=a=b", "--set", "SS2="},
                          o),
            "");
  Options child;
  ASSERT_EQ(parse_options(child_arguments(o, "COM4"), child), "");
  EXPECT_EQ(child.encoding, platform::ConsoleEncoding::Utf8) << "the parent reads its children's lines as UTF-8";
  EXPECT_EQ(child.command, o.command);
  EXPECT_EQ(child.ports, Args{"COM4"});
  EXPECT_EQ(child.baud, 2400);
  EXPECT_EQ(child.boot_wait_ms, 1500);
  EXPECT_TRUE(child.json);
  EXPECT_EQ(child.from_file, "f.txt");
  ASSERT_EQ(child.sets.size(), 2u);
  EXPECT_EQ(child.sets[0].value, "a=b");
  EXPECT_EQ(child.sets[1].key, app::Key::SS2);
  EXPECT_EQ(child.sets[1].value, "");

  ASSERT_EQ(parse_options({"read", "--port", "/dev/x", "--save", "s.txt"}, o), "");
  ASSERT_EQ(parse_options(child_arguments(o, "/dev/x"), child), "");
  EXPECT_EQ(child.save_file, "s.txt");
  EXPECT_FALSE(child.json);
}

TEST(CliSettingsRecord, CountsValuesAsTheLoadSplitsThem) {
  const std::string thirteen = "a//b//c//d//e//f//g//h//i//j//k//l//m//";
  EXPECT_EQ(settings_record_values(thirteen + '\0'), 13u);
  EXPECT_EQ(settings_record_values(thirteen.substr(0, thirteen.size() - 2)), 13u) << "written by hand, no final //";
  EXPECT_EQ(settings_record_values(std::string(26, '/') + '\0'), 13u) << "thirteen empty values";
  EXPECT_EQ(settings_record_values("a//b//c//d//e//f//g//h//i//j//k//l//"), 12u);
  EXPECT_EQ(settings_record_values(std::string("a//b//\0c//d//e//f//g//h//i//j//k//l//m//", 40)), 2u)
      << "nothing after the zero byte counts";
  EXPECT_EQ(settings_record_values(""), 0u);
  EXPECT_EQ(settings_record_values("a///b"), 2u);
}

TEST(CliReport, KeyValueLinesInFileOrderWithControlsEscaped) {
  std::vector<std::string> values(13);
  values[0] = "DTU 1";
  values[3] = "x\ty";
  values[12] = "=5";
  const std::string text = key_value_lines(values);
  EXPECT_EQ(text,
            "ID=DTU 1\nIP=\nPT=\nDN=x\\x09y\nAP=\nTM=\nUB=\nHT=\nOT=\nRV1=\nRV2=\nSS1=\nSS2==5\n");
}

TEST(CliReport, JsonLinesForAReadAndForEverythingElse) {
  Outcome read_ok{kOk, "done", "读出模块设置值成功！！", std::vector<std::string>(13)};
  read_ok.values[0] = "a\"b\\c\n";
  read_ok.values[2] = "设备";
  const std::string line = json_line("COM3", read_ok, true);
  EXPECT_EQ(line.rfind("{\"port\":\"COM3\",\"ok\":true,\"settings\":{\"ID\":\"a\\\"b\\\\c\\n\",", 0), 0u) << line;
  EXPECT_NE(line.find(",\"PT\":\"设备\","), std::string::npos);
  EXPECT_NE(line.find(",\"SS2\":\"\"}}\n"), std::string::npos) << line;
  EXPECT_EQ(line.find('\n'), line.size() - 1) << "one object, one line";

  const Outcome failed{kNoAnswer, "PT", "服务器端口设置失败！！", {}};
  EXPECT_EQ(json_line("/dev/pts/1", failed, false),
            "{\"port\":\"/dev/pts/1\",\"ok\":false,\"step\":\"PT\",\"message\":\"服务器端口设置失败！！\"}\n");
  EXPECT_EQ(json_string(std::string("\x01", 1)), "\"\\u0001\"");
}

// Control characters as the program has always written them (scripts and stored journals
// compare the bytes); bytes that are not UTF-8, which a device path on Linux may hold, become
// U+FFFD, so that every line is JSON.
TEST(CliReport, JsonKeepsItsEscapesAndIsAlwaysUtf8) {
  EXPECT_EQ(json_string(std::string("\b\f\x1B\x1F\x7F\t\"\\/\xC3\xA9", 11)),
            R"("\u0008\u000C\u001B\u001F\u007F\t\"\\/é")");
  const Outcome failed{kPortNotOpened, "open", "x", {}};
  EXPECT_EQ(json_line("/dev/tty\xE9\xFF", failed, false),
            "{\"port\":\"/dev/tty\xEF\xBF\xBD\xEF\xBF\xBD\",\"ok\":false,\"step\":\"open\",\"message\":\"x\"}\n");
}

}  // namespace
}  // namespace cli
