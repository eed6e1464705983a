// The console's side of publishing, without a broker: the [Shop] settings,
// the messages as they are written, the outbox's limits, and what the
// state says through a job with every kind of pause.
#include <gtest/gtest.h>

#include "app/job_record.h"
#include "console_rig.h"
#include "publish/shop_json.h"
#include "publish/shop_outbox.h"
#include "publish/shop_publisher.h"
#include "publish/shop_settings.h"
#include "publish/shop_start.h"
#include "publish/shop_state.h"

namespace ks::publish {
namespace {

namespace ids = ks::res::console;
using app::testing::ConsoleRig;

// The raw text of a field of a flat JSON object ("\"ACTIVE\"", "12.000", "null").
std::string Field(const std::string& json, const std::string& key) {
    const std::string tag = "\"" + key + "\":";
    const size_t at = json.find(tag);
    if (at == std::string::npos) return "<missing>";
    const size_t start = at + tag.size();
    size_t end = start;
    if (json[start] == '"') {
        end = json.find('"', start + 1) + 1;
    } else {
        end = json.find_first_of(",}", start);
    }
    return json.substr(start, end - start);
}

TEST(ShopSettings, ReadsTheSectionAndRefusesWhatCannotBeUsed) {
    std::string problem;
    EXPECT_FALSE(ParseShopSettings("[FileParam Info]\r\nCom=1\r\n", "host", &problem));
    EXPECT_EQ(problem, "");
    EXPECT_FALSE(ParseShopSettings("[Shop]\r\nMachine=m1\r\n", "host", &problem));

    auto s = ParseShopSettings("[Shop]\r\nBroker = broker.local:1884\r\nMachine=m1\r\nUser=u\r\nPassword=p w\r\n", "host",
                               &problem);
    ASSERT_TRUE(s);
    EXPECT_EQ(problem, "");
    EXPECT_EQ(s->host, "broker.local");
    EXPECT_EQ(s->port, 1884);
    EXPECT_EQ(s->machine, "m1");
    EXPECT_EQ(s->user, "u");
    EXPECT_EQ(s->password, "p w");

    struct Case {
        const char* ini;
        const char* host;
        int port;
        const char* brokerText;
    } ok[] = {
        {"[Shop]\nBroker=10.0.0.5\n", "10.0.0.5", 1883, "10.0.0.5:1883"},
        {"[Shop]\nBroker=b\nCaFile=/etc/ca.pem\n", "b", 8883, "b:8883"},
        {"[Shop]\nBroker=[::1]:1885\n", "::1", 1885, "[::1]:1885"},
        {"[Shop]\nBroker=fe80::1\n", "fe80::1", 1883, "[fe80::1]:1883"},
    };
    for (const Case& c : ok) {
        s = ParseShopSettings(c.ini, "host", &problem);
        ASSERT_TRUE(s) << c.ini;
        EXPECT_EQ(s->host, c.host);
        EXPECT_EQ(s->port, c.port);
        EXPECT_EQ(s->BrokerText(), c.brokerText);
        EXPECT_EQ(s->machine, "host") << "the host name stands for a machine without a name";
    }
    for (const char* bad : {"[Shop]\nBroker=b:0\n", "[Shop]\nBroker=b:65536\n", "[Shop]\nBroker=b:18x3\n",
                            "[Shop]\nBroker=b:\n", "[Shop]\nBroker=:1883\n", "[Shop]\nBroker=my broker:1883\n",
                            "[Shop]\nBroker=[::1\n", "[Shop]\nBroker=b\nPassword=secret\n"}) {
        EXPECT_FALSE(ParseShopSettings(bad, "host", &problem)) << bad;
        EXPECT_NE(problem.find("nothing is published"), std::string::npos) << bad;
    }

    // Names that would break the topic tree publish under a safe one, and say so.
    s = ParseShopSettings("[Shop]\nBroker=b\nMachine=hall 2/#1+\n", "host", &problem);
    ASSERT_TRUE(s);
    EXPECT_EQ(s->machine, "hall 2__1_");
    EXPECT_NE(problem.find("publishing as \"hall 2__1_\""), std::string::npos);
    s = ParseShopSettings("[Shop]\nBroker=b\nMachine=3\xE5\x8F\xB7\xE6\x9C\xBA\n", "host", &problem);
    EXPECT_EQ(s->machine, "3\xE5\x8F\xB7\xE6\x9C\xBA");  // UTF-8 Chinese stays
    EXPECT_EQ(problem, "");
    s = ParseShopSettings("[Shop]\nBroker=b\nMachine=3\xBB\xFA\n", "host", &problem);  // GBK
    EXPECT_EQ(s->machine, "3__");
}

TEST(ShopJson, StringsStayValidWhateverTheBytes) {
    EXPECT_EQ(JsonString("a\"b\\c\r\n\x01"), "\"a\\\"b\\\\c\\u000d\\u000a\\u0001\"");
    EXPECT_EQ(JsonString("\xE5\x8A\xA0\xE5\xB7\xA5.NC"), "\"\xE5\x8A\xA0\xE5\xB7\xA5.NC\"");
    // GBK, a cut character, an overlong form and a surrogate: each bad byte one U+FFFD.
    EXPECT_EQ(JsonString("\xBC\xD3"), "\"\xEF\xBF\xBD\xEF\xBF\xBD\"");
    EXPECT_EQ(JsonString("x\xE5\x8A"), "\"x\xEF\xBF\xBD\xEF\xBF\xBD\"");
    EXPECT_EQ(JsonString("\xC0\xAF"), "\"\xEF\xBF\xBD\xEF\xBF\xBD\"");
    EXPECT_EQ(JsonString("\xED\xA0\x80"), "\"\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\"");
    for (const char* n : {"0", "-0.500", "12.000", "3.1"}) EXPECT_TRUE(IsPlainNumber(n)) << n;
    for (const char* n : {"", "-", "01", "1.", ".5", "1e3", "nan", "1,5"}) EXPECT_FALSE(IsPlainNumber(n)) << n;
}

TEST(ShopMessages, RecordMessageHoldsTheCsvLinesFields) {
    app::RecordLine drilled;
    drilled.event = app::RecordEvent::Drilled;
    drilled.hole = 12;
    drilled.xUm = -1500;
    drilled.yUm = 20250;
    drilled.drillSeconds = 3.04;
    drilled.zStartUm = 0;
    drilled.zEndUm = -2500;
    const std::string line = app::JobRecord::FormatLine("2026-12-09T14:05:09+08:00", drilled);
    EXPECT_EQ(RecordJson(line, "plate00.NC", 7),
              "{\"time\":\"2026-12-09T14:05:09+08:00\",\"hole\":12,\"x_mm\":-1.500,\"y_mm\":20.250,\"drill_s\":3.0,"
              "\"z_start_mm\":0.000,\"z_end_mm\":-2.500,\"event\":\"drilled\",\"reason\":null,\"job\":\"plate00.NC\","
              "\"seq\":7}");

    app::RecordLine paused;
    paused.event = app::RecordEvent::Paused;
    paused.hole = 3;
    paused.cause = app::PauseCause::LostLink;
    const std::string pausedLine = app::JobRecord::FormatLine("t", paused);
    EXPECT_EQ(RecordJson(pausedLine, "", 8),
              "{\"time\":\"t\",\"hole\":3,\"x_mm\":null,\"y_mm\":null,\"drill_s\":null,\"z_start_mm\":null,"
              "\"z_end_mm\":null,\"event\":\"paused\",\"reason\":\"lost-link\",\"job\":null,\"seq\":8}");
    std::string event, reason;
    ASSERT_TRUE(RecordEventOf(pausedLine, &event, &reason));
    EXPECT_EQ(event + "/" + reason, "paused/lost-link");

    EXPECT_FALSE(RecordJson("t,1,2,3\r\n", "", 1));
    EXPECT_FALSE(RecordJson("t,1,x,3,,,,drilled,\r\n", "", 1));

    EXPECT_EQ(UtcTimeText(std::chrono::system_clock::time_point{}), "1970-01-01T00:00:00.000Z");
    EXPECT_EQ(UtcTimeText(std::chrono::system_clock::time_point{std::chrono::milliseconds(951782400123)}),
              "2000-02-29T00:00:00.123Z");
    EXPECT_EQ(UtcTimeText(std::chrono::system_clock::time_point{std::chrono::milliseconds(4102444799999)}),
              "2099-12-31T23:59:59.999Z");
}

TEST(ShopOutbox, RecordLinesPastTheLimitDropTheOldestAndAreCounted) {
    Outbox box;
    const size_t extra = 5;
    for (size_t i = 0; i < Outbox::kRecordLimit + extra; ++i) box.PutRecord(std::to_string(i));
    EXPECT_EQ(box.DroppedRecords(), extra);
    std::string line;
    ASSERT_TRUE(box.TakeRecord(&line));
    EXPECT_EQ(line, std::to_string(extra));
    size_t left = 1;
    while (box.TakeRecord(&line)) ++left;
    EXPECT_EQ(left, Outbox::kRecordLimit);
    EXPECT_EQ(line, std::to_string(Outbox::kRecordLimit + extra - 1));

    for (int i = 0; i < 3; ++i) box.PutState("s" + std::to_string(i));
    box.ForgetQueuedStates();
    EXPECT_FALSE(box.TakeState(&line));
    ASSERT_TRUE(box.LatestState(&line));
    EXPECT_EQ(line, "s2");
}

// A console with a publisher whose outbox the test empties after each tick.
struct Watched {
    explicit Watched(ConsoleRig& r) : rig(r), outbox(std::make_shared<Outbox>()), publisher("m1", outbox, r.clock) {}
    void Tick() {
        rig.Tick();
        std::string json;
        while (outbox->TakeState(&json)) states.emplace_back(rig.clock.NowMs(), json);
        while (outbox->TakeRecord(&json)) records.push_back(json);
    }
    void Ticks(int n) {
        for (int i = 0; i < n; ++i) Tick();
    }
    bool TickUntil(const std::function<bool()>& pred, int maxTicks = 5000) {
        for (int i = 0; i < maxTicks && !pred(); ++i) Tick();
        return pred();
    }
    // The values of one field through the states, each change once.
    std::vector<std::string> Seen(const std::string& key) const {
        std::vector<std::string> out;
        for (const auto& s : states)
            if (out.empty() || out.back() != Field(s.second, key)) out.push_back(Field(s.second, key));
        return out;
    }
    ConsoleRig& rig;
    std::shared_ptr<Outbox> outbox;
    ShopPublisher publisher;
    std::vector<std::pair<uint64_t, std::string>> states;
    std::vector<std::string> records;
};

TEST(ShopPublisher, StateFollowsTheRunThroughEveryKindOfPause) {
    ConsoleRig rig;
    std::vector<std::pair<int32_t, int32_t>> holes;
    for (int i = 0; i < 5; ++i) holes.emplace_back(i * 2000, 1000);
    rig.WriteSettings(rig.WriteJob(holes, "plate00.NC"), 0);
    sim::ScriptedEvent request;
    request.atHole = 2;
    request.offsetMs = 50;
    request.pauseRequest = true;
    rig.machine.AddEvent(request);
    rig.Start();
    Watched w(rig);
    rig.dlg->SetShopObserver(&w.publisher);
    w.Tick();
    rig.view.Click(ids::IDC_START);
    ASSERT_TRUE(w.TickUntil([&] { return rig.dlg->m_bPauseReq == 1; }));  // the controller asks at hole 2
    w.Ticks(3);
    rig.view.Click(ids::IDC_START);
    ASSERT_TRUE(w.TickUntil([&] { return rig.dlg->m_nCurHole == 3 && rig.dlg->m_nState == RunState::Machining; }));
    rig.view.Click(ids::IDC_PAUSE);
    w.Ticks(3);
    rig.view.Click(ids::IDC_START);
    ASSERT_TRUE(w.TickUntil([&] { return rig.dlg->m_nCurHole == 4 && rig.dlg->m_nState == RunState::Machining; }));
    rig.simDriver.Vanish();
    rig.simDriver.SetPresent(false);
    ASSERT_TRUE(w.TickUntil([&] { return rig.dlg->Link().Down(); }));
    w.Ticks(3);
    rig.simDriver.SetPresent(true);
    ASSERT_TRUE(w.TickUntil([&] { return !rig.dlg->Link().Down(); }));
    w.Ticks(3);
    rig.view.Click(ids::IDC_START);
    ASSERT_TRUE(w.TickUntil([&] { return rig.JobEnded(); }));
    w.Ticks(5);

    EXPECT_EQ(w.Seen("execution"), (std::vector<std::string>{"\"READY\"", "\"ACTIVE\"", "\"INTERRUPTED\"", "\"ACTIVE\"",
                                                             "\"FEED_HOLD\"", "\"ACTIVE\"", "\"INTERRUPTED\"",
                                                             "\"ACTIVE\"", "\"READY\""}));
    EXPECT_EQ(w.Seen("pause_reason"), (std::vector<std::string>{"null", "\"controller-request\"", "null", "\"button\"",
                                                                "null", "\"lost-link\"", "null"}));
    EXPECT_EQ(w.Seen("availability"), (std::vector<std::string>{"\"AVAILABLE\"", "\"UNAVAILABLE\"", "\"AVAILABLE\""}));
    EXPECT_EQ(w.Seen("holes_done"), (std::vector<std::string>{"0", "1", "2", "3", "4", "5"}));
    EXPECT_EQ(Field(w.states.back().second, "job"), "\"plate00.NC\"");
    EXPECT_EQ(Field(w.states.back().second, "hole"), "0");
    EXPECT_EQ(Field(w.states.back().second, "x_mm"), "8.000");
    // The outage left its mark: the last failed transfer stays named.
    EXPECT_EQ(Field(w.states.back().second, "comm_error").substr(0, 4), "\"0x4");
    EXPECT_EQ(Field(w.states.back().second, "records_dropped"), "0");

    // Five a second at most, on the console's clock; nothing when nothing changed.
    for (size_t i = 1; i < w.states.size(); ++i)
        EXPECT_GE(w.states[i].first - w.states[i - 1].first, ShopPublisher::kStatePeriodMs) << i;
    for (size_t i = 1; i < w.states.size(); ++i)
        EXPECT_NE(w.states[i].second.substr(w.states[i].second.find("\"version\"")),
                  w.states[i - 1].second.substr(w.states[i - 1].second.find("\"version\"")));

    // Every record line as a message, in order, equal to the CSV's.
    std::ifstream csv(rig.folder / "records" / "plate00.csv", std::ios::binary);
    std::vector<std::string> lines;
    for (std::string l; std::getline(csv, l);) lines.push_back(l + "\n");
    ASSERT_EQ(lines.size(), w.records.size() + 1);
    for (size_t i = 0; i < w.records.size(); ++i)
        EXPECT_EQ(w.records[i], RecordJson(lines[i + 1], "plate00.NC", i + 1)) << i;
}

TEST(ShopStart, NoBrokerNamedMeansNoPublisher) {
    ConsoleRig rig;
    rig.WriteIni("[FileParam Info]\r\nCom=1\r\n[Shop]\r\nMachine=m1\r\n");
    EXPECT_EQ(StartShopPublishing(rig.IniPath(), rig.clock), nullptr);
    EXPECT_EQ(StartShopPublishing((rig.folder / "none.ini").string(), rig.clock), nullptr);
    rig.WriteIni("[Shop]\r\nBroker=shop broker\r\n");
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(StartShopPublishing(rig.IniPath(), rig.clock), nullptr);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(),
              "kestrane: [Shop] Broker=shop broker is not host:port; nothing is published\n");
}

}  // namespace
}  // namespace ks::publish
