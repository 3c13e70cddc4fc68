#pragma once
// Where port numbers find their devices: the start-up directory's "COM<n>"
// entries, the settings file's [PORTS] mapping and the system's ports. One
// object, given to each session by its program (tests build their own).
#include <map>
#include <string>
#include <vector>

#include "platform/serial/byte_port.h"
#include "platform/serial/ports.h"

namespace qv::link {

struct PortSetup {
    // Where "COM<n>" entries are looked up; empty: the current directory.
    std::string startDirectory;
    // [PORTS] COM<n>=<device path>.
    std::map<int, std::string> configured;
    // The system's ports; none unless the program chooses them, so tests
    // and benchmarks never reach the host's real devices.
    const qv::serial::PortDiscovery* discovery = &qv::serial::noPorts();
    // A port that did not open is also told on stderr.
    bool tellFailures = true;

    // What port number n reaches now, with pin the chosen number's device.
    // Without discover the system's ports are not asked: only the names a
    // technician gave (start-up directory, settings file) count.
    qv::serial::ResolvedPort resolve(int number, const qv::serial::PortPin* pin = nullptr, bool discover = true) const;
    // Ports 1 to count, with one look at the system's ports.
    std::vector<qv::serial::ResolvedPort> resolveAll(int count, const qv::serial::PortPin* pin = nullptr) const;
    // A port as a user names it: "COM5" or "5" by its number, anything else
    // (a device path, a server's address) as it is.
    qv::serial::ResolvedPort describe(const std::string& name) const;
};

// "COM5", "com5" or "5" (1 to 99): the number; 0 for a path or an address.
int portNumberOf(const std::string& name);

// Why a port did not open, as the Settings page's labels file words it: the
// label's number, 0 for None. A network server's texts take %1 (the server)
// and some %2 (the system's reason or the server's answer).
int openFailureLabel(qv::serial::OpenFailure failure);

}  // namespace qv::link
