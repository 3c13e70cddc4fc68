#pragma once
// Puts a Meter behind a pseudo terminal, so the PC program opens a path such
// as "COM1" like a serial port and talks to the simulated meter.
#include <atomic>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "sim/meter.h"

namespace qv::sim {

class PtyServer {
 public:
  // The meter's clock is the server's: milliseconds since this constructor
  // ran, so the meter should be built with startMs 0 just before.
  // With trace on, every burst received and sent goes to traceOut as one line.
  PtyServer(Meter& meter, std::string linkPath = "COM1", bool trace = false,
            std::FILE* traceOut = stdout);
  ~PtyServer();   // closes the terminal and removes the link
  PtyServer(const PtyServer&) = delete;
  PtyServer& operator=(const PtyServer&) = delete;

  // Opens the pseudo terminal, sets it raw and creates the link to its slave
  // side (replacing an old symbolic link, never a regular file) and the marker
  // beside it. Returns false with a message in error.
  bool open(std::string& error);
  // Removes the link and the marker (those that still name this terminal) and
  // closes the terminal.
  void close();

  const std::string& slavePath() const { return slavePath_; }
  const std::string& linkPath() const { return linkPath_; }
  // "<link>.sim": tells QV-Gui that the link leads to a simulator. Two lines,
  // the terminal's path and its inode change time as seconds.nanoseconds
  // (stat's st_ctim), which a later terminal of the same number does not
  // share; so a marker left behind by a killed simulator names nothing.
  std::string markerPath() const { return linkPath_ + ".sim"; }
  uint64_t nowMs() const;

  // One round: waits at most maxWaitMs for bytes from the PC or the meter's
  // next output, then passes bytes both ways. Returns false on a fatal error.
  bool serveOnce(int maxWaitMs);
  // Serves until stop is set (looked at least every 100 ms, and at once when
  // a signal interrupts the wait). Returns 0, or 1 after a fatal error.
  // Each time toggle is found set, it is cleared and the meter's faults toggled.
  int run(const std::atomic<bool>& stop, std::atomic<bool>* toggle = nullptr);

 private:
  void sendDue();
  void writePending();
  void traceLine(const char* dir, const uint8_t* data, std::size_t n);
  void writeMarker();
  bool markerIsOurs() const;

  Meter& meter_;
  std::string linkPath_;
  bool trace_;
  std::FILE* traceOut_;
  int master_ = -1;
  int slave_ = -1;   // kept open so the master never sees a hang-up when the PC closes the port
  std::string slavePath_;
  bool linked_ = false;
  bool marked_ = false;
  int64_t startNs_;
  std::vector<uint8_t> pendingOut_;
};

}  // namespace qv::sim
