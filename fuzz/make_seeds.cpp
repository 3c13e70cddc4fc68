// Writes the generated seeds of fuzz/corpus: poll replies recorded from the
// simulator, a configuration file of each family, the PC's command streams
// and a settings file as the program writes it. Run from the source tree:
// build-fuzz/fuzz/make_seeds fuzz/corpus
#include <cstdio>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

#include "core/text/settings.h"
#include "core/params/parameters.h"
#include "sim/meter.h"

namespace {
using Bytes = std::vector<std::uint8_t>;
std::string root;

void put(const std::string& name, const Bytes& b) {
    std::ofstream out(root + "/" + name, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(b.data()), std::streamsize(b.size()));
}
Bytes bytesOf(const std::string& s) { return Bytes(s.begin(), s.end()); }

// The PC's side against the simulator: command, wait, what came back.
struct Line {
    qv::sim::Meter meter;
    std::uint64_t t = 0;
    explicit Line(int model) : meter([model] { qv::sim::MeterConfig c; c.modelCode = model; return c; }(), 0) {}
    Bytes exchange(Bytes command, int waitMs) {
        Bytes flushed;
        meter.collectDue(t, flushed);
        meter.receive(command.data(), command.size(), t);
        t += std::uint64_t(waitMs) + 80;
        Bytes reply;
        meter.collectDue(t, reply);
        return reply;
    }
};

// Replies as the replies target reads them: a length byte, the bytes.
void replies(const std::string& name, int model) {
    Line line(model);
    Bytes seed;
    auto add = [&](const Bytes& r) {
        seed.push_back(std::uint8_t(r.size()));
        seed.insert(seed.end(), r.begin(), r.end());
    };
    add(line.exchange({0x50}, 100));
    add(line.exchange({0x51}, 50));
    for (std::uint8_t c : {0x50, 0x10, 0x11, 0x12, 0x13, 0x20, 0x21, 0x40, 0x41}) add(line.exchange({c}, 40));
    if (qv::sim::familyOfModel(model) == 1) add(line.exchange({0x77}, 60));
    put("replies/" + name, seed);
}

// Chunks as the sim target reads them: header (quiet time, count), bytes.
void stream(const std::string& name, int model, const std::vector<std::pair<int, Bytes>>& chunks) {
    Bytes seed{std::uint8_t(model), 0, 1};
    for (const auto& [quiet, b] : chunks) {
        for (std::size_t at = 0; at < b.size(); at += 63) {
            const std::size_t n = std::min<std::size_t>(63, b.size() - at);
            seed.push_back(std::uint8_t((at == 0 ? quiet : 0) << 6 | n));
            seed.insert(seed.end(), b.begin() + long(at), b.begin() + long(at + n));
        }
    }
    put("sim/" + name, seed);
}
}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_seeds CORPUS_DIR\n");
        return 2;
    }
    root = argv[1];

    replies("family0", 3);
    replies("family1", 20);
    replies("family2", 33);

    for (int code : {3, 20, 33}) {
        const int family = qv::sim::familyOfModel(code);
        const auto file = qv::params::configurationFile(code, family, qv::sim::factoryBlock(family));
        put("configuration/family" + std::to_string(family) + ".cfg", file);
    }
    {
        // A file with the edits typed over: a comma, a blank, an empty line.
        auto file = qv::params::configurationFile(3, 0, qv::sim::factoryBlock(0));
        const Bytes typed = bytesOf("50\n1000\n 50,5\n0\n4\n0\n100\n2\n1,8\n0,5\n0,7\n10\n5\n");
        file.insert(file.end(), typed.begin(), typed.end());
        put("configuration/family0-typed", file);
    }

    stream("poll-family1", 20, {{1, {0x50}}, {1, {0x51}}, {1, {0x10}}, {1, {0x11}}, {1, {0x12}}, {1, {0x13}},
                                {1, {0x20}}, {1, {0x21}}, {1, {0x40}}, {1, {0x41}}, {1, {0x77}}});
    {
        Bytes frame{'B'};
        const Bytes block = qv::sim::factoryBlock(0);
        frame.insert(frame.end(), block.begin(), block.end());
        unsigned sum = 0x60;
        for (auto b : frame) sum += b;
        frame.push_back(std::uint8_t(sum));
        stream("parameters-family0", 3, {{1, {0x50}}, {2, {0x30}}, {2, {0x60}}, {2, frame}, {3, {0x50}}});
    }
    stream("lowflow-family1", 20, {{1, {0x76}}, {1, {0x04, 5, std::uint8_t(0x76 + 0x04 + 5)}}, {2, {0x76}},
                                   {1, {0x04, 0, 0x7A}}, {3, {0x77}}, {1, {0x70, 0x71, 0x72, 0x73, 0x74, 0x75}}});

    char dir[] = "/tmp/qv-seeds-XXXXXX";
    if (!::mkdtemp(dir)) return 1;
    qv::text::AppSettings s;
    qv::text::setProgramDir(s, dir);
    s.comPort = 3;
    s.language = 1;
    s.workingDir = "/home/service/Konfigurationen/";
    qv::text::writeSettings(s);
    std::ifstream in(s.iniPath, std::ios::binary);
    std::string ini((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ::unlink(s.iniPath.c_str());
    ::rmdir(dir);
    put("profile/QV-GUI.ini", bytesOf(ini));
    ini += "[PORTS]\r\nCOM3=/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0\r\n";
    put("profile/QV-GUI-ports.ini", bytesOf(ini + std::string(1, '\0') + "PFADE" + '\0' + "WORKINGDIR" + '\0' +
                                            "/media/usb stick/"));
    return 0;
}
