#include "platform/serial/ports.h"

#include "platform/serial/net_port.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <libudev.h>
#include <map>
#include <memory>
#include <sys/stat.h>
#include <tuple>
#include <unistd.h>

namespace qv::serial {
namespace {

bool startsWith(const std::string& s, const char* prefix) { return s.rfind(prefix, 0) == 0; }

// Where a path finally leads; the path itself when it leads nowhere yet (a
// link to an adapter that is not plugged in still names the adapter).
std::string target(const std::string& path) {
    char buf[PATH_MAX];
    if (realpath(path.c_str(), buf)) return buf;
    const ssize_t n = readlink(path.c_str(), buf, sizeof buf - 1);
    return n > 0 ? std::string(buf, static_cast<std::size_t>(n)) : path;
}

std::string deviceNameOf(const std::string& path) {
    if (auto net = parseNetAddress(path)) return netLabel(*net);
    std::string t = target(path);
    // A stable name of an adapter that is not plugged in: its own last part.
    if (startsWith(t, "/dev/serial/")) return t.substr(t.rfind('/') + 1);
    return startsWith(t, "/dev/") ? t.substr(5) : t;
}

// "ttyS10" after "ttyS2": the name's letters, then its number.
std::tuple<std::string, long, std::string> naturalKey(const std::string& node) {
    std::size_t end = node.size();
    while (end > 0 && node[end - 1] >= '0' && node[end - 1] <= '9') --end;
    const long number = end < node.size() ? std::strtol(node.c_str() + end, nullptr, 10) : -1;
    return {node.substr(0, end), number, node};
}

// udev escapes blanks in model names as \x20.
std::string unescape(const char* text) {
    std::string out;
    for (const char* p = text; *p; ++p) {
        if (p[0] == '\\' && p[1] == 'x' && std::isxdigit(static_cast<unsigned char>(p[2])) &&
            std::isxdigit(static_cast<unsigned char>(p[3]))) {
            out.push_back(static_cast<char>(std::strtol(std::string(p + 2, 2).c_str(), nullptr, 16)));
            p += 3;
        } else {
            out.push_back(*p);
        }
    }
    return out;
}

std::string describe(udev_device* dev) {
    if (const char* enc = udev_device_get_property_value(dev, "ID_MODEL_ENC")) return unescape(enc);
    if (const char* model = udev_device_get_property_value(dev, "ID_MODEL")) {
        std::string s = model;
        std::replace(s.begin(), s.end(), '_', ' ');
        return s;
    }
    if (const char* db = udev_device_get_property_value(dev, "ID_MODEL_FROM_DATABASE")) return db;
    // Without a udev daemon the USB device's own product string is still in sysfs.
    if (udev_device* usb = udev_device_get_parent_with_subsystem_devtype(dev, "usb", "usb_device"))
        if (const char* product = udev_device_get_sysattr_value(usb, "product")) return product;
    return {};
}

class UdevPorts : public PortDiscovery {
public:
    std::vector<SerialPortInfo> ports() const override {
        std::vector<RawPort> raw;
        udev* u = udev_new();
        if (!u) return {};
        udev_enumerate* e = udev_enumerate_new(u);
        udev_enumerate_add_match_subsystem(e, "tty");
        udev_enumerate_scan_devices(e);
        udev_list_entry* entry;
        udev_list_entry_foreach(entry, udev_enumerate_get_list_entry(e)) {
            udev_device* dev = udev_device_new_from_syspath(u, udev_list_entry_get_name(entry));
            if (!dev) continue;
            const char* node = udev_device_get_devnode(dev);
            udev_device* parent = udev_device_get_parent(dev);
            if (node && parent) {
                RawPort p;
                p.devNode = node;
                if (const char* sub = udev_device_get_subsystem(parent)) p.parentSubsystem = sub;
                udev_list_entry* link;
                udev_list_entry_foreach(link, udev_device_get_devlinks_list_entry(dev)) {
                    std::string name = udev_list_entry_get_name(link);
                    if (startsWith(name, "/dev/serial/by-id/")) p.byId = name;
                    if (startsWith(name, "/dev/serial/by-path/")) p.byPath = name;
                }
                p.description = describe(dev);
                raw.push_back(std::move(p));
            }
            udev_device_unref(dev);
        }
        udev_enumerate_unref(e);
        udev_unref(u);
        return orderPorts(raw);
    }
};

class NoPorts : public PortDiscovery {
public:
    std::vector<SerialPortInfo> ports() const override { return {}; }
};

}  // namespace

const PortDiscovery& systemPorts() {
    static UdevPorts ports;
    return ports;
}

const PortDiscovery& noPorts() {
    static NoPorts ports;
    return ports;
}

std::vector<SerialPortInfo> orderPorts(const std::vector<RawPort>& raw) {
    struct Keyed {
        int group;
        std::tuple<std::string, long, std::string> key;
        SerialPortInfo info;
    };
    std::map<std::string, int> byIdUses;
    for (const RawPort& p : raw)
        if (!p.byId.empty()) ++byIdUses[p.byId];
    std::vector<Keyed> keyed;
    for (const RawPort& p : raw) {
        if (p.parentSubsystem.empty()) continue;  // consoles, pseudo terminals
        const std::string name = startsWith(p.devNode, "/dev/") ? p.devNode.substr(5) : p.devNode;
        // The 8250 driver registers every possible port on the platform bus;
        // the ones that really exist hang off pnp, pci and the like.
        if (p.byId.empty() && p.parentSubsystem == "platform" && startsWith(name, "ttyS")) continue;
        const bool adapter = !p.byId.empty() || startsWith(p.parentSubsystem, "usb");
        const int group = !p.byId.empty() ? 0 : adapter ? 1 : 2;
        // A by-id name that two adapters share leads to only one of them.
        std::string stable = p.byId;
        if (!stable.empty() && byIdUses[stable] > 1 && !p.byPath.empty()) stable = p.byPath;
        SerialPortInfo info{stable.empty() ? p.devNode : stable, name, p.description};
        keyed.push_back({group, group == 0 ? std::make_tuple(p.byId, 0L, stable) : naturalKey(name), std::move(info)});
    }
    std::sort(keyed.begin(), keyed.end(),
              [](const Keyed& a, const Keyed& b) { return std::tie(a.group, a.key) < std::tie(b.group, b.key); });
    std::vector<SerialPortInfo> out;
    for (auto& k : keyed) out.push_back(std::move(k.info));
    return out;
}

ResolvedPort resolvePort(int number, const std::string& startDir, const std::map<int, std::string>& configured,
                         const std::vector<SerialPortInfo>& discovered, const PortPin* pin) {
    ResolvedPort r;
    std::string local = startDir;
    if (!local.empty() && local.back() != '/') local += '/';
    local += "COM" + std::to_string(number);
    struct stat st{};
    const bool pinned = pin && !pin->path.empty();
    if (pinned && pin->number == number) {
        r = {pin->source, pin->path, deviceNameOf(pin->path), {}};
    } else if (::lstat(local.c_str(), &st) == 0) {
        r = {PortSource::StartDirectory, local, deviceNameOf(local), {}};
    } else if (auto it = configured.find(number); it != configured.end() && !it->second.empty()) {
        r = {PortSource::Settings, it->second, deviceNameOf(it->second), {}};
    } else {
        // A chosen system port keeps its number; the others take the rest in order.
        const bool skip = pinned && pin->source == PortSource::System;
        const std::string chosen = skip ? target(pin->path) : std::string();
        int k = number - (skip && pin->number < number ? 1 : 0);
        for (const SerialPortInfo& p : discovered) {
            if (skip && target(p.path) == chosen) continue;
            if (--k == 0) return {PortSource::System, p.path, p.deviceName, p.description};
        }
        return r;
    }
    if (isNetAddress(r.path)) return r;  // a server: nothing on this machine to look at
    r.simulator = isSimulatorLink(r.path);
    // A link or mapping to a port the system knows gets that port's product
    // name, and a chosen system port its name as the system reports it.
    const std::string t = target(r.path);
    for (const SerialPortInfo& p : discovered) {
        if (target(p.path) != t) continue;
        r.description = p.description;
        if (r.source == PortSource::System) r.deviceName = p.deviceName;
    }
    return r;
}

ResolvedPort describePath(const std::string& path) {
    ResolvedPort r{PortSource::Settings, path, deviceNameOf(path), {}};
    if (!isNetAddress(path)) r.simulator = isSimulatorLink(path);
    return r;
}

bool isSimulatorLink(const std::string& path) {
    const std::string t = target(path);
    struct stat st{};
    // A simulator lives on a pseudo terminal only: a real device is never one.
    if (!startsWith(t, "/dev/pts/") || ::stat(t.c_str(), &st) != 0 || !S_ISCHR(st.st_mode)) return false;
    // Non-blocking, so a FIFO of that name cannot hold up the port list.
    const int fd = ::open((path + ".sim").c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return false;
    struct stat marker{};
    char text[160];
    const ssize_t n = ::fstat(fd, &marker) == 0 && S_ISREG(marker.st_mode) ? ::read(fd, text, sizeof text) : -1;
    ::close(fd);
    char expected[160];
    const int m = std::snprintf(expected, sizeof expected, "%s\n%lld.%09ld\n", t.c_str(),
                                static_cast<long long>(st.st_ctim.tv_sec), static_cast<long>(st.st_ctim.tv_nsec));
    return n > 0 && m > 0 && m < static_cast<int>(sizeof expected) &&
           std::string(text, static_cast<std::size_t>(n)) == expected;
}

std::string portLabel(int number, const ResolvedPort& port) {
    std::string label = "COM" + std::to_string(number);
    if (port.source == PortSource::None) return label;
    label += " \u2013 ";
    if (port.simulator) return label + "Simulator";
    if (port.description.empty()) return label + port.deviceName;
    return label + port.description + " (" + port.deviceName + ")";
}

}  // namespace qv::serial
