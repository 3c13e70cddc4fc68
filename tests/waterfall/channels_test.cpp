// Channel data: histories, running extremes, hold, replacement, pins.
#include <gtest/gtest.h>

#include <QPainter>
#include <cmath>
#include <limits>
#include <random>

#include "tests/waterfall/wf_app.h"
#include "waterfall/gfmultiwaterfall.h"

namespace {
const double kNaN = std::numeric_limits<double>::quiet_NaN();

ITZRealBuffer buf(std::vector<double> v) { return std::make_shared<TTZRealBuffer>(std::move(v)); }

struct Fixture : ::testing::Test, wf::test::WithApp {
    TGFMultiWaterfall w;
    Fixture() { wf::test::qtApp(); }
    TGFMultiWaterfallChannel* Add() { return w.Channels().Add(); }
};

using Component = Fixture;
using Channel = Fixture;

TEST_F(Component, WithoutChannelsCountsAreZeroAndTheRateIsTheDefault) {
    EXPECT_EQ(w.GetBufferSize(), 0);
    EXPECT_EQ(w.GetBuffersCount(), 0);
    EXPECT_EQ(w.GetNewBuffersCount(), 0);
    EXPECT_EQ(w.GetSampleRate(), 10000);
    EXPECT_EQ(w.CalcMaxFreq(), 5);
    EXPECT_EQ(w.CalcMinFreq(), 0);
    EXPECT_FALSE(w.GetSetupEnabled());
    EXPECT_FALSE(w.IsFrequencyDomain());
}

TEST_F(Component, ChannelsTakeThePaletteFewestUsedFirst) {
    std::vector<int> positions;
    for (int i = 0; i < 15; ++i) {
        TColor c = Add()->Color();
        int p = int(std::find(kChannelPalette, kChannelPalette + 14, c) - kChannelPalette);
        positions.push_back(p);
    }
    EXPECT_EQ(positions, (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 12, 13, 0, 1}));
}

TEST_F(Component, ChannelsAreNamedByPinCountAndOwnTheirPinsAndViews) {
    auto* a = Add();
    auto* b = Add();
    auto* c = Add();
    EXPECT_EQ(a->Name(), "Channel0");
    EXPECT_EQ(c->Name(), "Channel2");
    ASSERT_EQ(w.InputPins().Count(), 3);
    EXPECT_EQ(w.InputPins().Name(1), "Channel1");
    // The newest level view sits at position 4, after the component's own.
    EXPECT_EQ(w.DisplayViews()[4], c->Levels());
    EXPECT_EQ(w.GetColorChannelIndex(b->Levels()), 1);
    EXPECT_EQ(w.GetColorChannelIndex(nullptr), 0);

    // Moving keeps pin i and item i together.
    a->SetIndex(2);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(w.InputPins().Pin(i), w.Channels().GetItem(i)->InputPin()) << i;
    b->SetName("Flow");
    EXPECT_EQ(w.InputPins().Name(b->Index()), "Flow");

    TLWSourcePin source(TLWDataType::RealBuffer);
    source.Connect(*b->InputPin());
    auto* views = &w.DisplayViews();
    std::size_t before = views->size();
    delete b;
    EXPECT_EQ(source.SinkCount(), 0u);
    EXPECT_EQ(w.InputPins().Count(), 2);
    EXPECT_EQ(views->size(), before - 1);
    EXPECT_EQ(w.InputPins().Name(1), "Channel0");
}

TEST_F(Channel, RunningMaximaFollowTheHistoryDepth) {
    w.XAxis().SetBufferCapacity(3);
    auto* c = Add();
    std::vector<double> maxima;
    for (double m : {5, 9, 7, 4, 3}) {
        c->AddBuffer(buf({m - 1, m, 0}));
        maxima.push_back(c->GetCurrentMaxLevel());
    }
    EXPECT_EQ(maxima, (std::vector<double>{5, 9, 9, 9, 7}));
    EXPECT_EQ(c->GetCurrentMinLevel(), 0);
    EXPECT_EQ(c->HistoryCount(), 3);
    // Manual levels when not automatic.
    c->Levels()->SetAutomatic(false);
    c->Levels()->SetRange(-1, 2);
    EXPECT_EQ(c->GetCurrentMaxLevel(), 2);
    EXPECT_EQ(c->GetCurrentMinLevel(), -1);
}

// The running extremes against a plain scan of what the history holds, for
// random data, depths and NaN buffers.
TEST_F(Channel, RunningExtremesEqualAScanOfTheHistory) {
    std::mt19937 rng(3);
    std::uniform_int_distribution<int> v(-20, 20), pick(0, 12);
    for (int depth : {1, 2, 5, 17}) {
        w.XAxis().SetBufferCapacity(depth);
        auto* c = Add();
        for (int i = 0; i < 300; ++i) {
            int kind = pick(rng);
            if (kind == 0) c->AddBuffer(buf({kNaN, kNaN}));
            else c->AddBuffer(buf({double(v(rng)), double(v(rng)), kind == 1 ? kNaN : double(v(rng))}));
            double hi = kNaN, lo = kNaN;
            for (const auto& b : c->GetDrawData())
                for (std::size_t k = 0; k < b->Size(); ++k) {
                    double x = b->Item(k);
                    if (std::isnan(x)) continue;
                    if (std::isnan(hi) || x > hi) hi = x;
                    if (std::isnan(lo) || x < lo) lo = x;
                }
            double rh = c->RunningMax(), rl = c->RunningMin();
            ASSERT_TRUE(hi == rh || (std::isnan(hi) && std::isnan(rh))) << depth << " " << i;
            ASSERT_TRUE(lo == rl || (std::isnan(lo) && std::isnan(rl))) << depth << " " << i;
        }
        delete c;
    }
}

TEST_F(Channel, LoweringTheDepthShrinksTheHistoryAtTheNextBuffer) {
    w.XAxis().SetBufferCapacity(5);
    auto* c = Add();
    for (double m : {9, 1, 2, 3, 4}) c->AddBuffer(buf({m}));
    w.XAxis().SetBufferCapacity(2);
    c->AddBuffer(buf({5}));
    EXPECT_EQ(c->HistoryCount(), 2);
    EXPECT_EQ(c->GetCurrentMaxLevel(), 5);
    EXPECT_EQ(c->GetCurrentMinLevel(), 4);
    w.SetHoldSwitch(true);
    for (int i = 0; i < 4; ++i) c->AddBuffer(buf({0}));
    w.XAxis().SetBufferCapacity(1);
    c->AddBuffer(buf({0}));
    EXPECT_EQ(c->PendingCount(), 1);
}

TEST_F(Channel, NaNOnlyHistoryFallsBackToTheManualLevels) {
    auto* c = Add();
    c->Levels()->SetRange(0, 1);
    c->AddBuffer(buf({kNaN}));
    EXPECT_EQ(c->GetCurrentMaxLevel(), 1);
    c->AddBuffer(buf({4, kNaN}));
    EXPECT_EQ(c->GetCurrentMaxLevel(), 4);  // a number after NaN takes over
}

TEST_F(Channel, HoldParksBuffersUpToTheDepthUntilTheNextDrawing) {
    w.XAxis().SetBufferCapacity(3);
    auto* c = Add();
    c->AddBuffer(buf({1}));
    w.SetHoldSwitch(true);
    for (int i = 2; i <= 7; ++i) {
        c->AddBuffer(buf({double(i)}));
        EXPECT_LE(c->PendingCount(), 3);
    }
    EXPECT_EQ(c->HistoryCount(), 1);
    EXPECT_EQ(c->GetData().size(), 4u);  // history and pending
    w.SetHoldSwitch(false);
    EXPECT_EQ(c->HistoryCount(), 1);
    w.PopulateDrawBuffers();  // the next drawing merges what was parked
    EXPECT_EQ(c->HistoryCount(), 3);
    auto data = c->GetDrawData();
    EXPECT_EQ(data.front()->Item(0), 5);
    EXPECT_EQ(data.back()->Item(0), 7);
    EXPECT_EQ(c->PendingCount(), 0);
    // Zooming with the mouse holds too.
    w.SetHoldSwitch(false);
    w.GetDataView()->SetZooming(true);
    EXPECT_TRUE(w.GetHold());
}

TEST_F(Channel, SetBufferReplacesPendingOrHistoryAndRejectsThePastTheEnd) {
    auto* c = Add();
    c->AddBuffer(buf({1}));
    c->AddBuffer(buf({2}));
    c->SetBuffer(1, buf({20}));  // no pending: index 1 is history 1
    EXPECT_EQ(c->GetDrawData()[1]->Item(0), 20);
    EXPECT_EQ(c->GetCurrentMaxLevel(), 20);  // the extremes follow the replaced buffer
    c->SetBuffer(1, buf({3}));
    EXPECT_EQ(c->GetCurrentMaxLevel(), 3);
    try {
        c->SetBuffer(2, buf({0}));
        FAIL() << "no range error";
    } catch (const ERangeError& e) {
        EXPECT_STREQ(e.what(), "Index out of range = 2");
    }
    EXPECT_THROW(c->SetBuffer(-1, buf({0})), ERangeError);

    w.SetHoldSwitch(true);
    c->AddBuffer(buf({5}));
    c->AddBuffer(buf({6}));
    EXPECT_THROW(c->SetBuffer(4, buf({0})), ERangeError);  // pending 2 + history 2
    c->SetBuffer(1, buf({60}));                             // pending index 1, parked as replacement
    c->SetBuffer(2, buf({10}));                             // history 0
    w.SetHoldSwitch(false);
    w.PopulateDrawBuffers();
    auto d = c->GetDrawData();
    ASSERT_EQ(d.size(), 4u);
    EXPECT_EQ(d[0]->Item(0), 10);
    EXPECT_EQ(d[3]->Item(0), 60);
    c->SetBuffer(0, buf({7}));  // not held, nothing pending: history 0
    EXPECT_EQ(c->GetDrawData()[0]->Item(0), 7);
}

// The faults: a replacement parked in a hold was reported at a history
// place, and a clear during a hold emptied buffers that arrived after it.
TEST_F(Channel, ParkedDataAndLaterArrivalsAppearAsTheNextDrawingShowsThem) {
    auto* c = Add();
    auto firsts = [](const std::vector<ITZRealBuffer>& v) {
        std::vector<double> out;
        for (const auto& b : v) out.push_back(b->Item(0));
        return out;
    };
    using V = std::vector<double>;
    c->AddBuffer(buf({1}));
    c->AddBuffer(buf({2}));
    w.SetHoldSwitch(true);
    c->AddBuffer(buf({5}));
    c->AddBuffer(buf({6}));
    c->SetBuffer(1, buf({60}));
    EXPECT_EQ(firsts(c->GetData()), (V{1, 2, 5, 60}));
    w.SetHoldSwitch(false);
    c->AddBuffer(buf({7}));  // after what was parked, before any drawing
    EXPECT_EQ(firsts(c->GetDrawData()), (V{1, 2, 5, 60, 7}));

    w.SetHoldSwitch(true);
    c->Clear();  // as a start on the pin does
    EXPECT_EQ(c->HistoryCount(), 5);  // the held picture stays
    EXPECT_TRUE(c->GetData().empty());
    EXPECT_THROW(c->SetBuffer(0, buf({0})), ERangeError);
    w.SetHoldSwitch(false);
    c->AddBuffer(buf({42}));
    EXPECT_EQ(firsts(c->GetData()), (V{42}));
    w.PopulateDrawBuffers();
    EXPECT_EQ(firsts(c->GetDrawData()), (V{42}));
    EXPECT_EQ(c->NewBufferCount(), 1);
    EXPECT_EQ(c->GetCurrentMaxLevel(), 42);
}

TEST_F(Channel, TakesEmptyOneSampleNaNAndHugeBuffers) {
    w.XAxis().SetBufferCapacity(2);
    auto* c = Add();
    w.resize(500, 400);
    c->AddBuffer(buf({}));
    c->AddBuffer(nullptr);
    c->AddHoldBuffer(nullptr);
    c->AddBuffer(buf({kNaN}));
    c->AddBuffer(buf({42}));
    std::vector<double> huge(1000000, 1.0);
    huge[999999] = 8;
    c->GetVC_Data()->IntAddData(huge.data(), huge.size());
    c->GetVC_Data()->IntAddData(huge.data(), huge.size());
    EXPECT_EQ(w.GetBufferSize(), 1000000);
    EXPECT_EQ(c->GetCurrentMaxLevel(), 8);
    QImage img(w.size(), QImage::Format_RGB32);
    QPainter p(&img);
    w.Render(p, w.size());
    bool in = false;
    QRect r = w.GetDataView()->Rect();
    EXPECT_EQ(c->GetValueAtInt(r.left(), r.top(), in), 1.0);
}

TEST_F(Channel, PinsCarryEveryDataTypeAndStartOperations) {
    auto* c = Add();
    auto* other = Add();
    other->SetVisible(false);
    TLWSourcePin real(TLWDataType::RealBuffer), typed(TLWDataType::TypedBuffer), list(TLWDataType::BufferList),
        matrix(TLWDataType::RealMatrix), memory(TLWDataType::Memory);
    real.Connect(*c->InputPin());
    real.Send(TLWStartOperation{TLWStartOperation::Spectrum, 44100.0});
    EXPECT_EQ(c->SampleRate(), 44100);
    EXPECT_TRUE(w.IsFrequencyDomain());
    EXPECT_EQ(w.GetSampleRate(), 44100);
    EXPECT_DOUBLE_EQ(w.CalcMaxFreq(), 22.05);  // kHz

    real.Send(TLWSuppliedBuffer{buf({1, 2})});
    real.Send(TLWSuppliedBuffer{TLWTypedBuffer{}});  // wrong payload for the stream: ignored
    real.Send(TLWOtherOperation{7});
    typed.Connect(*c->InputPin());
    typed.Send(TLWSuppliedBuffer{TLWTypedBuffer::Of<std::uint16_t>(TLWTypedBuffer::UInt16, {3, 4})});
    list.Connect(*c->InputPin());
    list.Send(TLWSuppliedBuffer{std::vector<ITZRealBuffer>{buf({5}), buf({6})}});
    matrix.Connect(*c->InputPin());
    matrix.Send(TLWSuppliedBuffer{TLWRealMatrix{3, {7, 7, 7, 8, 8, 8, 9}}});  // two whole rows
    memory.Connect(*c->InputPin());
    std::vector<double> raw{10, 11};
    TLWMemoryBuffer mem;
    mem.bytes.assign(reinterpret_cast<unsigned char*>(raw.data()), reinterpret_cast<unsigned char*>(raw.data() + 2));
    memory.Send(TLWSuppliedBuffer{mem});
    std::vector<double> firsts;
    for (const auto& b : c->GetDrawData()) firsts.push_back(b->Item(0));
    EXPECT_EQ(firsts, (std::vector<double>{1, 3, 5, 6, 7, 8, 10}));
    EXPECT_EQ(c->GetDrawData()[4]->Size(), 3u);

    // A start without a rate: the default rate, and the history cleared.
    memory.Send(TLWStartOperation{TLWStartOperation::Intensity, std::nullopt});
    EXPECT_EQ(c->SampleRate(), 10000);
    EXPECT_EQ(c->HistoryCount(), 0);
    EXPECT_FALSE(w.IsFrequencyDomain());
    EXPECT_TRUE(w.IsIntensityDomain());
}

TEST_F(Component, AggregatesSkipHiddenChannels) {
    auto* a = Add();
    auto* b = Add();
    a->AddBuffer(buf({1, 2, 3}));
    a->AddBuffer(buf({1, 2, 3}));
    b->AddBuffer(buf({1, 2}));
    EXPECT_EQ(w.GetBufferSize(), 2);
    EXPECT_EQ(w.GetBuffersCount(), 1);
    EXPECT_EQ(w.GetNewBuffersCount(), 1);
    b->SetVisible(false);
    EXPECT_TRUE(w.Changed());
    EXPECT_EQ(w.GetBufferSize(), 3);
    EXPECT_EQ(w.GetBuffersCount(), 2);
    w.ResetNewBuffersCount();
    EXPECT_EQ(a->NewBufferCount(), 0);
    EXPECT_EQ(b->NewBufferCount(), 0);
    b->GetVC_Data()->SetSampleRate(96000);
    EXPECT_EQ(w.GetSampleRate(), 10000);  // b is hidden
    b->SetVisible(true);
    w.InvalidateFreq();
    EXPECT_EQ(w.GetSampleRate(), 96000);
}
}  // namespace
