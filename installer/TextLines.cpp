#include "installer/TextLines.h"

#include <string>

namespace kelpin {

void ForEachTextLine(std::istream& in, const std::function<void(std::string_view)>& line) {
    std::string text;
    for (;;) {
        const bool complete = static_cast<bool>(std::getline(in, text));
        if (!complete && text.empty()) return;
        const std::size_t end = text.find('\x1A');
        if (end != std::string::npos) {
            text.resize(end);
            if (!text.empty()) line(text);
            return;
        }
        // getline stops at LF and at the end of the file; only a CR before an LF is dropped.
        if (in.good() && !text.empty() && text.back() == '\r') text.pop_back();
        line(text);
        if (!complete || in.eof()) return;
    }
}

}  // namespace kelpin
