// The siglink program: the demo's way of starting the stations on the
// cable's ends and of ending, as root and as an ordinary user on a machine
// that allows no user namespaces, and its errors.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <sched.h>
#include <signal.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

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

  // The demo with two scripts for stations that must each be started with
  // "--port END" on their own end: the receiver says when it holds its end,
  // the transmitter then sends (the cable delivers to an end that is held
  // at that moment), and the receiver must read what was sent.
  std::string PingDemo() {
    const std::string d = dir_.string();
    const std::string rx = Script("rx", "[ \"$1\" = --port ] || exit 5; exec 3<>\"$2\"; touch " + d + "/ready; "
                                        "[ \"$(head -c 4 <&3)\" = ping ] || exit 3");
    const std::string tx = Script("tx", "[ \"$1\" = --port ] || exit 5; "
                                        "until [ -e " + d + "/ready ]; do sleep 0.02; done; printf ping > \"$2\"");
    // The demo wants a display for the stations; these programs need none.
    return "env DISPLAY=${DISPLAY:-:0} " + d + "/siglink demo " + tx + " " + rx;
  }

  // Runs `command` through Shell as root of a user namespace of its own
  // that may make no further user namespaces (max_user_namespaces 0), as on
  // a distribution that forbids them. Nothing when the machine cannot make
  // that namespace.
  std::optional<Result> ShellWithoutUserNamespaces(const std::string& command) {
    int ready[2], go[2];
    if (pipe(ready) != 0 || pipe(go) != 0) return std::nullopt;
    const pid_t child = fork();
    if (child == 0) {
      close(ready[0]);
      close(go[1]);
      const char unshared = unshare(CLONE_NEWUSER) == 0 ? 'y' : 'n';
      if (write(ready[1], &unshared, 1) != 1 || unshared != 'y') _exit(100);
      char mapped = 0;
      if (read(go[0], &mapped, 1) != 1 || mapped != 'y') _exit(100);
      std::ofstream("/proc/sys/user/max_user_namespaces") << "0\n";
      const Result r = Shell(command);
      std::ofstream(dir_ / "out") << r.out;
      std::ofstream(dir_ / "err") << r.err;
      _exit(r.status);
    }
    close(ready[1]);
    close(go[0]);
    char unshared = 0;
    const bool made = read(ready[0], &unshared, 1) == 1 && unshared == 'y';
    // Every id maps to itself, so the ordinary user stays who they are.
    bool mapped = made;
    for (const char* map : {"uid_map", "gid_map"}) {
      if (!mapped) break;
      std::ofstream file("/proc/" + std::to_string(child) + "/" + map);
      file << "0 0 4294967295\n" << std::flush;
      mapped = file.good();
    }
    const char answer = mapped ? 'y' : 'n';
    [[maybe_unused]] const ssize_t told = write(go[1], &answer, 1);
    close(ready[0]);
    close(go[1]);
    int raw = 0;
    waitpid(child, &raw, 0);
    if (!mapped) return std::nullopt;
    Result r;
    r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
    std::ifstream out(dir_ / "out"), err(dir_ / "err");
    std::ostringstream o, e;
    o << out.rdbuf();
    e << err.rdbuf();
    r.out = o.str();
    r.err = e.str();
    return r;
  }

  fs::path dir_;
};

}  // namespace

TEST_F(Siglink, DemoEndsWhenBothProgramsHaveEnded) {
  const std::string d = dir_.string();
  const std::string demo = "DISPLAY=${DISPLAY:-:0} " + d + "/siglink demo ";
  Result r = Shell(PingDemo());
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.err.find(d + "/tx ended with status 0"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find(d + "/rx ended with status 0"), std::string::npos) << r.err;
  const std::string tx = d + "/tx";

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

// Where user namespaces are forbidden an ordinary user's demo works all the
// same: the stations get their ends with --port.
TEST_F(Siglink, DemoWorksForAnOrdinaryUserWithoutUserNamespaces) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root to forbid user namespaces and to become another user";
  const std::string asUser = "setpriv --reuid=65534 --regid=65534 --clear-groups ";
  const std::optional<Result> r =
      ShellWithoutUserNamespaces(asUser + "unshare --user true 2>/dev/null; echo namespaces $?; " + asUser + PingDemo());
  if (!r) GTEST_SKIP() << "this machine cannot make the user namespace that forbids user namespaces";
  EXPECT_EQ(r->out, "namespaces 1\n");
  EXPECT_EQ(r->status, 0) << r->err;
  EXPECT_NE(r->err.find("tx ended with status 0"), std::string::npos) << r->err;
  EXPECT_NE(r->err.find("rx ended with status 0"), std::string::npos) << r->err;
}

TEST_F(Siglink, CommandLineErrorsAreClear) {
  const std::string s = (dir_ / "siglink").string();
  Result r = Shell(s + " --help");
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.out.find("siglink demo"), std::string::npos);
  EXPECT_NE(r.out.find("siglink cable"), std::string::npos);
  // The port mapping is gone; the stations' --port does its job.
  r = Shell(s + " run COM2=/dev/null -- true");
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("unknown command run"), std::string::npos) << r.err;
  r = Shell(s + " cable extra");
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("cable takes no arguments"), std::string::npos) << r.err;
  r = Shell(s + " demo sigtx");
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("no programs or two"), std::string::npos) << r.err;
  // A burst time is a whole number of milliseconds, 1 to 10000, for a cable.
  for (const char* bad : {"--bursts", "--bursts 0", "--bursts 10001", "--bursts 16ms", "--bursts -5"}) {
    r = Shell(s + " cable " + bad);
    EXPECT_EQ(r.status, 2) << bad;
    EXPECT_NE(r.err.find("--bursts needs a burst time"), std::string::npos) << bad << ": " << r.err;
  }
  // A bit error rate is 0 to 1; a seed goes with it.
  for (const char* bad : {"--noise", "--noise 2", "--noise -1e-3", "--noise 1e-3x", "--noise nan", "--noise 0,001"}) {
    r = Shell(s + " cable " + bad);
    EXPECT_EQ(r.status, 2) << bad;
    EXPECT_NE(r.err.find("--noise needs a bit error rate"), std::string::npos) << bad << ": " << r.err;
  }
  r = Shell(s + " cable --seed 5");
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("--seed goes with --noise"), std::string::npos) << r.err;
  r = Shell(s + " cable --noise 1e-3 --seed x");
  EXPECT_NE(r.err.find("--seed needs a whole number"), std::string::npos) << r.err;
}
