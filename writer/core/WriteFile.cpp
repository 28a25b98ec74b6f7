#include "writer/core/WriteFile.h"

#include "writer/common/Text.h"

namespace bramblet {
namespace {

const char* const kNotSFormat = "Sフォーマットファイルではありません！";
const char* const kCannotRead = "Sフォーマットファイルを読み込めません！";
const char* const kStartText[] = {"Sフォーマットファイル検証中", "フラッシュ書き込み中",
                                  "フラッシュベリファイ中"};
const char* const kFailureText[] = {
    nullptr,
    kCannotRead,
    "Sフォーマットファイルが異常です！",
    "Sフォーマットファイルのチェックサムが異常です！",
    "フラッシュ書き込みに失敗しました!",
    "フラッシュベリファイに失敗しました!",
};

}  // namespace

StreamResult StreamSFormatFile(WriterView& view, PageSink& sink, const std::string& file,
                               std::uint8_t mode, std::int32_t expectedSize,
                               const ImagePatch* patch, const FileReading& reading) {
    SRecordStream stream;
    switch (stream.Open(file, reading)) {
        case StreamOpen::NotSRecordName:
            view.SetStatus(kNotSFormat);
            return {kUnreadableFile};
        case StreamOpen::NotWriteFile:
            view.SetStatus(kNotSFormat);
            return {kUnreadableFile, 0xFFFFFFFF, 0, stream.Problem()};
        case StreamOpen::Unreadable:
            view.SetStatus(kCannotRead);
            return {kUnreadableFile};
        case StreamOpen::Opened:
            break;
    }
    const StreamMode valid = ValidStreamMode(mode);
    view.SetStatus(kStartText[valid]);
    const StreamResult result = stream.Pass(
        sink, valid, expectedSize, [&view](int position) { view.SetProgress(position); }, patch);
    if (result.count < 0) view.SetStatus(kFailureText[-result.count]);
    return result;
}

std::string FileCheckText(const StreamResult& check) {
    if (check.count < 1) return "書き込みファイルはSフォーマットでないか、異常です";
    return "書込エリア(" + Hex(check.minAddress, 6) + "-" + Hex(check.maxAddress, 6) +
           ")  書込サイズ(" + std::to_string(check.count) + "バイト)";
}

}  // namespace bramblet
