#include "writer/core/FileChoice.h"

#include "writer/core/WriteFile.h"

namespace bramblet {
namespace {

// A check pass hands no page on.
class NoPages : public PageSink {
public:
    bool ProgramPage(std::uint32_t, const PageImage&) override { return true; }
    bool VerifyPage(std::uint32_t, const PageImage&, const PageFlags&) override { return true; }
};

}  // namespace

StreamResult CheckPass(WriterView& view, const std::string& file, PageSink* pages,
                       const FileReading& reading) {
    NoPages none;
    return StreamSFormatFile(view, pages ? *pages : none, file, kCheckMode, 0, nullptr, reading);
}

FileCheck ShowFileCheckResult(WriterView& view, const std::string& file, bool selectFamily,
                              std::optional<Family> current, const FileReading& reading) {
    FileCheck check{CheckPass(view, file, nullptr, reading), std::nullopt};
    view.SetFileCheckText(FileCheckText(check.result, view.Language()));
    if (check.result.count < 1) return check;  // the check's own message stays in the status line
    if (selectFamily) check.family = FamilyByHighestAddress(check.result.maxAddress, current);
    view.SetStatus(text::Say(text::Tx::PowerOnAndPress, view.Language()));
    return check;
}

std::optional<Family> ReadIdFileFamily(const std::string& writeFile) {
    const std::optional<IdFileContents> file = ReadIdFile(IdFileName(writeFile));
    return file ? file->family : std::nullopt;
}

FileCheck FileChosen(WriterView& view, const std::string& file, std::optional<Family> current,
                     const FileReading& reading) {
    FileCheck check = ShowFileCheckResult(view, file, true, current, reading);
    if (const std::optional<Family> named = ReadIdFileFamily(file)) check.family = named;
    return check;
}

}  // namespace bramblet
