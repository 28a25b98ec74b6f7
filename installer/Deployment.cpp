// The copies of the patch folders into the tools that discovery found, and the end of the run.
#include <string>
#include <string_view>

#include "installer/Deployment.h"

namespace kelpin {
namespace {

// The "PG_VER" part goes this many characters above the project-generator folder.
constexpr std::size_t kPgVerCut = 9;

std::string Join(std::string_view a, std::string_view b) {
    std::string joined(a);
    joined += b;
    return joined;
}

bool BeginsWith(std::string_view version, std::string_view three) {
    return version.substr(0, 3) == three;
}

// The version of the compiler's current record; a compiler not found has the empty version.
std::string_view CompilerVersion(const ToolInventory& inventory, ToolKind kind) {
    const KindTable& table = inventory.Kind(kind);
    return table.found ? table.Current().version.View() : std::string_view();
}

// Why the command interpreter would not take a path as written, or the empty text. A quote or a
// line break would end the quoted name and let the rest of the path be read as commands. cmd
// replaces %NAME% by the variable's value even between quotes, and there no escape exists: the
// caret is an ordinary character inside quotes, and outside them "%^NAME%" only works while no
// variable of that name is set (Wine's cmd expands it regardless). So such a copy is not run at
// all rather than run with another folder.
std::string_view Refusal(std::string_view path) {
    for (const char c : path) {
        if (c == '"' || static_cast<unsigned char>(c) < 0x20) {
            return "パスに\"か制御文字が含まれるため、このフォルダはコピーしません!!\n";
        }
    }
    if (path.find('%') != std::string_view::npos) {
        return "パスに%が含まれるため、このフォルダはコピーしません!!\n";
    }
    return {};
}

class Deployment {
public:
    Deployment(Platform& platform, const ToolInventory& inventory)
        : platform_(platform), inventory_(inventory), sourceDir_(inventory.sourceDir.View()) {}

    void Run() {
        const ToolInventory& inv = inventory_;
        platform_.Write("\nStart copy files...\n");
        if (inv.hewFound && Present("\\KELPIN")) Copy("\\KELPIN", inv.hew.path.View());
        const KindTable& foUsb = inv.Kind(ToolKind::FoUsbM16c);
        if (foUsb.found && Present("\\HEW_KD30_PATCH")) {
            Copy("\\HEW_KD30_PATCH", foUsb.Current().path.View());
        }
        if (inv.kd30Found && Present("\\KD30_PATCH")) Copy("\\KD30_PATCH", inv.kd30.path.View());
        const KindTable& nc30 = inv.Kind(ToolKind::Nc30wa);
        if (nc30.found && Present("\\NC30_PATCH")) {
            Copy("\\NC30_PATCH", nc30.Current().path.View());
        }
        if (inv.pgM16cFound && Present("\\PG_M16C_PATCH")) ProjectGeneratorPatch(Family::M16c);
        if (inv.pgM32cFound && Present("\\PG_M32C_PATCH")) ProjectGeneratorPatch(Family::M32c);
        if (inv.hewFound && Present("\\SAMPLE_PROGRAM")) SamplePrograms();

        platform_.WriteMessage("Kelpinのインストールは終了しました!\n\a");
        platform_.WriteMessage("何かキーを押してください!!");
        platform_.ReadChar();
    }

private:
    // Without a source directory the folder names would be taken from the root of the drive.
    bool Present(std::string_view subfolder) {
        return !sourceDir_.empty() && platform_.IsDirectory(Join(sourceDir_, subfolder));
    }

    // An empty destination (no workspace directory, a tools database entry with an empty path)
    // would make xcopy copy into the current directory, on top of the patch folders themselves.
    void Copy(std::string_view subfolder, std::string_view destination) {
        if (destination.empty()) return;
        RunCopy(platform_, sourceDir_, subfolder, destination);
    }

    void ProjectGeneratorPatch(Family family) {
        const bool m16c = family == Family::M16c;
        const std::string_view folder = m16c ? "\\PG_M16C_PATCH" : "\\PG_M32C_PATCH";
        const std::string_view version =
            CompilerVersion(inventory_, m16c ? ToolKind::Nc30wa : ToolKind::Nc308wa);
        std::string variant;
        if (Present(Join(folder, "\\V5_3")) &&
            (BeginsWith(version, "5.3") || (!m16c && BeginsWith(version, "5.2")))) {
            variant = Join(folder, "\\V5_3");
        } else if (Present(Join(folder, "\\V5_4")) && BeginsWith(version, "5.4")) {
            variant = Join(folder, "\\V5_4");
        } else {
            platform_.WriteMessage(m16c ? "このNC30WAのバージョンはサポートされません!!\n"
                                        : "このNC308WAのバージョンはサポートされません!!\n");
            return;
        }
        if (Present(Join(variant, "\\PG"))) {
            Copy(Join(variant, "\\PG"), Join(inventory_.hew.path.View(), "\\System\\Pg"));
        }
        if (Present(Join(variant, "\\PG_VER"))) {
            const std::string_view pg = (m16c ? inventory_.pgM16c : inventory_.pgM32c).path.View();
            Copy(Join(variant, "\\PG_VER"),
                 pg.substr(0, pg.size() > kPgVerCut ? pg.size() - kPgVerCut : 0));
        }
    }

    void SamplePrograms() {
        const std::string_view workspace = inventory_.workspace.path.View();
        if (Present("\\SAMPLE_PROGRAM\\ANY_VER")) Copy("\\SAMPLE_PROGRAM\\ANY_VER", workspace);

        const std::string_view nc30 = CompilerVersion(inventory_, ToolKind::Nc30wa);
        if (Present("\\SAMPLE_PROGRAM\\M16C_V5_3") && BeginsWith(nc30, "5.3")) {
            Copy("\\SAMPLE_PROGRAM\\M16C_V5_3", workspace);
        } else if (Present("\\SAMPLE_PROGRAM\\M16C_V5_4") && BeginsWith(nc30, "5.4")) {
            Copy("\\SAMPLE_PROGRAM\\M16C_V5_4", workspace);
        }

        const std::string_view nc308 = CompilerVersion(inventory_, ToolKind::Nc308wa);
        if (Present("\\SAMPLE_PROGRAM\\M32C_V5_3") &&
            (BeginsWith(nc308, "5.3") || BeginsWith(nc308, "5.2"))) {
            Copy("\\SAMPLE_PROGRAM\\M32C_V5_3", workspace);
        } else if (Present("\\SAMPLE_PROGRAM\\M32C_V5_4") && BeginsWith(nc308, "5.4")) {
            Copy("\\SAMPLE_PROGRAM\\M32C_V5_4", workspace);
        }
    }

    Platform& platform_;
    const ToolInventory& inventory_;
    const std::string_view sourceDir_;
};

}  // namespace

// The folder as it can stand between quotes: by the Windows command-line rules a backslash
// before a quote escapes it, so a folder ending in one ("C:\WorkSpace\") would swallow the
// closing quote and the switches after it. The trailing backslashes go; a drive root keeps its
// meaning as "C:\.", since "C:" alone is the drive's current folder.
std::string QuotableFolder(std::string_view folder) {
    const std::size_t kept = folder.find_last_not_of('\\') + 1;  // 0 when all are backslashes
    if (kept == folder.size()) return std::string(folder);
    std::string quotable(folder.substr(0, kept));
    if (quotable.empty() || (quotable.size() == 2 && quotable[1] == ':')) quotable += "\\.";
    return quotable;
}

std::string CopyCommandLine(std::string_view sourceDir, std::string_view subfolder,
                            std::string_view destination) {
    std::string line = "xcopy \"";
    line += sourceDir;
    line += subfolder;
    line += "\\*.*\" \"";
    line += QuotableFolder(destination);
    // xcopy asks whether a destination that does not exist is a file or a folder, and asks
    // again for ever once standard input has ended; /i answers it: a folder.
    line += "\" /s/e/y/f/i";
    return line;
}

void RunCopy(Platform& platform, std::string_view sourceDir, std::string_view subfolder,
             std::string_view destination) {
    CopyJob job{CopyCommandLine(sourceDir, subfolder, destination), Join(sourceDir, subfolder),
                std::string(destination)};
    platform.Write("<" + job.commandLine + ">\n");
    // Checked here rather than by the platform, so that every platform refuses the same copies.
    std::string_view refusal = Refusal(job.source);
    if (refusal.empty()) refusal = Refusal(job.destination);
    if (!refusal.empty()) {
        platform.WriteMessage(refusal);
        return;
    }
    platform.RunCopy(job);
}

void DeployPatches(Platform& platform, const ToolInventory& inventory) {
    Deployment(platform, inventory).Run();
}

}  // namespace kelpin
