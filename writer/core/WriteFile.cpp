#include "writer/core/WriteFile.h"

#include <cstdio>

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

std::int32_t StreamSFormatFile(WriterView& view, PageSink& sink, std::uint32_t& minAddress,
                               std::uint32_t& maxAddress, std::uint8_t mode,
                               std::int32_t expectedSize) {
    minAddress = 0xFFFFFFFF;
    maxAddress = 0;
    SRecordStream stream;
    switch (stream.Open(view.FileName())) {
        case StreamOpen::NotSRecordName:
            view.SetStatus(kNotSFormat);
            return kUnreadableFile;
        case StreamOpen::Unreadable:
            view.SetStatus(kCannotRead);
            return kUnreadableFile;
        case StreamOpen::Opened:
            break;
    }
    const StreamMode valid = ValidStreamMode(mode);
    view.SetStatus(kStartText[valid]);
    const std::int32_t n = stream.Pass(sink, valid, expectedSize, minAddress, maxAddress,
                                       [&view](int position) { view.SetProgress(position); });
    if (n < 0) view.SetStatus(kFailureText[-n]);
    return n;
}

std::string FileCheckText(std::int32_t n, std::uint32_t minAddress, std::uint32_t maxAddress) {
    if (n < 1) return "書き込みファイルはSフォーマットでないか、異常です";
    char text[128];
    std::snprintf(text, sizeof text, "書込エリア(%06X-%06X)  書込サイズ(%ldバイト)", minAddress,
                  maxAddress, static_cast<long>(n));
    return text;
}

}  // namespace bramblet
