#include "sim/VirtualLink.h"

#include <algorithm>

namespace bramblet::sim {

class VirtualLink::Port : public SerialPort {
public:
    explicit Port(VirtualLink& link) : link_(link) {}
    ~Port() override {
        link_.open_ = false;
        link_.SetLines(false, false);
    }

    bool Setup(std::uint32_t baud) override {
        if (link_.Unplugged() || !IsLinkRate(baud)) return false;
        link_.Purge();
        link_.baud_ = baud;
        link_.line_->SetHostBaud(baud, link_.now_);
        if (!dtrSet_ && link_.modemLines_) link_.SetLines(true, link_.rts_);
        return true;
    }
    std::string SetLine(ModemLine line, bool asserted) override {
        if (link_.Unplugged()) return "unplugged";
        if (!link_.modemLines_) return "no modem lines";
        const bool dtr = line == ModemLine::Dtr;
        dtrSet_ = dtrSet_ || dtr;
        link_.SetLines(dtr ? asserted : link_.dtr_, dtr ? link_.rts_ : asserted);
        return {};
    }
    void Pause(std::chrono::milliseconds time) override { link_.now_ += time; }
    void Write(std::span<const std::uint8_t> bytes) override {
        link_.Write(bytes.data(), bytes.size());
    }
    std::size_t Read(std::span<std::uint8_t> buffer) override {
        return link_.Read(buffer.data(), buffer.size());
    }
    void DiscardInput() override {
        if (!link_.Unplugged()) link_.Purge();
    }
    PortLoss Lost() const override {
        if (!link_.Unplugged()) return {};
        return {PortLoss::Kind::Gone, "unplugged"};
    }

private:
    VirtualLink& link_;
    bool dtrSet_ = false;
};

class VirtualLink::LinkOpener : public PortOpener {
public:
    explicit LinkOpener(VirtualLink& link) : link_(link) {}

    OpenResult Open(const std::string& name) override {
        OpenResult result;
        link_.lastName_ = name;
        if (name.empty() || link_.portMissing_ || link_.Unplugged()) {
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

VirtualLink::VirtualLink(const ChipConfig& config, const Adapter& adapter)
    : chip_(config),
      adapter_(adapter.Ideal() ? nullptr : std::make_unique<AdapterLine>(chip_, adapter)),
      line_(adapter_ ? static_cast<HostLine*>(adapter_.get()) : &chip_),
      opener_(std::make_unique<LinkOpener>(*this)) {}

VirtualLink::~VirtualLink() = default;

PortOpener& VirtualLink::Opener() {
    return *opener_;
}

void VirtualLink::Purge() {
    // What has arrived is discarded; what is still on the line arrives after the purge.
    while (line_->NextReply(now_)) line_->PopReply();
}

void VirtualLink::Write(const std::uint8_t* bytes, std::size_t n) {
    if (Unplugged()) return;
    frames_.push_back({now_, std::vector<std::uint8_t>(bytes, bytes + n), line_->BytesFromHost(),
                       line_->BytesToHost()});
    for (std::size_t i = 0; i < n; ++i) line_->HostSends(bytes[i], now_);
}

std::size_t VirtualLink::Read(std::uint8_t* buffer, std::size_t n) {
    const Time start = now_;
    if (Unplugged()) {
        // What had arrived went with the device.
        reads_.push_back({start, start, n, 0});
        return 0;
    }
    Time deadline = start + ReplyWindow(n);
    // A device that goes during the read ends it; what came before that is read.
    if (unplugAt_) deadline = std::min(deadline, *unplugAt_);
    std::size_t got = 0;
    while (got < n) {
        // Bytes that came before the read are taken at once, the rest as they arrive.
        const HostLine::Reply* reply = line_->NextReply(deadline);
        if (!reply) break;
        now_ = std::max(now_, reply->arrives);
        buffer[got++] = reply->byte;
        line_->PopReply();
    }
    if (got < n) now_ = deadline;
    reads_.push_back({start, now_, n, got});
    return got;
}

void VirtualLink::SetLines(bool dtr, bool rts) {
    if (dtr == dtr_ && rts == rts_) return;
    if (dtr != dtr_) lineChanges_.push_back({now_, ModemLine::Dtr, dtr});
    if (rts != rts_) lineChanges_.push_back({now_, ModemLine::Rts, rts});
    dtr_ = dtr;
    rts_ = rts;
    line_->SetHostLines(now_, dtr, rts);
}

void VirtualLink::ClearLog() {
    frames_.clear();
    reads_.clear();
    lineChanges_.clear();
}

}  // namespace bramblet::sim
