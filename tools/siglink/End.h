// End.h - one end of the virtual cable: a pseudo-terminal whose slave a
// program opens as its serial device, and whose master the relay holds.
//
// Interface summary
//   End end;                 opens a new pseudo-terminal (throws on failure)
//   end.Path()               the device a program opens, e.g. "/dev/pts/4"
//   end.Master()             the relay's side (non-blocking)
//   end.Watch()              readable when a program opens or closes the end
//   end.Notice()             take those opens and closes into account
//   end.Held()               does a program hold the end?
//   end.Rejoin()             the relay's own hold after a hang-up
//   end.Format()             the rate and framing the program set
//   end.DiscardUnread()      empty the receive queue (Notice does it)
//   end.HoldBack(stop)       stop or restart the program's output
//   end.Pull()               the end is gone: the program's device hangs up
//
// The slave is made raw at 9600 8N1 before anyone sees it: the default mode
// echoes and translates bytes, which would corrupt a frame that arrives
// before the program has set its port up.
//
// The relay keeps a descriptor of its own on the slave for as long as the
// end lives. It keeps the pseudo-terminal from hanging up between programs
// (a hung-up master reports POLLHUP on every poll, so the relay could not
// sleep), keeps the settings between openings, and lets the relay stop the
// program's output as a full transmit buffer does and empty the receive
// queue when the program lets go. Whether a program holds the end comes
// from inotify: each open of the slave, through any path or mount, and each
// last close of an open file is an event, so the relay sleeps until one
// comes.
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

  // Returns a descriptor that is readable while opens or closes of the
  // slave wait to be noticed.
  int Watch() const { return watch_; }

  // Counts the opens and closes of the slave since the last call, discards
  // the receive queue when the last program has let go (see
  // DiscardUnread), and takes a fresh hold of a hung-up slave (Rejoin).
  // Returns whether one came.
  bool Notice();

  // Whether a program has the slave open, as of the last Notice.
  bool Held() const { return holders_ > 0; }

  // Whether the relay holds a descriptor of its own on the slave. A
  // program may hang the terminal up for every holder (vhangup, as getty
  // does), the relay too; without a hold of its own the master reports
  // POLLHUP whenever no program holds the end, so it must not be polled.
  bool Joined() const { return line_ >= 0; }

  // Opens the relay's own descriptor on the slave afresh after a hang-up.
  // Returns whether it worked; when it did not (a program holds the device
  // and marked it exclusive), the next open or close of the slave is the
  // next chance.
  bool Rejoin();

  // Returns the rate and framing the slave is set to now.
  LineFormat Format() const;

  // Discards what the last program left unread at this end, as a serial
  // port does when it is closed, so the next program starts with an empty
  // receive queue.
  void DiscardUnread() const;

  // Stops (true) or restarts (false) the program's output on this end: its
  // writes are refused, or block, while stopped.
  void HoldBack(bool stop);

  // Closes the master for good, as when a USB adapter is pulled out: the
  // program's reads and writes on the slave fail from now on.
  void Pull();

  // Returns whether Pull has been called.
  bool Pulled() const { return master_ < 0; }

private:
  int master_ = -1;
  int line_ = -1;   // the relay's own descriptor on the slave
  int watch_ = -1;  // inotify: opens and closes of the slave
  int holders_ = 0;  // open files of the slave, the relay's own not counted
  bool stopped_ = false;
  std::string path_;
};
