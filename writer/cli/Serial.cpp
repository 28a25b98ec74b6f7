#include "writer/cli/Serial.h"

#include <limits>
#include <map>
#include <set>

#include "text/Catalogue.h"
#include "writer/common/Text.h"
#include "writer/platform/SharedFiles.h"

namespace bramblet {
namespace {

bool Blank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

std::optional<std::uint64_t> Digits(const std::string& text, std::size_t maxDigits) {
    if (text.empty() || text.size() > maxDigits) return std::nullopt;
    std::uint64_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        const auto digit = static_cast<std::uint64_t>(c - '0');
        if (value > (std::numeric_limits<std::uint64_t>::max() - digit) / 10) return std::nullopt;
        value = value * 10 + digit;
    }
    return value;
}

std::uint64_t Largest(int width) {
    return width >= 8 ? std::numeric_limits<std::uint64_t>::max()
                      : (std::uint64_t{1} << 8 * width) - 1;
}

std::string Bytes(int width, text::Lang lang) {
    return text::Say(width == 1 ? text::Tx::CliByte : text::Tx::CliBytes, lang,
                     {std::to_string(width)});
}

// Text from a file or a program as a person can read it in one line: quoted, control bytes
// escaped, and cut short.
std::string Shown(const std::string& text) {
    constexpr std::size_t kShown = 40;
    std::string shown = "\"";
    for (std::size_t i = 0; i < text.size() && i < kShown; ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c == '\n') {
            shown += "\\n";
        } else if (c == '\r') {
            shown += "\\r";
        } else if (c < 0x20 || c == 0x7F) {
            shown += "\\x" + Hex(c, 2);
        } else {
            shown += text[i];
        }
    }
    return shown + (text.size() > kShown ? "\"..." : "\"");
}

// How a program that did not do its work ended.
std::string Ended(const std::string& name, const ProgramEnd& end, text::Lang lang) {
    using text::Tx;
    if (!end.started || !end.error.empty()) return text::Say(Tx::CliCannotRun, lang, {end.error});
    const std::string status = std::to_string(end.status);
    return text::Say(end.exited ? Tx::CliExitedWith : Tx::CliKilledBySignal, lang, {name, status});
}

// How a source spells itself after ADDR:WIDTH: (the counter has no prefix).
struct SourceSpelling {
    SerialFrom from;
    const char* prefix;
};
constexpr SourceSpelling kSpellings[] = {
    {SerialFrom::List, "list:"},
    {SerialFrom::Command, "cmd:"},
};

class CounterSource : public SerialSource {
public:
    CounterSource(const SerialOption& option, text::Lang lang) : option_(option), lang_(lang) {}

    // All the run's numbers in one update, so that they are consecutive.
    std::optional<std::vector<DrawnSerial>> Draw(std::size_t count, std::string& error) override {
        std::optional<std::uint64_t> first;
        std::string why;
        const UpdateResult taken = UpdateLockedFile(
            option_.where,
            [&](const std::string& text) -> std::optional<std::string> {
                const auto numbers = TakeSerialNumbers(text, option_.width, count, why, lang_);
                if (!numbers) return std::nullopt;
                first = numbers->first;
                return numbers->next;
            },
            error);
        if (taken == UpdateResult::Left) error = why + " (" + option_.where + ")";
        if (taken != UpdateResult::Replaced) {
            if (taken == UpdateResult::Failed)
                error = text::Say(text::Tx::CliCounterCannotTake, lang_, {error});
            return std::nullopt;
        }
        std::vector<DrawnSerial> drawn;
        for (std::size_t i = 0; i < count; ++i) drawn.push_back({*first + i, ""});
        return drawn;
    }

private:
    const SerialOption& option_;
    const text::Lang lang_;
};

class ListSource : public SerialSource {
public:
    ListSource(const SerialOption& option, text::Lang lang) : option_(option), lang_(lang) {}

    std::optional<std::vector<DrawnSerial>> Draw(std::size_t count, std::string& error) override {
        std::optional<ListNumbers> taken;
        std::string why;
        const UpdateResult result = UpdateLockedFile(
            option_.where,
            [&](const std::string& text) -> std::optional<std::string> {
                taken = TakeFromList(text, option_.width, count, why, lang_);
                if (!taken || taken->numbers.empty()) return std::nullopt;
                return taken->text;
            },
            error);
        if (result == UpdateResult::Failed || !taken) {
            error = result == UpdateResult::Failed
                        ? text::Say(text::Tx::CliListCannotTake, lang_, {error})
                        : option_.where + ": " + why;
            return std::nullopt;
        }
        std::vector<DrawnSerial> drawn;
        for (std::size_t i = 0; i < count; ++i) {
            if (i < taken->numbers.size()) {
                drawn.push_back({taken->numbers[i], ""});
            } else {
                drawn.push_back(
                    {std::nullopt, text::Say(text::Tx::CliListExhausted, lang_, {option_.where})});
            }
        }
        return drawn;
    }

private:
    const SerialOption& option_;
    const text::Lang lang_;
};

class CommandSource : public SerialSource {
public:
    CommandSource(const SerialOption& option, ProgramRunner& programs, text::Lang lang)
        : option_(option), programs_(programs), lang_(lang) {}

    // The command once a board, one after the other, each board standing on its own.
    std::optional<std::vector<DrawnSerial>> Draw(std::size_t count, std::string&) override {
        std::vector<DrawnSerial> drawn;
        std::set<std::uint64_t> given;
        for (std::size_t i = 0; i < count; ++i) {
            drawn.push_back(DrawOne(given));
            if (drawn.back().number) given.insert(*drawn.back().number);
        }
        return drawn;
    }

private:
    DrawnSerial DrawOne(const std::set<std::uint64_t>& given) {
        const std::string& name = option_.command[0];
        const ProgramEnd end = programs_.Run(option_.command, true);
        if (!end.Succeeded()) return {std::nullopt, Ended(name, end, lang_)};
        std::string why;
        const std::optional<std::uint64_t> number =
            ParseCommandNumber(end.output, option_.width, why, lang_);
        if (!number) return {std::nullopt, name + " " + why};
        // A server that repeats itself would put one number on two boards.
        if (given.count(*number)) {
            return {std::nullopt,
                    text::Say(text::Tx::CliGaveAgain, lang_, {name, std::to_string(*number)})};
        }
        return {number, ""};
    }

    const SerialOption& option_;
    ProgramRunner& programs_;
    const text::Lang lang_;
};

}  // namespace

std::optional<SerialOption> ParseSerialOption(const std::string& text, std::string& error,
                                              text::Lang lang) {
    error = text::Say(text::Tx::CliSerialTakes, lang);
    const auto first = text.find(':');
    if (first == std::string::npos) return std::nullopt;
    const auto second = text.find(':', first + 1);
    if (second == std::string::npos || second + 1 == text.size()) return std::nullopt;
    const auto address = ParseHex(text.substr(0, first), 6);
    const auto width = Digits(text.substr(first + 1, second - first - 1), 1);
    if (!address || !width || *width < 1 || *width > 8 || *address + *width - 1 > 0xFFFFFF) {
        return std::nullopt;
    }
    SerialOption option;
    option.address = static_cast<std::uint32_t>(*address);
    option.width = static_cast<int>(*width);
    option.where = text.substr(second + 1);
    for (const SourceSpelling& spelling : kSpellings) {
        const std::string prefix = spelling.prefix;
        if (option.where.rfind(prefix, 0) != 0) continue;
        option.from = spelling.from;
        option.where = option.where.substr(prefix.size());
        if (option.where.empty()) return std::nullopt;
    }
    if (option.from == SerialFrom::Command) {
        const auto words = SplitCommand(option.where);
        if (!words) {
            error = text::Say(text::Tx::CliSerialCmdTakes, lang);
            return std::nullopt;
        }
        option.command = *words;
    }
    error.clear();
    return option;
}

std::optional<std::vector<std::string>> SplitCommand(const std::string& text) {
    std::vector<std::string> words;
    bool inWord = false, quoted = false;
    for (const char c : text) {
        if (c == '"') {
            quoted = !quoted;
            if (!inWord) words.emplace_back();
            inWord = true;
        } else if (!quoted && (c == ' ' || c == '\t')) {
            inWord = false;
        } else {
            if (!inWord) words.emplace_back();
            inWord = true;
            words.back() += c;
        }
    }
    if (quoted || words.empty()) return std::nullopt;
    return words;
}

std::optional<std::uint64_t> ParseCounter(const std::string& text) {
    std::size_t begin = 0, end = text.size();
    while (begin < end && Blank(text[begin])) ++begin;
    while (end > begin && Blank(text[end - 1])) --end;
    return Digits(text.substr(begin, end - begin), 20);
}

std::optional<SerialNumbers> TakeSerialNumbers(const std::string& text, int width,
                                               std::uint64_t count, std::string& error,
                                               text::Lang lang) {
    using text::Say;
    using text::Tx;
    const std::optional<std::uint64_t> first = ParseCounter(text);
    if (!first) {
        error = Say(Tx::CliCounterNoNumber, lang);
        return std::nullopt;
    }
    const std::uint64_t limit = Largest(width);
    // The counter must also be able to hold the number after the last.
    if (count == 0 || *first > limit || count - 1 > limit - *first ||
        *first + (count - 1) == std::numeric_limits<std::uint64_t>::max()) {
        error = count == 1
                    ? Say(Tx::CliSerialNoFit, lang, {std::to_string(*first), Bytes(width, lang)})
                    : Say(Tx::CliSerialsNoFit, lang,
                          {std::to_string(*first), std::to_string(count), Bytes(width, lang)});
        return std::nullopt;
    }
    return SerialNumbers{*first, std::to_string(*first + count) + "\n"};
}

std::optional<ListNumbers> TakeFromList(const std::string& text, int width, std::size_t count,
                                        std::string& error, text::Lang lang) {
    using text::Say;
    using text::Tx;
    constexpr char kMark[] = " used";
    ListNumbers taken;
    std::map<std::uint64_t, std::size_t> lineOf;
    // An editor's byte-order mark is not part of the first line.
    std::size_t begin = text.rfind("\xEF\xBB\xBF", 0) == 0 ? 3 : 0;
    taken.text = text.substr(0, begin);
    for (std::size_t line = 1; begin < text.size(); ++line) {
        std::size_t end = text.find('\n', begin);
        end = end == std::string::npos ? text.size() : end + 1;
        const std::string whole = text.substr(begin, end - begin);
        begin = end;
        std::size_t first = 0, last = whole.size();
        while (first < last && Blank(whole[first])) ++first;
        while (last > first && Blank(whole[last - 1])) --last;
        std::string words = whole.substr(first, last - first);
        if (words.empty()) {
            taken.text += whole;
            continue;
        }
        const std::string at = Say(Tx::CliListLine, lang, {std::to_string(line)});
        const std::size_t digits = words.find_first_not_of("0123456789");
        const std::string rest = digits == std::string::npos ? "" : words.substr(digits);
        const std::size_t mark = rest.find_first_not_of(" \t");
        const bool used = mark != std::string::npos && mark > 0 && rest.substr(mark) == "used";
        const std::optional<std::uint64_t> number = Digits(words.substr(0, digits), 20);
        if (!number || (!rest.empty() && !used)) {
            error = at + Say(Tx::CliListNotNumber, lang, {Shown(words)});
            return std::nullopt;
        }
        if (*number > Largest(width)) {
            error = at + Say(Tx::CliNoFit, lang, {std::to_string(*number), Bytes(width, lang)});
            return std::nullopt;
        }
        if (const auto before = lineOf.find(*number); before != lineOf.end()) {
            error = at + Say(Tx::CliAlsoOnLine, lang,
                             {std::to_string(*number), std::to_string(before->second)});
            return std::nullopt;
        }
        lineOf[*number] = line;
        if (used || taken.numbers.size() == count) {
            taken.text += whole;
            continue;
        }
        taken.numbers.push_back(*number);
        taken.text += whole.substr(0, last) + kMark + whole.substr(last);
    }
    return taken;
}

std::optional<std::uint64_t> ParseCommandNumber(const std::string& output, int width,
                                                std::string& error, text::Lang lang) {
    std::string digits = output;
    if (digits.size() >= 1 && digits.back() == '\n') digits.pop_back();
    if (digits.size() >= 1 && digits.back() == '\r') digits.pop_back();
    const std::optional<std::uint64_t> number = Digits(digits, 20);
    if (!number) {
        error = text::Say(text::Tx::CliPrintedNotNumber, lang, {Shown(output)});
        return std::nullopt;
    }
    if (*number > Largest(width)) {
        error =
            text::Say(text::Tx::CliGaveNoFit, lang, {std::to_string(*number), Bytes(width, lang)});
        return std::nullopt;
    }
    return number;
}

std::unique_ptr<SerialSource> MakeSerialSource(const SerialOption& option, ProgramRunner& programs,
                                               text::Lang lang) {
    switch (option.from) {
        case SerialFrom::Counter:
            return std::make_unique<CounterSource>(option, lang);
        case SerialFrom::List:
            return std::make_unique<ListSource>(option, lang);
        case SerialFrom::Command:
            return std::make_unique<CommandSource>(option, programs, lang);
    }
    return nullptr;
}

std::optional<std::string> BookSerial(ProgramRunner& programs,
                                      const std::vector<std::string>& command, std::uint64_t number,
                                      const std::string& port, bool ok, text::Lang lang) {
    std::vector<std::string> argv = command;
    argv.insert(argv.end(), {std::to_string(number), port, ok ? "ok" : "void"});
    const ProgramEnd end = programs.Run(argv, false);
    if (end.Succeeded()) return std::nullopt;
    return text::Say(text::Tx::CliBookFailed, lang,
                     {Ended(command[0], end, lang), std::to_string(number)});
}

ImagePatch SerialPatch(const SerialOption& option, std::uint64_t number) {
    ImagePatch patch{option.address, {}};
    for (int i = 0; i < option.width; ++i) {
        patch.bytes.push_back(static_cast<std::uint8_t>(number >> 8 * i));
    }
    return patch;
}

}  // namespace bramblet
