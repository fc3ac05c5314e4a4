// The siglink program: the port mapping as root and as an ordinary user,
// the demo's way of ending, and its errors.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <poll.h>
#include <signal.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "CommPlatform.h"
#include "PortMap.h"

namespace {

namespace fs = std::filesystem;

struct Result {
  int status = -1;  // exit code, or 128 + signal
  std::string out;
  std::string err;
};

// Runs a shell command line with a time limit; its exit code and output.
Result Shell(const std::string& command, int seconds = 20) {
  const fs::path dir = fs::temp_directory_path();
  const std::string out = dir / ("siglink-test-out-" + std::to_string(getpid()));
  const std::string err = dir / ("siglink-test-err-" + std::to_string(getpid()));
  const std::string line = "timeout -k 2 " + std::to_string(seconds) + " sh -c '" + command + "' >" + out + " 2>" + err;
  const int raw = std::system(line.c_str());
  Result r;
  r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
  auto slurp = [](const std::string& path) {
    std::ifstream in(path);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
  };
  r.out = slurp(out);
  r.err = slurp(err);
  fs::remove(out);
  fs::remove(err);
  return r;
}

// A directory everyone may enter, holding a copy of siglink, so that the
// same steps also run as an ordinary user.
class Siglink : public ::testing::Test {
protected:
  void SetUp() override {
    char name[] = "/tmp/siglink-test-XXXXXX";
    ASSERT_NE(mkdtemp(name), nullptr);
    dir_ = name;
    fs::permissions(dir_, fs::perms::all);
    fs::copy_file(SIGLINK_PATH, dir_ / "siglink");
    fs::permissions(dir_ / "siglink", fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                                           fs::perms::others_read | fs::perms::others_exec);
  }
  void TearDown() override { fs::remove_all(dir_); }

  // A script in the test directory; its path.
  std::string Script(const std::string& name, const std::string& text) {
    const fs::path path = dir_ / name;
    std::ofstream(path) << "#!/bin/sh\n" << text << "\n";
    fs::permissions(path, fs::perms::all);
    return path;
  }

  // A cable (unpaced) with a program run on its first end as COM2: the
  // program must see the end at /dev/ttyS1 (and no other ttyS), and what
  // it writes there must reach the second end. The whole runs as the given
  // prefix (empty, or a command that drops to another user).
  Result MapThroughCable(const std::string& asUser) {
    Script("inside", R"SH(
      [ -c /dev/ttyS1 ] || { echo "no /dev/ttyS1"; exit 3; }
      [ ! -e /dev/ttyS0 ] && [ ! -e /dev/ttyS2 ] || { echo "other ttyS present"; exit 3; }
      [ "$(stat -L -c %t:%T /dev/ttyS1)" = "$1" ] || { echo "wrong device"; exit 3; }
      echo ok > /dev/null && head -c 4 /dev/zero | wc -c | grep -q 4 || { echo "usual nodes missing"; exit 3; }
      printf mapped > /dev/ttyS1)SH");
    // The polls wait for a condition (both ends named, the reader holding
    // its end), each within the whole run's time limit.
    const std::string steps = Script("steps", R"SH(
      cd "$(dirname "$0")" || exit 3
      ./siglink cable --no-pace > ends & cable=$!
      until [ "$(wc -l < ends)" -ge 2 ]; do sleep 0.02; done
      a=$(sed -n 1p ends); b=$(sed -n 2p ends)
      (exec 3< "$b"; touch held; exec timeout 5 head -c 6 <&3 > got) & reader=$!
      until [ -e held ]; do sleep 0.02; done
      ./siglink run COM2="$a" -- ./inside "$(stat -L -c %t:%T "$a")"; rc=$?
      wait $reader; kill $cable; wait $cable; cat got; exit $rc)SH");
    return Shell(asUser + " " + steps);
  }

  fs::path dir_;
};

}  // namespace

TEST(PortMap, NamesAndErrors) {
  PortMap map;
  map.Add("COM2=/dev/null");
  map.Add("/dev/ttyS2", "/dev/zero");
  map.Add("ttyS0", "/dev/full");
  map.Add("COM256", "/dev/null");
  ASSERT_EQ(map.Entries().size(), 4u);
  EXPECT_EQ(map.Entries()[0].first, "ttyS1");
  EXPECT_EQ(map.Entries()[1].first, "ttyS2");
  EXPECT_EQ(map.Entries()[2].first, "ttyS0");
  EXPECT_EQ(map.Entries()[3].first, "ttyS255");
  EXPECT_THROW(map.Add("COM3", "/dev/null"), std::runtime_error);  // ttyS2 again
  for (const char* bad : {"COM0=/dev/null", "COM257=/dev/null", "COMX=/dev/null", "ttyUSB0=/dev/null",
                          "COM5", "COM5=", "=/dev/null", "COM-1=/dev/null"}) {
    PortMap other;
    EXPECT_THROW(other.Add(std::string(bad)), std::runtime_error) << bad;
  }

  PortMap missing;
  missing.Add("COM2", "/nonexistent/ttyUSB9");
  EXPECT_THROW(missing.Check(), std::runtime_error);
  PortMap regular;
  regular.Add("COM2", "/etc/hostname");
  try {
    regular.Check();
    ADD_FAILURE() << "a regular file was accepted";
  } catch (const std::runtime_error& e) {
    EXPECT_NE(std::string(e.what()).find("not a character device"), std::string::npos);
  }
}

// siglink binds exactly the device the port opens for a COM name and takes
// none the port refuses (the rule's cases: tests/port/CommPortTest.cpp).
TEST(PortMap, TakesComNamesByThePortsRule) {
  for (const char* name : {"COM1", "COM256", "COM257", "COM0", "COM02", "com2", "cOm10", "", "COMx", "COM2x"}) {
    const std::string device = CommPlatform::DevicePath(name);
    PortMap map;
    if (device.empty()) {
      EXPECT_THROW(map.Add(name, "/dev/null"), std::runtime_error) << name;
      continue;
    }
    map.Add(name, "/dev/null");
    ASSERT_EQ(map.Entries().size(), 1u) << name;
    EXPECT_EQ("/dev/" + map.Entries()[0].first, device) << name;
  }
  // A path the port would open as it is, but that names no ttyS0..ttyS255.
  for (const char* bad : {"/dev/x", "/dev/ttyS256", "/dev/ttyS01", "ttyS01"}) {
    PortMap map;
    EXPECT_THROW(map.Add(bad, "/dev/null"), std::runtime_error) << bad;
  }
}

TEST_F(Siglink, MapsACableEndOntoTtyS1) {
  const Result r = MapThroughCable("");
  EXPECT_EQ(r.status, 0) << r.out << r.err;
  EXPECT_EQ(r.out, "mapped");
}

TEST_F(Siglink, MapsForAnOrdinaryUserThroughAUserNamespace) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root to become another user";
  const Result r = MapThroughCable("setpriv --reuid=65534 --regid=65534 --clear-groups");
  if (r.status == 125 && r.err.find("does not let this user") != std::string::npos)
    GTEST_SKIP() << "this machine allows no unprivileged user namespaces: " << r.err;
  EXPECT_EQ(r.status, 0) << r.out << r.err;
  EXPECT_EQ(r.out, "mapped");
}

TEST_F(Siglink, DemoEndsWhenBothProgramsHaveEnded) {
  const std::string d = dir_.string();
  // The demo wants a display for the stations; these programs need none.
  const std::string demo = "DISPLAY=${DISPLAY:-:0} " + d + "/siglink demo ";
  // The receiver says when it holds its port; the transmitter then sends
  // (the cable delivers to an end that is held at that moment).
  const std::string rx = Script("rx", "exec 3<>/dev/ttyS2; touch " + d + "/ready; "
                                      "[ \"$(head -c 4 <&3)\" = ping ] || exit 3");
  const std::string tx = Script("tx", "until [ -e " + d + "/ready ]; do sleep 0.02; done; "
                                      "printf ping > /dev/ttyS1");
  Result r = Shell(demo + tx + " " + rx);
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.err.find(tx + " ended with status 0"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find(rx + " ended with status 0"), std::string::npos) << r.err;

  // A failing program makes the demo fail with its status.
  const std::string fails = Script("fails", "exit 4");
  r = Shell(demo + "--no-pace " + tx + " " + fails + "; echo status $?");
  fs::remove(dir_ / "ready");
  EXPECT_NE(r.out.find("status 4"), std::string::npos) << r.out << r.err;

  // A program that cannot be found: 127, and the other one still ends.
  r = Shell(demo + "--no-pace " + d + "/nonexistent " + fails);
  EXPECT_EQ(r.status, 127) << r.err;
  EXPECT_NE(r.err.find("cannot run"), std::string::npos) << r.err;

  // An interrupt ends both programs and the demo. The programs run long
  // (the sleep is the program); the interrupt comes once both have started.
  const std::string waits = Script("waits", "touch " + d + "/started-$$; exec sleep 30");
  r = Shell(demo + waits + " " + waits + " & pid=$!; "
            "until [ \"$(ls " + d + " | grep -c started-)\" -ge 2 ]; do sleep 0.02; done; "
            "kill -INT $pid; wait $pid");
  EXPECT_EQ(r.status, 128 + SIGTERM) << r.err;
  EXPECT_NE(r.err.find("ended with signal 15"), std::string::npos) << r.err;
}

// Without a display the stations' Qt would abort; the demo says so in one
// line and starts neither program.
TEST_F(Siglink, DemoWithoutADisplayStartsNoStation) {
  const std::string d = dir_.string();
  const std::string station = Script("station", "touch " + d + "/started");
  const Result r = Shell("env -u DISPLAY -u WAYLAND_DISPLAY " + d + "/siglink demo " + station + " " + station);
  EXPECT_EQ(r.status, 1) << r.err;
  EXPECT_NE(r.err.find("display"), std::string::npos) << r.err;
  EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
  EXPECT_FALSE(fs::exists(dir_ / "started"));
}

TEST_F(Siglink, CommandLineErrorsAreClear) {
  const std::string s = (dir_ / "siglink").string();
  Result r = Shell(s + " --help");
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.out.find("siglink run PORT=DEVICE"), std::string::npos);
  r = Shell(s + " run COM2=/dev/null");
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("needs a program"), std::string::npos) << r.err;
  r = Shell(s + " run COM2=/nonexistent -- true");
  EXPECT_EQ(r.status, 125);
  EXPECT_NE(r.err.find("/nonexistent"), std::string::npos) << r.err;
  r = Shell(s + " run COM9=/etc/hostname -- true");
  EXPECT_EQ(r.status, 125);
  EXPECT_NE(r.err.find("not a character device"), std::string::npos) << r.err;
  // A burst time is a whole number of milliseconds, 1 to 10000, for a cable.
  for (const char* bad : {"--bursts", "--bursts 0", "--bursts 10001", "--bursts 16ms", "--bursts -5"}) {
    r = Shell(s + " cable " + bad);
    EXPECT_EQ(r.status, 2) << bad;
    EXPECT_NE(r.err.find("--bursts needs a burst time"), std::string::npos) << bad << ": " << r.err;
  }
  r = Shell(s + " run --bursts 16 COM2=/dev/null -- true");
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("belong to a cable"), std::string::npos) << r.err;
}
