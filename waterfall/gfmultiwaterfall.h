#pragma once
// TGFMultiWaterfall: a waterfall display for several channels at once, each
// with its own history, hold handling, level scale, colour, name, visibility
// and input pin; its variants for layers, elements and pixel matrices; and
// the package's registration.
#include <QString>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <vector>

#include "platform/waterfall/basic_waterfall.h"
#include "platform/waterfall/collection.h"
#include "platform/waterfall/elements.h"
#include "platform/waterfall/level_view.h"
#include "platform/waterfall/pins.h"
#include "platform/waterfall/real_buffer.h"

class TGFMultiWaterfall;
class TGFMultiWaterfallChannel;
class TGFMultiWaterfallChannels;

// Raised for an index past the pending additions and the history.
class ERangeError : public std::out_of_range {
public:
    using std::out_of_range::out_of_range;
};

constexpr double kDefaultSampleRate = 10000.0;
// The channel colours handed out in order, host colour values.
extern const TColor kChannelPalette[14];

// The channel's data interface.
class TTZMultiWaterfallChannelData {
public:
    explicit TTZMultiWaterfallChannelData(TGFMultiWaterfallChannel* channel) : channel_(channel) {}
    void IntAddData(const ITZRealBuffer& buffer);
    void IntAddData(const std::uint16_t* values, std::size_t count);
    void IntAddData(const std::int32_t* values, std::size_t count);
    void IntAddData(const std::int16_t* values, std::size_t count);
    void IntAddData(const std::uint32_t* values, std::size_t count);
    void IntAddData(const float* values, std::size_t count);
    void IntAddData(const double* values, std::size_t count);
    void IntSetData(int index, const ITZRealBuffer& buffer);
    void IntSetData(int index, const std::uint16_t* values, std::size_t count);
    void IntSetData(int index, const std::int32_t* values, std::size_t count);
    void IntSetData(int index, const std::int16_t* values, std::size_t count);
    void IntSetData(int index, const std::uint32_t* values, std::size_t count);
    void IntSetData(int index, const float* values, std::size_t count);
    void IntSetData(int index, const double* values, std::size_t count);
    void Clear();
    std::vector<ITZRealBuffer> IntGetData();
    std::vector<ITZRealBuffer> IntGetDrawData();
    double GetSampleRate();
    void SetSampleRate(double rate);

private:
    TGFMultiWaterfallChannel* channel_;
};

class TTZChannelDisplayLevelView : public TTZAxisDisplayLevelView {
public:
    TTZChannelDisplayLevelView(TGFMultiWaterfallChannel* channel, ValueAtFunction valueAt, LevelFunction maxLevel,
                               LevelFunction minLevel);
    ~TTZChannelDisplayLevelView() override;
    void SetLevelLabel(const TTZBasicLevelDisplayLabel& label) { *label_ = label; }
    TTZBasicLevelDisplayLabel* GetLevelLabel() const { return label_.get(); }
    TTZBasicLevelDisplayLabel* LevelLabel() const override { return label_.get(); }
    QString GetLabelText() const override;
    // The channel colour scaled by value / range, as a host colour.
    TColor CalculateDefault(double range, double value) const;
    const TTZViewButtonSettings& GetButtonSettings() const;
    bool IsVisible() const override;
    std::uint32_t ValueToColorGBR(double range, double value) const override;
    TGFMultiWaterfallChannel* Channel() const { return channel_; }
    // Copies the level settings of another view.
    void AssignLevels(const TTZAxisDisplayLevelView& other);

private:
    TGFMultiWaterfallChannel* channel_;
    std::unique_ptr<TTZBasicLevelDisplayLabel> label_;
};

class TGFMultiWaterfallChannel : public TTZOptionalDisplayCollectionItem {
public:
    explicit TGFMultiWaterfallChannel(TGFMultiWaterfallChannels* collection);
    ~TGFMultiWaterfallChannel() override;
    void AfterConstruction() override;

    void SinkDispatch(TTZLWComboRealIntMatrixSinkPin& pin, TLWDataType type, const TLWOperation& op);
    void Clear();
    std::vector<ITZRealBuffer> GetData();
    std::vector<ITZRealBuffer> GetDrawData();
    void AddBuffer(const ITZRealBuffer& buffer);
    void SetBuffer(int index, const ITZRealBuffer& buffer);
    void AddHoldBuffer(const ITZRealBuffer& buffer);
    void ReplaceHoldBuffer(int index, const ITZRealBuffer& buffer);
    // Applies a pending clear, then the parked replacements and additions.
    void MergePending();
    void SetLevels(const TTZAxisDisplayLevelView& levels);
    TColor Color() const { return color_.load(); }
    void SetColor(TColor color);
    double GetCurrentMinLevel();
    double GetCurrentMaxLevel();
    double GetValueAt(int x, int y);
    double GetValueAtInt(int x, int y, bool& inView);
    double GetValueAtScale(double fx, double fy);
    void Invalidate();
    void InvalidateItem();
    void SetIndex(int index) override;
    TTZMultiWaterfallChannelData* GetVC_Data() { return data_.get(); }
    void SetVisible(bool visible) override;
    void SetName(const QString& name) override;
    QString GetDisplayName() const override;

    TTZLWComboRealIntMatrixSinkPin* InputPin() const { return pin_.get(); }
    TTZChannelDisplayLevelView* Levels() const { return levels_.get(); }
    TGFMultiWaterfall* Waterfall() const;
    double SampleRate();
    void SetSampleRate(double rate);
    bool IsSpectrum();
    bool IsIntensity();
    // The buffer set; only under the component lock.
    TTZWaterfallBuffers& Buffers() { return *buffers_; }
    // Counts read under the lock, for callers outside it.
    int HistoryCount();
    int PendingCount();
    int NewBufferCount();
    double RunningMax();
    double RunningMin();

private:
    // Under the lock: b enters the history with its known extremes.
    void AddToHistory(ITZRealBuffer b, double bmin, double bmax);

    TGFMultiWaterfallChannels* channels_;
    std::unique_ptr<TTZMultiWaterfallChannelData> data_;
    std::unique_ptr<TTZWaterfallBuffers> buffers_;
    std::unique_ptr<TTZChannelDisplayLevelView> levels_;
    std::unique_ptr<TTZLWComboRealIntMatrixSinkPin> pin_;
    std::atomic<TColor> color_{0};
    double sampleRate_ = kDefaultSampleRate;
    bool spectrum_ = false, intensity_ = false;
};

class TGFMultiWaterfallChannels : public TTZDisplayCollection {
public:
    explicit TGFMultiWaterfallChannels(TGFMultiWaterfall* waterfall) : waterfall_(waterfall) {}
    ~TGFMultiWaterfallChannels() override;
    TGFMultiWaterfallChannel* GetItem(int index) const;
    TGFMultiWaterfallChannel* Add();
    void Update(TTZOptionalDisplayCollectionItem* item) override;
    void NewItemCreated(TTZOptionalDisplayCollectionItem* item) override;
    int GetCountOfColor(TColor color, const TTZOptionalDisplayCollectionItem* except = nullptr) const;
    TColor GetNewColor(const TColor* colors, int n, const TTZOptionalDisplayCollectionItem* except = nullptr) const;
    TGFMultiWaterfall* Waterfall() const { return waterfall_; }
    // Same count, names, visibility, colours and level settings as other.
    void Assign(const TGFMultiWaterfallChannels& other);

protected:
    TTZOptionalDisplayCollectionItem* CreateItem() override;

private:
    TGFMultiWaterfall* waterfall_;
};

class TGFMultiWaterfallDataView : public TTZBasicWaterfallDataView {
public:
    explicit TGFMultiWaterfallDataView(TGFMultiWaterfall* waterfall);
    void Populate(int n) override;
    void GetCurrentMouseValue() override;
    bool TestSetNeedsRedraw() override;
    std::vector<double>& MouseValues() { return mouseValues_; }

private:
    TGFMultiWaterfall* waterfall_;
    std::vector<double> mouseValues_;
};

enum TTZMultiWaterfallPropertiesStartPage { mwpspChannels = 0, mwpspMarkerGroups = 1, mwpspAxis = 2 };

class TGFMultiWaterfall : public TTZBasicWaterfall {
public:
    explicit TGFMultiWaterfall(QWidget* owner = nullptr);
    ~TGFMultiWaterfall() override;

    TLWPinList& InputPins() { return *pins_; }
    TGFMultiWaterfallChannels& Channels() { return *channels_; }
    TTZViewButtonSettings& ChannelButtons() { return *buttons_; }
    void SetChannels(const TGFMultiWaterfallChannels& channels);
    void SetChannelButtons(const TTZViewButtonSettings& settings);
    // Without an owner list the pins lose their connections first.
    void SetListOwner(QObject* owner);
    TTZBasicWaterfallDataView* GetDataView() const { return dataView_.get(); }
    TGFMultiWaterfallDataView* GetWaterfallDataView() const { return dataView_.get(); }
    void DirectDataView(int n);
    bool HitTestDataView(QPoint p);

    int GetColorChannelIndex(const TTZAxisDisplayLevelView* view) override;
    void DoColorChannelClick(int index) override;
    void DoLegendClick(int page, int index) override;
    void DoAxisClick(int index) override;
    void ShowSetupDialog();
    bool GetSetupEnabled();

    void InvalidateFreq();
    void ObtainDomains();
    bool IsFrequencyDomain();
    bool IsIntensityDomain();
    double CalcMinFreq();
    double CalcMaxFreq();
    double GetSampleRate();
    // In the frequency domain the sample axis runs from the minimum to the
    // maximum frequency in engineering units; otherwise it counts samples.
    void PrepareAxes() override;

    int GetBufferSize() override;
    int GetBuffersCount() override;
    int GetNewBuffersCount() override;
    void ResetNewBuffersCount() override;
    void PopulateDrawBuffers() override;
    void OnRefreshTimer() override;
    double GetCurrentMinLevel(int channel);
    double GetCurrentMaxLevel(int channel);
    double GetToolTipZValue(int channel);
    void DrawHitPoint(QPainter& canvas) override;
    void DrawMarkers(QPainter& canvas) override;
    QString GetFormatedLabelText() override;
    QString GetFormatLabelText(QPoint point, const QString& format, const QString& defaultFormat);
    bool GetHold() const override;
    void HighlightingChanged();
    void RepopulateView();
    void MainViewScrolled(bool scrolled);

    // The component lock guards every channel's buffers; re-entrant.
    std::recursive_mutex& Lock() { return lock_; }
    // Null once the component is going away: late data is dropped.
    std::recursive_mutex* LockObject() { return destroying_.load() ? nullptr : &lock_; }
    void SetChanged() { changed_.store(true); }
    bool Changed() const { return changed_.load(); }
    bool TakeChanged() { return changed_.exchange(false); }
    // Layout and redraw; from another thread it waits for the refresh timer.
    void Recalculate();

    // Where the setup dialog was placed the last time, in screen coordinates.
    QPoint LastSetupPosition() const { return lastSetupPosition_; }

private:
    std::recursive_mutex lock_;
    std::atomic<bool> destroying_{false}, changed_{false}, recalc_{false};
    std::unique_ptr<TLWPinList> pins_;
    std::unique_ptr<TGFMultiWaterfallChannels> channels_;
    std::unique_ptr<TTZViewButtonSettings> buttons_;
    std::unique_ptr<TGFMultiWaterfallDataView> dataView_;
    std::unique_ptr<TTZDisplayCachedValue<double>> sampleRate_;
    bool frequencyDomain_ = false, intensityDomain_ = false, domainsKnown_ = false;
    QPoint lastSetupPosition_;
};

// The component as a draw layer of a host display.
class TGFMultiWaterfallLayer : public TGFMultiWaterfall {
public:
    explicit TGFMultiWaterfallLayer(QWidget* owner = nullptr) : TGFMultiWaterfall(owner) {}
    void DrawLayer(QPainter& painter, const QRect& area);
};

// The component as an element inside a host's element collection.
class TGFExternalMultiWaterfallElement : public TGFMultiWaterfall {
public:
    explicit TGFExternalMultiWaterfallElement(QWidget* owner = nullptr);
    ~TGFExternalMultiWaterfallElement() override;
    TKQElementOffsets& Position() { return position_; }
    TKQElement2DSize& Size() { return size_; }
    void SetPosition(const TKQElementOffsets& p);
    void SetSize(const TKQElement2DSize& s);
    void SetElements(THXComponentElements* elements) { elements_ = elements; }
    void Invalidate();
    static QString GetCollectionClass() { return QStringLiteral("THXComponentElements"); }
    bool ElementVisible() const { return elementVisible_; }
    void SetElementVisible(bool visible);
    void CMVisibleChanged();
    void Draw(QPainter& graphics, bool flag, double rw, double rh, double aw, double ah, int p1, int p2);
    void InvalidateSize();
    int SizeInvalidations() const { return sizeInvalidations_; }

protected:
    TKQElementOffsets position_{0.0, 0.5};
    TKQElement2DSize size_{0.6, 0.3};
    THXComponentElements* elements_ = nullptr;
    bool elementVisible_ = true;
    int sizeInvalidations_ = 0;
};

class TGFExternalMultiWaterfallMatrixLayer : public TGFExternalMultiWaterfallElement {
public:
    explicit TGFExternalMultiWaterfallMatrixLayer(QWidget* owner = nullptr);
    // Renders into the host's pixel matrix (0x00RRGGBB, row after row).
    void Render(std::uint32_t* pixels, int width, int height);
};

// Registered for streaming only.
class TGFExternalMultiWaterfallMatrixElement {
public:
    static QString ClassName() { return QStringLiteral("TGFExternalMultiWaterfallMatrixElement"); }
};

namespace Gfmultiwaterfall {
// The design environment's registration of the unit.
void Register();
}  // namespace Gfmultiwaterfall
