// The console on its test bench publishing to a real Mosquitto on a free
// loopback port, heard by a paho subscriber: a whole job heard in order
// and equal to the CSV; the broker killed and restarted mid-job; a broker
// that accepts the connection and never answers, then one that is down; a
// wrong password; TLS with a CA of the test's own. In each the console's
// work is the same, frame for frame on its clock, as without publishing.
#include <gtest/gtest.h>

#include "broker_rig.h"
#include "console_rig.h"
#include "publish/mqtt_link.h"
#include "publish/shop_publisher.h"
#include "publish/shop_start.h"

namespace ks::publish::testing {
namespace {

namespace ids = ks::res::console;
using app::testing::ConsoleRig;
using Holes = std::vector<std::pair<int32_t, int32_t>>;

// Quick retries, so that the tests wait for the broker in fractions of a second.
MqttOptions Quick() {
    MqttOptions o;
    o.keepaliveSeconds = 5;
    o.answerTimeoutMs = 400;
    o.retryMinMs = 100;
    o.retryMaxMs = 400;
    return o;
}

fs::path TestFolder() {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    fs::path dir = fs::temp_directory_path() / ("ks_shop_" + std::to_string(::getpid()) + "_" + info->name());
    fs::remove_all(dir);
    fs::create_directories(dir);
    return dir;
}

ShopSettings Settings(int port, const std::string& machine) {
    ShopSettings s;
    s.host = "127.0.0.1";
    s.port = port;
    s.machine = machine;
    return s;
}

// A console's publisher with its network thread.
struct Published {
    Published(ConsoleRig& r, const ShopSettings& s, MqttOptions o = Quick())
        : rig(r), outbox(std::make_shared<Outbox>()), publisher(s.machine, outbox, r.clock), link(s, outbox, o) {
        rig.dlg->SetShopObserver(&publisher);
    }
    ~Published() { rig.dlg->SetShopObserver(nullptr); }
    ConsoleRig& rig;
    std::shared_ptr<Outbox> outbox;
    ShopPublisher publisher;
    MqttLink link;
};

// The same job every time: start, a pause at hole 3 and on, to the end,
// on the console's clock, so that runs with and without publishing can be
// compared frame for frame.
class Job {
public:
    explicit Job(ConsoleRig& r, int holeCount = 6) : rig(r) {
        Holes holes;
        for (int i = 0; i < holeCount; ++i) holes.emplace_back(i * 2000, 500);
        rig.WriteSettings(rig.WriteJob(holes, "plate00.NC"), 0);
        rig.Start();
    }
    // Ticks until pred; each tick `realMs` of real time apart.
    bool Until(const std::function<bool()>& pred, int realMs = 0, int maxTicks = 20000) {
        for (int i = 0; i < maxTicks && !pred(); ++i) {
            if (realMs > 0) std::this_thread::sleep_for(std::chrono::milliseconds(realMs));
            rig.Tick();
        }
        return pred();
    }
    bool AtHole(int hole) const { return rig.dlg->m_nCurHole == hole && rig.dlg->m_nState == RunState::Machining; }
    // Runs the job, each tick realMs of real time after the one before (the
    // network thread's time to do its part). atHole(n) is called once when
    // hole n drills; it may take real time but makes no tick.
    void Run(int realMs = 0, const std::function<void(int)>& atHole = {}) {
        rig.Tick();
        rig.view.Click(ids::IDC_START);
        for (int h = 1; h <= static_cast<int>(rig.dlg->m_nHoleCount); ++h) {
            ASSERT_TRUE(Until([&] { return AtHole(h); }, realMs)) << h;
            if (h == 3) {
                rig.view.Click(ids::IDC_PAUSE);
                Until([] { return false; }, realMs, 5);
                rig.view.Click(ids::IDC_START);
                ASSERT_TRUE(Until([&] { return AtHole(h); }, realMs));
            }
            if (atHole) atHole(h);
        }
        ASSERT_TRUE(Until([&] { return rig.JobEnded(); }, realMs));
        Until([] { return false; }, realMs, 10);
    }
    ConsoleRig& rig;
};

// What the controller was sent, with the console's clock at each frame.
std::vector<std::pair<uint64_t, std::vector<uint8_t>>> Frames(const ConsoleRig& rig) {
    std::vector<std::pair<uint64_t, std::vector<uint8_t>>> out;
    for (const auto& f : rig.driver.frames) out.emplace_back(f.atMs, f.bytes);
    return out;
}

// The job run without publishing, for comparison.
std::vector<std::pair<uint64_t, std::vector<uint8_t>>> PlainRun(const fs::path& dir, int holeCount = 6) {
    ConsoleRig plain(app::testing::FastMachine(), (dir / "plain").string());
    Job job(plain, holeCount);
    job.Run();
    return Frames(plain);
}

fs::path Csv(const ConsoleRig& rig) { return rig.folder / "records" / "plate00.csv"; }

TEST(ShopBroker, JobHeardInOrderEqualToTheRecordAndTheMachineNoWiser) {
    const fs::path dir = TestFolder();
    Broker broker(dir / "broker");
    ASSERT_TRUE(broker.Start());
    Subscriber sub(dir, broker.Port());
    ASSERT_TRUE(sub.Ready());

    ConsoleRig rig(app::testing::FastMachine(), (dir / "published").string());
    Job job(rig);
    Published pub(rig, Settings(broker.Port(), "m1"));
    ASSERT_TRUE(WaitFor([&] { return pub.link.Connected(); }));
    job.Run(1);
    ASSERT_TRUE(WaitFor([&] { return sub.CountHeard("\"event\": \"job-end\"") > 0; }));
    ASSERT_TRUE(WaitFor([&] { return sub.CountHeard("\"execution\": \"READY\", \"job\": \"plate00.NC\", \"hole\": 0") > 0; }));
    sub.Stop();

    const CheckResult heard = CheckHeard(sub.Messages(), Csv(rig), "m1");
    EXPECT_TRUE(heard.ok) << heard.Faults();
    EXPECT_EQ(heard.summary.at("online"), "1");
    EXPECT_EQ(heard.summary.at("executions"), "READY,ACTIVE,FEED_HOLD,ACTIVE,READY");
    EXPECT_EQ(heard.summary.at("pause_reasons"), "button");
    EXPECT_EQ(heard.summary.at("holes_done"), "0,1,2,3,4,5,6");
    EXPECT_EQ(heard.summary.at("records_heard"), heard.summary.at("records_csv"));
    EXPECT_EQ(Frames(rig), PlainRun(dir));
    fs::remove_all(dir);
}

TEST(ShopBroker, BrokerKilledAndRestartedMidJob) {
    const fs::path dir = TestFolder();
    Broker broker(dir / "broker");
    ASSERT_TRUE(broker.Start());
    // A session the broker keeps: it hears what came while it was away too.
    Subscriber sub(dir, broker.Port(), "shop-test-listener");
    ASSERT_TRUE(sub.Ready());

    ConsoleRig rig(app::testing::FastMachine(), (dir / "published").string());
    Job job(rig, 8);
    Published pub(rig, Settings(broker.Port(), "m2"));
    ASSERT_TRUE(WaitFor([&] { return pub.link.Connected(); }));
    job.Run(2, [&](int hole) {
        if (hole == 2) broker.Kill();
        if (hole == 5) {
            EXPECT_FALSE(pub.link.Connected());
            ASSERT_TRUE(broker.Restart());
            EXPECT_TRUE(WaitFor([&] { return pub.link.Connected(); }));
        }
    });
    ASSERT_TRUE(WaitFor([&] { return sub.CountHeard("\"event\": \"job-end\"") > 0; }));
    ASSERT_TRUE(WaitFor([&] { return sub.CountHeard("\"holes_done\": 8") > 0; }));
    sub.Stop();

    const CheckResult heard = CheckHeard(sub.Messages(), Csv(rig), "m2");
    EXPECT_TRUE(heard.ok) << heard.Faults();
    EXPECT_EQ(heard.summary.at("records_dropped"), "0");
    EXPECT_EQ(heard.summary.at("records_heard"), heard.summary.at("records_csv"));
    // A newcomer gets the state as it is now: sent again after the return.
    Subscriber late(dir / "late", broker.Port());
    ASSERT_TRUE(late.Ready());
    EXPECT_TRUE(WaitFor([&] { return late.CountHeard("\"retain\": true, \"payload\": {\"machine\": \"m2\"") > 0; }));
    EXPECT_GT(late.CountHeard("\"execution\": \"READY\", \"job\": \"plate00.NC\", \"hole\": 0, \"hole_count\": 8, "
                              "\"holes_done\": 8"),
              0);
    EXPECT_EQ(Frames(rig), PlainRun(dir, 8)) << "the console's ticks and timings are those without a broker";
    fs::remove_all(dir);
}

// Lines of standard error written while `during` ran.
std::vector<std::string> StderrLines(const std::function<void()>& during) {
    ::testing::internal::CaptureStderr();
    during();
    std::istringstream text(::testing::internal::GetCapturedStderr());
    std::vector<std::string> lines;
    for (std::string l; std::getline(text, l);)
        if (l.rfind("kestrane: shop", 0) == 0) lines.push_back(l);
    return lines;
}

TEST(ShopBroker, SilentBrokerThenNoneAtAllLeaveTheJobAsItWas) {
    const fs::path dir = TestFolder();
    int port = 0;
    const int silent = SilentListener(&port);
    ASSERT_GE(silent, 0);

    ConsoleRig rig(app::testing::FastMachine(), (dir / "published").string());
    Job job(rig);
    std::vector<std::string> told = StderrLines([&] {
        Published pub(rig, Settings(port, "m3"));
        job.Run(2, [&](int hole) {
            if (hole == 2) {
                EXPECT_TRUE(WaitFor([&] { return pub.link.Attempts() >= 3; }));
            }
            if (hole == 4) {
                ::close(silent);
                const int tried = pub.link.Attempts();
                EXPECT_TRUE(WaitFor([&] { return pub.link.Attempts() >= tried + 2; }));
            }
        });
        EXPECT_FALSE(pub.link.Connected());
    });
    // Each kind of trouble told once as it begins (the silent one's waiting
    // connections may also be cut when it goes, between the two).
    const std::string broker = "kestrane: shop broker 127.0.0.1:" + std::to_string(port) + ": ";
    ASSERT_GE(told.size(), 2u);
    EXPECT_LE(told.size(), 3u);
    EXPECT_EQ(told.front(), broker + "no answer to the connection; trying again");
    EXPECT_EQ(told.back(), broker + "cannot connect (Connection refused); trying again");
    EXPECT_EQ(Frames(rig), PlainRun(dir));
    fs::remove_all(dir);
}

TEST(ShopBroker, WrongPasswordIsToldOnceAndTheJobRunsOn) {
    const fs::path dir = TestFolder();
    const fs::path passwords = dir / "passwords";
    ASSERT_EQ(std::system(("mosquitto_passwd -b -c '" + passwords.string() + "' console right").c_str()), 0);
    Broker broker(dir / "broker", "allow_anonymous false\npassword_file " + passwords.string() + "\n");
    ASSERT_TRUE(broker.Start());

    ConsoleRig rig(app::testing::FastMachine(), (dir / "published").string());
    Job job(rig);
    ShopSettings wrong = Settings(broker.Port(), "m4");
    wrong.user = "console";
    wrong.password = "wrong";
    std::vector<std::string> told = StderrLines([&] {
        Published pub(rig, wrong);
        job.Run(1, [&](int hole) {
            if (hole == 2) {
                EXPECT_TRUE(WaitFor([&] { return pub.link.Attempts() >= 3; }));
            }
        });
        EXPECT_FALSE(pub.link.Connected());
    });
    ASSERT_EQ(told.size(), 1u);
    EXPECT_NE(told[0].find("refused the connection"), std::string::npos) << told[0];
    EXPECT_NE(told[0].find("User and Password of [Shop]"), std::string::npos) << told[0];
    EXPECT_TRUE(rig.JobEnded());

    ShopSettings right = wrong;
    right.password = "right";
    Published pub(rig, right);
    EXPECT_TRUE(WaitFor([&] { return pub.link.Connected(); }));
    fs::remove_all(dir);
}

TEST(ShopBroker, TlsWithTheShopsOwnCa) {
    const fs::path dir = TestFolder();
    const std::string d = dir.string();
    // A CA, the broker's certificate signed by it for 127.0.0.1, and a CA
    // that signed nothing of the broker's.
    const std::string make =
        "cd '" + d + "' && exec >openssl.log 2>&1 && "
        "openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:P-256 -nodes -keyout ca.key -out ca.crt "
        "-days 2 -subj /CN=shop-ca && "
        "openssl req -newkey ec -pkeyopt ec_paramgen_curve:P-256 -nodes -keyout broker.key -out broker.csr "
        "-subj /CN=localhost && "
        "printf 'subjectAltName=DNS:localhost,IP:127.0.0.1\\n' >san.ext && "
        "openssl x509 -req -in broker.csr -CA ca.crt -CAkey ca.key -CAcreateserial -out broker.crt -days 2 "
        "-extfile san.ext && "
        "openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:P-256 -nodes -keyout other.key -out other.crt "
        "-days 2 -subj /CN=other-ca";
    ASSERT_EQ(std::system(make.c_str()), 0) << "see " << d << "/openssl.log";
    const int tlsPort = FreePort();
    Broker broker(dir / "broker", "listener " + std::to_string(tlsPort) + " 127.0.0.1\ncafile " + d +
                                      "/ca.crt\ncertfile " + d + "/broker.crt\nkeyfile " + d + "/broker.key\n");
    ASSERT_TRUE(broker.Start());
    Subscriber sub(dir, broker.Port());  // on the plain listener
    ASSERT_TRUE(sub.Ready());

    // As the program starts it: from the settings file.
    ConsoleRig rig(app::testing::FastMachine(), (dir / "published").string());
    Job job(rig);
    std::ofstream(rig.IniPath(), std::ios::app) << "[Shop]\r\nBroker=127.0.0.1:" << tlsPort
                                                << "\r\nMachine=tls1\r\nCaFile=" << d << "/ca.crt\r\n";
    std::unique_ptr<app::ShopObserver> shop = StartShopPublishing(rig.IniPath(), rig.clock);
    ASSERT_NE(shop, nullptr);
    rig.dlg->SetShopObserver(shop.get());
    EXPECT_TRUE(WaitFor([&] {
        rig.Tick();
        return sub.CountHeard("\"topic\": \"kestrane/tls1/state\"") > 0;
    }));
    EXPECT_EQ(sub.CountHeard("\"topic\": \"kestrane/tls1/online\", \"retain\": false, \"payload\": 1"), 1);
    rig.dlg->SetShopObserver(nullptr);
    shop.reset();  // a clean exit says "0"
    EXPECT_TRUE(WaitFor([&] { return sub.CountHeard("\"topic\": \"kestrane/tls1/online\", \"retain\": false, \"payload\": 0") > 0; }));

    // A certificate that the CA given did not sign: refused, told, never in the clear.
    ShopSettings other = Settings(tlsPort, "tls2");
    other.caFile = d + "/other.crt";
    std::vector<std::string> told = StderrLines([&] {
        Published pub(rig, other);
        EXPECT_TRUE(WaitFor([&] { return pub.link.Attempts() >= 2; }));
        EXPECT_FALSE(pub.link.Connected());
    });
    ASSERT_EQ(told.size(), 1u);
    EXPECT_NE(told[0].find("TLS handshake failed"), std::string::npos) << told[0];
    EXPECT_EQ(sub.CountHeard("kestrane/tls2"), 0);
    sub.Stop();
    fs::remove_all(dir);
}

}  // namespace
}  // namespace ks::publish::testing
