#include "writer/cli/ReadBack.h"

#include <algorithm>
#include <cstdio>
#include <fstream>

#include "writer/common/Text.h"
#include "writer/flash/ImageWriter.h"
#include "writer/link/Protocol.h"

namespace bramblet {

std::string LossText(const PortLoss& loss, text::Lang lang) {
    const std::string what =
        text::Say(loss.kind == PortLoss::Kind::WriteStalled ? text::Tx::CliLossWriteStalled
                  : loss.kind == PortLoss::Kind::Stopped    ? text::Tx::CliLossStopped
                                                            : text::Tx::CliLossGone,
                  lang);
    return loss.detail.empty() ? what : what + " (" + loss.detail + ")";
}

std::optional<ReadFailure> ReadPages(
    SerialPort& port, const PageRange& range, const ReadProgress& progress,
    const std::function<bool(std::uint32_t, const PageImage&)>& take, text::Lang lang) {
    const std::uint32_t pages = (range.last - range.first + 1) / kPageSize;
    PageImage page;
    for (std::uint32_t i = 0; i < pages; ++i) {
        const std::uint32_t base = range.first + i * static_cast<std::uint32_t>(kPageSize);
        const std::size_t got = protocol::PageRead(port, base, page);
        if (const PortLoss loss = port.Lost()) {
            return ReadFailure{
                text::Say(text::Tx::CliPage, lang, {Hex(base, 6)}) + ": " + LossText(loss, lang),
                base, loss};
        }
        if (got != kPageSize) {
            return ReadFailure{
                text::Say(text::Tx::CliPageShort, lang, {Hex(base, 6), std::to_string(got)}),
                base,
                {},
                true};
        }
        if (progress) progress(static_cast<int>((i + 1) * 100 / pages));
        if (!take(base, page)) break;
    }
    return std::nullopt;
}

std::optional<ReadFailure> ReadToFile(SerialPort& port, const PageRange& range,
                                      const std::string& utf8File, const ReadProgress& progress,
                                      text::Lang lang) {
    const std::filesystem::path target = Utf8Path(utf8File);
    std::filesystem::path part = target;
    part += ".part";
    std::optional<ReadFailure> failure;
    {
        std::ofstream out(part, std::ios::binary | std::ios::trunc);
        if (!out)
            return ReadFailure{
                text::Say(text::Tx::CliCannotWrite, lang, {utf8File}), std::nullopt, {}};
        const std::unique_ptr<ImageWriter> image =
            MakeImageWriter(utf8File, out, {range.first, range.last}, "bramblet-cli read");
        failure = ReadPages(
            port, range, progress,
            [&](std::uint32_t base, const PageImage& page) {
                // A raw binary fills what it is not given with 0xFF itself.
                const bool blank =
                    std::all_of(page.begin(), page.end(), [](std::uint8_t b) { return b == 0xFF; });
                if (!blank) image->Data(base, page);
                return true;
            },
            lang);
        if (!failure) {
            image->End();
            out.close();
            if (!out)
                failure = ReadFailure{
                    text::Say(text::Tx::CliCannotWrite, lang, {utf8File}), std::nullopt, {}};
        }
    }
    std::error_code ec;
    if (!failure) {
        std::filesystem::rename(part, target, ec);
        if (!ec) return std::nullopt;
        failure =
            ReadFailure{text::Say(text::Tx::CliCannotWriteWhy, lang, {utf8File, ec.message()}),
                        std::nullopt,
                        {}};
    }
    std::filesystem::remove(part, ec);
    return failure;
}

BlankCheckResult FirstUsedByte(SerialPort& port, const PageRange& range,
                               const ReadProgress& progress, text::Lang lang) {
    BlankCheckResult result;
    result.failure = ReadPages(
        port, range, progress,
        [&](std::uint32_t base, const PageImage& page) {
            const auto at =
                std::find_if(page.begin(), page.end(), [](std::uint8_t b) { return b != 0xFF; });
            if (at == page.end()) return true;
            result.used = base + static_cast<std::uint32_t>(at - page.begin());
            return false;
        },
        lang);
    return result;
}

}  // namespace bramblet
