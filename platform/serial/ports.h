#pragma once
// Which device a port number reaches. The page offers COM1 to COM9; a number
// resolves, in this order, to an entry "COM<n>" in the start-up directory (the
// simulator's link, hand-made links), a mapping in the settings file, or the
// n-th serial port the system reports. Discovery sits behind an interface so
// tests can hand it a list and never touch the host's devices.
#include <map>
#include <string>
#include <vector>

namespace qv::serial {

struct SerialPortInfo {
    std::string path;         // what to open: the stable by-id name of an adapter, else the device node
    std::string deviceName;   // the kernel's name, e.g. "ttyUSB0"
    std::string description;  // the product, e.g. "FT232R USB UART"; may be empty
};

class PortDiscovery {
public:
    virtual ~PortDiscovery() = default;
    // Serial ports in a stable order: adapters by their by-id name, then
    // adapters without one, then built-in UARTs that really exist.
    virtual std::vector<SerialPortInfo> ports() const = 0;
};

// The system's ports, read through libudev at every call (hot-plug).
const PortDiscovery& systemPorts();
// Reports nothing: the default, so code that never chose a discovery (tests,
// benchmarks) cannot open the host's real devices.
const PortDiscovery& noPorts();

// One tty as the discovery sees it, before ordering.
struct RawPort {
    std::string devNode;          // "/dev/ttyUSB0"
    std::string byId;             // "/dev/serial/by-id/usb-..." or empty
    std::string parentSubsystem;  // "usb-serial", "pnp", "platform", ...; empty for virtual terminals
    std::string description;
    std::string byPath;           // "/dev/serial/by-path/pci-...-port0" or empty
};
// Drops virtual terminals and the placeholder UARTs a kernel creates for every
// possible 8250 port, then orders as PortDiscovery::ports promises. Two
// identical adapters without a serial number share one by-id name; they are
// told apart by the USB socket they sit in (by-path).
std::vector<SerialPortInfo> orderPorts(const std::vector<RawPort>& raw);

enum class PortSource { StartDirectory, Settings, System, None };

struct ResolvedPort {
    PortSource source = PortSource::None;
    std::string path;         // empty when the number reaches nothing
    std::string deviceName;   // "ttyUSB0", "pts/3"; empty when unknown
    std::string description;
    bool simulator = false;   // kt740-sim's terminal, told by the marker beside its link
};

// The number a technician chose and the device it reached then. It keeps
// meaning that device, present or not: a port plugged in later never takes
// its number, and the system's other ports fill the remaining numbers in
// their order.
struct PortPin {
    int number = 0;
    std::string path;
    PortSource source = PortSource::None;
};

// startDir: where "COM<n>" entries are looked for; configured: the settings
// file's [PORTS] mapping; pin: the chosen number's device, or null.
ResolvedPort resolvePort(int number, const std::string& startDir, const std::map<int, std::string>& configured,
                         const std::vector<SerialPortInfo>& discovered, const PortPin* pin = nullptr);

// A device path or a network server's address given as it is, not by a
// number: what it names, as a mapping of the settings file would.
ResolvedPort describePath(const std::string& path);

// Whether path is a link to a pseudo terminal that a running kt740-sim made:
// the file "<path>.sim" beside it names that very terminal, by its path and
// its inode change time ("/dev/pts/3\n1733412345.123456789\n"). A marker
// left behind names a terminal that is gone or was made anew, and a link
// turned elsewhere no longer leads to the terminal it names.
bool isSimulatorLink(const std::string& path);

// "COM3 – FT232R USB UART (ttyUSB0)", "COM1 – ttyS0", "COM2 – Simulator", or
// "COM5" when the number reaches nothing (UTF-8).
std::string portLabel(int number, const ResolvedPort& port);

}  // namespace qv::serial
