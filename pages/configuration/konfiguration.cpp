#include "pages/configuration/konfiguration.h"

#include <QLabel>

#include "platform/dialog/pictures.h"

namespace qv::pages {

CKonfiguration::CKonfiguration(qv::app::AppSettings* settings, qv::device::LinkSlot* link,
                               qv::device::LinkLock* lock)
    : settings_(settings), link_(link), lock_(lock), texts_(*this, *settings) {
    const int lang = qv::app::languageForTabTitle();
    setTabTitle(lang == 0 ? QStringLiteral("Konfiguration") : QStringLiteral("Configuration"));
    auto* logo = new QLabel(this);
    logo->setPixmap(qv::dialog::logoPixmap());
    logo->setAlignment(Qt::AlignCenter);
    place(logo, 468, 337, 62, 23);
    setMinimumSize(dialogUnitsToPixels(0, 0, 546, 374).size());
}

void CKonfiguration::onInitDialog() {
    markReady();
    reloadTexts();
}

void CKonfiguration::reloadTexts() {
    texts_.loadLabels("Konfigurieren_labels");
    texts_.loadHelp("Konfigurieren_hilfe");
    texts_.loadMessages();
}

}  // namespace qv::pages
