#pragma once
// RESET and the mode pin as the board wires them to the host's modem lines (see Wiring).
#include "sim/ChipConfig.h"

namespace bramblet::sim {

class Pins {
public:
    explicit Pins(const Wiring& wiring) : wiring_(wiring) {}

    // Neither pin follows the host: the board holds them.
    bool Unwired() const { return !wiring_.reset && !wiring_.mode; }
    void SetLines(bool dtr, bool rts) {
        dtr_ = dtr;
        rts_ = rts;
    }
    bool HeldInReset() const { return Active(wiring_.reset, false); }
    bool ModeAtBootLevel() const { return Active(wiring_.mode, true); }

private:
    bool Active(const std::optional<PinWire>& pin, bool unwired) const {
        if (!pin) return unwired;
        return (pin->line == ModemLine::Dtr ? dtr_ : rts_) != pin->inverted;
    }

    Wiring wiring_;
    bool dtr_ = false;  // the host's lines
    bool rts_ = false;
};

}  // namespace bramblet::sim
