#include "writer/core/WriteFile.h"

#include "writer/common/Text.h"

namespace bramblet {
namespace {

using text::Tx;

constexpr Tx kStartText[] = {Tx::CheckingSFormat, Tx::Programming, Tx::Verifying};
// By the pass's negative count; -1 is an unreadable file.
constexpr Tx kFailureText[] = {Tx::Count,           Tx::CannotReadSFormat, Tx::SFormatBroken,
                               Tx::SFormatChecksum, Tx::ProgramFailed,     Tx::VerifyFailed};

}  // namespace

StreamResult StreamSFormatFile(WriterView& view, PageSink& sink, const std::string& file,
                               std::uint8_t mode, std::int32_t expectedSize,
                               const ImagePatch* patch, const FileReading& reading) {
    const auto say = [&view](Tx key) { return text::Say(key, view.Language()); };
    SRecordStream stream;
    switch (stream.Open(file, reading)) {
        case StreamOpen::NotSRecordName:
            view.SetStatus(say(Tx::NotSFormat));
            return {kUnreadableFile};
        case StreamOpen::NotWriteFile:
            view.SetStatus(say(Tx::NotSFormat));
            return {kUnreadableFile, 0xFFFFFFFF, 0, stream.Problem()};
        case StreamOpen::Unreadable:
            view.SetStatus(say(Tx::CannotReadSFormat));
            return {kUnreadableFile};
        case StreamOpen::Opened:
            break;
    }
    const StreamMode valid = ValidStreamMode(mode);
    view.SetStatus(say(kStartText[valid]));
    const StreamResult result = stream.Pass(
        sink, valid, expectedSize, [&view](int position) { view.SetProgress(position); }, patch);
    if (result.count < 0) view.SetStatus(say(kFailureText[-result.count]));
    return result;
}

std::string FileCheckText(const StreamResult& check, text::Lang lang) {
    if (check.count < 1) return text::Say(Tx::FileNotSFormat, lang);
    return text::Say(
        Tx::FileArea, lang,
        {Hex(check.minAddress, 6), Hex(check.maxAddress, 6), std::to_string(check.count)});
}

}  // namespace bramblet
