#include "writer/form/MainForm.h"

#include <utility>

#include "text/Catalogue.h"
#include "text/Utf16.h"
#include "writer/common/PortOrder.h"
#include "writer/common/Text.h"
#include "writer/core/FileChoice.h"
#include "writer/flash/SRecordStream.h"

namespace bramblet::form {
namespace {

// The path buffer of a dropped-files notification holds 255 characters with its terminator.
constexpr std::size_t kDropPathUnits = 254;

}  // namespace

std::vector<std::string> MainFamilyItems() {
    std::vector<std::string> items;
    for (const FamilyInfo& info : kFamilies) {
        if (info.highestFrom) items.emplace_back(info.name);
    }
    return items;
}

std::vector<std::string> DialogFamilyItems() {
    std::vector<std::string> items;
    for (const FamilyInfo& info : kFamilies) items.emplace_back(info.name);
    return items;
}

std::string DroppedPath(const std::string& path) {
    // Counted in UTF-16 units, as the buffer is.
    return path.substr(0, text::Utf8PrefixInUtf16Units(path, kDropPathUnits));
}

MainForm::MainForm(MainFace& face, BrowserFace& browser, FormServices services,
                   std::vector<std::string> arguments)
    : face_(face),
      browser_(browser),
      services_(std::move(services)),
      arguments_(std::move(arguments)),
      ports_(*services_.ports,
             [this] {
                 if (busy_) face_.KeepPainted();
             }),
      session_(ports_, *this, *this) {
    browser_.reportError = [this](const std::string& text) { face_.ShowError(text); };
}

MainForm::~MainForm() = default;

void MainForm::FormCreate() {
    SetStatus(text::Say(text::Tx::ChooseAndPress, Language()));
    // The browser starts at the folder that is current when the program starts.
    browser_.SetDirectory(browser_.Directory());
}

void MainForm::FormShow() {
    try {
        if (std::unique_ptr<SettingsKey> key = services_.settings->OpenExisting()) {
            // Each value goes to its control as it is read, unchecked, so a failure leaves the
            // values before it applied.
            face_.SetTop(ReadDword(*key, "WindowTop"));
            face_.SetLeft(ReadDword(*key, "WindowLeft"));
            face_.SetFileName(ReadString(*key, "FileName"));
            face_.SetPortName(ReadString(*key, "COM"));
            face_.SetModePin(ReadDword(*key, "ModePin") != 0);
            face_.SetCpuFamily(ReadString(*key, "CPU"));
            choices_.Read(*key);
        }
    } catch (const SettingsError& e) {
        face_.ShowError(e.what());
        return;
    }
    face_.AcceptDrops();
    if (arguments_.size() == 1) {
        std::string name = arguments_.front();
        // The linker's .X30 file stands for the .MOT file of the same name.
        if (UpperExtension(name) == ".X30") name = name.substr(0, ExtensionStart(name)) + ".MOT";
        face_.SetFileName(name);
        FileChosen();
    }
    if (!ApplyPathToBrowser(face_.FileName())) return;
    ShowFileCheckResult(false);
    if (face_.CpuFamily().empty()) face_.SetCpuFamily(FamilyName(Family::R8C));
    UpdateModePinVisibility();
    face_.FocusFileName();
}

bool MainForm::FormCloseQuery() {
    try {
        std::unique_ptr<SettingsKey> key = services_.settings->Create();
        WriteDword(*key, "WindowTop", face_.Top());
        WriteDword(*key, "WindowLeft", face_.Left());
        WriteString(*key, "FileName", face_.FileName());
        WriteString(*key, "COM", face_.PortName());
        WriteString(*key, "CPU", face_.CpuFamily());
        WriteDword(*key, "ModePin", face_.ModePin() ? 1 : 0);
        choices_.Write(*key);
        key->Close();
    } catch (const SettingsError& e) {
        // The first failure keeps the window open so the user sees why and can try again; after
        // that it closes unsaved, since a window that cannot be closed can only be killed.
        if (std::exchange(closeRefused_, true)) return true;
        face_.ShowError(e.what());
        return false;
    }
    return true;
}

bool MainForm::CloseRequested() {
    if (busy_) {
        closeRequested_ = true;
        return false;
    }
    return FormCloseQuery();
}

void MainForm::ShowFileCheckResult(bool selectFamily) {
    const FileCheck check = bramblet::ShowFileCheckResult(*this, face_.FileName(), selectFamily,
                                                          ParseFamily(face_.CpuFamily()));
    if (check.family) face_.SetCpuFamily(FamilyName(*check.family));
}

void MainForm::FileChosen() {
    const FileCheck check =
        bramblet::FileChosen(*this, face_.FileName(), ParseFamily(face_.CpuFamily()));
    if (check.family) face_.SetCpuFamily(FamilyName(*check.family));
    UpdateModePinVisibility();
}

void MainForm::UpdateModePinVisibility() {
    // The box is for the R8C's own link; any other text hides it and leaves it as it is.
    face_.SetModePinVisible(UsesModePinLink(ParseFamily(face_.CpuFamily()), true));
}

void MainForm::RefreshComPortList() {
    std::optional<std::vector<std::string>> names;
    try {
        names = services_.portNames();
    } catch (const PlatformError& e) {
        face_.ShowError(e.what());
        return;
    }
    if (!names) return;  // no list from the system: the box keeps what it has
    SortPortNames(*names);
    face_.SetPortItems(*names);
}

bool MainForm::ApplyPathToBrowser(const std::string& path) {
    const std::optional<std::string> error = browser_.ApplyFilePath(path);
    if (error) face_.ShowError(*error);
    return !error;
}

void MainForm::FileListBox1DblClick() {
    const std::string path = browser_.SelectedFile();
    if (IsSRecordName(path)) face_.SetFileName(path);
    FileChosen();
    face_.FocusFileName();
}

void MainForm::Edit1DblClick() {
    if (const std::optional<std::string> path = face_.ChooseFile(kWriteFileDialog)) {
        face_.SetFileName(*path);
        if (!ApplyPathToBrowser(*path)) return;
        FileChosen();
        face_.FocusFileName();
        return;
    }
    UpdateModePinVisibility();
}

void MainForm::FilesDropped(const std::string& firstPath) {
    if (busy_) {
        pendingDrop_ = firstPath;  // taken when the operation has ended
        return;
    }
    WMDropFiles(firstPath);
}

void MainForm::WMDropFiles(const std::string& firstPath) {
    const std::string path = DroppedPath(firstPath);
    face_.SetFileName(path);
    if (!ApplyPathToBrowser(path)) return;
    FileChosen();
    face_.FocusFileName();
}

void MainForm::MenuItemClick(std::size_t row) {
    if (!busy_ && row < WindowChoices().size()) choices_.Toggle(row);
}

Target MainForm::CurrentTarget() const {
    // No bytes of a board's own; the link and the verify are the design's unless chosen.
    Target target;
    target.port = face_.PortName();
    target.family = ParseFamily(face_.CpuFamily());
    target.modePin = face_.ModePin();
    target.writeFile = face_.FileName();
    choices_.Apply(target);
    return target;
}

// The sequences run here, on the GUI thread, with the serial reads blocking. While one runs,
// the window paints and answers the window system after reads, but input to it is dropped, so no
// second operation can start and no setting can change halfway.
void MainForm::RunOperation(Outcome (Session::*sequence)(const Target&)) {
    busy_ = true;
    face_.BeginOperation();
    (session_.*sequence)(CurrentTarget());
    face_.EndOperation();
    busy_ = false;
    if (pendingDrop_) WMDropFiles(*std::exchange(pendingDrop_, std::nullopt));
    if (std::exchange(closeRequested_, false)) face_.Close();
}

void MainForm::SetStatus(const std::string& text) {
    face_.SetStatus(text);
    if (busy_) face_.KeepPainted();
}

void MainForm::SetProgress(int position) {
    face_.SetProgress(position);
    if (busy_) face_.KeepPainted();
}

void MainForm::Beep(std::uint32_t type) {
    if (services_.beep) services_.beep(type);
}

void MainForm::FamilyConfirmed(const std::string& text) {
    // The mode-pin box follows at once, also during the operation.
    face_.SetCpuFamily(text);
    UpdateModePinVisibility();
}

std::optional<IdCodeAnswer> MainForm::AskIdCode() {
    return face_.ShowIdCodeDialog(face_.CpuFamily());
}

}  // namespace bramblet::form
