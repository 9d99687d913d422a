// The record stream's subscriptions are owned handles, and every event
// carries the station's id.
#include <gtest/gtest.h>

#include <functional>

#include "measure/record_stream.h"
#include "support/qstring_printer.h"

namespace vel {
namespace {

struct Counter : RecordSubscriber {
    int values = 0;
    QString station;
    std::function<void()> onValue;
    void valueEvaluated(const EvaluatedValue& v) override {
        ++values;
        station = v.station;
        if (onValue) onValue();
    }
};

TEST(RecordStream, SubscriptionsEndWithTheirHandles) {
    // Subscribers a and b with handles ha and hb hear three values; `between`
    // acts after the first.
    struct Handles {
        Subscription ha, hb, spare;
        Counter a, b;
    };
    struct Case {
        const char* what;
        std::function<void(Handles&)> between;
        int aValues, bValues;
    };
    const Case cases[] = {
        {"both kept", [](Handles&) {}, 3, 3},
        {"a's handle reset", [](Handles& h) { h.ha.reset(); }, 1, 3},
        {"a's handle moved into another", [](Handles& h) { h.spare = std::move(h.ha); }, 3, 3},
        {"a's handle moved over b's: b ends", [](Handles& h) { h.hb = std::move(h.ha); }, 3, 1},
        {"a ends its own subscription while it is called",
         [](Handles& h) { h.a.onValue = [&h] { h.ha.reset(); }; }, 2, 3},
        {"a ends b's while it is called: b is not called after",
         [](Handles& h) { h.a.onValue = [&h] { h.hb.reset(); }; }, 3, 1},
    };
    for (const Case& c : cases) {
        RecordStream stream(QStringLiteral("line-1"));
        Handles h;
        h.ha = stream.subscribe(h.a);
        h.hb = stream.subscribe(h.b);
        stream.publish(EvaluatedValue{});
        c.between(h);
        stream.publish(EvaluatedValue{});
        stream.publish(EvaluatedValue{});
        EXPECT_EQ(h.a.values, c.aValues) << c.what;
        EXPECT_EQ(h.b.values, c.bValues) << c.what;
        EXPECT_EQ(h.a.station, "line-1") << c.what;
    }
}

TEST(RecordStream, AHandleOutlivingItsStreamEndsQuietly) {
    Counter a;
    Subscription handle;
    {
        RecordStream stream;
        handle = stream.subscribe(a);
        EXPECT_TRUE(handle.active());
        EXPECT_EQ(stream.subscriberCount(), 1);
    }
    EXPECT_FALSE(handle.active());
    handle.reset();  // no stream to leave: nothing happens
}

}  // namespace
}  // namespace vel
