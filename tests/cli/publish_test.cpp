// qv-cli publish against Debian's mosquitto on 127.0.0.1 and a simulated
// meter on a pseudo terminal, read by a subscriber that decodes what a
// plant's host would: births, data with rising seq, a death when the meter
// is gone, the will when the publisher is killed; a rebirth on request; a
// device command refused.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <fstream>
#include <optional>
#include <sstream>

#include "core/protocol/tables.h"
#include "core/publish/sparkplug.h"
#include "tests/support/mosquitto_process.h"
#include "tests/support/sim_process.h"
#include "tests/support/temp_dir.h"

namespace sp = qv::publish;

namespace {
pid_t spawnQvCli(const std::vector<std::string>& args, const std::string& errFile) {
    std::vector<std::string> all{QV_CLI_PATH};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (auto& a : all) argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 2, errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    pid_t pid = -1;
    posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}
bool is(const qv::test::Subscriber::Message& m, sp::Message type, const std::string& device = {}) {
    return m.topic == sp::topic("plant", type, "gw1", device);
}
}  // namespace

TEST(Publish, BirthsDataAndDeathsTellTheMetersRealState) {
    qv::test::TempCwd dir;
    qv::test::Mosquitto broker(dir.path);
    qv::test::Subscriber host(broker.port(), "spBv1.0/plant/#");
    ASSERT_TRUE(host.connected());
    auto sim = std::make_unique<qv::test::SimProcess>((dir.path / "COM1").string(), std::vector<std::string>{"--model", "12"});
    const pid_t pub = spawnQvCli({"--lang", "en", "--dir", dir.path.string(), "publish", "COM1", "--broker", broker.url(),
                                  "--group", "plant", "--node", "gw1"},
                                 (dir.path / "stderr").string());
    ASSERT_GT(pub, 0);
    auto payload = [&](int i) { return sp::decode(host.messages().at(static_cast<std::size_t>(i)).payload); };

    const int nbirth = host.waitFor([](auto& m) { return is(m, sp::Message::NBIRTH); }, 10);
    ASSERT_GE(nbirth, 0);
    const auto nb = payload(nbirth);
    ASSERT_TRUE(nb);
    EXPECT_EQ(nb->seq, 0u);
    const std::uint64_t bdSeq = std::get<std::uint64_t>(nb->find(sp::kBdSeq)->value);
    const int dbirth = host.waitFor([](auto& m) { return is(m, sp::Message::DBIRTH, "COM1"); }, 15, nbirth);
    ASSERT_GE(dbirth, 0) << "no DBIRTH";
    const auto db = payload(dbirth);
    EXPECT_EQ(std::get<std::string>(db->find("Properties/Model")->value), qv::protocol::modelCodeText(12));
    ASSERT_TRUE(db->find("Volume flow"));
    EXPECT_EQ(db->find("Volume flow")->type, sp::DataType::Float);
    // Two cycles, seq rising by one across the node's messages.
    int data = dbirth;
    std::uint64_t seq = *db->seq;
    for (int k = 0; k < 2; ++k) {
        data = host.waitFor([](auto& m) { return is(m, sp::Message::DDATA, "COM1"); }, 10, static_cast<std::size_t>(data) + 1);
        ASSERT_GE(data, 0);
        const auto d = payload(data);
        EXPECT_EQ(*d->seq, (seq + 1) % 256);
        seq = *d->seq;
        EXPECT_TRUE(d->find("Temperature") && d->find("Contacts/Ready") && d->find("Error/Code"));
    }

    // A device command is refused; a rebirth asked for gives every birth again.
    host.publish(sp::topic("plant", sp::Message::DCMD, "gw1", "COM1"), sp::encode(sp::Payload{}));
    sp::Payload rebirth;
    sp::Metric r = sp::metric(sp::kRebirth, sp::DataType::Boolean);
    r.value = true;
    rebirth.metrics.push_back(r);
    const std::size_t before = host.messages().size();
    host.publish(sp::topic("plant", sp::Message::NCMD, "gw1"), sp::encode(rebirth));
    const int again = host.waitFor([](auto& m) { return is(m, sp::Message::NBIRTH); }, 5, before);
    ASSERT_GE(again, 0);
    EXPECT_GE(host.waitFor([](auto& m) { return is(m, sp::Message::DBIRTH, "COM1"); }, 5, static_cast<std::size_t>(again)), 0);

    // The meter gone: its death once the session declares it lost, and no data after it.
    sim->kill();
    const int ddeath = host.waitFor([](auto& m) { return is(m, sp::Message::DDEATH, "COM1"); }, 15, before);
    ASSERT_GE(ddeath, 0) << "no DDEATH";
    std::this_thread::sleep_for(std::chrono::seconds(3));
    for (std::size_t i = static_cast<std::size_t>(ddeath) + 1; i < host.messages().size(); ++i)
        EXPECT_FALSE(is(host.messages()[i], sp::Message::DDATA, "COM1"));

    // The publisher killed: the broker sends its will, with the birth's bdSeq.
    ::kill(pub, SIGKILL);
    ::waitpid(pub, nullptr, 0);
    const int ndeath = host.waitFor([](auto& m) { return is(m, sp::Message::NDEATH); }, 15, static_cast<std::size_t>(ddeath));
    ASSERT_GE(ndeath, 0) << "no NDEATH";
    EXPECT_EQ(std::get<std::uint64_t>(payload(ndeath)->find(sp::kBdSeq)->value), bdSeq);
    std::ifstream err(dir.path / "stderr");
    std::stringstream said;
    said << err.rdbuf();
    EXPECT_NE(said.str().find("refused a device command for COM1"), std::string::npos) << said.str();
}

// The broker away for a while: the publisher connects again by itself,
// births again with the next bdSeq, and then sends every cycle of that time,
// in order, as historical; stopped by SIGTERM it says its own death.
TEST(Publish, CyclesOfABrokerOutageArriveAfterItInOrderAsHistorical) {
    qv::test::TempCwd dir;
    qv::test::Mosquitto broker(dir.path);
    qv::test::SimProcess sim((dir.path / "COM1").string(), {"--model", "12"});
    auto host = std::make_unique<qv::test::Subscriber>(broker.port(), "spBv1.0/plant/#");
    const pid_t pub = spawnQvCli({"--lang", "en", "--dir", dir.path.string(), "publish", "COM1", "--broker", broker.url(),
                                  "--group", "plant", "--node", "gw1"},
                                 (dir.path / "stderr").string());
    int at = host->waitFor([](auto& m) { return is(m, sp::Message::DDATA, "COM1"); }, 15);
    ASSERT_GE(at, 0);
    const auto nb = sp::decode(host->messages().at(0).payload);
    const std::uint64_t bdSeq = std::get<std::uint64_t>(nb->find(sp::kBdSeq)->value);

    broker.stop();
    std::this_thread::sleep_for(std::chrono::seconds(7));  // some three cycles at the 2 s pace
    broker.start();
    host = std::make_unique<qv::test::Subscriber>(broker.port(), "spBv1.0/plant/#");
    ASSERT_TRUE(host->connected());
    const int nbirth = host->waitFor([](auto& m) { return is(m, sp::Message::NBIRTH); }, 20);
    ASSERT_GE(nbirth, 0) << "not connected again";
    const auto again = sp::decode(host->messages()[static_cast<std::size_t>(nbirth)].payload);
    // A bdSeq of its own: each CONNECT (each try while the broker was away) takes the next.
    const std::uint64_t newBdSeq = std::get<std::uint64_t>(again->find(sp::kBdSeq)->value);
    EXPECT_NE(newBdSeq, bdSeq);
    EXPECT_GE(host->waitFor([](auto& m) { return is(m, sp::Message::DBIRTH, "COM1"); }, 5, static_cast<std::size_t>(nbirth)), 0);
    // The kept cycles first, historical, their times in order; then live ones.
    std::this_thread::sleep_for(std::chrono::seconds(3));
    std::vector<sp::Payload> historical, live;
    for (const auto& m : host->messages())
        if (is(m, sp::Message::DDATA, "COM1")) {
            const auto p = sp::decode(m.payload);
            ASSERT_TRUE(p);
            (p->metrics.at(0).historical ? historical : live).push_back(*p);
            if (p->metrics.at(0).historical) {
                EXPECT_EQ(live.size(), 0u) << "a kept cycle after a live one";
            }
        }
    EXPECT_GE(historical.size(), 2u);
    EXPECT_GE(live.size(), 1u);
    for (std::size_t i = 1; i < historical.size(); ++i)
        EXPECT_LT(*historical[i - 1].metrics[0].timestamp, *historical[i].metrics[0].timestamp);
    // From the new birth on, every message of the node one seq after the one before.
    std::optional<std::uint64_t> seq;
    const auto all = host->messages();
    for (std::size_t i = static_cast<std::size_t>(nbirth); i < all.size(); ++i) {
        const auto p = sp::decode(all[i].payload);
        if (!p || !p->seq || all[i].topic.find("/NCMD/") != std::string::npos) continue;
        if (seq) {
            EXPECT_EQ(*p->seq, (*seq + 1) % 256) << all[i].topic;
        }
        seq = p->seq;
    }

    const std::size_t before = host->messages().size();
    ::kill(pub, SIGTERM);
    int status = -1;
    ::waitpid(pub, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    const int ndeath = host->waitFor([](auto& m) { return is(m, sp::Message::NDEATH); }, 5, before);
    ASSERT_GE(ndeath, 0);
    EXPECT_EQ(std::get<std::uint64_t>(sp::decode(host->messages()[static_cast<std::size_t>(ndeath)].payload)->find(sp::kBdSeq)->value),
              newBdSeq);
}
