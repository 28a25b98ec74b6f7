#include "writer/cli/Ports.h"

#include <algorithm>

#include "text/Catalogue.h"
#include "text/Text.h"
#include "writer/cli/Json.h"
#include "writer/common/PortOrder.h"
#include "writer/common/Text.h"

namespace bramblet {
namespace {

struct KindInfo {
    PortKind kind;
    const char* id;  // in JSON
    text::Tx words;  // under the name, for ports that say no more
};

constexpr KindInfo kKinds[] = {
    {PortKind::Usb, "usb", text::Tx::CliPortUsb},
    {PortKind::Uart, "uart", text::Tx::CliPortUart},
    {PortKind::Simulated, "simulated", text::Tx::CliPortSimulated},
    {PortKind::Other, "other", text::Tx::CliPortOther},
};

const KindInfo& KindOf(PortKind kind) {
    for (const KindInfo& info : kKinds) {
        if (info.kind == kind) return info;
    }
    return kKinds[std::size(kKinds) - 1];
}

// As lsusb and udev write them, and as usb:VID:PID takes them.
std::string UsbId(std::uint16_t id) {
    std::string text = Hex(id, 4);
    for (char& c : text) c = AsciiLower(c);
    return text;
}

void StringOrNull(JsonObject& json, const char* key, const std::string& value) {
    if (value.empty()) {
        json.Null(key);
    } else {
        json.String(key, value);
    }
}

std::string JsonStrings(const std::vector<std::string>& items) {
    std::string text = "[";
    for (const std::string& item : items) {
        text += (text.size() > 1 ? "," : "") + JsonString(item);
    }
    return text + "]";
}

// The ports as blocks of PortLines, each line indented by two more spaces.
std::string PortBlocks(const std::vector<const PortDescription*>& ports, text::Lang lang) {
    std::string text;
    for (const PortDescription* port : ports) {
        for (const std::string& line : PortLines(*port, lang)) text += "\n  " + line;
    }
    return text;
}

bool Names(const PortDescription& port, const std::string& given) {
    return port.name == given || std::find(port.stableNames.begin(), port.stableNames.end(),
                                           given) != port.stableNames.end();
}

}  // namespace

std::vector<std::string> PortLines(const PortDescription& port, text::Lang lang) {
    using text::Say;
    using text::Tx;
    std::vector<std::string> lines{port.name};
    if (port.kind == PortKind::Usb) {
        std::string what = "  USB " + UsbId(port.vid) + ":" + UsbId(port.pid);
        for (const std::string* part : {&port.maker, &port.product}) {
            if (!part->empty()) what += " " + *part;
        }
        what += port.serial.empty() ? Say(Tx::CliPortNoSerial, lang)
                                    : Say(Tx::CliPortSerial, lang, {port.serial});
        if (port.usbInterface) {
            what += Say(Tx::CliPortInterface, lang, {std::to_string(*port.usbInterface)});
        }
        lines.push_back(what);
        if (!port.location.empty()) {
            lines.push_back("  " + Say(Tx::CliPortPluggedIn, lang, {port.location}));
        }
    } else {
        lines.push_back(std::string("  ") + Say(KindOf(port.kind).words, lang));
    }
    for (const std::string& name : port.stableNames) lines.push_back("  " + name);
    if (port.latencyMs) {
        lines.push_back("  " + Say(Tx::CliPortLatency, lang, {std::to_string(*port.latencyMs)}));
    }
    if (!port.mayOpen) {
        lines.push_back("  " + (port.group.empty()
                                    ? Say(Tx::CliPortMayNotOpen, lang)
                                    : Say(Tx::CliPortMayNotOpenGroup, lang, {port.group})));
    }
    return lines;
}

std::string PortJson(const PortDescription& port) {
    JsonObject json;
    json.String("name", port.name).String("kind", KindOf(port.kind).id);
    const bool usb = port.kind == PortKind::Usb;
    if (usb) {
        json.String("vid", UsbId(port.vid)).String("pid", UsbId(port.pid));
    } else {
        json.Null("vid").Null("pid");
    }
    StringOrNull(json, "maker", port.maker);
    StringOrNull(json, "product", port.product);
    StringOrNull(json, "serial_number", port.serial);
    if (port.usbInterface) {
        json.Number("interface", *port.usbInterface);
    } else {
        json.Null("interface");
    }
    StringOrNull(json, "location", port.location);
    json.Raw("stable_names", JsonStrings(port.stableNames));
    if (port.latencyMs) {
        json.Number("latency_ms", *port.latencyMs);
    } else {
        json.Null("latency_ms");
    }
    json.Bool("may_open", port.mayOpen);
    StringOrNull(json, "group", port.mayOpen ? std::string() : port.group);
    return json.Text();
}

void SortPorts(std::vector<PortDescription>& ports) {
    std::stable_sort(ports.begin(), ports.end(),
                     [](const PortDescription& a, const PortDescription& b) {
                         return ComparePortNames(a.name, b.name) < 0;
                     });
}

std::optional<std::vector<ChosenPort>> ChoosePorts(
    const std::vector<std::string>& given, const std::optional<std::vector<PortDescription>>& there,
    std::string& refusal, text::Lang lang) {
    using text::Say;
    using text::Tx;
    std::vector<PortDescription> ports = there.value_or(std::vector<PortDescription>{});
    SortPorts(ports);
    std::vector<ChosenPort> chosen;
    for (const std::string& name : given) {
        if (!IsPortSelector(name)) {
            // A port given by name is told apart in the results when the system knows it.
            const auto known =
                std::find_if(ports.begin(), ports.end(),
                             [&](const PortDescription& p) { return Names(p, name); });
            chosen.push_back({name, known == ports.end() ? std::nullopt
                                                         : std::optional<PortDescription>(*known)});
            continue;
        }
        if (!there) {
            refusal = Say(Tx::CliPortsUnlisted, lang, {name});
            return std::nullopt;
        }
        const PortMatch match = MatchPort(name, ports, lang);
        switch (match.kind) {
            case PortMatch::Kind::Chosen:
                chosen.push_back({match.ports[0]->name, *match.ports[0]});
                continue;
            case PortMatch::Kind::Invalid:
                refusal = "--port " + name + ": " + match.detail;
                return std::nullopt;
            case PortMatch::Kind::None:
                refusal = Say(Tx::CliNoAdapterFits, lang,
                              {name, match.ports.empty() ? Say(Tx::CliNoPortsThere, lang)
                                                         : Say(Tx::CliPortsThereAre, lang) +
                                                               PortBlocks(match.ports, lang)});
                return std::nullopt;
            case PortMatch::Kind::Several:
                refusal =
                    Say(Tx::CliSeveralAdaptersFit, lang, {name}) + PortBlocks(match.ports, lang);
                return std::nullopt;
        }
    }
    return chosen;
}

}  // namespace bramblet
