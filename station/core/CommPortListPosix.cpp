// CommPortListPosix.cpp - the serial ports of a Linux machine: plain reads
// of sysfs, /dev and udev's database, so that the list needs no library and
// works for every user (nothing here opens a device).
#include "CommPlatform.h"

#include <algorithm>
#include <cstddef>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <system_error>
#include <tuple>
#include <utility>
#include <vector>

namespace {

namespace fs = std::filesystem;

// The first line of a small file; "" when there is none.
std::string FirstLine(const fs::path& file) {
  std::ifstream in(file);
  std::string line;
  std::getline(in, line);
  return line;
}

// udev writes the spaces and odd characters of a name as underscores.
std::string Spaced(const std::string& text) {
  std::string spaced;
  for (const char c : text) {
    if (c != '_') spaced += c;
    else if (!spaced.empty() && spaced.back() != ' ') spaced += ' ';
  }
  if (!spaced.empty() && spaced.back() == ' ') spaced.pop_back();
  return spaced;
}

// The adapter's name as udev recorded it for the character device
// "major:minor": vendor and model, or "" when udev knows nothing of it.
std::string UdevDescription(const fs::path& udevRoot, const std::string& majorMinor) {
  if (majorMinor.empty()) return "";
  std::ifstream in(udevRoot / "data" / ("c" + majorMinor));
  std::map<std::string, std::string> properties;
  for (std::string line; std::getline(in, line);) {
    const std::size_t equals = line.find('=');
    if (line.rfind("E:", 0) == 0 && equals != std::string::npos)
      properties[line.substr(2, equals - 2)] = line.substr(equals + 1);
  }
  std::string model = properties["ID_MODEL_FROM_DATABASE"];
  if (model.empty()) model = Spaced(properties["ID_MODEL"]);
  const std::string vendor = Spaced(properties["ID_VENDOR"]);
  if (vendor.empty() || model.rfind(vendor, 0) == 0) return model;
  if (model.empty()) return vendor;
  return vendor + " " + model;
}

// Orders device names as a person counts: ttyS2 before ttyS10. The key is
// the name's stem, then the length of its number, then the number.
bool CountingOrder(const std::string& a, const std::string& b) {
  const auto key = [](const std::string& name) {
    std::size_t stem = name.size();
    while (stem > 0 && name[stem - 1] >= '0' && name[stem - 1] <= '9') --stem;
    return std::make_tuple(name.substr(0, stem), name.size() - stem, name.substr(stem));
  };
  return key(a) < key(b);
}

// The entries of a folder; none when it cannot be read. (Never throws: the
// list is made while a failure is being reported.)
std::vector<fs::path> Entries(const fs::path& folder) {
  std::vector<fs::path> entries;
  std::error_code error;
  for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error))
    entries.push_back(it->path());
  return entries;
}

}  // namespace

namespace CommPlatform {

std::vector<CommPortInfo> ListPortsUnder(const std::string& sysRoot, const std::string& devRoot,
                                         const std::string& udevRoot) {
  std::error_code error;
  std::vector<std::pair<std::string, std::string>> ttys;  // name, description
  for (const fs::path& tty : Entries(fs::path(sysRoot) / "class" / "tty")) {
    const std::string name = tty.filename().string();
    // Consoles, virtual terminals and pseudo-terminals have no device behind
    // them; a port this machine's /dev does not show cannot be opened.
    if (fs::symlink_status(tty / "device", error).type() == fs::file_type::not_found) continue;
    if (!fs::exists(fs::path(devRoot) / name, error)) continue;
    // A port of the kernel's serial core tells its UART type, 0 when no UART
    // answered: the kernel keeps ttyS0..ttyS3 (or more) whether or not the
    // machine has them. USB adapters (ttyUSB*, ttyACM*) have no such file.
    if (FirstLine(tty / "type") == "0") continue;
    ttys.emplace_back(name, UdevDescription(udevRoot, FirstLine(tty / "dev")));
  }
  std::sort(ttys.begin(), ttys.end(), [](const auto& a, const auto& b) { return CountingOrder(a.first, b.first); });

  // The names that stay the same when an adapter is plugged in elsewhere;
  // each leads to one of the devices above.
  std::vector<std::pair<std::string, std::string>> byId;  // device name, link
  for (const fs::path& link : Entries(fs::path(devRoot) / "serial" / "by-id")) {
    const fs::path target = fs::read_symlink(link, error);
    if (!error) byId.emplace_back(target.filename().string(), link.string());
  }
  std::sort(byId.begin(), byId.end());

  std::vector<CommPortInfo> ports;
  for (const auto& [name, description] : ttys) {
    const std::string device = (fs::path(devRoot) / name).string();
    ports.push_back({device, description});
    for (const auto& [target, link] : byId)
      if (target == name) ports.push_back({link, "the same port as " + device});
  }
  return ports;
}

std::vector<CommPortInfo> ListPorts() { return ListPortsUnder("/sys", "/dev", "/run/udev"); }

// The kernel makes and removes the node in /dev; udev then adds or removes
// the lasting name in /dev/serial/by-id (making /dev/serial for the first).
std::vector<std::string> PortFolders() { return {"/dev", "/dev/serial", "/dev/serial/by-id"}; }

bool IsPortChange(const void*) { return false; }

}  // namespace CommPlatform
