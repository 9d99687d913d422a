// An output that lives for a run, added from outside the engine: it is made
// at each run's start, hears the run's life in order with the station's id,
// finishes before the run is over and is dropped after.
#include <gtest/gtest.h>

#include "support/engine_rig.h"

namespace vel::test {
namespace {

// A made-up output: writes down what it hears.
struct Diary {
    QStringList events;
    int alive = 0;
};

class DiaryOutput : public RunOutput {
public:
    DiaryOutput(Diary& diary, const RunOutputContext& run) : diary_(diary) {
        ++diary_.alive;
        diary_.events << "made for " + run.station;
    }
    ~DiaryOutput() override { --diary_.alive; }
    void runEvent(const RunEvent& e) override {
        static const char* const names[] = {"started", "ending", "over"};
        diary_.events << QString::fromLatin1(names[static_cast<int>(e.phase)]) + " " + e.station;
    }
    void valueEvaluated(const EvaluatedValue& v) override { diary_.events << "value " + v.item().valueText; }
    // (a cycle the run's end cut short closes without values)
    void recordClosed(const ClosedRecord& r) override {
        if (r.valueCount > 0) diary_.events << QStringLiteral("record %1").arg(r.valueCount);
    }
    void finish() override { diary_.events << "finish"; }

private:
    Diary& diary_;
};

TEST(RunOutput, MadeForEachRunHearsItsLifeAndIsDroppedWhenItIsOver) {
    struct Case {
        const char* what;
        std::function<void(EngineRig&)> end;
        QStringList events;
    };
    const QStringList life = {"made for st", "started st", "value 5", "value ok", "record 2"};
    const Case cases[] = {
        {"ends by itself", [](EngineRig& r) { r.runFor(2000); },
         life + QStringList{"ending st", "finish", "over st"}},
        {"stopped", [](EngineRig& r) { r.engine.forceEnd(); }, life + QStringList{"ending st", "finish", "over st"}},
    };
    for (const Case& c : cases) {
        EngineRig rig;
        rig.engine.stream().setStation("st");
        Diary diary;
        rig.engine.addRunOutput([&diary](const RunOutputContext& run) { return std::make_unique<DiaryOutput>(diary, run); });
        // A second factory with nothing to do in this run.
        rig.engine.addRunOutput([](const RunOutputContext&) { return std::unique_ptr<RunOutput>(); });
        rig.engine.settings().acquisitionLimitMs = Fixed4::fromDouble(1000);
        rig.useScript({"SSS", "RCV", "SET", "EEE"});
        for (int run = 1; run <= 2; ++run) {
            diary.events.clear();
            ASSERT_TRUE(rig.start()) << c.what;
            EXPECT_EQ(diary.alive, 1) << c.what;
            rig.port.receive(QStringLiteral("5,ok\r"));
            for (int i = 0; i < 20 && !diary.events.contains("record 2"); ++i) rig.tick();
            c.end(rig);
            EXPECT_EQ(diary.events, c.events) << c.what << " run " << run;
            EXPECT_EQ(diary.alive, 0) << c.what << ": dropped once the run is over";
        }
    }
}

}  // namespace
}  // namespace vel::test
