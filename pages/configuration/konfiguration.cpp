#include "pages/configuration/konfiguration.h"

#include <QLabel>

#include "platform/dialog/pictures.h"

namespace qv::pages {

CKonfiguration::CKonfiguration(qv::app::AppSettings* settings, qv::device::LinkSlot* link,
                               qv::device::LinkLock* lock)
    : settings_(settings), link_(link), lock_(lock) {
    const int lang = qv::app::languageForTabTitle();
    setTabTitle(lang == 0 ? QStringLiteral("Konfiguration") : QStringLiteral("Configuration"));
    auto* logo = new QLabel(this);
    logo->setPixmap(qv::dialog::logoPixmap());
    logo->setAlignment(Qt::AlignCenter);
    place(logo, 468, 337, 62, 23);
    setMinimumSize(dialogUnitsToPixels(0, 0, 546, 374).size());
}

}  // namespace qv::pages
