#include "window/services/journal_window.h"

#include <QComboBox>
#include <cerrno>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>
#include <set>

#include "core/journal/wording.h"
#include "window/services/page_scroll.h"
#include "window/services/page_texts.h"

namespace qv::window {
namespace {
QString portOf(const qv::journal::Record& r) {
    return r.target.port ? QStringLiteral("COM%1").arg(r.target.port) : QString::fromStdString(r.target.reached);
}
}  // namespace

JournalWindow::JournalWindow(std::string path, std::shared_ptr<const qv::text::Words> words,
                             std::function<QString(int)> text, QWidget* parent)
    : QDialog(parent), path_(std::move(path)), words_(std::move(words)), text_(std::move(text)) {
    file_ = new QLabel(this);
    file_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    portLabel_ = new QLabel(this);
    port_ = new QComboBox(this);
    portLabel_->setBuddy(port_);
    list_ = new QListWidget(this);
    list_->setUniformItemSizes(true);  // a long journal stays quick
    note_ = new QLabel(this);
    note_->setWordWrap(true);
    verify_ = new QPushButton(this);
    reload_ = new QPushButton(this);
    close_ = new QPushButton(this);
    auto* filter = new QHBoxLayout;
    filter->addWidget(portLabel_);
    filter->addWidget(port_, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(verify_);
    buttons->addWidget(reload_);
    buttons->addStretch(1);
    buttons->addWidget(close_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(file_);
    layout->addLayout(filter);
    layout->addWidget(list_, 1);
    layout->addWidget(note_);
    layout->addLayout(buttons);
    connect(port_, &QComboBox::currentIndexChanged, this, [this] { showEntries(reading_); });
    connect(verify_, &QPushButton::clicked, this, [this] { verifyChain(); });
    connect(reload_, &QPushButton::clicked, this, [this] { reload(); });
    connect(close_, &QPushButton::clicked, this, &QDialog::close);
    retranslate();
    // As wide as its lines want, never beyond the screen: its buttons stay on it.
    fitToScreen(this, [](const QSize& room) { return QSize(900, 480).boundedTo(room); });
}

void JournalWindow::retranslate() {
    setWindowTitle(text_(Title));
    portLabel_->setText(text_(PortLabel));
    verify_->setText(text_(Verify));
    reload_->setText(text_(Reload));
    close_->setText(text_(Close));
    port_->setAccessibleName(portLabel_->text().remove(QLatin1Char('&')));
    list_->setAccessibleName(text_(Title));
    for (QPushButton* b : {verify_, reload_, close_}) b->setAccessibleName(b->text().remove(QLatin1Char('&')));
    if (port_->count()) port_->setItemText(0, text_(AllPorts));
    showEntries(reading_);
}

void JournalWindow::reload() {
    file_->setText(QString::fromStdString(path_));
    reading_ = qv::journal::read(path_);
    // The ports the journal names, the one chosen kept where it still is.
    const QString chosen = port_->currentIndex() > 0 ? port_->currentText() : QString();
    std::set<QString> ports;
    for (const auto& e : reading_.entries) ports.insert(portOf(e.intent));
    const QSignalBlocker quiet(port_);
    port_->clear();
    port_->addItem(text_(AllPorts));
    for (const QString& p : ports) port_->addItem(p);
    port_->setCurrentIndex(std::max(0, port_->findText(chosen)));
    showEntries(reading_);
}

void JournalWindow::showEntries(const qv::journal::Reading& reading) {
    list_->clear();
    if (reading.error == ENOENT) {  // made with the first change
        note_->setText(fillText(text_(qv::text::msg::JournalEmpty), {QString::fromStdString(path_)}));
        return;
    }
    if (reading.error) {
        note_->setText(QString::fromStdString(path_ + ": " + qv::journal::troubleWords(*words_, reading.error)));
        return;
    }
    const QString only = port_->currentIndex() > 0 ? port_->currentText() : QString();
    for (auto it = reading.entries.rbegin(); it != reading.entries.rend(); ++it)
        if (only.isEmpty() || portOf(it->intent) == only)
            list_->addItem(QString::fromStdString(qv::journal::entryLine(*words_, *it)));
    note_->setText(QString::fromStdString(qv::journal::unreadableWords(*words_, reading)));
}

void JournalWindow::verifyChain() {
    const auto v = qv::journal::verify(path_);
    note_->setText(v.error == ENOENT ? fillText(text_(qv::text::msg::JournalEmpty), {QString::fromStdString(path_)})
                                     : QString::fromStdString(qv::journal::verificationWords(*words_, v)));
}

QStringList JournalWindow::shownLines() const {
    QStringList out;
    for (int i = 0; i < list_->count(); ++i) out << list_->item(i)->text();
    return out;
}

QString JournalWindow::note() const { return note_->text(); }

}  // namespace qv::window
