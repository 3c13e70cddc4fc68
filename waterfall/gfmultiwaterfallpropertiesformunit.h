#pragma once
// The setup dialog: the channel page, the marker-group page when there are
// marker groups, and the axes page, opened at the requested page.
#include "platform/waterfall/property_forms.h"
#include "waterfall/gfmultiwaterfall.h"

class TGFMultiWaterfallChannelForm;

class TGFMultiWaterfallPropertiesForm : public TGFCommonPropertiesForm {
public:
    TGFMultiWaterfallPropertiesForm(TGFMultiWaterfall* owner, int itemIndex, TTZMultiWaterfallPropertiesStartPage page);
    TGFMultiWaterfallChannelForm* ChannelPage() const { return channelPage_; }
    // The tab that was made active, after lowering for a missing page.
    int StartTab() const { return startTab_; }

private:
    TGFMultiWaterfallChannelForm* channelPage_ = nullptr;
    int startTab_ = 0;
};

extern TGFMultiWaterfallPropertiesForm* GFMultiWaterfallPropertiesForm;

namespace Gfmultiwaterfallpropertiesformunit {
void initialization();
void Finalization();
}  // namespace Gfmultiwaterfallpropertiesformunit
