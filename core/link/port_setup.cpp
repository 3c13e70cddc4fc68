#include "core/link/port_setup.h"

#include <algorithm>

#include "core/text/text_numbers.h"

namespace qv::link {

qv::serial::ResolvedPort PortSetup::resolve(int number, const qv::serial::PortPin* pin, bool discover) const {
    return qv::serial::resolvePort(number, startDirectory, configured,
                                   discover ? discovery->ports() : std::vector<qv::serial::SerialPortInfo>{}, pin);
}

std::vector<qv::serial::ResolvedPort> PortSetup::resolveAll(int count, const qv::serial::PortPin* pin) const {
    const auto discovered = discovery->ports();
    std::vector<qv::serial::ResolvedPort> out;
    for (int n = 1; n <= count; ++n) out.push_back(qv::serial::resolvePort(n, startDirectory, configured, discovered, pin));
    return out;
}

qv::serial::ResolvedPort PortSetup::describe(const std::string& name) const {
    const int n = portNumberOf(name);
    return n ? resolve(n) : qv::serial::describePath(name);
}

int portNumberOf(const std::string& name) {
    std::string digits = name;
    if (digits.size() > 3 && (digits.rfind("COM", 0) == 0 || digits.rfind("com", 0) == 0)) digits = digits.substr(3);
    const bool number = !digits.empty() && digits.size() <= 2 &&
                        std::all_of(digits.begin(), digits.end(), [](char ch) { return ch >= '0' && ch <= '9'; });
    return number ? std::stoi(digits) : 0;
}

int openFailureLabel(qv::serial::OpenFailure failure) {
    using qv::serial::OpenFailure;
    namespace l = qv::text::label;
    switch (failure) {
        case OpenFailure::None: break;
        case OpenFailure::NoDevice: return l::NoDevice;
        case OpenFailure::InUse: return l::InUse;
        case OpenFailure::NoPermission: return l::NoPermission;
        case OpenFailure::Other: return l::NotSerial;
        case OpenFailure::NoServer: return l::NoServer;
        case OpenFailure::ServerRefused: return l::ServerRefused;
        case OpenFailure::ServerSilent: return l::ServerSilent;
        case OpenFailure::SettingRefused: return l::SettingRefused;
        case OpenFailure::SettingUnconfirmed: return l::SettingUnconfirmed;
    }
    return 0;
}

}  // namespace qv::link
