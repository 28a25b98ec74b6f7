#include "writer/core/Lines.h"

namespace bramblet {

std::optional<LineSequence> ParseLineSequence(std::string_view text) {
    LineSequence steps;
    for (;;) {
        const std::size_t comma = text.find(',');
        const std::string_view item = text.substr(0, comma);
        LineStep step;
        if (item == "dtr=0" || item == "dtr=1" || item == "rts=0" || item == "rts=1") {
            step.line = item[0] == 'd' ? ModemLine::Dtr : ModemLine::Rts;
            step.asserted = item[4] == '1';
        } else if (item.starts_with("wait=") && item.size() > 5 && item.size() <= 11) {
            long long ms = 0;
            for (char c : item.substr(5)) {
                if (c < '0' || c > '9') return std::nullopt;
                ms = ms * 10 + (c - '0');
            }
            step.wait = std::chrono::milliseconds(ms);
            if (step.wait > kLongestLineWait) return std::nullopt;
        } else {
            return std::nullopt;
        }
        steps.push_back(step);
        if (comma == std::string_view::npos) return steps;
        text.remove_prefix(comma + 1);
    }
}

const char* LineName(ModemLine line) {
    return line == ModemLine::Dtr ? "DTR" : "RTS";
}

std::optional<ModemLine> RunLineSequence(SerialPort& port, const LineSequence& steps,
                                         std::string& error) {
    for (const LineStep& step : steps) {
        if (port.Lost()) break;
        if (!step.line) {
            port.Pause(step.wait);
            continue;
        }
        error = port.SetLine(*step.line, step.asserted);
        if (!error.empty()) return step.line;
    }
    return std::nullopt;
}

}  // namespace bramblet
