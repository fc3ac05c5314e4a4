// PortMap.h - lead a program's fixed serial device paths to chosen devices.
//
// Interface summary
//   PortMap map;
//   map.Add("COM2=/dev/ttyUSB0")    "COMn" or "/dev/ttySn" = a device
//   map.Add("COM3", "/dev/pts/5")
//   map.Check()                     every device exists, is one, is usable
//   map.Enter()                     in a child, just before exec
//
// Enter gives the calling process a private mount namespace whose /dev is a
// small tmpfs holding bind mounts of the usual nodes (null zero full random
// urandom tty ptmx, pts/, shm/, and dri/ where present) plus each mapped
// device bound onto its ttyS name. The process keeps its own user: root only
// needs a new mount namespace; anyone else also gets a user namespace that
// maps their own uid and gid to themselves, so the program runs with exactly
// the rights it had. Nothing changes outside the namespace.
//
// The errors are std::runtime_error with a sentence for a person.
#pragma once

#include <string>
#include <utility>
#include <vector>

class PortMap {
public:
  // Adds one mapping written "PORT=DEVICE". Throws on a malformed one.
  void Add(const std::string& mapping);

  // Adds one mapping: port "COMn" (the port's own rule,
  // CommPlatform::ComPortNumber: any letter case, n = 1..256 without leading
  // zeros) or "/dev/ttySn" or "ttySn" (n = 0..255), device a path. Throws std::runtime_error on a bad port name, an empty
  // device or a port mapped twice.
  void Add(const std::string& port, const std::string& device);

  // Returns the mappings as (name under /dev, device path), in order added.
  const std::vector<std::pair<std::string, std::string>>& Entries() const { return entries_; }

  // Resolves each device (symbolic links followed) and checks that it is a
  // character device that this user may read and write. Throws
  // std::runtime_error naming the first one that is not.
  void Check();

  // Builds the private /dev described above and leaves the process in it.
  // Call it in a child process only, after Check. Throws std::runtime_error;
  // when namespaces are not allowed here the text says so and names the
  // alternatives.
  void Enter() const;

private:
  std::vector<std::pair<std::string, std::string>> entries_;
};
