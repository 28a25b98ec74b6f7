#pragma once
// What a serial port is and where it is plugged, so that ports a bare name cannot tell apart
// (eight identical cables on a station) can be told apart and chosen by identity or place.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "text/Catalogue.h"

namespace bramblet {

enum class PortKind { Usb, Uart, Simulated, Other };

struct PortDescription {
    std::string name;  // as the port opener takes it
    PortKind kind = PortKind::Other;
    // USB adapters only.
    std::uint16_t vid = 0;
    std::uint16_t pid = 0;
    std::string maker;
    std::string product;
    std::string serial;                    // empty for adapters without one (CH340, PL2303)
    std::optional<int> usbInterface;       // a multi-port adapter has one per port
    std::string location;                  // bus and port path, "1-1.4"; survives a re-plug there
    std::vector<std::string> stableNames;  // links that keep naming this device
    std::optional<int> latencyMs;          // the adapter's latency timer, when it has one
    bool mayOpen = true;                   // this user may open the device
    std::string group;                     // the device's group, when the user may not open it
};

// The outcome of choosing a port by what it is ("usb:0403:6001[:SERIAL]"), where it is
// plugged ("usb@1-1.4") or as the only USB adapter there is ("auto").
struct PortMatch {
    enum class Kind {
        Chosen,   // ports holds the one port
        Invalid,  // the selector cannot be read: detail says why
        None,     // no USB port fits: ports holds every port there is, to choose from
        Several,  // ports holds every port that fits
    };
    Kind kind = Kind::Invalid;
    std::vector<const PortDescription*> ports;
    std::string detail;
};

// True for text that names a port by identity or place rather than by name.
bool IsPortSelector(std::string_view text);

// `lang` is that of the detail of a selector that cannot be read.
PortMatch MatchPort(std::string_view selector, const std::vector<PortDescription>& ports,
                    text::Lang lang = text::Lang::En);

}  // namespace bramblet
