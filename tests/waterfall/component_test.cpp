// The value under a point, labels, colours, redraw decisions and variants.
#include <gtest/gtest.h>

#include <QMouseEvent>
#include <QPainter>
#include <QTimer>
#include <cmath>
#include <random>

#include "platform/waterfall/cpu.h"
#include "tests/waterfall/wf_app.h"
#include "waterfall/gfmultiwaterfall.h"

namespace {
ITZRealBuffer buf(std::vector<double> v) { return std::make_shared<TTZRealBuffer>(std::move(v)); }

struct Drawing : ::testing::Test, wf::test::WithApp {
    TGFMultiWaterfall w;
    Drawing() {
        wf::test::qtApp();
        w.resize(600, 400);
        w.XAxis().SetBufferCapacity(4);
    }
    QImage Draw() {
        QImage img(w.size(), QImage::Format_RGB32);
        QPainter p(&img);
        w.Render(p, w.size());
        return img;
    }
    QRect View() { return w.GetDataView()->Rect(); }
};

// The fault: sample s of buffer h was checked only against the oldest
// buffer's size, and the upward sample index of the horizontal layout could
// be -1. Both now answer as for a point outside the data.
TEST_F(Drawing, ValueUnderAPointNeverReadsOutsideItsBuffer) {
    auto* c = w.Channels().Add();
    c->Levels()->SetAutomatic(false);
    c->Levels()->SetRange(-5, 5);
    c->AddBuffer(buf({1, 2, 3, 4, 5, 6, 7, 8}));  // the oldest decides the sample axis: 8
    c->AddBuffer(buf({9, 10}));                   // a shorter one
    Draw();
    const QRect r = View();
    const int row1 = r.top() + r.height() / 4 + 2;  // history 1 of 4
    bool in = false;
    EXPECT_EQ(c->GetValueAtInt(r.left() + 1, row1, in), 9);
    EXPECT_TRUE(in);
    EXPECT_EQ(c->GetValueAtInt(r.right() - 1, row1, in), -5);  // sample 7 of a 2-sample buffer
    EXPECT_FALSE(in);
    EXPECT_EQ(c->GetValueAtInt(r.right() - 1, r.top() + 2, in), 8);
    EXPECT_EQ(c->GetValueAtInt(r.left() + 1, r.bottom() - 2, in), -5);  // past the history
    EXPECT_FALSE(in);

    w.SetLayout(TTZBasicWaterfall::Horizontal);
    Draw();
    const QRect h = View();
    const int col0 = h.left() + 2;
    EXPECT_EQ(c->GetValueAtInt(col0, h.bottom(), in), 1);  // the sample axis grows upwards
    EXPECT_EQ(c->GetValueAtInt(col0, h.top(), in), 8);
    // At the view's lower edge the index would be -1.
    EXPECT_EQ(c->GetValueAtInt(col0, h.top() + h.height(), in), -5);
    EXPECT_FALSE(in);
    EXPECT_EQ(c->GetValueAtInt(h.left() + h.width() / 4 + 2, h.top(), in), -5);
    EXPECT_FALSE(in);
    EXPECT_EQ(c->GetValueAtInt(h.left() + h.width() / 4 + 2, h.bottom(), in), 9);

    TGFMultiWaterfall sizeless;
    auto* s = sizeless.Channels().Add();
    EXPECT_EQ(s->GetValueAtInt(0, 0, in), -1000000);
    EXPECT_FALSE(in);
}

// What is drawn at a pixel is what the value under that pixel says, in
// both layouts and with the history axis either way round.
TEST_F(Drawing, ThePictureShowsTheValueUnderEachPoint) {
    auto* c = w.Channels().Add();
    c->SetColor(0xFFFFFF);
    c->Levels()->SetAutomatic(false);
    c->Levels()->SetRange(0, 255);
    for (int h = 0; h < 3; ++h) {
        std::vector<double> v(16);
        for (int s = 0; s < 16; ++s) v[std::size_t(s)] = h * 80 + s * 5;
        c->AddBuffer(buf(v));
    }
    for (auto layout : {TTZBasicWaterfall::Vertical, TTZBasicWaterfall::Horizontal})
        for (bool reversed : {false, true}) {
            w.SetLayout(layout);
            w.XAxis().SetReversed(reversed);
            QImage img = Draw();
            const QRect r = View();
            int checked = 0;
            for (int y = r.top() + 3; y < r.bottom(); y += 17)
                for (int x = r.left() + 3; x < r.right(); x += 13) {
                    bool in = false;
                    double v = c->GetValueAtInt(x, y, in);
                    if (!in) continue;
                    ASSERT_EQ(qRed(img.pixel(x, y)), int(v)) << layout << reversed << " " << x << "," << y;
                    ++checked;
                }
            EXPECT_GT(checked, 50);
        }
}

TEST_F(Drawing, ValueAtScaleUsesAxisFractions) {
    auto* c = w.Channels().Add();
    c->AddBuffer(buf({1, 2, 3, 4}));
    c->AddBuffer(buf({5, 6}));
    EXPECT_EQ(c->GetValueAtScale(0, 0), 1);
    EXPECT_EQ(c->GetValueAtScale(0.25, 0.25), 6);
    EXPECT_EQ(c->GetValueAtScale(0.25, 0.75), -100000);  // past the short buffer
    EXPECT_EQ(c->GetValueAtScale(0.75, 0), c->GetCurrentMinLevel());
    EXPECT_EQ(c->GetValueAtScale(-1, 0), -100000);
}

TEST_F(Drawing, LabelFormats) {
    auto* a = w.Channels().Add();
    auto* b = w.Channels().Add();
    a->AddBuffer(buf({1.5, 1.5}));
    b->AddBuffer(buf({2.25, 2.25}));
    Draw();
    QPoint p = View().topLeft() + QPoint(2, 2);
    EXPECT_EQ(w.GetFormatLabelText(p, "%Z", ""), "1.5 / 2.25");
    EXPECT_EQ(w.GetFormatLabelText(p, "%1", ""), "2.25");
    EXPECT_EQ(w.GetFormatLabelText(p, "%%", ""), "%");
    EXPECT_EQ(w.GetFormatLabelText(p, "a%qb%", ""), "ab");
    EXPECT_EQ(w.GetFormatLabelText(p, "%01 %7 end", ""), "2.25  end");
    EXPECT_EQ(w.GetFormatLabelText(p, "", "%x|%Y"), "0|0");
    EXPECT_EQ(w.GetFormatLabelText(p, "<%d>", "[%0 %D]"), "<[1.5 ]>");
    EXPECT_EQ(w.GetToolTipZValue(1), 2.25);
    // Hovering fills the mouse values too.
    a->AddBuffer(buf({4, 4}));
    Draw();
    QPoint at = View().topLeft() + QPoint(2, View().height() / 4 + 2);
    QMouseEvent move(QEvent::MouseMove, QPointF(at), QPointF(w.mapToGlobal(at)), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    QApplication::sendEvent(&w, &move);
    EXPECT_EQ(w.GetToolTipZValue(0), 4);
    EXPECT_EQ(w.GetToolTipZValue(1), b->GetCurrentMinLevel());  // b has no second buffer
    b->SetVisible(false);  // %Z names every channel, visible or not
    EXPECT_EQ(w.GetFormatLabelText(p, "%z", ""), "1.5 / 2.25");
    w.hitPointLabelFormat.clear();
    w.GetDataView()->SetHitPoint(p);
    EXPECT_EQ(w.GetFormatedLabelText(), "0 : 0 : 1.5 / 2.25");
}

TEST_F(Drawing, LevelColoursScaleTheChannelColour) {
    auto* c = w.Channels().Add();
    c->SetColor(0x204080);  // R 0x80, G 0x40, B 0x20
    auto* v = c->Levels();
    EXPECT_EQ(v->CalculateDefault(2, 1), TColor(0x102040));
    EXPECT_EQ(v->ValueToColorGBR(2, 1), 0x402010u);  // as a pixel: R in the high byte
    EXPECT_EQ(v->ValueToColorGBR(2, 9), 0x804020u);  // past the range: clamped
    v->SetColorPoints({{0, 0x0000FF}});              // one point is no scale
    EXPECT_EQ(v->ValueToColorGBR(1, 1), 0x804020u);
    v->SetColorPoints({{0, 0x0000FF}, {1, 0x00FF00}});
    EXPECT_EQ(v->ValueToColorGBR(1, 1), 0x00FF00u);
    EXPECT_EQ(v->ValueToColorGBR(1, 0), 0xFF0000u);
    v->SetGrayMode(true);
    EXPECT_EQ(v->ValueToColorGBR(1, 1), 0xFFFFFFu);
    c->SetVisible(false);
    EXPECT_FALSE(v->IsVisible());
    EXPECT_EQ(v->GetLabelText(), c->Name());
}

TEST_F(Drawing, FullRedrawOnlyWhenLevelsVisibilityOrClearChange) {
    auto* c = w.Channels().Add();
    c->AddBuffer(buf({0, 10}));
    Draw();
    c->AddBuffer(buf({5, 5}));  // inside the levels: an update
    Draw();
    EXPECT_FALSE(w.GetDataView()->LastWasFull());
    c->AddBuffer(buf({0, 20}));  // a new maximum
    Draw();
    EXPECT_TRUE(w.GetDataView()->LastWasFull());
    c->Levels()->SetMode(TTZAxisDisplayLevelView::Logarithmic);
    EXPECT_TRUE(w.GetWaterfallDataView()->TestSetNeedsRedraw());
    EXPECT_FALSE(w.GetWaterfallDataView()->TestSetNeedsRedraw());  // stored
    c->Clear();
    EXPECT_TRUE(w.Changed());
    EXPECT_EQ(w.GetDataView()->DrawnColumns(), 0);
    EXPECT_TRUE(w.GetWaterfallDataView()->TestSetNeedsRedraw());
    EXPECT_FALSE(w.Changed());
}

TEST_F(Drawing, LaterChannelsCombineByComponentMaximum) {
    auto* red = w.Channels().Add();
    auto* green = w.Channels().Add();
    for (auto* c : {red, green}) {
        c->Levels()->SetAutomatic(false);
        c->Levels()->SetRange(0, 1);
    }
    red->AddBuffer(buf({1, 0}));
    green->AddBuffer(buf({1, 1}));
    Draw();
    const QImage& f = w.GetDataView()->Frame();
    EXPECT_EQ(f.pixel(0, 0) & 0xFFFFFF, 0xFFFF00u);
    EXPECT_EQ(f.pixel(f.width() - 1, 0) & 0xFFFFFF, 0x00FF00u);
    green->SetVisible(false);
    Draw();
    EXPECT_EQ(w.GetDataView()->Frame().pixel(0, 0) & 0xFFFFFF, 0xFF0000u);
}

// Updates combine only the new rows when all channels moved on together;
// either way the picture equals a full redraw of the same data. With a
// history deeper than the view has pixel rows, only rows in view are mapped,
// and a row coming into view later is mapped then.
TEST_F(Drawing, UpdatesDrawTheSamePictureAsAFullRedraw) {
    for (int depth : {4, 1000}) {
        SCOPED_TRACE(depth);
        TGFMultiWaterfall w;
        w.resize(600, 400);
        w.XAxis().SetBufferCapacity(depth);
        auto draw = [&] {
            QImage img(w.size(), QImage::Format_RGB32);
            QPainter p(&img);
            w.Render(p, w.size());
        };
        auto* a = w.Channels().Add();
        auto* b = w.Channels().Add();
        for (auto* c : {a, b}) {
            c->Levels()->SetAutomatic(false);
            c->Levels()->SetRange(0, 10);
        }
        int n = 0;
        auto feed = [&](TGFMultiWaterfallChannel* c) {
            c->AddBuffer(buf({double(n % 10), double((n * 3) % 10), 5})), ++n;
        };
        for (int i = 0; i < depth + 1; ++i) feed(a), feed(b);
        draw();
        const int rows = w.GetDataView()->Height();
        ASSERT_LT(rows, 1000);
        EXPECT_LE(w.GetDataView()->LastMappedRows(), 2 * std::min(depth, rows));
        auto check = [&](bool incremental) {
            draw();
            EXPECT_FALSE(w.GetDataView()->LastWasFull());
            EXPECT_EQ(w.GetDataView()->LastComposeWasIncremental(), incremental);
            QImage updated = w.GetDataView()->Frame().copy();
            w.RequestFullRedraw();
            draw();
            EXPECT_TRUE(w.GetDataView()->Frame() == updated);
        };
        feed(a), feed(b);
        check(true);
        feed(a), feed(b), feed(a), feed(b);
        check(true);
        feed(a);  // only one channel moved on
        check(false);
        feed(b);
        check(false);
        feed(a), feed(b);
        check(true);
    }
}

// Processors with wide vector instructions map pixels four at a time; the
// picture is the same to the bit as the plain loop's, for values inside,
// below and above the levels, NaN and infinities.
TEST_F(Drawing, WideAndPlainPixelLoopsDrawTheSamePicture) {
    auto* c = w.Channels().Add();
    c->Levels()->SetAutomatic(false);
    c->Levels()->SetRange(0, 10);
    std::mt19937 rng(3);
    std::uniform_real_distribution<double> u(-20, 30);
    const double special[] = {std::nan(""), HUGE_VAL, -HUGE_VAL, 0.0, -0.0, 10.0};
    for (int r = 0; r < 4; ++r) {
        std::vector<double> v(1000);
        for (std::size_t i = 0; i < v.size(); ++i) v[i] = i % 7 == 0 ? special[(i / 7 + r) % 6] : u(rng);
        c->AddBuffer(buf(v));
    }
    Draw();
    const QImage wide = w.GetDataView()->Frame().copy();
    AllowWideVectors(false);
    w.RequestFullRedraw();
    Draw();
    AllowWideVectors(true);
    EXPECT_TRUE(w.GetDataView()->Frame() == wide);
    EXPECT_GT(w.GetDataView()->LastMappedRows(), 0);
}

TEST_F(Drawing, HitPointPenIsTheMaximumOfTheChannelColours) {
    auto* red = w.Channels().Add();
    auto* green = w.Channels().Add();
    red->AddBuffer(buf({0, 4}));
    green->AddBuffer(buf({0, 8}));
    Draw();
    w.GetDataView()->SetHitPoint(View().topLeft() + QPoint(View().width() - 2, 2));
    QImage img(w.size(), QImage::Format_RGB32);
    img.fill(Qt::black);
    QPainter p(&img);
    w.DrawHitPoint(p);
    p.end();
    QPoint hp = w.GetDataView()->HitPoint();
    EXPECT_EQ(img.pixel(hp.x() + 4, hp.y()) & 0xFFFFFF, 0xFFFF00u);
}

TEST_F(Drawing, ElementsAndMatrixLayersPlaceThemselves) {
    TGFExternalMultiWaterfallElement e;
    EXPECT_EQ(e.Size().Width().Get(1), 0.6);
    EXPECT_EQ(e.Position().Vertical().Get(1), 0.5);
    EXPECT_EQ(TGFExternalMultiWaterfallElement::GetCollectionClass(), "THXComponentElements");
    THXComponentElements elements;
    e.SetElements(&elements);
    e.SetSize(TKQElement2DSize(0.5, 0.5));
    e.SetElementVisible(false);
    EXPECT_EQ(elements.Invalidations(), 2);
    EXPECT_EQ(e.SizeInvalidations(), 2);
    QImage img(400, 400, QImage::Format_RGB32);
    img.fill(Qt::black);
    {
        QPainter p(&img);
        e.Draw(p, false, 200, 200, 400, 400, 0, 0);
    }
    EXPECT_EQ(img.pixel(200, 200) & 0xFFFFFF, 0u);  // invisible: nothing drawn
    e.SetElementVisible(true);
    {
        QPainter p(&img);
        e.Draw(p, false, 200, 200, 400, 400, 0, 0);  // 200 x 200, centred, 100 down
    }
    EXPECT_NE(img.pixel(200, 300) & 0xFFFFFF, 0u);
    EXPECT_EQ(img.pixel(200, 150) & 0xFFFFFF, 0u);
    EXPECT_EQ(img.pixel(50, 300) & 0xFFFFFF, 0u);

    TGFExternalMultiWaterfallMatrixLayer m;
    EXPECT_EQ(m.Size().Height().Get(1), 0.6);
    EXPECT_EQ(m.Position().Horizontal().Get(1), 0.0);
    std::vector<std::uint32_t> pixels(500 * 500, 0);
    m.Render(pixels.data(), 500, 500);
    EXPECT_NE(pixels[10 * 500 + 10], 0u);
    EXPECT_EQ(pixels[400 * 500 + 400], 0u);
    m.Render(nullptr, 10, 10);

    TGFMultiWaterfallLayer layer;
    QImage l(300, 300, QImage::Format_RGB32);
    l.fill(Qt::black);
    QPainter lp(&l);
    layer.DrawLayer(lp, QRect(100, 100, 200, 200));
    lp.end();
    EXPECT_EQ(l.pixel(50, 50) & 0xFFFFFF, 0u);
    EXPECT_NE(l.pixel(150, 150) & 0xFFFFFF, 0u);
}

TEST_F(Drawing, SampleAxisShowsFrequenciesInTheFrequencyDomain) {
    auto* c = w.Channels().Add();
    c->AddBuffer(std::make_shared<TTZRealBuffer>(256));
    Draw();
    EXPECT_EQ(w.YAxis().Text(255), "255");  // plain samples
    TLWSourcePin src(TLWDataType::RealBuffer);
    src.Connect(*c->InputPin());
    src.Send(TLWStartOperation{TLWStartOperation::Spectrum, 48000.0});
    src.Send(TLWSuppliedBuffer{ITZRealBuffer(std::make_shared<TTZRealBuffer>(256))});
    Draw();
    EXPECT_EQ(w.YAxis().Text(0), "0 kHz");
    EXPECT_EQ(w.YAxis().Text(128), "12 kHz");
    EXPECT_EQ(w.YAxis().Text(256), "24 kHz");
    src.Send(TLWStartOperation{TLWStartOperation::Spectrum, 5.0e6});
    src.Send(TLWSuppliedBuffer{ITZRealBuffer(std::make_shared<TTZRealBuffer>(100))});
    EXPECT_EQ(w.GetFormatLabelText(View().topLeft(), "%Y", ""), "0 MHz");
    Draw();
    EXPECT_EQ(w.YAxis().Text(50), "1.25 MHz");
}

TEST_F(Drawing, RefreshTimerRedrawsOnlyForNewBuffersAndChannelsCopy) {
    struct Paints : QObject {
        int n = 0;
        bool eventFilter(QObject*, QEvent* e) override {
            n += e->type() == QEvent::Paint;
            return false;
        }
    } paints;
    for (auto* t : w.findChildren<QTimer*>()) t->stop();  // the test is the timer
    w.show();
    QApplication::processEvents();
    w.installEventFilter(&paints);
    auto tick = [&] {
        paints.n = 0;
        w.OnRefreshTimer();
        QApplication::processEvents();
        return paints.n;
    };
    auto* c = w.Channels().Add();
    c->AddBuffer(buf({1}));
    EXPECT_EQ(tick(), 1);
    EXPECT_EQ(tick(), 0);  // drawn: nothing new
    c->AddBuffer(buf({2}));
    EXPECT_EQ(tick(), 1);
    w.SetHoldSwitch(true);
    QApplication::processEvents();
    c->AddBuffer(buf({3}));  // parked: no new buffer in the history
    EXPECT_EQ(tick(), 0);
    w.SetHoldSwitch(false);
    QApplication::processEvents();
    w.removeEventFilter(&paints);

    c->SetName("Left");
    c->SetColor(0x123456);
    c->Levels()->SetMode(TTZAxisDisplayLevelView::LogarithmicDecades);
    w.Channels().Add()->SetVisible(false);
    TGFMultiWaterfall copy;
    copy.SetChannels(w.Channels());
    ASSERT_EQ(copy.Channels().Count(), 2);
    EXPECT_EQ(copy.Channels().GetItem(0)->Name(), "Left");
    EXPECT_EQ(copy.Channels().GetItem(0)->Color(), 0x123456u);
    EXPECT_EQ(copy.Channels().GetItem(0)->Levels()->Mode(), TTZAxisDisplayLevelView::LogarithmicDecades);
    EXPECT_FALSE(copy.Channels().GetItem(1)->Visible());
    EXPECT_EQ(copy.InputPins().Name(0), "Left");
    TTZViewButtonSettings s;
    s.size = 30;
    w.SetChannelButtons(s);
    EXPECT_EQ(c->Levels()->GetButtonSettings().size, 30);
    TLWSourcePin src(TLWDataType::RealBuffer);
    src.Connect(*c->InputPin());
    w.SetListOwner(nullptr);
    EXPECT_FALSE(c->InputPin()->Connected());
}
}  // namespace
