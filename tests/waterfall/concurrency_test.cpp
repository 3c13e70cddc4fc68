// Data from three threads while the window thread draws, holds and hovers.
#include <gtest/gtest.h>

#include <QPainter>
#include <atomic>
#include <thread>

#include "tests/waterfall/wf_app.h"
#include "waterfall/gfmultiwaterfall.h"

namespace {
constexpr int kBuffers = 3000;
constexpr int kDepth = 50;
constexpr std::size_t kSamples = 64;

// Every sample of buffer n of a channel is n, so a torn or mixed buffer shows.
TEST(Concurrency, ThreeFeedersAndTheWindowThreadLoseAndTearNothing) {
    wf::test::qtApp();
    TGFMultiWaterfall w;
    w.resize(640, 400);
    w.XAxis().SetBufferCapacity(kDepth);
    std::vector<std::unique_ptr<TLWSourcePin>> sources;
    for (int i = 0; i < 3; ++i) {
        auto* c = w.Channels().Add();
        sources.push_back(std::make_unique<TLWSourcePin>(i == 1 ? TLWDataType::TypedBuffer : TLWDataType::RealBuffer));
        sources.back()->Connect(*c->InputPin());
    }
    std::atomic<int> done{0};
    std::atomic<bool> go{false};
    std::vector<std::thread> feeders;
    for (int i = 0; i < 3; ++i)
        feeders.emplace_back([&, i] {
            while (!go.load()) std::this_thread::yield();
            sources[std::size_t(i)]->Send(TLWStartOperation{TLWStartOperation::Spectrum, 1000.0 * (i + 1)});
            for (int n = 1; n <= kBuffers; ++n) {
                if (i == 1) {
                    std::vector<std::int32_t> v(kSamples, n);
                    sources[1]->Send(TLWSuppliedBuffer{TLWTypedBuffer::Of(TLWTypedBuffer::Int32, v)});
                } else {
                    sources[std::size_t(i)]->Send(TLWSuppliedBuffer{
                        ITZRealBuffer(std::make_shared<TTZRealBuffer>(kSamples, double(n)))});
                }
                if (n % 10 == 0) std::this_thread::yield();
            }
            ++done;
        });

    QImage img(w.size(), QImage::Format_RGB32);
    int rounds = 0;
    go.store(true);
    while (done.load() < 3 || rounds < 5) {
        ++rounds;
        w.SetHoldSwitch(rounds % 4 == 1);
        {
            QPainter p(&img);
            w.Render(p, w.size());
        }
        QPoint at = w.GetDataView()->Rect().center();
        w.GetDataView()->SetHitPoint(at);
        w.GetFormatedLabelText();
        w.OnRefreshTimer();
        w.GetSampleRate();
        for (int i = 0; i < 3; ++i) {
            auto* c = w.Channels().GetItem(i);
            ASSERT_LE(c->PendingCount(), kDepth);
            ASSERT_LE(c->HistoryCount(), kDepth);
            for (const auto& b : c->GetData()) {
                ASSERT_EQ(b->Size(), kSamples);
                for (std::size_t k = 1; k < kSamples; ++k) ASSERT_EQ(b->Item(k), b->Item(0));
            }
        }
        if (rounds > 100000) break;
    }
    for (auto& t : feeders) t.join();
    w.SetHoldSwitch(false);
    w.PopulateDrawBuffers();
    // Nothing lost: the last kDepth buffers of each feeder, in order.
    for (int i = 0; i < 3; ++i) {
        auto data = w.Channels().GetItem(i)->GetDrawData();
        ASSERT_EQ(int(data.size()), kDepth) << i;
        for (int k = 0; k < kDepth; ++k) EXPECT_EQ(data[std::size_t(k)]->Item(0), kBuffers - kDepth + 1 + k) << i;
    }
    EXPECT_EQ(w.GetSampleRate(), 3000);
    EXPECT_TRUE(w.IsFrequencyDomain());
}
}  // namespace
