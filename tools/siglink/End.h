// End.h - one end of the virtual cable: a pseudo-terminal whose slave a
// program opens as its serial device, and whose master the relay holds.
//
// Interface summary
//   End end;                 opens a new pseudo-terminal (throws on failure)
//   end.Path()               the device a program opens, e.g. "/dev/pts/4"
//   end.Master()             the relay's side (non-blocking)
//   end.Status()             plugged in? bytes waiting from the program?
//   end.Format()             the rate and framing the program set
//   end.DiscardUnread()      empty the receive queue once nobody holds it
//   end.Pull()               the end is gone: the program's device hangs up
//
// The slave is made raw at 9600 8N1 before anyone sees it: the default mode
// echoes and translates bytes, which would corrupt a frame that arrives
// before the program has set its port up. The relay keeps no slave open, so
// the master reports a hang-up exactly while no program holds this end; the
// settings stay with the pseudo-terminal between openings.
#pragma once

#include <string>

#include "Line.h"

class End {
public:
  End();
  ~End();
  End(const End&) = delete;
  End& operator=(const End&) = delete;

  // Returns the path of the slave device.
  const std::string& Path() const { return path_; }

  // Returns the master's file descriptor.
  int Master() const { return master_; }

  struct State {
    bool Plugged;   // a program has the slave open
    bool Readable;  // the program wrote bytes the relay has not taken yet
  };
  // Looks at the master without waiting. Returns what it saw.
  State Status() const;

  // Returns the rate and framing the slave is set to now.
  LineFormat Format() const;

  // Discards what the last program left unread at this end, as a serial
  // port does when it is closed, so the next program starts with an empty
  // receive queue. Returns nothing; an end held again meanwhile is left be.
  void DiscardUnread() const;

  // Closes the master for good, as when a USB adapter is pulled out: the
  // program's reads and writes on the slave fail from now on. Returns nothing.
  void Pull();

  // Returns whether Pull has been called.
  bool Pulled() const { return master_ < 0; }

private:
  int master_ = -1;
  std::string path_;
};
