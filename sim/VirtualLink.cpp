#include "sim/VirtualLink.h"

namespace bramblet::sim {

class VirtualLink::Port : public SerialPort {
public:
    explicit Port(VirtualLink& link) : link_(link) {}
    ~Port() override { link_.open_ = false; }

    void Setup(std::uint32_t baud) override {
        link_.Purge();
        link_.chip_.SetBaud(baud);
    }
    void Write(std::span<const std::uint8_t> bytes) override {
        link_.Write(bytes.data(), bytes.size());
    }
    std::size_t Read(std::span<std::uint8_t> buffer) override {
        return link_.Read(buffer.data(), buffer.size());
    }
    void DiscardInput() override { link_.Purge(); }

private:
    VirtualLink& link_;
};

class VirtualLink::LinkOpener : public PortOpener {
public:
    explicit LinkOpener(VirtualLink& link) : link_(link) {}

    OpenResult Open(const std::string& name) override {
        OpenResult result;
        link_.lastName_ = name;
        if (name.empty() || link_.portMissing_) {
            result.error = OpenError::NotFound;
            result.detail = name + ": no such port";
        } else if (link_.open_) {
            result.error = OpenError::Busy;
            result.detail = name + ": port in use";
        } else {
            link_.open_ = true;
            ++link_.opens_;
            result.port = std::make_unique<Port>(link_);
        }
        return result;
    }

private:
    VirtualLink& link_;
};

VirtualLink::VirtualLink(const ChipConfig& config)
    : chip_(config), opener_(std::make_unique<LinkOpener>(*this)) {}

VirtualLink::~VirtualLink() = default;

PortOpener& VirtualLink::Opener() {
    return *opener_;
}

void VirtualLink::Purge() {
    // What has arrived is discarded; what is still on the line arrives after the purge.
    received_.clear();
    while (const Chip::Reply* reply = chip_.NextReply()) {
        if (reply->arrives > now_) break;
        chip_.PopReply();
    }
}

void VirtualLink::Write(const std::uint8_t* bytes, std::size_t n) {
    frames_.push_back({now_, std::vector<std::uint8_t>(bytes, bytes + n)});
    for (std::size_t i = 0; i < n; ++i) chip_.HostSends(bytes[i], now_);
}

std::size_t VirtualLink::Read(std::uint8_t* buffer, std::size_t n) {
    const Time start = now_;
    const Time deadline = start + ReplyWindow(n);
    while (const Chip::Reply* reply = chip_.NextReply()) {
        if (reply->arrives > now_) break;
        received_.push_back(reply->byte);
        chip_.PopReply();
    }
    std::size_t got = 0;
    while (got < n) {
        if (!received_.empty()) {
            buffer[got++] = received_.front();
            received_.pop_front();
            continue;
        }
        const Chip::Reply* reply = chip_.NextReply();
        if (!reply || reply->arrives > deadline) break;
        now_ = std::max(now_, reply->arrives);
        buffer[got++] = reply->byte;
        chip_.PopReply();
    }
    if (got < n) now_ = deadline;
    reads_.push_back({start, now_, n, got});
    return got;
}

std::vector<std::uint8_t> VirtualLink::SentBytes() const {
    std::vector<std::uint8_t> all;
    for (const Frame& frame : frames_)
        all.insert(all.end(), frame.bytes.begin(), frame.bytes.end());
    return all;
}

void VirtualLink::ClearLog() {
    frames_.clear();
    reads_.clear();
}

}  // namespace bramblet::sim
