// Demo host: loads GrafonaPkgCB6 by its file name, lists what it registered,
// and shows a multi-waterfall with three channels, each fed from its own
// thread with the spectra of a drifting tone in noise. A click on a channel's
// name opens the setup dialog.
//
//   waterfall-demo [package-file] [--grab demo.png] [--grab-setup setup.png]
#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QMouseEvent>
#include <QSplitter>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <memory>
#include <random>
#include <thread>
#include <vector>

#include "platform/waterfall/component_host.h"
#include "waterfall/gfmultiwaterfall.h"
#include "waterfall/gfmultiwaterfallpropertiesformunit.h"

namespace {
constexpr int kBins = 256;
constexpr double kRate = 10000.0;

QString kindText(THostRegistration::Kind k) {
    switch (k) {
    case THostRegistration::PaletteComponent: return QStringLiteral("palette");
    case THostRegistration::LayerComponent: return QStringLiteral("layer");
    case THostRegistration::ComponentElement: return QStringLiteral("element");
    case THostRegistration::MatrixComponentElement: return QStringLiteral("matrix element");
    case THostRegistration::Class: return QStringLiteral("class");
    }
    return {};
}

// One tone whose frequency wanders, in exponential noise, as a power spectrum.
class ToneFeeder {
public:
    ToneFeeder(TTZLWComboRealIntMatrixSinkPin& sink, double startBin, double speed, double level, int periodMs,
               unsigned seed)
        : pin_(TLWDataType::RealBuffer), startBin_(startBin), speed_(speed), level_(level), periodMs_(periodMs),
          seed_(seed) {
        pin_.Connect(sink);
        pin_.Send(TLWStartOperation{TLWStartOperation::Spectrum, kRate});
        thread_ = std::thread([this] { Run(); });
    }
    ~ToneFeeder() {
        stop_.store(true);
        thread_.join();
    }

private:
    void Run() {
        std::mt19937 rng(seed_);
        std::exponential_distribution<double> noise(20.0);
        for (long n = 0; !stop_.load(); ++n) {
            double centre = startBin_ + 60.0 * std::sin(n * speed_) + 15.0 * std::sin(n * speed_ * 3.7);
            auto b = std::make_shared<TTZRealBuffer>(std::size_t(kBins));
            for (int i = 0; i < kBins; ++i) {
                double d = (i - centre) / 2.5;
                double harmonic = (i - 2 * centre) / 3.0;
                (*b)[std::size_t(i)] =
                    noise(rng) + level_ * std::exp(-d * d) + 0.35 * level_ * std::exp(-harmonic * harmonic);
            }
            pin_.Send(TLWSuppliedBuffer{ITZRealBuffer(b)});
            std::this_thread::sleep_for(std::chrono::milliseconds(periodMs_));
        }
    }
    TLWSourcePin pin_;
    double startBin_, speed_, level_;
    int periodMs_;
    unsigned seed_;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

struct GrabDialogs : FormDialogs {
    QString file;
    int RunModal(QDialog& dialog) override {
        dialog.show();
        QApplication::processEvents();
        dialog.grab().save(file);
        return QDialog::Rejected;
    }
};
}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QString package = QStringLiteral("GrafonaPkgCB6.so"), grab, grabSetup;
    QStringList args = app.arguments().mid(1);
    for (int i = 0; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--grab") && i + 1 < args.size()) grab = args[++i];
        else if (args[i] == QLatin1String("--grab-setup") && i + 1 < args.size()) grabSetup = args[++i];
        else package = args[i];
    }

    TComponentHost host;
    if (!host.LoadPackage(package)) {
        std::fprintf(stderr, "Cannot load %s: %s\n", qPrintable(package), qPrintable(host.Error()));
        return 1;
    }

    QWidget window;
    window.setWindowTitle(QStringLiteral("GrafonaPkgCB6 demo host"));
    auto* layout = new QHBoxLayout(&window);
    auto* splitter = new QSplitter(&window);
    layout->addWidget(splitter);

    auto* side = new QWidget(splitter);
    auto* sideLayout = new QVBoxLayout(side);
    auto* caption = new QLabel(QStringLiteral("&Registered"), side);
    auto* list = new QListWidget(side);
    list->setAccessibleName(QStringLiteral("Registered"));
    caption->setBuddy(list);
    for (const auto& r : THostRegistry::Instance().Registrations()) {
        QString line = QStringLiteral("%1: %2").arg(kindText(r.kind), r.className);
        if (!r.category.isEmpty()) line += QStringLiteral(" (%1)").arg(r.category);
        list->addItem(line);
        std::printf("%s\n", qPrintable(line));
    }
    auto* unitsCaption = new QLabel(QStringLiteral("&Start-up"), side);
    auto* units = new QListWidget(side);
    units->setAccessibleName(QStringLiteral("Start-up"));
    unitsCaption->setBuddy(units);
    units->addItems(HostUnitLog());
    sideLayout->addWidget(caption);
    sideLayout->addWidget(list, 2);
    sideLayout->addWidget(unitsCaption);
    sideLayout->addWidget(units, 1);
    side->setMinimumWidth(380);

    auto* waterfall = dynamic_cast<TGFMultiWaterfall*>(THostRegistry::Instance().Create(QStringLiteral("TGFMultiWaterfall"), splitter));
    if (!waterfall) {
        std::fprintf(stderr, "The package registered no TGFMultiWaterfall\n");
        return 1;
    }
    waterfall->XAxis().SetBufferCapacity(300);
    waterfall->XAxis().SetReversed(true);  // newest at the top
    waterfall->hitPointLabelFormat = QStringLiteral("%Y, buffer %X: %Z");
    const char* names[] = {"Tone A", "Tone B", "Tone C"};
    for (const char* n : names) waterfall->Channels().Add()->SetName(QString::fromLatin1(n));
    splitter->addWidget(waterfall);
    splitter->setStretchFactor(1, 1);
    window.resize(1180, 640);

    std::vector<std::unique_ptr<ToneFeeder>> feeders;
    feeders.push_back(std::make_unique<ToneFeeder>(*waterfall->Channels().GetItem(0)->InputPin(), 70, 0.021, 1.0, 30, 1));
    feeders.push_back(std::make_unique<ToneFeeder>(*waterfall->Channels().GetItem(1)->InputPin(), 128, 0.013, 0.8, 40, 2));
    feeders.push_back(std::make_unique<ToneFeeder>(*waterfall->Channels().GetItem(2)->InputPin(), 190, 0.017, 0.9, 35, 3));

    window.show();
    GrabDialogs grabDialogs;
    if (!grab.isEmpty() || !grabSetup.isEmpty()) {
        QTimer::singleShot(13000, &window, [&] {
            if (!grab.isEmpty()) {
                // Hover over the picture, so the grab shows the value label.
                QRect r = waterfall->GetDataView()->Rect();
                QPointF at(r.left() + r.width() * 0.27, r.top() + r.height() * 0.3);
                QMouseEvent move(QEvent::MouseMove, at, waterfall->mapToGlobal(at), Qt::NoButton, Qt::NoButton,
                                 Qt::NoModifier);
                QApplication::sendEvent(waterfall, &move);
                window.grab().save(grab);
            }
            if (!grabSetup.isEmpty()) {
                grabDialogs.file = grabSetup;
                setFormDialogs(&grabDialogs);
                waterfall->DoLegendClick(-1, 1);
                setFormDialogs(nullptr);
            }
            app.quit();
        });
    }
    int rc = app.exec();
    feeders.clear();  // the threads stop before the component goes
    return rc;
}
