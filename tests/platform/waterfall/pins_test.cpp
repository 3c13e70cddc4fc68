#include <gtest/gtest.h>

#include <thread>

#include "platform/waterfall/pins.h"

namespace {
struct Recorder {
    std::vector<std::pair<TLWDataType, std::size_t>> seen;  // type, variant index
    TTZLWComboRealIntMatrixSinkPin pin{[this](TTZLWComboRealIntMatrixSinkPin&, TLWDataType t, const TLWOperation& op) {
        seen.push_back({t, op.index()});
    }};
};

TEST(Pins, SourceDeliversToItsSinksUntilDisconnected) {
    TLWSourcePin source(TLWDataType::TypedBuffer);
    Recorder a, b;
    source.Connect(a.pin);
    source.Connect(b.pin);
    source.Send(TLWStartOperation{TLWStartOperation::Spectrum, 48000.0});
    b.pin.Disconnect();
    source.Send(TLWSuppliedBuffer{TLWTypedBuffer::Of<std::int16_t>(TLWTypedBuffer::Int16, {1, 2})});
    ASSERT_EQ(a.seen.size(), 2u);
    EXPECT_EQ(a.seen[0].first, TLWDataType::TypedBuffer);
    EXPECT_EQ(a.seen[1].second, 1u);
    EXPECT_EQ(b.seen.size(), 1u);
    EXPECT_FALSE(b.pin.Connected());
    EXPECT_EQ(source.SinkCount(), 1u);
}

TEST(Pins, ASinkFollowsItsLastSourceAndOutlivesIt) {
    Recorder r;
    {
        TLWSourcePin first(TLWDataType::RealBuffer), second(TLWDataType::RealMatrix);
        first.Connect(r.pin);
        second.Connect(r.pin);
        EXPECT_EQ(first.SinkCount(), 0u);
        EXPECT_EQ(r.pin.Source(), &second);
        second.Send(TLWOtherOperation{});
    }
    EXPECT_FALSE(r.pin.Connected());
    EXPECT_EQ(r.seen.size(), 1u);
}

TEST(Pins, TypedBuffersConvertEveryElementType) {
    EXPECT_EQ(TLWTypedBuffer::Of<std::uint16_t>(TLWTypedBuffer::UInt16, {65535}).ToReal()->Item(0), 65535.0);
    auto i32 = TLWTypedBuffer::Of<std::int32_t>(TLWTypedBuffer::Int32, {-5, 7}).ToReal();
    EXPECT_EQ(i32->Size(), 2u);
    EXPECT_EQ(i32->Item(0), -5.0);
    EXPECT_EQ(TLWTypedBuffer::Of<std::uint32_t>(TLWTypedBuffer::UInt32, {4000000000u}).ToReal()->Item(0), 4e9);
    EXPECT_EQ(TLWTypedBuffer::Of<float>(TLWTypedBuffer::Float32, {0.5f}).ToReal()->Item(0), 0.5);
    EXPECT_EQ(TLWTypedBuffer::Of<double>(TLWTypedBuffer::Float64, {}).ToReal()->Size(), 0u);
}

TEST(PinList, NamesIndicesSwapsAndRemovals) {
    Recorder a, b, c;
    TLWPinList list;
    list.Add("A", &a.pin);
    list.Add("B", &b.pin);
    list.Add("C", &c.pin);
    list.Swap(0, 2);
    EXPECT_EQ(list.IndexOf(&a.pin), 2);
    EXPECT_EQ(list.Name(0), "C");
    list.SetName(1, "Bee");
    list.SetName(7, "nowhere");
    list.Remove(&c.pin);
    ASSERT_EQ(list.Count(), 2);
    EXPECT_EQ(list.Name(0), "Bee");
    EXPECT_EQ(list.IndexOf(&c.pin), -1);
    list.Swap(0, 5);  // ignored
    EXPECT_EQ(list.Pin(1), &a.pin);
}

TEST(Pins, DisconnectWaitsForASendInProgress) {
    TLWSourcePin source(TLWDataType::RealBuffer);
    std::atomic<int> calls{0};
    std::atomic<bool> inside{false};
    TTZLWComboRealIntMatrixSinkPin sink([&](TTZLWComboRealIntMatrixSinkPin&, TLWDataType, const TLWOperation&) {
        inside = true;
        for (int i = 0; i < 1000; ++i) std::this_thread::yield();
        ++calls;
        inside = false;
    });
    source.Connect(sink);
    std::thread sender([&] {
        for (int i = 0; i < 50; ++i) source.Send(TLWOtherOperation{});
    });
    while (calls.load() == 0) std::this_thread::yield();
    sink.Disconnect();
    EXPECT_FALSE(inside.load());  // no handler runs once Disconnect returned
    int after = calls.load();
    sender.join();
    EXPECT_EQ(calls.load(), after);
}
}  // namespace
