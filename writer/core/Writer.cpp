#include "writer/core/Writer.h"

#include "writer/core/WriteFile.h"

namespace bramblet {

std::int32_t Writer::StreamSFormatFile(std::uint8_t mode, std::int32_t expectedSize) {
    return bramblet::StreamSFormatFile(view_, *this, MinAddress, MaxAddress, mode, expectedSize);
}

void Writer::ShowFileCheckResult(bool selectFamily) {
    const std::int32_t n = StreamSFormatFile(kCheckMode, 0);
    view_.SetFileCheckText(FileCheckText(n, MinAddress, MaxAddress));
    if (n < 1) return;  // the check's own message stays in the status line
    if (selectFamily) SelectFamilyByAddress();
    view_.SetStatus("ブートモードでマイコンの電源ON、書込実行ボタンを押す");
}

void Writer::SelectFamilyByAddress() {
    struct Rule {
        std::uint32_t from, to;
        const char* when1;
        const char* when2;
        const char* becomes;
    };
    static constexpr Rule kRules[] = {
        {0xFFF0, 0xFFFF, "M16C", "M32C", "R8C"},
        {0xFFFF0, 0xFFFFF, "R8C", "M32C", "M16C"},
        {0xFFFFF0, 0xFFFFFF, "R8C", "M16C", "M32C"},
    };
    for (const Rule& rule : kRules) {
        const std::string family = view_.CpuFamily();
        if (MaxAddress >= rule.from && MaxAddress <= rule.to &&
            (family == rule.when1 || family == rule.when2)) {
            view_.SetCpuFamily(rule.becomes);
        }
    }
}

void Writer::FileChosen() {
    ShowFileCheckResult(true);
    ReadIdFileFamily();
    view_.UpdateModePinVisibility();
}

int Writer::ReadIdFileFamily() {
    IdFileContents file;
    if (!ReadIdFile(IdFileName(view_.FileName()), file) || file.family.empty()) return 0;
    view_.SetCpuFamily(file.family);
    return 1;
}

}  // namespace bramblet
