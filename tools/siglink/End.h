// End.h - one end of the virtual cable: a pseudo-terminal whose slave a
// program opens as its serial device, and whose master the relay holds.
//
// Interface summary
//   End end;                 opens a new pseudo-terminal (throws on failure)
//   end.Path()               the device a program opens, e.g. "/dev/pts/4"
//   end.Master()             the relay's side (non-blocking)
//   end.Watch()              readable when a program opens or closes the end
//   end.Notice(now)          take those opens and closes into account
//   end.Held()               does a program hold the end?
//   end.LookAgain(now)       ... found out afresh (after a hang-up)
//   end.NextLook()           when the relay must look again unasked
//   end.Format()             the rate and framing the program set
//   end.DiscardUnread()      empty the receive queue (Notice does it)
//   end.HoldBack(stop)       stop or restart the program's output
//   end.Pull()               the end is gone: the program's device hangs up
//
// The slave is made raw at 9600 8N1, as the port makes its device raw
// (MakeRawTermios), before anyone sees it: the default mode echoes and
// translates bytes, which would corrupt a frame that arrives before the
// program has set its port up.
//
// The relay keeps a descriptor of its own on the slave for as long as the
// end lives. It keeps the pseudo-terminal from hanging up between programs
// (a hung-up master reports POLLHUP on every poll, so the relay could not
// sleep), keeps the settings between openings, and lets the relay stop the
// program's output as a full transmit buffer does and empty the receive
// queue when the program lets go. inotify wakes the relay when a program
// opens the slave or closes it, through any path or mount. An open means
// the end is held; after a close the relay looks whether anyone still
// holds it: it lets go of its own descriptor for a moment, and the master
// reports a hang-up exactly when no other is left. The kernel reports a
// close before it has let go of the descriptor, so while the end seems
// held the relay looks a few times more, up to a second later. (Counting
// the events would not do: inotify merges identical events not yet read,
// so two opens or two closes in quick succession arrive as one.)
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
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

  using TimePoint = std::chrono::steady_clock::time_point;

  // Takes in the opens and closes of the slave since the last call: an
  // open means the end is held; after a close, or when the relay's own
  // descriptor was hung up, the relay looks again (and empties the receive
  // queue if nobody holds the end any more; see DiscardUnread), at once
  // and, while the end seems held, a few times more up to a second later.
  // Also makes a look that has fallen due by now. Returns whether anything
  // came.
  bool Notice(TimePoint now);

  // When the next look falls due (TimePoint::max() when none will).
  TimePoint NextLook() const { return nextLook_; }

  // Whether a program has the slave open, as of the last look.
  bool Held() const { return held_; }

  // Whether the relay holds a descriptor of its own on the slave. A
  // program may hang the terminal up for every holder (vhangup, as getty
  // does), the relay too, and a fresh one may be refused (a program holds
  // the device and marked it exclusive); without one the master reports
  // POLLHUP whenever no program holds the end, so it is polled only while
  // one does.
  bool Joined() const { return line_ >= 0; }

  // Looks whether anyone holds the end now, taking a fresh descriptor of
  // the relay's own on the way: after a close, a hang-up of the relay's
  // descriptor, or a POLLHUP from the master.
  void LookAgain(TimePoint now);

  // Returns the rate and framing the slave is set to now.
  CommLineSettings Format() const;

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
  int line_ = -1;   // the relay's own descriptor on the slave, read-only
  int watch_ = -1;  // inotify: opens and closes of the slave
  bool held_ = false;
  bool stopped_ = false;
  // The relay's own opens and closes that Notice has still to pass over.
  int ownOpens_ = 0;
  int ownCloses_ = 0;
  // The looks after a close: the next one, and how many came before it.
  TimePoint nextLook_ = TimePoint::max();
  std::size_t lookStep_ = 0;

  // Reads every open and close waiting at the watch and takes each in
  // (TakeEvent). Returns whether any came.
  bool TakeEvents(TimePoint now);
  // One event: an open holds the end, a close calls for a look; the
  // relay's own opens and closes (LookAgain's) are passed over.
  void TakeEvent(std::uint32_t mask, TimePoint now);
  // Whether a program hung the terminal up for every holder, the relay's
  // own descriptor too (vhangup, as getty does).
  bool RelayHungUp() const;
  // Looks at once, and again later while the end seems held.
  void LookFrom(TimePoint now);
  std::string path_;
};
