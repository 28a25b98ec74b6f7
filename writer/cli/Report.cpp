#include "writer/cli/Report.h"

#include "writer/common/Text.h"
#include "writer/core/Steps.h"

namespace bramblet {
namespace {

const char* LossId(PortLoss::Kind kind) {
    switch (kind) {
        case PortLoss::Kind::Gone:
            return "gone";
        case PortLoss::Kind::WriteStalled:
            return "write-stalled";
        case PortLoss::Kind::Stopped:
            return "stopped";
        case PortLoss::Kind::None:
            break;
    }
    return "";
}

template <typename T, typename Add>
void Optional(JsonObject& json, const char* key, const std::optional<T>& value, Add add) {
    if (value) {
        add(*value);
    } else {
        json.Null(key);
    }
}

void AddResult(JsonObject& json, const BoardReport& r) {
    const Outcome& o = r.outcome;
    json.String("port", r.port);
    if (r.adapterKnown) {
        for (const auto& [key, value] :
             {std::pair{"port_serial_number", &r.portSerial}, {"port_location", &r.portLocation}}) {
            if (value->empty()) {
                json.Null(key);
            } else {
                json.String(key, *value);
            }
        }
    }
    if (r.latencyMs) json.Number("latency_ms", *r.latencyMs);
    json.String("command", r.command).Bool("ok", o.Succeeded());
    if (o.Succeeded()) {
        json.Null("step");
    } else {
        json.String("step", StepOf(o.failed).id);
    }
    json.String("text", o.text);
    // A modem line that could not be set is said in the detail, as on standard error, and so is
    // an adapter that may have held the missing reply.
    std::string detail = o.detail.empty() ? o.lineError : o.detail;
    if (o.slowAdapter)
        detail += (detail.empty() ? "" : "; ") + SlowAdapterWords(*o.slowAdapter, r.language);
    if (detail.empty()) {
        json.Null("detail");
    } else {
        json.String("detail", detail);
    }
    Optional(json, "page", o.page, [&](std::uint32_t page) { json.String("page", Hex(page, 6)); });
    Optional(json, "srd", o.status,
             [&](const protocol::Status& s) { json.String("srd", Hex(s.srd, 2)); });
    Optional(json, "srd1", o.status,
             [&](const protocol::Status& s) { json.String("srd1", Hex(s.srd1, 2)); });
    Optional(json, "mismatch", o.mismatch, [&](const Mismatch& m) {
        JsonObject mismatch;
        mismatch.String("address", Hex(m.address, 6)).String("expected", Hex(m.expected, 2));
        if (m.got) {
            mismatch.String("got", Hex(*m.got, 2));
        } else {
            mismatch.Null("got");
        }
        json.Raw("mismatch", mismatch.Text());
    });
    if (o.lost) {
        json.String("lost", LossId(o.lost.kind));
    } else {
        json.Null("lost");
    }
    json.Thousandths("seconds", r.milliseconds);
    Optional(json, "serial", r.serial, [&](std::uint64_t n) { json.Unsigned("serial", n); });
    if (r.serial) {
        json.Bool("serial_void", !o.Succeeded());
    } else {
        json.Null("serial_void");
    }
    Optional(json, "crc32", r.image,
             [&](const ImageDigest& d) { json.String("crc32", Hex(d.crc32, 8)); });
    Optional(json, "size", r.image, [&](const ImageDigest& d) { json.Unsigned("size", d.size); });
}

}  // namespace

std::string ResultLine(const BoardReport& report) {
    JsonObject json;
    json.String("event", "result");
    AddResult(json, report);
    return json.Text();
}

std::string LogLine(const BoardReport& report, const std::string& time, const std::string& file,
                    const std::string& version) {
    JsonObject json;
    json.String("time", time);
    if (file.empty()) {
        json.Null("file");
    } else {
        json.String("file", file);
    }
    if (version.empty()) {
        json.Null("version");
    } else {
        json.String("version", version);
    }
    AddResult(json, report);
    return json.Text();
}

}  // namespace bramblet
