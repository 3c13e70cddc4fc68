#pragma once
// The Configuration page. Its parameter rows arrive with the parameter set;
// the frame already takes part in the sheet's timer.
#include "app/page_texts.h"
#include "app/settings.h"
#include "device/link_lock.h"
#include "device/serial_link.h"
#include "platform/dialog/dialog_page.h"

namespace qv::pages {

class CKonfiguration : public qv::dialog::DialogPage {
public:
    CKonfiguration(qv::app::AppSettings* settings, qv::device::LinkSlot* link, qv::device::LinkLock* lock);

    // Ticks left until change notifications count again after a fill.
    int settleCountdown() const { return settleCountdown_; }
    void settleTick() {
        if (settleCountdown_ > 0) --settleCountdown_;
    }

    void reloadTexts();
    const qv::app::PageTexts& texts() const { return texts_; }

protected:
    void onInitDialog() override;

private:
    qv::app::AppSettings* settings_;
    qv::device::LinkSlot* link_;
    qv::device::LinkLock* lock_;
    qv::app::PageTexts texts_;
    int settleCountdown_ = 0;
};

}  // namespace qv::pages
