#include "sim/Adapter.h"

#include <algorithm>
#include <charconv>

namespace bramblet::sim {

Adapter AdapterOf(const AdapterModel& model) {
    return {model.name, model.packetBytes, model.latency, model.frame};
}

std::string Adapter::Spelled() const {
    for (const AdapterModel& model : kAdapterModels) {
        if (name != model.name) continue;
        if (!model.timerSetting || latency == model.latency) return name;
        return name + ":" +
               std::to_string(
                   std::chrono::duration_cast<std::chrono::milliseconds>(latency).count());
    }
    return name;
}

std::optional<Adapter> ParseAdapter(const std::string& text) {
    const std::size_t colon = text.find(':');
    const std::string name = text.substr(0, colon);
    for (const AdapterModel& model : kAdapterModels) {
        if (name != model.name) continue;
        Adapter adapter = AdapterOf(model);
        if (colon == std::string::npos) return adapter;
        if (!model.timerSetting) return std::nullopt;
        const char* first = text.data() + colon + 1;
        const char* last = text.data() + text.size();
        int ms = 0;
        const auto [end, error] = std::from_chars(first, last, ms);
        // FTDI's timer takes 1 to 255 ms.
        if (first == last || error != std::errc() || end != last || ms < 1 || ms > 255) {
            return std::nullopt;
        }
        adapter.latency = std::chrono::milliseconds(ms);
        return adapter;
    }
    return std::nullopt;
}

Time AdapterLine::FrameAfter(Time t) const {
    if (adapter_.frame == Time{0}) return t;
    return (t / adapter_.frame + 1) * adapter_.frame;
}

Time AdapterLine::Onward(Time t) {
    forwarded_ = std::max(forwarded_, t);
    return forwarded_;
}

void AdapterLine::SetHostBaud(std::uint32_t baud, Time at) {
    // A rate change is a control transfer: it comes after the bytes written before it.
    line_.SetHostBaud(baud, Onward(at));
}

void AdapterLine::HostSends(std::uint8_t byte, Time sent) {
    line_.HostSends(byte, Onward(FrameAfter(sent)));
}

void AdapterLine::SetHostLines(Time at, bool dtr, bool rts) {
    line_.SetHostLines(Onward(FrameAfter(at)), dtr, rts);
}

void AdapterLine::Ship(Time at) {
    for (const std::uint8_t b : buffer_) delivered_.push_back({b, at});
    buffer_.clear();
}

const HostLine::Reply* AdapterLine::NextReply(Time by) {
    for (;;) {
        if (!delivered_.empty()) {
            return delivered_.front().arrives <= by ? &delivered_.front() : nullptr;
        }
        // The timer starts with the first byte in an empty buffer; only as far as `by` is the
        // line asked about, since the host may yet do something after it.
        const bool started = !buffer_.empty();
        const Time due = started ? bufferStart_ + adapter_.latency : by;
        const Reply* reply = line_.NextReply(std::min(by, due));
        if (reply) {
            if (!started) bufferStart_ = reply->arrives;
            buffer_.push_back(reply->byte);
            const Time at = reply->arrives;
            line_.PopReply();
            if (buffer_.size() == adapter_.packetBytes) Ship(at);
            continue;
        }
        if (!started || due > by) return nullptr;
        Ship(due);
    }
}

std::optional<Time> AdapterLine::NextEvent() const {
    std::optional<Time> next = line_.NextEvent();
    auto earliest = [&next](Time t) { next = std::min(next.value_or(t), t); };
    if (!delivered_.empty()) earliest(delivered_.front().arrives);
    if (!buffer_.empty()) earliest(bufferStart_ + adapter_.latency);
    return next;
}

}  // namespace bramblet::sim
