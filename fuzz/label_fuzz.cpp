// The waterfall's hit-point label format over fuzzed formats: the format and,
// after an optional NUL, the default it may insert with %D (UTF-8). The
// component is built once with two channels and laid out; each input is
// expanded at a point inside the data, at one outside and at the corner.
// Properties: no crash, and the default is inserted one level deep only, so
// the text stays within format length times default length.
#include <QApplication>
#include <QImage>
#include <QPainter>
#include <cstdint>
#include <cstdlib>
#include <memory>

#include "fuzz/fuzz_common.h"
#include "waterfall/gfmultiwaterfall.h"

namespace {
TGFMultiWaterfall* waterfall = nullptr;

ITZRealBuffer buffer(std::vector<double> v) { return std::make_shared<TTZRealBuffer>(std::move(v)); }
}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    // Kept for the whole run: Qt's teardown at exit is no part of the label.
    new QApplication(*argc, *argv);
    waterfall = new TGFMultiWaterfall;
    waterfall->resize(600, 400);
    waterfall->XAxis().SetBufferCapacity(4);
    auto* a = waterfall->Channels().Add();
    auto* b = waterfall->Channels().Add();
    a->AddBuffer(buffer({1.5, 1.5, -3e300}));
    a->AddBuffer(buffer({2, 4}));
    b->AddBuffer(buffer({2.25, std::nan(""), 1e-300}));
    QImage img(waterfall->size(), QImage::Format_RGB32);
    QPainter p(&img);
    waterfall->Render(p, waterfall->size());
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray input(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const qsizetype nul = input.indexOf('\0');
    const QString format = QString::fromUtf8(nul < 0 ? input : input.left(nul));
    const QString fallback = nul < 0 ? QStringLiteral("%X : %Y : %Z") : QString::fromUtf8(input.mid(nul + 1));

    const QRect view = waterfall->GetDataView()->Rect();
    // A level text is at most about 12 characters, an axis text 11, two
    // channels joined by " / ".
    const qsizetype perDirective = 2 * 16 + 3;
    // Every %D of the format inserts the default once, expanded one level
    // deep: the text is bounded by format times default, never more.
    const qsizetype used = format.isEmpty() ? fallback.size() : format.size();
    const qsizetype bound = (used + 1) * (fallback.size() + 1) * perDirective + 64;
    for (const QPoint p : {view.topLeft() + QPoint(2, 2), QPoint(-50, 10000), view.bottomRight()}) {
        const QString text = waterfall->GetFormatLabelText(p, format, fallback);
        QV_FUZZ_CHECK(text.size() <= bound);
    }
    return 0;
}
