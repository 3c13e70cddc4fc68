#include "window/services/page_texts.h"

#include "platform/dialog/dialog_page.h"
#include "platform/dialog/dialog_service.h"

namespace qv::window {
using namespace qv::text;
using qv::dialog::fromCp1252;

QString fileTrouble(const QString& name, qv::files::Trouble trouble, int error, std::uint64_t limit,
                    const std::function<QString(int)>& text) {
    const int number = troubleMessage(trouble);
    const QStringList args = trouble == qv::files::Trouble::TooLarge ? QStringList{QString::number(limit)} : QStringList{};
    const QString why = number ? fillText(text(number), args) : QString::fromLocal8Bit(qv::files::reason(error).c_str());
    return name + QStringLiteral(": ") + why;
}

std::optional<std::string> PageTexts::open(const std::string& stem) {
    const std::string name = textFileName(stem, settings_.language);
    if (name.empty()) return std::nullopt;
    auto file = readTextFile(settings_.programDir + name);
    if (file.ok()) return std::move(file.bytes);
    // The fixed words first; which file and why after them.
    qv::dialog::dialogs().message(
        &page_, QStringLiteral("Error"),
        QString::fromUtf8("Kann File nicht \u00f6ffnen!\n") +
            fileTrouble(QString::fromStdString(name), file.trouble, file.error, kTextFileMax,
                        [this](int n) { return reasonText(n); }));
    return std::nullopt;
}

QString PageTexts::reasonText(int number) const {
    // A page that has not loaded its messages yet (the Settings page, until
    // a language switch) still has the words for why a file was refused.
    if (!messageLine(number, 0).isEmpty()) return messageLine(number, 0);
    MessageTable table{};
    if (const auto file = readTextFile(settings_.programDir + textFileName("Messages", settings_.language)); file.ok())
        parseMessages(file.bytes, table);
    const std::string& t = number >= 1 && number <= kMessageCount ? table[static_cast<std::size_t>(number)][0] : "";
    return t.empty() ? QStringLiteral("#%1").arg(number) : fromCp1252(t);
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
