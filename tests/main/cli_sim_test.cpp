// dtu-setup-cli from the outside: the built program against dtu-sim programs on
// pseudo-terminals, the simulator's stored settings checked after each run.
#include <gtest/gtest.h>

#include <stdlib.h>

#include <fstream>

#include "platform/posix/serial_device.h"
#include "platform/posix/serial_pty.h"
#include "tests/main/cli_sim_support.h"

namespace cli_test {
namespace {

const std::string kBoot = "10";  // seconds; the simulator boots 100 ms after the port opens

const std::string kDistinctLines =
    "ID=DTU42\nIP=10.0.0.7\nPT=9000\nDN=dtu.example.org\nAP=cmnet\nTM=UDP\nUB=19200\nHT=60\nOT=300\n"
    "RV1=13900000001\nRV2=13900000002\nSS1=13900000003\nSS2=13900000004\n";

bool has_line(const std::string& text, const std::string& line) {
  return ("\n" + text).find("\n" + line + "\n") != std::string::npos;
}

class Cli : public ::testing::Test {
 protected:
  SimDtus sims;
};

TEST_F(Cli, ReadPrintsTheSettingsAndSavesThemAllOrNothing) {
  const std::string port = sims.start("dtu", {}, kDistinctState);
  const std::string saved = sims.file("saved.txt");
  std::ofstream(saved) << "old";
  CliRun run = run_cli({"read", "--port", port, "--boot-wait", kBoot, "--save", saved});
  EXPECT_EQ(run.status, 0) << run.err_text();
  EXPECT_EQ(run.out, kDistinctLines);
  std::ifstream in(saved, std::ios::binary);
  const std::string record((std::istreambuf_iterator<char>(in)), {});
  EXPECT_EQ(record, std::string("DTU42//10.0.0.7//9000//dtu.example.org//cmnet//UDP//19200//60//300//13900000001//"
                                "13900000002//13900000003//13900000004//") +
                        '\0');
  EXPECT_TRUE(run.err_has("to be powered on"));
  EXPECT_TRUE(run.err_has("等待设备回应........\n"));
  EXPECT_TRUE(run.err_has("读出模块设置值成功！！\n"));
  EXPECT_TRUE(has_line(sims.state("dtu"), "OT=300")) << "a read changes nothing";

  // A file that is not there yet is made (whole).
  const std::string fresh = sims.file("fresh.txt");
  run = run_cli({"read", "--port", port, "--boot-wait", kBoot, "--save", fresh});
  EXPECT_EQ(run.status, 0) << run.err_text();
  std::ifstream made(fresh, std::ios::binary);
  EXPECT_EQ(std::string((std::istreambuf_iterator<char>(made)), {}), record);

  // A value the settings file cannot hold: the read is printed, the file left as it was.
  std::string slashes = kDistinctState;
  slashes.replace(slashes.find("DN=dtu"), 6, "DN=http://dtu");
  const std::string port2 = sims.start("slashes", {}, slashes);
  const std::string kept = sims.file("kept.txt");
  std::ofstream(kept) << "old";
  run = run_cli({"read", "--port", port2, "--boot-wait", kBoot, "--json", "--save", kept});
  EXPECT_EQ(run.status, 4) << run.err_text();
  EXPECT_EQ(run.out.rfind("{\"port\":\"" + port2 + "\",\"ok\":false,\"step\":\"save\",\"message\":\"设置值不可包含", 0), 0u)
      << run.out;
  EXPECT_NE(run.out.find(",\"settings\":{\"ID\":\"DTU42\",\"IP\":\"10.0.0.7\",\"PT\":\"9000\",\"DN\":\"http://dtu.example.org\","),
            std::string::npos)
      << run.out;
  std::ifstream kept_in(kept);
  EXPECT_EQ(std::string((std::istreambuf_iterator<char>(kept_in)), {}), "old");
}

// A listing that stops early would leave fields showing what was there before the read;
// none of it is printed or written back. The other DTU of the same call is read whole.
TEST_F(Cli, AShortListingIsRefusedWhileTheOtherPortIsRead) {
  const std::string good = sims.start("good", {}, kDistinctState);
  const std::string cut = sims.start("cut", {"--fault", "short-list=10"}, kDistinctState);
  const CliRun run = run_cli({"read", "--port", cut, "--port", good, "--boot-wait", kBoot});
  EXPECT_EQ(run.status, 6);
  EXPECT_EQ(run.out, "PORT=" + good + "\n" + kDistinctLines);
  EXPECT_TRUE(run.err_has(cut + ": failed at step read (exit status 6): the DTU's listing lacks RV2 SS1 SS2"))
      << run.err_text();
}

TEST_F(Cli, WriteStartsFromTheDtusSettingsAndAppliesEachSet) {
  const std::string port = sims.start("dtu", {}, kDistinctState);
  const CliRun run = run_cli({"write", "--port", port, "--boot-wait", kBoot, "--json", "--set", "PT=8080", "--set",
                              "ss1=13700000009", "--set", "DN=", "--set", "PT=8081"});
  EXPECT_EQ(run.status, 0) << run.err_text();
  EXPECT_EQ(run.out, "{\"port\":\"" + port + "\",\"ok\":true,\"step\":\"done\",\"message\":\"写入成功！！\"}\n");
  const std::string state = sims.state("dtu");
  for (const char* line : {"ID=DTU42", "IP=10.0.0.7", "PT=8081", "DN=", "TM=UDP", "UB=19200", "OT=300", "HT=60",
                           "RV1=13900000001", "SS1=13700000009", "SS2=13900000004"})
    EXPECT_TRUE(has_line(state, line)) << line << " in\n" << state;
  EXPECT_TRUE(run.err_has("短信控制号码 2 设置........\n写入成功！！........\n写入成功！！\n"));
}

TEST_F(Cli, ResetRestoresTheFactorySettings) {
  const std::string port = sims.start("dtu", {}, kDistinctState);
  const CliRun run = run_cli({"reset", "--port", port, "--boot-wait", kBoot, "--json"});
  EXPECT_EQ(run.status, 0) << run.err_text();
  EXPECT_EQ(run.out, "{\"port\":\"" + port + "\",\"ok\":true,\"step\":\"done\",\"message\":\"恢复出厂设置成功！！\"}\n");
  const std::string state = sims.state("dtu");
  for (const char* line : {"ID=", "PT=", "TM=TCP", "HT=120", "OT=120", "SS2="})
    EXPECT_TRUE(has_line(state, line)) << line << " in\n" << state;
}

// Refusals come before the port is opened: against a device that does not exist they
// give their own status, not "could not be opened".
TEST_F(Cli, BadCommandLinesAndValuesAreRefusedBeforeAnythingIsSent) {
  const std::string none = sims.file("no-such-device");
  for (const auto& args : std::vector<std::vector<std::string>>{
           {"frobnicate"}, {"read"}, {"read", "--port", none, "--baud", "1234"},
           {"write", "--port", none, "--set", "XX=1"}, {"reset", "--port", none, "--bogus"}}) {
    const CliRun run = run_cli(args);
    EXPECT_EQ(run.status, 2) << args[0] << ": " << run.err_text();
    EXPECT_TRUE(run.err_has("--help"));
  }

  CliRun run = run_cli({"write", "--port", none, "--from", sims.file("missing.txt")});
  EXPECT_EQ(run.status, 2);
  EXPECT_TRUE(run.err_has("cannot read it")) << run.err_text();
  const std::string short_file = sims.file("short.txt");
  std::ofstream(short_file) << "a//b//c//d//e//f//g//h//i//j//k//l//";
  run = run_cli({"write", "--port", none, "--from", short_file});
  EXPECT_EQ(run.status, 2);
  EXPECT_TRUE(run.err_has("holds 12 values")) << run.err_text();

  const std::vector<std::pair<std::string, std::string>> refused = {
      {"ID=0123456789ABCDEF", "设备ID不可大于 15 个字符！！"}, {"PT=65536", "服务器端口设置值不合法！！"},
      {"UB=abc", "工作波特率设置不合法！！"},                   {"HT=5001", "心跳间隔设置值不合法！！"},
      {"HT=", "心跳间隔设置值不合法！！"},                     {"OT=49", "字符超长设置值不合法！！"},
      {"OT=", "字符超时时长设置不可为空！"},                   {"RV1=12345678901234", "振铃唤醒号码 1 不合法！！"},
      {"SS2=   ", "短信控制号码 2 不合法！！"},                 {"IP=1.2.3.256", "not an IP address"},
  };
  for (const auto& [set, message] : refused) {
    run = run_cli({"write", "--port", none, "--json", "--set", "PT=80", "--set", set});
    EXPECT_EQ(run.status, 4) << set << ": " << run.err_text();
    EXPECT_NE(run.out.find("\"step\":\"check\",\"message\":\""), std::string::npos) << set << ": " << run.out;
    EXPECT_NE(run.out.find(message), std::string::npos) << set << ": " << run.out;
    EXPECT_TRUE(run.err_has(message)) << set;
  }

  run = run_cli({"read", "--port", none, "--json"});
  EXPECT_EQ(run.status, 3);
  EXPECT_EQ(run.out, "{\"port\":\"" + none + "\",\"ok\":false,\"step\":\"open\",\"message\":\"串口打开失败\"}\n");
  EXPECT_TRUE(run.err_has("does not exist"));

  const std::string port = sims.start("dtu", {}, kDistinctState);
  run = run_cli({"write", "--port", port, "--set", "PT=0"});
  EXPECT_EQ(run.status, 4);
  EXPECT_EQ(sims.log("dtu").find("port opened"), std::string::npos) << "the DTU's port was never opened";
}

TEST_F(Cli, NoSettingModeWhenTheDtuNeverBootsOrIgnoresTheRequest) {
  const std::string silent = sims.start("silent", {"--boot-delay", "600000"});
  CliRun run = run_cli({"read", "--port", silent, "--boot-wait", "0.5", "--json"});
  EXPECT_EQ(run.status, 5);
  EXPECT_NE(run.out.find("\"step\":\"boot\",\"message\":\"no boot banner within 0.5 s"), std::string::npos) << run.out;

  const std::string deaf = sims.start("deaf", {"--fault", "no-answer=ENTER"});
  run = run_cli({"reset", "--port", deaf, "--boot-wait", "2"});  // the banner comes about 1 s after the boot
  EXPECT_EQ(run.status, 5);
  EXPECT_TRUE(run.err_has("did not confirm the setting-mode request")) << run.err_text();
  EXPECT_TRUE(run.err_has("进入设置模式........"));
}

// Eight DTUs written from one settings file, with one change: the one that stops answering
// mid-write fails alone, the others are written whole; none is asked for its listing.
TEST_F(Cli, EightDtusAtOnceFromASettingsFileEachWithItsOwnResult) {
  std::vector<std::string> ports;
  for (int i = 0; i < 8; ++i) {
    const std::string name = "dtu" + std::to_string(i);
    ports.push_back(sims.start(name, i == 5 ? std::vector<std::string>{"--fault", "no-answer=PT"}
                                            : std::vector<std::string>{},
                               kDistinctState));
  }
  const std::string from = sims.file("data.txt");
  std::ofstream(from, std::ios::binary) << std::string(
      "F1//192.168.1.2//502//srv.example.net//uniwap//TCP//4800//90//150//111//222//333//444//\0", 85);
  std::vector<std::string> args = {"write", "--boot-wait", kBoot, "--json", "--from", from, "--set", "ID=FLEET"};
  for (const auto& p : ports) args.insert(args.end(), {"--port", p});
  const CliRun run = run_cli(args);
  EXPECT_EQ(run.status, 6) << run.err_text();
  std::string expected;
  for (int i = 0; i < 8; ++i)
    expected += "{\"port\":\"" + ports[static_cast<size_t>(i)] +
                (i == 5 ? "\",\"ok\":false,\"step\":\"PT\",\"message\":\"服务器端口设置失败！！\"}\n"
                        : "\",\"ok\":true,\"step\":\"done\",\"message\":\"写入成功！！\"}\n");
  EXPECT_EQ(run.out, expected);
  const std::string written =
      "ID=FLEET\nIP=192.168.1.2\nPT=502\nDN=srv.example.net\nAP=uniwap\nTM=TCP\nUB=4800\nOT=150\nHT=90\n"
      "RV1=111\nRV2=222\nSS1=333\nSS2=444\n";
  for (int i = 0; i < 8; ++i) {
    const std::string name = "dtu" + std::to_string(i);
    const std::string state = sims.state(name);
    if (i == 5) {
      EXPECT_TRUE(has_line(state, "IP=192.168.1.2")) << state;
      EXPECT_TRUE(has_line(state, "DN=dtu.example.org")) << "nothing after the failed step is sent\n" << state;
    } else {
      EXPECT_EQ(state, written) << name;
    }
    EXPECT_EQ(sims.log(name).find("%LIST"), std::string::npos) << name;
  }
  for (const auto& line : run.err) {
    const bool prefixed = std::any_of(ports.begin(), ports.end(), [&](const auto& p) { return line.rfind(p + ": ", 0) == 0; });
    EXPECT_TRUE(prefixed) << line;
  }
}

TEST_F(Cli, AnInterruptClosesThePortAndNamesTheStepItCut) {
  const std::string port = sims.start("dtu", {}, kDistinctState);
  const CliRun run = run_cli({"write", "--port", port, "--boot-wait", kBoot, "--json", "--set", "ID=CUT", "--set",
                              "SS2=13000000099"},
                             [](std::string_view line, platform::ChildProcesses& children) {
                               if (line == "服务器IP设置........") children.stop(0, platform::ChildStop::Interrupt);
                             });
  EXPECT_EQ(run.status, 130) << run.err_text();
  EXPECT_NE(run.out.find("\"ok\":false,\"step\":\""), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("\"message\":\"stopped by SIGINT\"}"), std::string::npos) << run.out;
  const std::string text = run.err_text();
  const size_t stop = text.find("stopped by SIGINT during step ");
  ASSERT_NE(stop, std::string::npos) << text;
  EXPECT_NE(text.find("设备未连接........", stop), std::string::npos) << "the port is closed by disconnecting";
  const std::string state = sims.state("dtu");
  EXPECT_TRUE(has_line(state, "ID=CUT"));
  EXPECT_TRUE(has_line(state, "SS2=13900000004")) << "nothing after the cut step is sent";
}

TEST_F(Cli, StoppingSeveralPortsStopsEachOne) {
  const std::string a = sims.start("a", {}, kDistinctState), b = sims.start("b", {}, kDistinctState);
  const CliRun run = run_cli({"write", "--port", a, "--port", b, "--boot-wait", kBoot, "--json"},
                             [&](std::string_view line, platform::ChildProcesses& children) {
                               if (line == a + ": 设备ID设置........") children.stop(0, platform::ChildStop::Terminate);
                             });
  EXPECT_EQ(run.status, 143) << run.err_text();
  EXPECT_NE(run.out.find("{\"port\":\"" + a + "\",\"ok\":false,"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("{\"port\":\"" + b + "\",\"ok\":false,"), std::string::npos) << run.out;
  EXPECT_EQ(run.err_text().find("did not"), std::string::npos);
}

TEST_F(Cli, PortsListTheTableWithEachDevicesState) {
  platform::posix::PseudoTerminal free_line, held_line;
  ASSERT_TRUE(free_line.valid() && held_line.valid());
  platform::SerialError error{};
  auto held = platform::posix::open_serial_device(held_line.slave_path(), error);
  ASSERT_TRUE(held);
  ::setenv("DTU_SETUP_COM3", free_line.slave_path().c_str(), 1);
  ::setenv("DTU_SETUP_COM4", sims.file("none").c_str(), 1);
  ::setenv("DTU_SETUP_COM5", held_line.slave_path().c_str(), 1);
  const CliRun run = run_cli({"ports"});
  for (const char* name : {"DTU_SETUP_COM3", "DTU_SETUP_COM4", "DTU_SETUP_COM5"}) ::unsetenv(name);
  EXPECT_EQ(run.status, 0);
  std::vector<std::string> lines;
  for (size_t at = 0, nl; (nl = run.out.find('\n', at)) != std::string::npos; at = nl + 1)
    lines.push_back(run.out.substr(at, nl - at));
  ASSERT_EQ(lines.size(), 15u) << run.out;
  auto says = [&](int com, const std::string& device, const std::string& state) {
    const std::string& line = lines[static_cast<size_t>(com - 1)];
    return line.rfind("COM" + std::to_string(com) + " ", 0) == 0 && line.find(" " + device + " ") != std::string::npos &&
           line.find(state) != std::string::npos;
  };
  EXPECT_TRUE(says(3, free_line.slave_path(), "present  can be opened")) << lines[2];
  EXPECT_TRUE(says(4, sims.file("none"), "missing")) << lines[3];
  EXPECT_TRUE(says(5, held_line.slave_path(), "present  held by another program")) << lines[4];
  EXPECT_TRUE(says(13, "/dev/ttyACM0", "")) << lines[12];
}

}  // namespace
}  // namespace cli_test
