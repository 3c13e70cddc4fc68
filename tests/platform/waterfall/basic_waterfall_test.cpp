#include <gtest/gtest.h>

#include <QMouseEvent>
#include <QPainter>
#include <cmath>
#include <limits>

#include "platform/waterfall/basic_waterfall.h"
#include "platform/waterfall/collection.h"
#include "tests/waterfall/wf_app.h"

namespace {
// The least derived waterfall: one data set drawn with a gray level view.
struct OneSet : TTZBasicWaterfall {
    struct View : TTZBasicWaterfallDataView {
        OneSet* w;
        explicit View(OneSet* o) : TTZBasicWaterfallDataView(o), w(o) {}
        void Populate(int) override { PopulateChannel(w->set, w->levels.IsLogarithmic(), false, w->levels, w->hi, w->lo); }
        bool TestSetNeedsRedraw() override { return false; }
    };
    TTZWaterfallBuffers set;
    TTZAxisDisplayLevelView levels{nullptr, nullptr, nullptr};
    double lo = 0, hi = 255;
    View view{this};
    int populated = 0;
    OneSet() {
        InstallDataView(&view);
        levels.SetGrayMode(true);
        XAxis().SetBufferCapacity(4);
        resize(400, 300);
    }
    void Add(std::vector<double> v) {
        set.history.push_back(std::make_shared<TTZRealBuffer>(std::move(v)));
        ++set.added;
        if (int(set.history.size()) > XAxis().BufferCapacity()) set.history.pop_front();
        YAxis().SetSampleCount(int(set.history.front()->Size()));
        SetNewData();
    }
    int GetBuffersCount() override { return int(set.history.size()); }
    int GetNewBuffersCount() override { return 1; }
    QImage Draw() {
        QImage img(size(), QImage::Format_RGB32);
        QPainter p(&img);
        Render(p, size());
        return img;
    }
    // The frame's gray at a history pixel row and sample pixel column.
    int Gray(int row, int column) { return qRed(view.Frame().pixel(column, row)); }
};

TEST(BasicWaterfall, MapsValuesThroughTheLevelsIntoRowsPerBuffer) {
    wf::test::qtApp();
    OneSet w;
    w.Add({0, 255});
    w.Add({255, 0});
    w.Draw();
    const QImage& f = w.view.Frame();
    ASSERT_EQ(f.width(), w.view.Width());
    // History 0 on the first quarter of the rows (depth 4), samples split in two halves.
    EXPECT_EQ(w.Gray(0, 0), 0);
    EXPECT_EQ(w.Gray(0, f.width() - 1), 255);
    EXPECT_EQ(w.Gray(f.height() / 4 + 1, 0), 255);
    // Rows past the history show the background, not old data.
    EXPECT_EQ(f.pixel(0, f.height() - 1), QColor(32, 32, 36).rgb());
}

TEST(BasicWaterfall, ANewBufferCostsOneRowAndTheRingKeepsTheOrder) {
    wf::test::qtApp();
    OneSet w;
    for (int i = 0; i < 6; ++i) w.Add({double(i * 40)});  // the oldest two scrolled out
    w.Draw();
    EXPECT_TRUE(w.view.LastWasFull());
    w.Add({250});
    w.Draw();
    EXPECT_FALSE(w.view.LastWasFull());
    EXPECT_TRUE(w.view.LastComposeWasIncremental());
    EXPECT_EQ(w.view.LastMappedRows(), 1);
    int quarter = w.view.Frame().height() / 4;
    // History now 120, 160, 200, 250 from the top.
    EXPECT_EQ(w.Gray(0, 0), 120);
    EXPECT_EQ(w.Gray(quarter + 1, 0), 160);
    EXPECT_EQ(w.Gray(3 * quarter + 1, 0), 250);
    // Reversal flips the rows: the newest on top.
    w.XAxis().SetReversed(true);
    w.Draw();
    EXPECT_TRUE(w.view.LastWasFull());
    EXPECT_EQ(w.Gray(1, 0), 250);
}

TEST(BasicWaterfall, AHistoryLongerThanTheDepthDrawsItsNewestPart) {
    wf::test::qtApp();
    OneSet w;
    for (int i = 0; i < 4; ++i) w.Add({double(i * 50)});
    w.XAxis().SetBufferCapacity(2);  // lowered, the history not trimmed yet
    w.Draw();
    EXPECT_EQ(w.Gray(0, 0), 100);
    EXPECT_EQ(w.Gray(w.view.Frame().height() - 1, 0), 150);
}

TEST(BasicWaterfall, NaNEmptyAndShortBuffersDrawAsNothing) {
    wf::test::qtApp();
    OneSet w;
    const double nan = std::numeric_limits<double>::quiet_NaN();
    w.Add({200, 200, 200, 200});
    w.Add({nan, 255, nan, 255});
    w.Add({});
    w.Add({100});
    w.Draw();
    int q = w.view.Frame().height() / 4, last = w.view.Frame().width() - 1;
    EXPECT_EQ(w.Gray(q + 1, 0), 0);
    EXPECT_EQ(w.Gray(q + 1, last), 255);
    EXPECT_EQ(w.Gray(2 * q + 1, 0), 0);
    EXPECT_EQ(w.Gray(3 * q + 1, 0), 100);
    EXPECT_EQ(w.Gray(3 * q + 1, last), 0);  // past the short buffer's end
}

TEST(BasicWaterfall, HoldFreezesThePictureAndZoomNarrowsTheAxes) {
    wf::test::qtApp();
    OneSet w;
    w.Add({10});
    w.Draw();
    w.SetHoldSwitch(true);
    EXPECT_TRUE(w.GetHold());
    w.Add({250});
    w.Draw();
    EXPECT_EQ(w.view.LastMappedRows(), 0);
    w.SetHoldSwitch(false);
    w.Draw();
    EXPECT_EQ(w.view.LastMappedRows(), 1);
    w.XAxis().SetRange(1, 3);
    w.Draw();
    EXPECT_EQ(w.view.HistoryIndexAt(0), 1);
    EXPECT_EQ(w.Gray(0, 0), 250);
    w.XAxis().SetRange(5, 2);  // an empty range is refused
    EXPECT_EQ(w.XAxis().Max(), 3);
}

TEST(BasicWaterfall, LogarithmicLevelsSpreadDecadesEvenly) {
    wf::test::qtApp();
    OneSet w;
    w.lo = 1;
    w.hi = 10000;
    w.levels.SetMode(TTZAxisDisplayLevelView::Logarithmic);
    w.Add({10, 100, 0, -5});
    w.Draw();
    int quarter = w.view.Frame().width() / 4;
    EXPECT_EQ(w.Gray(0, 1), 63);  // a quarter of the decades: 255 / 4
    EXPECT_EQ(w.Gray(0, quarter + 1), 127);
    EXPECT_EQ(w.Gray(0, 2 * quarter + 1), 0);  // zero and below: the bottom
    EXPECT_EQ(w.Gray(0, 3 * quarter + 1), 0);
}

TEST(LevelView, GrayColourPointsAndClampedFractions) {
    TTZAxisDisplayLevelView v(nullptr, nullptr, nullptr);
    v.SetGrayMode(true);
    EXPECT_EQ(v.ValueToColorGBR(100, 50), 0x808080u);
    EXPECT_EQ(v.ValueToColorGBR(100, 500), 0xFFFFFFu);
    EXPECT_EQ(v.ValueToColorGBR(0, 5), 0u);
    v.SetGrayMode(false);
    v.SetColorPoints({{0.0, 0x0000FF}, {1.0, 0xFF0000}});  // host colours: red to blue
    EXPECT_EQ(v.ValueToColorGBR(1, 0), 0xFF0000u);         // red as a pixel
    EXPECT_EQ(v.ValueToColorGBR(1, 1), 0x0000FFu);
    EXPECT_EQ(v.ValueToColorGBR(1, 0.5), 0x800080u);
}

TEST(BasicWaterfall, ClicksReachLegendLevelViewAndAxes) {
    wf::test::qtApp();
    struct Clicks : OneSet {
        std::vector<std::string> log;
        void DoLegendClick(int page, int i) override { log.push_back("legend " + std::to_string(page) + " " + std::to_string(i)); }
        void DoColorChannelClick(int i) override { log.push_back("colour " + std::to_string(i)); }
        void DoAxisClick(int i) override { log.push_back("axis " + std::to_string(i)); }
    } w;
    w.DisplayViews().insert(w.DisplayViews().begin() + 4, &w.levels);
    w.Draw();
    auto click = [&](QPoint p) {
        QMouseEvent e(QEvent::MouseButtonPress, p, w.mapToGlobal(p), Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&w, &e);
    };
    click(w.LevelViewRect(&w.levels, true).center());
    click(w.LevelViewRect(&w.levels, false).bottomLeft() + QPoint(8, -20));
    click(w.AxisRect(0).center());
    click(w.AxisRect(1).center());
    EXPECT_EQ(w.log, (std::vector<std::string>{"legend -1 0", "colour 0", "axis 0", "axis 1"}));
}

struct Thing : TTZOptionalDisplayCollectionItem {
    using TTZOptionalDisplayCollectionItem::TTZOptionalDisplayCollectionItem;
    int* deleted = nullptr;
    ~Thing() override {
        if (deleted) ++*deleted;
    }
};
struct Items : TTZDisplayCollection {
    int updates = 0, created = 0;
    TTZOptionalDisplayCollectionItem* CreateItem() override { return new Thing(this); }
    void Update(TTZOptionalDisplayCollectionItem*) override { ++updates; }
    void NewItemCreated(TTZOptionalDisplayCollectionItem*) override { ++created; }
};

TEST(Collection, OwnsItemsReportsChangesAndMoves) {
    int deleted = 0;
    {
        Items c;
        auto* a = static_cast<Thing*>(c.AddItem());
        auto* b = c.AddItem();
        a->deleted = &deleted;
        EXPECT_EQ(c.created, 2);
        a->SetName("A");
        a->SetName("A");  // no change, no report
        b->SetVisible(false);
        EXPECT_EQ(c.updates, 2);
        a->SetIndex(1);
        EXPECT_EQ(c.Item(0), b);
        EXPECT_EQ(a->Index(), 1);
        c.Delete(0);
        EXPECT_EQ(c.Count(), 1);
        EXPECT_EQ(a->Index(), 0);
    }
    EXPECT_EQ(deleted, 1);
}
}  // namespace
