#include "core/recording/reading.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>

#include "core/recording/header_pieces.h"
#include "platform/profile/cp1252.h"

namespace qv::recording {
namespace {

std::string_view trimmed(std::string_view s) {
    while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
    while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
    return s;
}

bool decimal(std::string_view text, double& out) {
    char buffer[64];
    if (text.empty() || text.size() >= sizeof buffer) return false;
    for (std::size_t i = 0; i < text.size(); ++i) buffer[i] = text[i] == ',' ? '.' : text[i];
    const char* end = buffer + text.size();
    const char* from = buffer + (buffer[0] == '+' ? 1 : 0);
    const auto [at, ec] = std::from_chars(from, end, out);
    return ec == std::errc() && at == end;
}

bool flag(std::string_view text, std::uint8_t bit, std::uint8_t& bits) {
    if (text.size() != 1 || (text[0] != '0' && text[0] != '1')) return false;
    if (text[0] == '1') bits |= bit;
    return true;
}

bool digits(std::string_view s, std::size_t at, std::size_t n, int& out) {
    out = 0;
    for (std::size_t i = at; i < at + n; ++i) {
        if (s[i] < '0' || s[i] > '9') return false;
        out = out * 10 + (s[i] - '0');
    }
    return true;
}

int daysIn(int year, int month) {
    static const int days[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month == 2 && leap ? 29 : days[month - 1];
}

// "2026.03.04" "05:06:07"
bool timeOf(std::string_view date, std::string_view time, std::int64_t& t) {
    int y, mo, d, h, mi, se;
    if (date.size() != 10 || time.size() != 8 || date[4] != '.' || date[7] != '.' || time[2] != ':' || time[5] != ':')
        return false;
    if (!digits(date, 0, 4, y) || !digits(date, 5, 2, mo) || !digits(date, 8, 2, d) || !digits(time, 0, 2, h) ||
        !digits(time, 3, 2, mi) || !digits(time, 6, 2, se))
        return false;
    if (y < 1900 || mo < 1 || mo > 12 || d < 1 || d > daysIn(y, mo) || h > 23 || mi > 59 || se > 60) return false;
    t = wallSeconds(y, mo, d, h, mi, se);
    return true;
}

// The header of one of the three languages, its units taken out.
bool headerOf(std::string_view line, Recording& r) {
    for (int lang = 0; lang < 3; ++lang) {
        const HeaderPieces& h = kHeaders[lang];
        std::size_t at = 0;
        bool ok = true;
        std::string_view units[10];
        for (int i = 0; i < 10 && ok; ++i) {
            const std::string_view piece = h.pieces[i];
            if (line.substr(at, piece.size()) != piece) {
                ok = false;
                break;
            }
            at += piece.size();
            const std::size_t end = line.find("]", at);  // every piece after a unit begins with "]"
            if (end == std::string_view::npos) ok = false;
            else units[i] = line.substr(at, end - at), at = end;
        }
        if (!ok || line.substr(at) != std::string_view(h.tail)) continue;
        r.language = lang;
        for (int i = 0; i < 10; ++i) r.units[i] = std::string(units[i]);
        return true;
    }
    return false;
}

std::string csvField(const std::string& s) {
    if (s.find_first_of(",\"\n\r") == std::string::npos) return s;
    std::string out = "\"";
    for (char c : s) out += c == '"' ? std::string("\"\"") : std::string(1, c);
    return out + "\"";
}

void number(std::string& out, double v) {
    char n[64];
    const auto [end, ec] = std::to_chars(n, n + sizeof n, v);  // the shortest text that reads back as v
    out.append(n, ec == std::errc() ? end : n);
}

}  // namespace

bool isContact(int curve) { return curve >= Ls1 && curve <= ErrorContact; }

std::string curveName(int curve, int language) {
    if (language < 0 || language > 2 || curve < 0 || curve >= kCurves) return {};
    const HeaderPieces& h = kHeaders[language];
    auto clean = [](std::string_view piece) {
        // "]; Strömung Min [" -> "Strömung Min"; a tail field "GK1 " -> "GK1"
        while (!piece.empty() && (piece.front() == ']' || piece.front() == ';' || piece.front() == ' ')) piece.remove_prefix(1);
        if (piece.size() >= 1 && piece.back() == '[') piece.remove_suffix(1);
        return std::string(trimmed(piece));
    };
    if (curve < kValueCurves) {
        std::string_view piece = h.pieces[curve];
        if (curve == 0) piece.remove_prefix(piece.find(';', piece.find(';') + 1) + 1);  // after date and time
        return clean(piece);
    }
    // The tail: "]; low flow suppression [%]; LS1 ; LS2 ; availability ; error ; last error; "
    std::string_view tail = h.tail;
    std::vector<std::string> fields;
    for (std::size_t at = tail.find(';') + 1; at < tail.size();) {
        const std::size_t end = tail.find(';', at);
        fields.push_back(clean(tail.substr(at, end - at)));
        if (end == std::string_view::npos) break;
        at = end + 1;
    }
    std::string name = fields.size() > static_cast<std::size_t>(curve - LowFlow) ? fields[static_cast<std::size_t>(curve - LowFlow)] : std::string();
    if (curve == LowFlow) name = std::string(trimmed(name.substr(0, name.find('['))));
    return name;
}

double Recording::at(int curve, std::size_t i) const {
    if (curve >= 0 && curve < kValueCurves) return values[curve][i];
    if (curve == LowFlow) return lowFlow[i];
    return (contacts[i] >> (curve - Ls1)) & 1;
}

std::size_t Recording::bytes() const {
    std::size_t n = time.capacity() * sizeof(std::int64_t) + lowFlow.capacity() + contacts.capacity() +
                    error.capacity() * sizeof(std::uint32_t) + fileLine.capacity() * sizeof(std::uint32_t);
    for (const auto& v : values) n += v.capacity() * sizeof(double);
    for (const auto& t : errorTexts) n += sizeof t + t.capacity();
    return n;
}

std::int64_t wallSeconds(int y, int m, int d, int hour, int minute, int second) {
    // Days from the civil date (proleptic Gregorian), 1970-01-01 being 0.
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const std::int64_t yoe = y - era * 400;
    const std::int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    const std::int64_t days = era * 146097 + doe - 719468;
    return days * 86400 + hour * 3600 + minute * 60 + second;
}

WallTime wallTime(std::int64_t s) {
    std::int64_t days = s >= 0 ? s / 86400 : (s - 86399) / 86400;
    const std::int64_t rest = s - days * 86400;
    days += 719468;
    const std::int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const std::int64_t doe = days - era * 146097;
    const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const std::int64_t mp = (5 * doy + 2) / 153;
    const int d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    const int m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    const int y = static_cast<int>(yoe + era * 400 + (m <= 2));
    return {y, m, d, static_cast<int>(rest / 3600), static_cast<int>(rest / 60 % 60), static_cast<int>(rest % 60)};
}

std::optional<std::int64_t> parseWallTime(std::string_view t) {
    // YYYY-MM-DD, then optionally T or a blank and HH:MM, then :SS.
    int y, mo, d, h = 0, mi = 0, se = 0;
    if (t.size() < 10 || t[4] != '-' || t[7] != '-' || !digits(t, 0, 4, y) || !digits(t, 5, 2, mo) ||
        !digits(t, 8, 2, d))
        return std::nullopt;
    if (y < 1900 || mo < 1 || mo > 12 || d < 1 || d > daysIn(y, mo)) return std::nullopt;
    if (t.size() > 10) {
        if ((t[10] != 'T' && t[10] != ' ') || (t.size() != 16 && t.size() != 19) || t[13] != ':' ||
            !digits(t, 11, 2, h) || !digits(t, 14, 2, mi) || h > 23 || mi > 59)
            return std::nullopt;
        if (t.size() == 19 && (t[16] != ':' || !digits(t, 17, 2, se) || se > 59)) return std::nullopt;
    }
    return wallSeconds(y, mo, d, h, mi, se);
}

bool RecordingReader::feed(std::string_view bytes) {
    if (refused_) return false;
    // Whole lines straight from the piece; only a line split across pieces
    // is copied.
    while (!bytes.empty()) {
        const std::size_t end = bytes.find('\n');
        if (end == std::string_view::npos) {
            pending_.append(bytes);
            // No line of a recording comes near this: a file without line
            // ends (a binary) is refused rather than held.
            if (pending_.size() > 1 << 16 && lines_ == 0) refused_ = true;
            if (pending_.size() > 1 << 16) {
                pending_.clear();
                skipping_ = true;
            }
            break;
        }
        if (!pending_.empty() || skipping_) {
            pending_.append(bytes.substr(0, end));
            if (skipping_) {
                // A line too long to be one: counted once, its bytes dropped.
                ++lines_;
                if (!rec_.unreadable++) rec_.firstUnreadable = lines_;
                skipping_ = false;
            } else {
                line(pending_);
            }
            pending_.clear();
        } else {
            line(bytes.substr(0, end));
        }
        bytes.remove_prefix(end + 1);
        if (refused_) return false;
    }
    return !refused_;
}

void RecordingReader::line(std::string_view text) {
    ++lines_;
    if (!text.empty() && text.back() == '\r') text.remove_suffix(1);
    if (lines_ == 1) {
        // The model line: a model code text, or "----" for a code without one.
        if (text != "----" && text.substr(0, 5) != "KT740") {
            refused_ = true;
            return;
        }
        rec_.model = std::string(text);
        return;
    }
    if (lines_ == 2 && headerOf(text, rec_)) return;
    std::string_view f[17];
    std::size_t n = 0, at = 0;
    while (n < 17) {
        const std::size_t end = text.find(';', at);
        if (end == std::string_view::npos) break;
        f[n++] = trimmed(text.substr(at, end - at));
        at = end + 1;
    }
    std::int64_t t = 0;
    double values[kValueCurves], low = 0;
    std::uint8_t bits = 0;
    bool ok = n == 17 && timeOf(f[0], f[1], t);
    for (int i = 0; ok && i < kValueCurves; ++i) ok = decimal(f[2 + i], values[i]);
    ok = ok && decimal(f[12], low) && low >= 0 && low <= 100 && flag(f[13], 1, bits) && flag(f[14], 2, bits) &&
         flag(f[15], 4, bits) && flag(f[16], 8, bits);
    if (!ok) {
        if (!rec_.unreadable++) rec_.firstUnreadable = lines_;
        return;
    }
    if (inTimeOrder_ && t < lastTime_) {
        if (!rec_.backwards++) rec_.firstBackwards = lines_;
        return;
    }
    lastTime_ = t;
    // The last error as written after its "; " (a text may hold ";" itself).
    std::string_view error = text.substr(at);
    if (!error.empty() && error.front() == ' ') error.remove_prefix(1);
    std::uint32_t e;
    if (!rec_.errorTexts.empty() && rec_.errorTexts[lastError_] == error) {
        e = lastError_;
    } else {
        const auto [it, added] = errorIndex_.try_emplace(std::string(error), rec_.errorTexts.size());
        if (added) rec_.errorTexts.emplace_back(error);
        e = lastError_ = it->second;
    }
    rec_.time.push_back(t);
    for (int i = 0; i < kValueCurves; ++i) rec_.values[i].push_back(values[i]);
    rec_.lowFlow.push_back(static_cast<std::uint8_t>(low));
    rec_.contacts.push_back(bits);
    rec_.error.push_back(e);
    rec_.fileLine.push_back(static_cast<std::uint32_t>(lines_));
    ++taken_;
}

void RecordingReader::reserve(std::size_t lines) {
    rec_.time.reserve(lines);
    for (auto& v : rec_.values) v.reserve(lines);
    rec_.lowFlow.reserve(lines);
    rec_.contacts.reserve(lines);
    rec_.error.reserve(lines);
    rec_.fileLine.reserve(lines);
}

void RecordingReader::shrink() {
    rec_.time.shrink_to_fit();
    for (auto& v : rec_.values) v.shrink_to_fit();
    rec_.lowFlow.shrink_to_fit();
    rec_.contacts.shrink_to_fit();
    rec_.error.shrink_to_fit();
    rec_.fileLine.shrink_to_fit();
}

void RecordingReader::dropLines() {
    rec_.time.clear();
    for (auto& v : rec_.values) v.clear();
    rec_.lowFlow.clear();
    rec_.contacts.clear();
    rec_.error.clear();
    rec_.fileLine.clear();
}

std::optional<Recording> readRecording(std::string_view bytes, bool inTimeOrder) {
    RecordingReader reader(inTimeOrder);
    reader.feed(bytes);
    if (!reader.isRecording()) return std::nullopt;
    return std::move(reader.recording());
}

std::string exportCsv(const Recording& r, std::size_t from, std::size_t to, bool header) {
    static const char* names[10] = {"flow velocity", "min flow velocity", "max flow velocity", "volume flow",
                                    "min volume flow", "max volume flow", "temperature", "min temperature",
                                    "max temperature", "totalizer"};
    std::string out;
    if (header) {
        out = "time";
        for (int i = 0; i < 10; ++i) {
            // Appended piece by piece: GCC 12 sees overlaps in "," + a temporary that are not there.
            std::string name = names[i];
            name += " [";
            name += qv::profile::cp1252ToUtf8(r.units[i]);
            name += ']';
            out += ',';
            out += csvField(name);
        }
        out += ",low flow suppression [%],LS1,LS2,availability,error contact,last error\n";
    }
    std::vector<std::string> errors(r.errorTexts.size());
    for (std::size_t i = 0; i < errors.size(); ++i) errors[i] = csvField(qv::profile::cp1252ToUtf8(r.errorTexts[i]));
    to = std::min(to, r.size());
    for (std::size_t i = from; i < to; ++i) {
        const WallTime w = wallTime(r.time[i]);
        char t[32];
        std::snprintf(t, sizeof t, "%04d-%02d-%02dT%02d:%02d:%02d", w.year, w.month, w.day, w.hour, w.minute, w.second);
        out += t;
        for (int k = 0; k < kValueCurves; ++k) {
            out += ',';
            number(out, r.values[k][i]);
        }
        out += ',';
        out += std::to_string(r.lowFlow[i]);
        for (int b = 0; b < 4; ++b) out += (r.contacts[i] >> b) & 1 ? ",1" : ",0";
        out += ',';
        out += errors[r.error[i]];
        out += '\n';
    }
    return out;
}

std::int64_t usualSpacing(const Recording& r) {
    // The median of the steps between lines, from a count of each step up
    // to an hour (longer ones are pauses, counted above every shorter one).
    constexpr std::int64_t kLongest = 3600;
    std::vector<std::size_t> count(kLongest + 2, 0);
    std::size_t steps = 0;
    for (std::size_t i = 1; i < r.size(); ++i) {
        const std::int64_t d = r.time[i] - r.time[i - 1];
        if (d <= 0) continue;
        ++count[static_cast<std::size_t>(std::min(d, kLongest + 1))];
        ++steps;
    }
    std::size_t seen = 0;
    for (std::int64_t d = 1; d <= kLongest + 1; ++d) {
        seen += count[static_cast<std::size_t>(d)];
        if (seen * 2 >= steps && seen > 0) return std::min(d, kLongest);
    }
    return 1;
}

std::vector<Gap> findGaps(const Recording& r, std::int64_t spacing) {
    const std::int64_t longest = std::max(2 * spacing, spacing + 2);
    std::vector<Gap> out;
    for (std::size_t i = 1; i < r.size(); ++i)
        if (r.time[i] - r.time[i - 1] > longest) out.push_back({i - 1, i});
    return out;
}

std::pair<std::size_t, std::size_t> linesBetween(const Recording& r, double t0, double t1) {
    const auto first = std::lower_bound(r.time.begin(), r.time.end(), t0,
                                        [](std::int64_t t, double v) { return static_cast<double>(t) < v; });
    const auto last = std::upper_bound(first, r.time.end(), t1,
                                       [](double v, std::int64_t t) { return v < static_cast<double>(t); });
    return {static_cast<std::size_t>(first - r.time.begin()), static_cast<std::size_t>(last - r.time.begin())};
}

std::size_t nearestLine(const Recording& r, double t) {
    if (r.size() == 0) return 0;
    const auto [after, unused] = linesBetween(r, t, t);
    (void)unused;
    if (after == 0) return 0;
    if (after >= r.size()) return r.size() - 1;
    return t - static_cast<double>(r.time[after - 1]) <= static_cast<double>(r.time[after]) - t ? after - 1 : after;
}

namespace {

void take(Column& c, std::size_t i, double v) {
    if (c.empty()) {
        c.first = c.last = i;
        c.min = c.max = v;
    } else {
        c.last = i;
        c.min = std::min(c.min, v);
        c.max = std::max(c.max, v);
    }
}

template <class Value>
void scanLines(Value value, std::size_t a, std::size_t b, Column& c) {
    for (std::size_t i = a; i < b; ++i) {
        const double v = value(i);
        if (std::isfinite(v)) take(c, i, v);
    }
}

template <class Value>
void envelopeOf(const Recording& r, Value value, const std::vector<Summaries::Block>* blocks, double t0, double t1,
                int columns, std::vector<Column>& out) {
    const auto [a, b] = linesBetween(r, t0, t1);
    const double width = (t1 - t0) / columns;
    const std::int64_t* time = r.time.data();
    constexpr std::size_t kBlock = Summaries::kBlock;
    for (std::size_t i = a; i < b;) {
        const int k = std::clamp(static_cast<int>((static_cast<double>(time[i]) - t0) / width), 0, columns - 1);
        std::size_t e = b;
        if (k < columns - 1) {
            const double edge = t0 + (k + 1) * width;
            e = static_cast<std::size_t>(std::lower_bound(time + i, time + b, edge, [](std::int64_t t, double v) {
                                             return static_cast<double>(t) < v;
                                         }) - time);
            e = std::max(e, i + 1);
        }
        Column& c = out[static_cast<std::size_t>(k)];
        if (blocks && e - i >= 2 * kBlock) {
            // The partial block at each end line by line, the whole ones between from their summaries.
            const std::size_t head = (i + kBlock - 1) / kBlock * kBlock, tail = e / kBlock * kBlock;
            scanLines(value, i, head, c);
            for (std::size_t k2 = head / kBlock; k2 < tail / kBlock; ++k2) {
                const Summaries::Block& s = (*blocks)[k2];
                if (s.first > s.last) continue;
                take(c, s.first, s.min);
                take(c, s.last, s.max);
                c.min = std::min(c.min, s.min);
                c.max = std::max(c.max, s.max);
            }
            scanLines(value, tail, e, c);
        } else {
            scanLines(value, i, e, c);
        }
        i = e;
    }
}

template <class F>
void withValues(const Recording& r, int curve, F f) {
    if (curve < kValueCurves) {
        const double* v = r.values[curve].data();
        f([v](std::size_t i) { return v[i]; });
    } else if (curve == LowFlow) {
        const std::uint8_t* v = r.lowFlow.data();
        f([v](std::size_t i) { return static_cast<double>(v[i]); });
    } else {
        const std::uint8_t* v = r.contacts.data();
        const int bit = curve - Ls1;
        f([v, bit](std::size_t i) { return static_cast<double>((v[i] >> bit) & 1); });
    }
}

}  // namespace

void Summaries::update(const Recording& r) {
    if (r.size() < lines_) *this = Summaries();  // another recording: from the start
    const std::size_t from = lines_ / kBlock;  // the last partial block again
    for (int curve = 0; curve < kCurves; ++curve) {
        auto& blocks = blocks_[curve];
        blocks.resize(from);
        withValues(r, curve, [&](auto value) {
            for (std::size_t k = from; k * kBlock < r.size(); ++k) {
                Column c{1, 0, 0, 0};
                scanLines(value, k * kBlock, std::min(r.size(), (k + 1) * kBlock), c);
                blocks.push_back({c.min, c.max, c.first, c.last});
            }
        });
    }
    lines_ = r.size();
}

void envelope(const Recording& r, int curve, double t0, double t1, int columns, std::vector<Column>& out,
              const Summaries* summaries) {
    out.assign(static_cast<std::size_t>(std::max(columns, 0)), Column{1, 0, 0, 0});
    if (columns <= 0 || !(t1 > t0) || curve < 0 || curve >= kCurves) return;
    const std::vector<Summaries::Block>* blocks =
        summaries && summaries->lines() == r.size() ? &summaries->blocks(curve) : nullptr;
    withValues(r, curve, [&](auto value) { envelopeOf(r, value, blocks, t0, t1, columns, out); });
}

Summary summarize(const Recording& r, int curve, std::size_t first, std::size_t last) {
    Summary s;
    double sum = 0;
    last = std::min(last, r.size());
    for (std::size_t i = first; i < last; ++i) {
        const double v = r.at(curve, i);
        if (!std::isfinite(v)) continue;
        if (!s.count++) s.min = s.max = v;
        s.min = std::min(s.min, v);
        s.max = std::max(s.max, v);
        sum += v;
    }
    if (s.count) s.mean = sum / static_cast<double>(s.count);
    return s;
}

}  // namespace qv::recording
