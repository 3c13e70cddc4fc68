// The identification and the measurement poll over fuzzed replies. The input
// is the meter's side of the line: replies, each a length byte and that many
// bytes, handed out one per command through a scripted link (a reply longer
// than a read waits for the next read, as on the port). After the input the
// meter is silent. Properties: the poll always comes back to its steps, the
// family stays one the program knows, and a delivered record carries only
// unit texts of the table.
#include <algorithm>
#include <cstdint>
#include <memory>

#include "core/link/exchange.h"
#include "core/protocol/poll.h"
#include "core/protocol/tables.h"
#include "fuzz/fuzz_common.h"
#include "tests/support/poll_step.h"
#include "tests/support/scripted_link.h"

namespace dev = qv::link;
namespace proto = qv::protocol;
using qv::test::Bytes;
using qv::test::ScriptedLink;

namespace {
struct Listener : proto::PollListener {
    int deliveries = 0;
    void deviceTypeReceived(std::optional<int>) override {}
    void deliver(const proto::MeasurementRecord& r) override {
        ++deliveries;
        const auto& units = proto::unitTextTable();
        for (const std::string* u : {&r.flowVelocityUnit, &r.volumeFlowUnit, &r.totalizerUnit, &r.temperatureUnit})
            QV_FUZZ_CHECK(u->empty() || std::find(units.begin(), units.end(), *u) != units.end());
    }
};

bool knownFamily(int f) { return f >= -1 && f <= 2; }
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::size_t pos = 0;
    auto nextReply = [&](const Bytes&) {
        if (pos >= size) return Bytes{};
        const std::size_t want = data[pos++];
        const std::size_t n = std::min(want, size - pos);
        Bytes r(data + pos, data + pos + n);
        pos += n;
        return r;
    };

    int family = -1;
    {
        ScriptedLink link;
        link.respond = nextReply;
        proto::Identification id;
        // The family follows an accepted code as the session applies it.
        if (dev::identifyMeter(link, id)) proto::updateFamily(id.deviceCode, family);
        QV_FUZZ_CHECK(knownFamily(family));
    }

    dev::LinkSlot slot;
    auto link = std::make_unique<ScriptedLink>();
    link->respond = nextReply;
    slot = std::move(link);
    proto::MeasurementRecord record;
    Listener listener;
    proto::PollMachine poll(family, record, listener);
    // Ticks enough for several cycles; every tick runs one step.
    for (int tick = 0; tick < 64; ++tick) {
        if (poll.idle()) poll.start();
        qv::test::runPollStep(poll, slot);
        QV_FUZZ_CHECK(poll.step() >= 0 && poll.step() <= proto::PollMachine::kDeliveryStep);
        QV_FUZZ_CHECK(poll.lastReceived() >= 0 && poll.lastReceived() <= int(proto::kReadSize));
        QV_FUZZ_CHECK(knownFamily(family));
        // The log of a long run is of no interest and would only grow.
        static_cast<ScriptedLink*>(slot.get())->log.clear();
    }
    return 0;
}
