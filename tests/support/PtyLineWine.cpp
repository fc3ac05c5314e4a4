// PtyLineWine.cpp - PtyLine for the Windows build's tests under wine: the
// line is a siglink cable that tests/support/wine-line.sh plugs into two
// COM names of the wine prefix; the test plays the far end on the second
// name through TCommPort, and watches the station's receive queue through a
// handle of its own on the first.
#include "PtyLine.h"

#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <stdexcept>

#include "StationSetUp.h"
#include "WaitUntil.h"

namespace {

using namespace std::chrono_literals;

// A Unix path as a Windows program under wine reaches it: wine's drive Z:
// is the Unix root.
std::string OnZ(const std::string& path) { return "Z:" + path; }

// Runs wine-line.sh ACTION FOLDER [ARGUMENT] and waits for its end, which
// FOLDER/done tells: wine starts a Unix program without waiting for it.
void RunScript(const std::string& action, const std::string& folder, const std::string& argument = "") {
  const std::string done = OnZ(folder + "/done");
  DeleteFileA(done.c_str());
  std::string command = "Z:\\bin\\bash \"" SIG_WINE_LINE "\" " + action + " \"" + folder + "\" \"" + argument + "\"";
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
    throw std::runtime_error("cannot run " + command);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  if (!WaitUntil([&] { return GetFileAttributesA(done.c_str()) != INVALID_FILE_ATTRIBUTES; }, 10s))
    throw std::runtime_error("wine-line.sh " + action + " did not end; see " + folder + ".log");
}

}  // namespace

PtyLine::PtyLine() {
  static std::atomic<int> made{0};
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  if (runtime == nullptr) throw std::runtime_error("no XDG_RUNTIME_DIR: run the test through private-runtime.sh");
  folder_ = std::string(runtime) + "/line" + std::to_string(++made);
  Plug();
}

// The COM name outlives the cable behind it.
PtyLine::PtyLine(Lasting) : PtyLine() {}

void PtyLine::Pull() {
  RunScript("pull", folder_, "keep");
  // The test's own handles reach nothing any more.
  ReleasePort(station_);
  ReleasePort(far_);
}

void PtyLine::Plug() {
  RunScript("plug", folder_, SIG_SIGLINK_PATH);
  std::ifstream names(OnZ(folder_ + "/names"));
  std::string farEnd;
  if (!(names >> path_ >> farEnd)) throw std::runtime_error("no cable; see " + folder_ + ".log");
  station_.Open(path_);
  far_.Open(farEnd);
}

PtyLine::~PtyLine() {
  try {
    if (!pulled_) RunScript("pull", folder_);
  } catch (const std::exception&) {
    // The test's end ends the cable all the same (wine-line.sh).
  }
}

void PtyLine::Send(const std::vector<std::uint8_t>& bytes) const {
  for (std::uint8_t b : bytes) far_.SendByte(b);
}

void PtyLine::SendByteByByte(const std::vector<std::uint8_t>& bytes) const { Send(bytes); }

std::chrono::steady_clock::duration PtyLine::SendInBursts(const std::vector<std::uint8_t>& bytes,
                                                          std::size_t burst,
                                                          std::chrono::milliseconds every) const {
  using Clock = std::chrono::steady_clock;
  auto due = Clock::now();
  auto last = due;
  Clock::duration longest{};
  for (std::size_t at = 0; at < bytes.size(); at += burst, due += every) {
    std::this_thread::sleep_until(due);  // the adapter's pace
    longest = std::max(longest, Clock::now() - last);
    last = Clock::now();
    Send({bytes.begin() + static_cast<std::ptrdiff_t>(at),
          bytes.begin() + static_cast<std::ptrdiff_t>(std::min(at + burst, bytes.size()))});
  }
  return longest;
}

std::vector<std::uint8_t> PtyLine::Collect(std::size_t count, int idleMs) const {
  std::vector<std::uint8_t> bytes;
  std::uint8_t chunk[256];
  auto last = std::chrono::steady_clock::now();
  while (bytes.size() < count && std::chrono::steady_clock::now() - last < std::chrono::milliseconds(idleMs)) {
    const std::uint32_t got = far_.Receive(chunk, static_cast<std::uint32_t>(std::min(sizeof chunk, count - bytes.size())));
    if (got > 0) last = std::chrono::steady_clock::now();
    bytes.insert(bytes.end(), chunk, chunk + got);
  }
  return bytes;
}

void PtyLine::HangUp() {
  RunScript("pull", folder_);
  pulled_ = true;
}

int PtyLine::Queued() const {
  try {
    return static_cast<int>(station_.InputCount());
  } catch (const ECommError&) {
    return 0;  // the line is gone
  }
}

bool PtyLine::WaitQueued(int count, int timeoutMs) const {
  return WaitUntil([this, count] { return Queued() >= count; }, std::chrono::milliseconds(timeoutMs));
}

// Bytes go in on the station's side until one is not taken within the
// write time-out: the far end's queue, the cable and the station's side
// hold all they can, and nothing moves while nobody reads the far end.
std::size_t PtyLine::Fill() const {
  for (std::size_t total = 0; total < 1024 * 1024; ++total) {
    try {
      station_.SendByte(0x55);
    } catch (const ECommError& e) {
      return IsWriteTimeout(e) ? total : 0;
    }
  }
  return 0;
}

PtyRelay::PtyRelay(const PtyLine& from, const PtyLine& to) : thread_([this, &from, &to] { Run(from.far_, &to.far_); }) {}

PtyRelay::PtyRelay(const PtyLine& from) : thread_([this, &from] { Run(from.far_, nullptr); }) {}

PtyRelay::~PtyRelay() { Stop(); }

void PtyRelay::Stop() {
  stop_ = true;
  if (thread_.joinable()) thread_.join();
}

void PtyRelay::Run(TCommPort& from, TCommPort* to) {
  std::uint8_t buffer[64];  // a silent read returns within 314 ms: a stop waits no longer
  try {
    while (!stop_) {
      const std::uint32_t got = from.Receive(buffer, sizeof buffer);
      for (std::uint32_t i = 0; to != nullptr && i < got; ++i) to->SendByte(buffer[i]);
    }
  } catch (const ECommError&) {
    // A line gone ends the relay, as on Linux.
  }
}
