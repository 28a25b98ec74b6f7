#include "writer/platform/RegFile.h"

#include <cstdio>

#include "text/Catalogue.h"
#include "text/Utf16.h"
#include "writer/common/Text.h"

namespace bramblet {
namespace {

using text::Utf16LeToUtf8;
using text::Utf8ToUtf16Le;

constexpr std::string_view kHeader = "Windows Registry Editor Version 5.00";

using text::Tx;

// The settings are read before anything chooses a language, so their faults are told in Japanese.
[[noreturn]] void Damaged(int line, Tx why) {
    const text::Lang ja = text::Lang::Ja;
    throw SettingsError(
        text::Say(Tx::SettingsAtLine, ja, {std::to_string(line), text::Say(why, ja)}));
}

bool ValidUtf8(std::string_view s) {
    while (!s.empty()) {
        const std::size_t length = DecodeUtf8(s).length;
        if (length == 0) return false;
        s.remove_prefix(length);
    }
    return true;
}

// The file as UTF-8 text: UTF-16LE after its mark, or UTF-8 with or without one.
std::string DecodeText(std::string_view bytes) {
    if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
        static_cast<unsigned char>(bytes[1]) == 0xFE) {
        if (bytes.size() % 2 != 0) Damaged(1, Tx::RegNotUtf16);
        // Settings written back must read the same, so a text that would not is damaged.
        const std::string utf8 = Utf16LeToUtf8(bytes.substr(2));
        if (Utf8ToUtf16Le(utf8) != bytes.substr(2) || utf8.find('\0') != std::string::npos) {
            Damaged(1, Tx::RegNotUtf16);
        }
        return utf8;
    }
    if (bytes.substr(0, 3) == "\xEF\xBB\xBF") bytes.remove_prefix(3);
    if (!ValidUtf8(bytes)) Damaged(1, Tx::RegNotUtf8);
    return std::string(bytes);
}

std::string_view TrimLeft(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    return s;
}
std::string_view TrimRight(std::string_view s) {
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}

// A quoted text with the editor's two escapes, \\ and \"; `s` starts after the opening quote
// and is left after the closing one.
std::string Unquote(std::string_view& s, int line) {
    std::string out;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '"') {
            s.remove_prefix(i + 1);
            return out;
        }
        if (s[i] == '\\') {
            if (i + 1 >= s.size() || (s[i + 1] != '\\' && s[i + 1] != '"')) {
                Damaged(line, Tx::RegBadEscape);
            }
            ++i;
        }
        out.push_back(s[i]);
    }
    Damaged(line, Tx::RegUnclosedString);
}

std::vector<std::uint8_t> HexBytes(std::string_view s, int line) {
    std::vector<std::uint8_t> out;
    s = TrimLeft(TrimRight(s));
    if (s.empty()) return out;
    for (;;) {
        s = TrimLeft(s);
        if (s.size() < 2 || HexDigitValue(s[0]) < 0 || HexDigitValue(s[1]) < 0) {
            Damaged(line, Tx::RegBadHex);
        }
        out.push_back(static_cast<std::uint8_t>(HexDigitValue(s[0]) << 4 | HexDigitValue(s[1])));
        s = TrimLeft(s.substr(2));
        if (s.empty()) return out;
        if (s.front() != ',') Damaged(line, Tx::RegBadHex);
        s.remove_prefix(1);
    }
}

// The data after "=", or nullopt for "-", which deletes the value.
std::optional<RegValue> ParseData(std::string_view data, int line) {
    data = TrimLeft(data);
    if (!data.empty() && data.front() == '"') {
        data.remove_prefix(1);
        const std::string text = Unquote(data, line);
        if (!TrimLeft(data).empty()) Damaged(line, Tx::RegTrailing);
        return RegValue{RegType::Sz, StringData(text)};
    }
    if (TrimRight(data) == "-") return std::nullopt;
    if (data.substr(0, 6) == "dword:") {
        const std::string_view digits = TrimRight(data.substr(6));
        if (digits.empty() || digits.size() > 8) Damaged(line, Tx::RegBadDword);
        std::uint32_t v = 0;
        for (char c : digits) {
            if (HexDigitValue(c) < 0) Damaged(line, Tx::RegBadDword);
            v = v << 4 | static_cast<std::uint32_t>(HexDigitValue(c));
        }
        return RegValue{RegType::Dword,
                        {static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8),
                         static_cast<std::uint8_t>(v >> 16), static_cast<std::uint8_t>(v >> 24)}};
    }
    if (data.substr(0, 4) == "hex:")
        return RegValue{RegType::Binary, HexBytes(data.substr(4), line)};
    if (data.substr(0, 4) == "hex(") {
        const auto close = data.find("):");
        if (close == std::string_view::npos || close == 4 || close > 12) {
            Damaged(line, Tx::RegBadType);
        }
        std::uint32_t type = 0;
        for (char c : data.substr(4, close - 4)) {
            if (HexDigitValue(c) < 0) Damaged(line, Tx::RegBadType);
            type = type << 4 | static_cast<std::uint32_t>(HexDigitValue(c));
        }
        return RegValue{static_cast<RegType>(type), HexBytes(data.substr(close + 2), line)};
    }
    Damaged(line, Tx::RegBadValue);
}

std::string Folded(std::string_view name) {
    std::string folded(name);
    for (char& c : folded) c = AsciiLower(c);
    return folded;
}

bool RepresentableName(std::string_view name) {
    return name.find('\0') == std::string_view::npos;
}

std::string Escaped(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '\\' || c == '"') out.push_back('\\');
        out.push_back(c);
    }
    return out;
}

// Strings go out quoted when the quoted form reads back to the same bytes; anything else (a
// line break, an inner zero, a missing terminator) goes out as hex(1) so nothing is lost.
bool QuotableString(const RegValue& v) {
    if (v.type != RegType::Sz) return false;
    const std::string text = StringFromData(v.data);
    return text.find_first_of("\r\n") == std::string::npos && StringData(text) == v.data;
}

void AppendHex(std::string& out, std::string_view prefix, const std::vector<std::uint8_t>& data) {
    out += prefix;
    std::size_t column = out.size() - out.rfind('\n') - 1;
    for (std::size_t i = 0; i < data.size(); ++i) {
        char hex[4];
        std::snprintf(hex, sizeof hex, "%02x", data[i]);
        // The editor keeps lines within 80 columns, continuing them with a backslash.
        if (column + 3 > 78) {
            out += "\\\r\n  ";
            column = 2;
        }
        out += hex;
        column += 2;
        if (i + 1 < data.size()) {
            out += ',';
            ++column;
        }
    }
}

}  // namespace

const RegValue* RegValues::Find(std::string_view name) const {
    const auto at = index_.find(Folded(name));
    return at == index_.end() ? nullptr : &entries_.at(at->second).value;
}

void RegValues::Set(const std::string& name, const RegValue& value) {
    const auto [at, added] = index_.try_emplace(Folded(name), next_);
    if (added) {
        entries_.emplace(next_++, Entry{name, value});
    } else {
        entries_.at(at->second).value = value;
    }
}

void RegValues::Erase(std::string_view name) {
    const auto at = index_.find(Folded(name));
    if (at == index_.end()) return;
    entries_.erase(at->second);
    index_.erase(at);
}

std::vector<RegValues::Entry> RegValues::Entries() const {
    std::vector<Entry> entries;
    entries.reserve(entries_.size());
    for (const auto& [order, entry] : entries_) entries.push_back(entry);
    return entries;
}

std::optional<RegValues> ParseRegFile(std::string_view bytes, std::string_view keyPath) {
    const std::string text = DecodeText(bytes);
    std::vector<std::string_view> lines;
    for (std::size_t start = 0; start <= text.size();) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string_view line(text.data() + start, end - start);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        lines.push_back(line);
        start = end + 1;
    }
    if (lines.empty() || TrimRight(lines[0]) != kHeader) {
        Damaged(1, Tx::RegNoHeader);
    }
    std::optional<RegValues> ours;
    bool inSection = false, inOurs = false;
    for (std::size_t i = 1; i < lines.size(); ++i) {
        const int lineNo = static_cast<int>(i + 1);
        const std::string_view line = TrimRight(TrimLeft(lines[i]));
        if (line.empty() || line.front() == ';') continue;
        if (line.front() == '[') {
            if (line.back() != ']') Damaged(lineNo, Tx::RegUnclosedKey);
            const std::string_view key = line.substr(1, line.size() - 2);
            inSection = true;
            inOurs = EqualsIgnoringAsciiCase(key, keyPath);
            if (inOurs && !ours) ours.emplace();
            continue;
        }
        if (!inSection) Damaged(lineNo, Tx::RegValueBeforeKey);
        std::string_view rest = line;
        std::string name;
        if (rest.front() == '@') {
            rest.remove_prefix(1);
        } else if (rest.front() == '"') {
            rest.remove_prefix(1);
            name = Unquote(rest, lineNo);
        } else {
            Damaged(lineNo, Tx::RegBadName);
        }
        rest = TrimLeft(rest);
        if (rest.empty() || rest.front() != '=') Damaged(lineNo, Tx::RegNoEquals);
        rest.remove_prefix(1);
        std::string data(TrimLeft(rest));
        // Byte lists continue on the next line after a trailing backslash.
        if (data.compare(0, 3, "hex") == 0) {
            while (!data.empty() && data.back() == '\\') {
                data.pop_back();
                if (++i >= lines.size()) Damaged(lineNo, Tx::RegNoContinuation);
                data += TrimRight(TrimLeft(lines[i]));
            }
        }
        const std::optional<RegValue> value = ParseData(data, lineNo);
        if (!inOurs || !RepresentableName(name)) continue;
        if (value) {
            ours->Set(name, *value);
        } else {
            ours->Erase(name);
        }
    }
    return ours;
}

std::string FormatRegFile(std::string_view keyPath, const RegValues& values) {
    std::string text(kHeader);
    text += "\r\n\r\n[";
    text += keyPath;
    text += "]\r\n";
    for (const RegValues::Entry& e : values.Entries()) {
        if (!RepresentableName(e.name)) continue;
        text += e.name.empty() ? "@" : "\"" + Escaped(e.name) + "\"";
        text += '=';
        const RegValue& v = e.value;
        if (QuotableString(v)) {
            text += "\"" + Escaped(StringFromData(v.data)) + "\"";
        } else if (v.type == RegType::Dword && v.data.size() == 4) {
            char dword[16];
            std::snprintf(dword, sizeof dword, "dword:%02x%02x%02x%02x", v.data[3], v.data[2],
                          v.data[1], v.data[0]);
            text += dword;
        } else if (v.type == RegType::Binary) {
            AppendHex(text, "hex:", v.data);
        } else {
            char prefix[16];
            std::snprintf(prefix, sizeof prefix, "hex(%x):", static_cast<unsigned>(v.type));
            AppendHex(text, prefix, v.data);
        }
        text += "\r\n";
    }
    text += "\r\n";
    return "\xFF\xFE" + Utf8ToUtf16Le(text);
}

namespace {

class RegFileKey : public SettingsKey {
public:
    RegFileKey(RegValues values, WholeFile* file) : values_(std::move(values)), file_(file) {}

    std::optional<RegValue> Query(const std::string& name) const override {
        const RegValue* v = values_.Find(name);
        return v ? std::optional<RegValue>(*v) : std::nullopt;
    }
    void Set(const std::string& name, const RegValue& value) override { values_.Set(name, value); }
    void Close() override {
        if (file_) file_->Replace(FormatRegFile(kSettingsKeyPath, values_));
    }

private:
    RegValues values_;
    WholeFile* file_;  // null for a key opened for reading
};

}  // namespace

std::unique_ptr<SettingsKey> RegFileStore::OpenExisting() {
    const std::optional<std::string> bytes = file_->Read();
    if (!bytes) return nullptr;
    try {
        std::optional<RegValues> values = ParseRegFile(*bytes, kSettingsKeyPath);
        if (!values) return nullptr;
        return std::make_unique<RegFileKey>(std::move(*values), nullptr);
    } catch (const SettingsError& e) {
        throw SettingsError(
            text::Say(Tx::SettingsFileDamaged, text::Lang::Ja, {file_->Name(), e.what()}));
    }
}

std::unique_ptr<SettingsKey> RegFileStore::Create() {
    RegValues values;
    const std::optional<std::string> bytes = file_->Read();
    if (bytes) {
        // A damaged file was reported when the settings were read; writing the key whole is
        // what repairs it, so the values start from nothing then.
        try {
            if (std::optional<RegValues> existing = ParseRegFile(*bytes, kSettingsKeyPath)) {
                values = std::move(*existing);
            }
        } catch (const SettingsError&) {
        }
    }
    return std::make_unique<RegFileKey>(std::move(values), file_.get());
}

}  // namespace bramblet
