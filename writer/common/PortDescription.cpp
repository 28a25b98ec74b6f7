#include "writer/common/PortDescription.h"

#include "writer/common/Text.h"

namespace bramblet {
namespace {

constexpr std::string_view kById = "usb:";
constexpr std::string_view kByPlace = "usb@";
constexpr std::string_view kAuto = "auto";

PortMatch Invalid(text::Tx why, text::Lang lang) {
    PortMatch match;
    match.detail = text::Say(why, lang);
    return match;
}

template <typename Fits>
PortMatch Choose(const std::vector<PortDescription>& ports, Fits fits) {
    PortMatch match;
    for (const PortDescription& port : ports) {
        if (port.kind == PortKind::Usb && fits(port)) match.ports.push_back(&port);
    }
    match.kind = match.ports.empty()       ? PortMatch::Kind::None
                 : match.ports.size() == 1 ? PortMatch::Kind::Chosen
                                           : PortMatch::Kind::Several;
    // With nothing that fits, every port there is may be the one the user meant.
    if (match.kind == PortMatch::Kind::None) {
        for (const PortDescription& port : ports) match.ports.push_back(&port);
    }
    return match;
}

}  // namespace

bool IsPortSelector(std::string_view text) {
    return text.starts_with(kById) || text.starts_with(kByPlace) || text == kAuto;
}

PortMatch MatchPort(std::string_view selector, const std::vector<PortDescription>& ports,
                    text::Lang lang) {
    using text::Tx;
    if (selector == kAuto) {
        return Choose(ports, [](const PortDescription&) { return true; });
    }
    if (selector.starts_with(kByPlace)) {
        const std::string_view place = selector.substr(kByPlace.size());
        if (place.empty()) return Invalid(Tx::PortSelectorPlace, lang);
        return Choose(ports, [&](const PortDescription& p) { return p.location == place; });
    }
    if (!selector.starts_with(kById)) return Invalid(Tx::PortSelectorNone, lang);
    // VID:PID, then the serial number, which may itself hold colons.
    std::string_view rest = selector.substr(kById.size());
    const std::size_t vidEnd = rest.find(':');
    const std::optional<std::uint32_t> vid =
        vidEnd == std::string_view::npos ? std::nullopt : ParseHex(rest.substr(0, vidEnd), 4);
    if (!vid) return Invalid(Tx::PortSelectorId, lang);
    rest = rest.substr(vidEnd + 1);
    const std::size_t pidEnd = rest.find(':');
    const std::optional<std::uint32_t> pid = ParseHex(rest.substr(0, pidEnd), 4);
    if (!pid) return Invalid(Tx::PortSelectorId, lang);
    const std::optional<std::string_view> serial =
        pidEnd == std::string_view::npos ? std::nullopt
                                         : std::optional<std::string_view>(rest.substr(pidEnd + 1));
    if (serial && serial->empty()) return Invalid(Tx::PortSelectorSerial, lang);
    return Choose(ports, [&](const PortDescription& p) {
        return p.vid == *vid && p.pid == *pid && (!serial || p.serial == *serial);
    });
}

}  // namespace bramblet
