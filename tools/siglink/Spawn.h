// Spawn.h - start a program as a child whose serial ports are mapped.
//
// Interface summary
//   pid_t pid = Spawn(map, {"sigtx"});   the child runs behind map.Enter()
//   DescribeStatus(status)               "status 0", "signal 15"
//   ExitCodeOf(status)                   the shell's convention
//
// The child ends with its parent (SIGTERM when siglink dies), has the
// default signal dispositions and an empty signal mask, and reports its own
// failures on standard error with these exit codes: 125 when the port
// mapping could not be set up, 126 when the program cannot be run, 127 when
// it cannot be found.
#pragma once

#include <string>
#include <sys/types.h>
#include <vector>

#include "PortMap.h"

// Starts argv[0] (looked up in PATH when it has no slash). Returns the
// child's pid; throws std::system_error when no child can be made.
pid_t Spawn(const PortMap& map, const std::vector<std::string>& argv);

// Returns the wait status in words: "status N" or "signal N".
std::string DescribeStatus(int status);

// Returns the exit code a shell would give for the wait status (N, or 128 + signal).
int ExitCodeOf(int status);
