#include <gtest/gtest.h>

#include <deque>

#include <algorithm>
#include <cmath>
#include <limits>
#include <random>

#include "platform/waterfall/cpu.h"
#include "platform/waterfall/real_buffer.h"

namespace {
const double kNaN = std::numeric_limits<double>::quiet_NaN();

TEST(RealBuffer, ExtremesSkipNaNAndAnswerNaNWithoutNumbers) {
    TTZRealBuffer b(std::vector<double>{kNaN, 3, -2, kNaN, 7});
    EXPECT_EQ(b.Minimum(), -2);
    EXPECT_EQ(b.Maximum(), 7);
    EXPECT_TRUE(std::isnan(TTZRealBuffer().Maximum()));
    EXPECT_TRUE(std::isnan(TTZRealBuffer(std::vector<double>{kNaN}).Minimum()));
    EXPECT_EQ(TTZRealBuffer(std::vector<double>{4}).Maximum(), 4);
}

// With the processor's vector instructions and without them.
TEST(RealBuffer, ExtremesEqualAPlainScanAtEveryLength) {
    std::mt19937 rng(5);
    std::uniform_real_distribution<double> u(-1e6, 1e6);
    for (std::size_t n = 0; n < 80; ++n) {
        AllowWideVectors(n % 2 == 0);
        std::vector<double> v(n);
        double lo = kNaN, hi = kNaN;
        for (std::size_t i = 0; i < n; ++i) {
            v[i] = (i * 7 + n) % 5 == 0 ? kNaN : u(rng);
            if (std::isnan(v[i])) continue;
            if (std::isnan(lo) || v[i] < lo) lo = v[i];
            if (std::isnan(hi) || v[i] > hi) hi = v[i];
        }
        TTZRealBuffer b(v);
        double blo, bhi;
        b.Extremes(blo, bhi);
        EXPECT_TRUE(blo == lo || (std::isnan(lo) && std::isnan(blo))) << n;
        EXPECT_TRUE(bhi == hi || (std::isnan(hi) && std::isnan(bhi))) << n;
    }
    AllowWideVectors(true);
    TTZRealBuffer inf(std::vector<double>{HUGE_VAL, kNaN});
    EXPECT_EQ(inf.Minimum(), HUGE_VAL);
    EXPECT_EQ(inf.Maximum(), HUGE_VAL);
}

TEST(RealBuffer, CopiesAreIndependentAndNullCopiesEmpty) {
    auto src = std::make_shared<TTZRealBuffer>(std::vector<double>{1, 2, 3});
    ITZRealBuffer copy = TTZRealBuffer::CopyOf(src);
    (*src)[0] = 99;
    EXPECT_EQ(copy->Item(0), 1);
    EXPECT_EQ(TTZRealBuffer::CopyOf(nullptr)->Size(), 0u);
    const short raw[] = {-3, 4};
    EXPECT_EQ(TTZRealBuffer::FromValues(raw, 2)->Item(0), -3.0);
}

// The queue's extremes after the first entry against a plain scan, over
// random sliding windows with repeats and NaN entries; a queue keeping one
// of the answers gives that one alike.
TEST(RealQueue, ExtremesAfterFirstMatchAPlainScan) {
    std::mt19937 rng(7);
    std::uniform_int_distribution<int> value(0, 9), width(1, 6), nan(0, 9);
    for (int run = 0; run < 60; ++run) {
        const auto tracks = TTZRealQueue::Tracks(run % 3);
        TTZRealQueue q(tracks);
        std::deque<double> shadow;
        int depth = width(rng);
        for (int i = 0; i < 200; ++i) {
            double v = nan(rng) == 0 ? kNaN : value(rng);
            q.Add(v);
            shadow.push_back(v);
            if (int(shadow.size()) > depth) {
                double big = kNaN, small = kNaN;
                for (std::size_t k = 1; k < shadow.size(); ++k) {
                    if (std::isnan(shadow[k])) continue;
                    if (std::isnan(big) || shadow[k] > big) big = shadow[k];
                    if (std::isnan(small) || shadow[k] < small) small = shadow[k];
                }
                double qb = q.LargestAfterFirst(), qs = q.SmallestAfterFirst();
                if (tracks == TTZRealQueue::SmallestOnly) big = kNaN;
                if (tracks == TTZRealQueue::LargestOnly) small = kNaN;
                ASSERT_TRUE((std::isnan(big) && std::isnan(qb)) || big == qb) << run << " " << i;
                ASSERT_TRUE((std::isnan(small) && std::isnan(qs)) || small == qs) << run << " " << i;
                q.RemoveFirst();
                shadow.pop_front();
            }
            ASSERT_EQ(q.Count(), shadow.size());
            ASSERT_TRUE(std::isnan(q.Item(0)) ? std::isnan(shadow[0]) : q.Item(0) == shadow[0]);
        }
    }
}

TEST(RealQueue, ClearAndRemoveOnEmptyAreHarmless) {
    TTZRealQueue q;
    q.RemoveFirst();
    q.Add(5);
    q.Add(3);
    q.Clear();
    EXPECT_EQ(q.Count(), 0u);
    EXPECT_TRUE(std::isnan(q.LargestAfterFirst()));
    q.Add(1);
    q.Add(2);
    EXPECT_EQ(q.LargestAfterFirst(), 2);
    EXPECT_EQ(q.SmallestAfterFirst(), 2);
}
}  // namespace
