#include "window/services/page_texts.h"

#include "platform/dialog/dialog_page.h"
#include "platform/dialog/dialog_service.h"

namespace qv::window {
using namespace qv::text;
using qv::dialog::fromCp1252;

std::optional<std::string> PageTexts::open(const std::string& stem) {
    const std::string name = textFileName(stem, settings_.language);
    if (name.empty()) return std::nullopt;
    auto file = readTextFile(settings_.programDir + name);
    if (!file)
        qv::dialog::dialogs().message(&page_, QStringLiteral("Error"),
                                      QString::fromUtf8("Kann File nicht \u00f6ffnen!"));
    return file;
}

void PageTexts::loadLabels(const std::string& stem) {
    if (auto file = open(stem))
        for (const auto& [id, text] : parseLabels(*file)) {
            if (page_.control(id))
                page_.setControlText(id, fromCp1252(text));
            else
                page_.setPageText(id, fromCp1252(text));
        }
}

void PageTexts::loadHelp(const std::string& stem) {
    if (auto file = open(stem))
        for (const auto& [id, text] : parseHelp(*file))
            if (page_.control(id)) page_.setHelpText(id, fromCp1252(text));
}

void PageTexts::loadMessages() {
    if (auto file = open("Messages")) parseMessages(*file, messages_);
}

std::vector<std::string> PageTexts::loadErrorTexts() {
    auto file = open("Betrieb_Fehlertext");
    return file ? parseErrorTexts(*file) : std::vector<std::string>{};
}

std::vector<std::string> PageTexts::loadErrorHelp() {
    auto file = open("Betrieb_Fehlerhilfe");
    return file ? parseErrorHelp(*file) : std::vector<std::string>{};
}

QString PageTexts::messageLine(int number, int line) const {
    if (number < 1 || number > kMessageCount || line < 0 || line >= kMessageLines) return {};
    return fromCp1252(messages_[static_cast<std::size_t>(number)][static_cast<std::size_t>(line)]);
}

QString fillText(const QString& pattern, const QStringList& args) {
    if (args.isEmpty()) return pattern;
    if (!pattern.contains(QStringLiteral("%1"))) return (QStringList{pattern} + args).join(QLatin1Char(' '));
    QString out = pattern;
    for (const QString& a : args) out = out.arg(a);
    return out;
}

QString PageTexts::text(int number) const {
    const QString t = messageLine(number, 0);
    return t.isEmpty() ? QStringLiteral("#%1").arg(number) : t;
}

void PageTexts::showMessage(int number) {
    QString body;
    for (int line = 1; line < kMessageLines; ++line) body += messageLine(number, line) + QLatin1Char('\n');
    qv::dialog::dialogs().message(&page_, messageLine(number, 0), body);
}

}  // namespace qv::window
