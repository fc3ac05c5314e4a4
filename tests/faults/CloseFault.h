// CloseFault.h - a link-time seam (ld --wrap=close) that makes the close of
// one device fail as Linux lets it: the descriptor is released, yet close()
// reports EIO.
//
// Interface summary
//   FailNextCloseOf("/dev/pts/7")   the next close of that device fails
//   CloseFaultsLeft()               0 once the armed close has happened
//
// Only the binary linked with -Wl,--wrap=close sees the seam; every other
// close passes straight through.
#pragma once

#include <string>

// Arms the seam for the next close of a descriptor open on `device`.
void FailNextCloseOf(const std::string& device);

// How many armed closes have not happened yet (0 or 1).
int CloseFaultsLeft();
