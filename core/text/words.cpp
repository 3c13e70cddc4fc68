#include "core/text/words.h"

#include "platform/profile/cp1252.h"

namespace qv::text {

std::string missingText(int id) {
    // Appended, not "#" + string: GCC 12 at -O3 warns falsely of an overlap in that form.
    std::string text = "#";
    text += std::to_string(id);
    return text;
}

std::string fillWords(std::string text, const std::vector<std::string>& args) {
    // One pass, so a value that itself holds "%2" is never filled again.
    std::string out;
    bool any = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char next = i + 1 < text.size() ? text[i + 1] : '\0';
        const std::size_t n = next >= '1' && next <= '9' ? static_cast<std::size_t>(next - '0') : 0;
        if (text[i] == '%' && n && n <= args.size()) {
            out += args[n - 1];
            ++i;
            any = true;
        } else {
            out += text[i];
        }
    }
    if (!any)
        for (const auto& a : args) out += " " + a;
    return out;
}

void Words::load(const std::string& dir, int language) {
    language_ = language;
    labels_.clear();
    messages_ = {};
    auto read = [&](const char* stem) { return readTextFile(dir + "/" + textFileName(stem, language)); };
    for (const char* stem : {kSettingsLabels, kConfigurationLabels, kOperationLabels, kCliTexts}) {
        auto& out = labels_[stem];
        if (const auto file = read(stem); file.ok())
            for (const auto& l : parseLabels(file.bytes)) out[l.id] = qv::profile::cp1252ToUtf8(l.text);
    }
    if (const auto file = read("Messages"); file.ok()) parseMessages(file.bytes, messages_);
    const auto errors = read("Betrieb_Fehlertext");
    errorTexts_ = errors.ok() ? parseErrorTexts(errors.bytes) : std::vector<std::string>{};
}

std::string Words::label(const std::string& stem, int id) const {
    const auto file = labels_.find(stem);
    if (file == labels_.end()) return missingText(id);
    const auto it = file->second.find(id);
    return it != file->second.end() ? it->second : missingText(id);
}

std::string Words::message(int number, int line) const {
    if (number < 1 || number > kMessageCount || line < 0 || line >= kMessageLines) return missingText(number);
    const std::string& text = messages_[static_cast<std::size_t>(number)][static_cast<std::size_t>(line)];
    return text.empty() && line == 0 ? missingText(number) : qv::profile::cp1252ToUtf8(text);
}

}  // namespace qv::text
