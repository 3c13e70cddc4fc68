#include "waterfall/gfmultiwaterfallpropertiesformunit.h"

#include <QTabWidget>

#include "waterfall/gfmultiwaterfallchannelformunit.h"

TGFMultiWaterfallPropertiesForm* GFMultiWaterfallPropertiesForm = nullptr;

TGFMultiWaterfallPropertiesForm::TGFMultiWaterfallPropertiesForm(TGFMultiWaterfall* owner, int itemIndex,
                                                                 TTZMultiWaterfallPropertiesStartPage page)
    : TGFCommonPropertiesForm(owner) {
    setWindowTitle(QStringLiteral("Waterfall Properties"));
    setObjectName(QStringLiteral("GFMultiWaterfallPropertiesForm"));
    resize(80, 80);
    // The stored layout: 305 x 243, the pages above a 41 pixel button panel
    // whose buttons keep to the right.
    ArrangeFrame(305, 243, 202);
    channelPage_ = new TGFMultiWaterfallChannelForm(this, page == mwpspChannels ? itemIndex : 0, owner);
    AddForm(channelPage_);
    int start = int(page);
    if (!owner->MarkerGroups().empty()) {
        AddForm(new TTZWaterfallMarkerGroupsForm(this, page == mwpspMarkerGroups ? itemIndex : 0, owner));
    } else if (start > 1) {
        --start;  // that tab is missing
    }
    AddForm(new TTZWaterfallAxesForm(this, page == mwpspAxis ? itemIndex : 0, owner));
    startTab_ = std::clamp(start, 0, PageControl()->count() - 1);
    PageControl()->setCurrentIndex(startTab_);
    // Room for the largest page: the channel page's 338 x 264.
    resize(std::max(width(), 338 + 8), std::max(height(), 264 + 30 + 41));
}

void Gfmultiwaterfallpropertiesformunit::initialization() { GFMultiWaterfallPropertiesForm = nullptr; }
void Gfmultiwaterfallpropertiesformunit::Finalization() { GFMultiWaterfallPropertiesForm = nullptr; }
