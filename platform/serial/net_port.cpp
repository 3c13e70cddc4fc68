#include "platform/serial/net_port.h"

#include <algorithm>
#include <chrono>
#include <csignal>
#include <deque>
#include <mutex>
#include <pthread.h>
#include <thread>

#include <gensio/gensio.h>
#include <gensio/gensio_os_funcs_public.h>
#include <gensio/sergensio.h>

namespace qv::serial {
namespace {

using Clock = std::chrono::steady_clock;
constexpr std::size_t kBuffered = 4096;  // like a serial port's receive buffer; the server waits beyond it

bool startsWith(const std::string& s, const char* prefix) { return s.rfind(prefix, 0) == 0; }

int msLeft(Clock::time_point deadline) {
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left > 0 ? static_cast<int>(left) : 0;
}

// Every thread that waits in the library blocks its wake signal (and
// SIGPIPE, which a broken connection would raise), as the library requires.
void prepareThread() {
    thread_local bool prepared = false;
    if (prepared) return;
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, GENSIO_DEF_WAKE_SIG);
    sigaddset(&set, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
    prepared = true;
}

// One handler for the process, as the library intends; null when it cannot be had.
gensio_os_funcs* osFuncs() {
    static gensio_os_funcs* funcs = [] {
        prepareThread();
        gensio_os_funcs* f = nullptr;
        if (gensio_default_os_hnd(GENSIO_DEF_WAKE_SIG, &f) != 0) return static_cast<gensio_os_funcs*>(nullptr);
        gensio_os_proc_data* data = nullptr;  // kept for the process's life
        gensio_os_proc_setup(f, &data);
        return f;
    }();
    prepareThread();
    return funcs;
}

// The line settings the meter needs, in the order they are asked for.
struct Setting {
    const char* name;  // the option's name in RFC 2217
    unsigned value;
    int (*ask)(sergensio*, unsigned, sergensio_done, void*);
};
constexpr Setting kSettings[] = {
    {"SET-BAUDRATE", 9600, sergensio_baud},
    {"SET-DATASIZE", 8, sergensio_datasize},
    {"SET-PARITY", SERGENSIO_PARITY_NONE, sergensio_parity},
    {"SET-STOPSIZE", 1, sergensio_stopbits},
    {"SET-CONTROL", SERGENSIO_FLOWCONTROL_NONE, sergensio_flowcontrol},
};

std::string valueText(const Setting& s, unsigned v) {
    const std::string name = s.name;
    if (name == "SET-PARITY") {
        static const char* names[] = {"?", "NONE", "ODD", "EVEN", "MARK", "SPACE"};
        return v < 6 ? names[v] : std::to_string(v);
    }
    if (name == "SET-CONTROL") {
        static const char* names[] = {"?", "NONE", "XON/XOFF", "HARDWARE"};
        return v < 4 ? names[v] : std::to_string(v);
    }
    if (name == "SET-STOPSIZE" && v == 3) return "1.5";
    return std::to_string(v);
}

std::string errorText(int err) { return gensio_err_to_str(err); }

}  // namespace

bool isNetAddress(const std::string& text) { return startsWith(text, "tcp://") || startsWith(text, "rfc2217://"); }

std::optional<NetAddress> parseNetAddress(const std::string& text) {
    NetAddress a;
    std::string rest;
    if (startsWith(text, "tcp://")) {
        rest = text.substr(6);
    } else if (startsWith(text, "rfc2217://")) {
        a.kind = NetAddress::Kind::Rfc2217;
        rest = text.substr(10);
    } else {
        return std::nullopt;
    }
    if (!rest.empty() && rest.back() == '/') rest.pop_back();
    const std::size_t colon = rest.rfind(':');
    if (colon == std::string::npos || colon == 0) return std::nullopt;
    a.host = rest.substr(0, colon);
    const std::string port = rest.substr(colon + 1);
    if (a.host.front() == '[') {
        if (a.host.size() < 3 || a.host.back() != ']') return std::nullopt;
        a.host = a.host.substr(1, a.host.size() - 2);
    } else if (a.host.find(':') != std::string::npos) {
        return std::nullopt;  // an IPv6 address needs its brackets
    }
    if (port.empty() || port.size() > 5 || !std::all_of(port.begin(), port.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return std::nullopt;
    a.port = std::stoi(port);
    if (a.port < 1 || a.port > 65535) return std::nullopt;
    if (a.host.find_first_of(", \t") != std::string::npos) return std::nullopt;  // the library's separators
    return a;
}

std::string netLabel(const NetAddress& a) {
    const bool v6 = a.host.find(':') != std::string::npos;
    return std::string(a.kind == NetAddress::Kind::Rfc2217 ? "rfc2217 " : "tcp ") + (v6 ? "[" + a.host + "]" : a.host) +
           ":" + std::to_string(a.port);
}

struct NetPort::Impl {
    // An operation waited for (open, close, a line setting). Its answer may
    // come after the wait gave up, so it lives until the connection is freed.
    struct Pending {
        Impl* d;
        bool done = false;
        int err = 0;
        unsigned value = 0;
    };

    gensio_os_funcs* o = nullptr;
    gensio_waiter* waiter = nullptr;
    gensio* io = nullptr;
    NetAddress address;
    bool opened = false;
    OpenFailure failure = OpenFailure::None;
    int reopenings = 0;
    bool lost = false;
    bool toldBroken = false;
    Clock::time_point lastAttempt{};
    std::function<void(const std::string&)> notes;
    std::deque<std::unique_ptr<Pending>> pendings;

    // Touched by the library's callbacks, which run on whichever thread waits.
    std::mutex m;
    std::deque<std::uint8_t> in;
    bool readPaused = false;
    bool broken = false;

    void note(const std::string& text) {
        if (notes) notes(text);
    }
    Pending* pending() {
        pendings.push_back(std::make_unique<Pending>(Pending{this}));
        return pendings.back().get();
    }
    static void finish(Pending* p, int err, unsigned value) {
        {
            std::lock_guard<std::mutex> lock(p->d->m);
            p->done = true;
            p->err = err;
            p->value = value;
        }
        gensio_os_funcs_wake(p->d->o, p->d->waiter);
    }
    // Runs the library until p is answered or ms have passed.
    bool waitFor(Pending* p, int ms) {
        const auto deadline = Clock::now() + std::chrono::milliseconds(ms);
        for (;;) {
            {
                std::lock_guard<std::mutex> lock(m);
                if (p->done) return true;
            }
            const int left = msLeft(deadline);
            if (left <= 0) return false;
            gensio_time t{left / 1000, (left % 1000) * 1000000};
            gensio_os_funcs_wait(o, waiter, 1, &t);
        }
    }
    void waitMs(int ms) {
        if (ms <= 0) return;
        gensio_time t{ms / 1000, (ms % 1000) * 1000000};
        gensio_os_funcs_wait(o, waiter, 1, &t);
    }

    static int onEvent(gensio* io, void* user, int event, int err, unsigned char* buf, gensiods* buflen,
                       const char* const*) {
        auto* d = static_cast<Impl*>(user);
        if (event == GENSIO_EVENT_WRITE_READY) {
            gensio_set_write_callback_enable(io, false);
            gensio_os_funcs_wake(d->o, d->waiter);
            return 0;
        }
        if (event != GENSIO_EVENT_READ) return GE_NOTSUP;
        bool pause = false;
        {
            std::lock_guard<std::mutex> lock(d->m);
            if (err) {
                d->broken = true;
                pause = true;
            } else {
                const std::size_t take = std::min<std::size_t>(*buflen, kBuffered - std::min(kBuffered, d->in.size()));
                d->in.insert(d->in.end(), buf, buf + take);
                *buflen = take;
                pause = d->in.size() >= kBuffered;
                if (pause) d->readPaused = true;
            }
        }
        if (pause) gensio_set_read_callback_enable(io, false);
        gensio_os_funcs_wake(d->o, d->waiter);
        return 0;
    }
    static void openDone(gensio*, int err, void* data) { finish(static_cast<Pending*>(data), err, 0); }
    static void closeDone(gensio*, void* data) { finish(static_cast<Pending*>(data), 0, 0); }
    static void settingDone(sergensio*, int err, unsigned value, void* data) {
        finish(static_cast<Pending*>(data), err, value);
    }

    void discard() {
        if (!io) return;
        Pending* p = pending();
        if (gensio_close(io, closeDone, p) == 0) waitFor(p, 500);
        gensio_free(io);
        io = nullptr;
        pendings.clear();
    }

    // Connects and, over Telnet, has every line setting confirmed.
    OpenFailure connect(int connectMs, std::string& why) {
        discard();
        lastAttempt = Clock::now();
        const std::string stack = std::string(address.kind == NetAddress::Kind::Rfc2217 ? "telnet(rfc2217),tcp," : "tcp,") +
                                 address.host + "," + std::to_string(address.port);
        int err = str_to_gensio(stack.c_str(), o, onEvent, this, &io);
        if (err != 0) {
            io = nullptr;
            why = errorText(err);
            return OpenFailure::NoServer;
        }
        Pending* p = pending();
        err = gensio_open(io, openDone, p);
        if (err == 0 && !waitFor(p, connectMs)) err = GE_TIMEDOUT;
        if (err == 0) err = p->err;
        if (err != 0) {
            why = errorText(err);
            discard();
            return err == GE_CONNREFUSE ? OpenFailure::ServerRefused
                   : err == GE_TIMEDOUT ? OpenFailure::ServerSilent
                                        : OpenFailure::NoServer;
        }
        {
            std::lock_guard<std::mutex> lock(m);
            in.clear();
            broken = false;
            readPaused = false;
        }
        toldBroken = false;
        gensio_set_read_callback_enable(io, true);
        note("connected: " + netLabel(address));
        if (address.kind != NetAddress::Kind::Rfc2217) return OpenFailure::None;
        sergensio* sio = gensio_to_sergensio(io);
        for (const Setting& s : kSettings) {
            const std::string asked = std::string(s.name) + " " + valueText(s, s.value);
            p = pending();
            bool answered = sio && s.ask(sio, s.value, settingDone, p) == 0 && waitFor(p, kConfirmMs) && p->err == 0;
            if (!answered) {
                note(asked + " \u2192 no answer");
                why = asked;
                discard();
                return OpenFailure::SettingUnconfirmed;
            }
            note(asked + " \u2192 " + valueText(s, p->value));
            if (p->value != s.value) {
                why = asked + " \u2192 " + valueText(s, p->value);
                discard();
                return OpenFailure::SettingRefused;
            }
        }
        return OpenFailure::None;
    }

    // A broken connection is made again, at most once in kRetryMs; true when it stands.
    bool mend() {
        bool isBroken;
        {
            std::lock_guard<std::mutex> lock(m);
            isBroken = broken || !io;
        }
        if (!isBroken) return true;
        if (!toldBroken) {
            note("connection closed: " + netLabel(address));
            toldBroken = true;
        }
        if (Clock::now() - lastAttempt < std::chrono::milliseconds(kRetryMs)) return false;
        std::string why;
        if (connect(kConfirmMs, why) != OpenFailure::None) {
            lost = true;
            return false;
        }
        ++reopenings;
        lost = false;
        return true;
    }
};

NetPort::NetPort() : d_(std::make_unique<Impl>()) {}

NetPort::~NetPort() {
    close();
    if (d_->waiter) gensio_os_funcs_free_waiter(d_->o, d_->waiter);
}

int NetPort::open(const std::string& text, std::string* error) {
    close();
    const auto address = parseNetAddress(text);
    std::string why;
    if (!address) {
        d_->failure = OpenFailure::NoServer;
        why = "not an address";
    } else if (!(d_->o = osFuncs()) || (!d_->waiter && !(d_->waiter = gensio_os_funcs_alloc_waiter(d_->o)))) {
        d_->failure = OpenFailure::Other;
        why = "no network library";
    } else {
        d_->address = *address;
        d_->failure = d_->connect(kConnectMs, why);
    }
    if (d_->failure != OpenFailure::None) {
        if (error) *error = why;
        return -1;
    }
    d_->opened = true;
    d_->lost = false;
    return 0;
}

OpenFailure NetPort::lastFailure() const { return d_->failure; }

void NetPort::close() {
    if (d_->o) prepareThread();
    d_->discard();
    d_->opened = false;
}

bool NetPort::isOpen() const { return d_->opened; }

int NetPort::read(std::uint8_t* buffer, std::size_t n) {
    if (!d_->opened) return -1;
    prepareThread();
    const auto deadline = Clock::now() + std::chrono::milliseconds(n);
    std::size_t got = 0;
    while (got < n) {
        bool resume = false, isBroken = false;
        {
            std::lock_guard<std::mutex> lock(d_->m);
            while (got < n && !d_->in.empty()) {
                buffer[got++] = d_->in.front();
                d_->in.pop_front();
            }
            if (d_->readPaused && d_->in.size() < kBuffered / 2) {
                d_->readPaused = false;
                resume = true;
            }
            isBroken = d_->broken;
        }
        if (resume && d_->io) gensio_set_read_callback_enable(d_->io, true);
        if (got == n) break;
        if (isBroken && !d_->mend()) {
            // Nothing to read from: sit out the window as a silent line would.
            std::this_thread::sleep_for(std::chrono::milliseconds(msLeft(deadline)));
            break;
        }
        const int left = msLeft(deadline);
        if (left <= 0) break;
        d_->waitMs(left);
    }
    return static_cast<int>(got);
}

std::size_t NetPort::discard(int maxMs) {
    if (!d_->opened) return 0;
    prepareThread();
    const auto deadline = Clock::now() + std::chrono::milliseconds(maxMs);
    std::size_t dropped = 0;
    // The buffer, then the backlog in the network path, which comes at the
    // network's pace once reading is enabled again, until a pause.
    for (int quiet = 0; quiet < 2;) {
        bool resume = false, got = false;
        {
            std::lock_guard<std::mutex> lock(d_->m);
            got = !d_->in.empty();
            dropped += d_->in.size();
            d_->in.clear();
            if (d_->readPaused) {
                d_->readPaused = false;
                resume = true;
            }
        }
        if (resume && d_->io) gensio_set_read_callback_enable(d_->io, true);
        quiet = got ? 0 : quiet + 1;
        const int left = msLeft(deadline);
        if (left <= 0) break;
        d_->waitMs(std::min(left, 2));
    }
    return dropped;
}

int NetPort::write(const std::uint8_t* data, std::size_t n) {
    if (!d_->opened) return -1;
    prepareThread();
    if (!d_->mend()) return -1;
    const auto deadline = Clock::now() + std::chrono::milliseconds(1000 + 2 * n);
    std::size_t sent = 0;
    while (sent < n) {
        gensiods count = 0;
        if (gensio_write(d_->io, &count, data + sent, n - sent, nullptr) != 0) {
            std::lock_guard<std::mutex> lock(d_->m);
            d_->broken = true;
            return -1;
        }
        sent += count;
        if (sent == n) break;
        if (msLeft(deadline) <= 0) return -1;
        gensio_set_write_callback_enable(d_->io, true);
        d_->waitMs(msLeft(deadline));
    }
    return 0;
}

int NetPort::reopenings() const { return d_->reopenings; }
bool NetPort::lost() const { return d_->lost; }
void NetPort::setNotes(std::function<void(const std::string&)> notes) { d_->notes = std::move(notes); }

}  // namespace qv::serial
