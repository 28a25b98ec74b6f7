// Finding HEW, the compilers, the debuggers and the project-generator folders, and the report of
// what was found.
#include <string>
#include <string_view>

#include "installer/Discovery.h"

namespace kelpin {
namespace {

// Texts that pass through a work buffer of 80 bytes: a longer one is taken as missing, since a
// cut folder name would send the lookups and the copies elsewhere.
constexpr std::size_t kWorkBuffer = 79;
// A current directory this long does not fit the source directory and is not delivered.
constexpr std::size_t kSourceDirMax = decltype(ToolInventory::sourceDir)::kMaxLength;
// The tools database is read in pieces of this many characters; a longer line is several.
constexpr std::size_t kLinePiece = 510;
// The DefaultIcon value names an icon file inside the HEW directory; this many trailing
// characters are the icon's part.
constexpr std::size_t kIconSuffix = 21;
// "PG.ini" lists this many toolchains.
constexpr int kToolchainEntries = 6;

struct KindPrefix {
    ToolKind kind;
    std::string_view prefix;
};
constexpr KindPrefix kKindPrefixes[] = {
    {ToolKind::Nc30wa, "Renesas M16C Standard Toolchain"},
    {ToolKind::Nc308wa, "Renesas M32C Standard Toolchain"},
    {ToolKind::FoUsbM16c, "M16C R8C FoUSB"},
    {ToolKind::FoUsbM32c, "M32C FoUSB"},
};

std::string_view UpToZero(std::string_view text) {
    return text.substr(0, text.find('\0'));
}

class ToolsDatabaseScan {
public:
    explicit ToolsDatabaseScan(ToolInventory& inventory) : inventory_(inventory) {}

    void Line(std::string_view line) {
        do {
            Piece(line.substr(0, kLinePiece));
            line.remove_prefix(line.size() < kLinePiece ? line.size() : kLinePiece);
        } while (!line.empty());
    }

    int Stored() const { return stored_; }

private:
    void Piece(std::string_view piece) {
        // Each piece is a C string: a zero byte ends what is scanned of it.
        piece = UpToZero(piece);
        const std::size_t first = piece.find_first_not_of(' ');
        if (first == std::string_view::npos) return;
        if (piece[first] == '[') {
            inTools_ = piece.substr(first + 1, 6) == "TOOLS]";
            return;
        }
        if (!inTools_) return;

        int fields = 0;
        std::string_view version;
        std::string_view path;
        std::size_t pos = first;
        for (;;) {
            const std::size_t open = piece.find('"', pos);
            if (open == std::string_view::npos) break;
            ++fields;
            const std::size_t start = open + 1;
            for (const KindPrefix& k : kKindPrefixes) {
                if (piece.substr(start).starts_with(k.prefix)) {
                    pending_ = k.kind;
                    break;
                }
            }
            const std::size_t close = piece.find('"', start);
            const std::string_view text = piece.substr(start, close - start);
            if (fields == 2) version = text;
            if (fields == 6) path = text;
            if (close == std::string_view::npos) break;
            pos = close + 1;
        }
        if (pending_ == ToolKind::None || fields < 6) return;

        ToolRecord record;
        record.version.Assign(version);
        // A path that does not fit stores nothing, like a line that is too short: the kind
        // stays pending.
        if (!record.path.AssignWhole(path)) return;
        KindTable& table = inventory_.Kind(pending_);
        // Only the last stored record of a kind is used, so a fourth one takes the third's place.
        if (table.count < KindTable::kEntries) ++table.count;
        table.entries[table.count - 1] = record;
        table.found = true;
        ++stored_;
        pending_ = ToolKind::None;
    }

    ToolInventory& inventory_;
    bool inTools_ = false;
    ToolKind pending_ = ToolKind::None;
    int stored_ = 0;
};

void FindHew(Platform& platform, ToolInventory& inventory) {
    const std::string value = platform.ClassesRootDefaultValue("\\HEW_Workspace\\DefaultIcon");
    const std::string_view icon = UpToZero(value);
    if (icon.size() <= kIconSuffix) return;
    const std::string hewDir(icon.substr(0, icon.size() - kIconSuffix));
    if (hewDir.size() > kWorkBuffer) return;
    inventory.hew.path.AssignWhole(hewDir);
    inventory.hewFound = true;
    ReadToolsDatabase(platform, hewDir, inventory);
    inventory.hew.version.Assign(
        platform.IniValue(hewDir + "\\AUM.dat", "HEW 4.0 Core", "Version"));
}

struct Compiler {
    ToolKind kind;
    const char* variable;
    const char* iniFile;
    const char* name;
    const char* debugger;
};
constexpr Compiler kNc30wa{ToolKind::Nc30wa, "BIN30", "\\nc30wa.hrf", "NC30WA", "KD30"};
constexpr Compiler kNc308wa{ToolKind::Nc308wa, "BIN308", "\\nc308wa.hrf", "NC308WA", "KD3083"};

// The compiler's environment variable names its BIN folder; the compiler directory is its parent.
void CompilerFallback(Platform& platform, ToolInventory& inventory, const Compiler& compiler) {
    KindTable& table = inventory.Kind(compiler.kind);
    if (table.found) return;
    const std::optional<std::string> value = platform.Environment(compiler.variable);
    if (!value) return;
    const std::string_view bin = UpToZero(*value);
    if (bin.size() > kWorkBuffer) return;
    const std::size_t slash = bin.rfind('\\');
    const std::string dir(slash == std::string_view::npos ? std::string_view()
                                                          : bin.substr(0, slash));

    ToolRecord& record = table.entries[0];
    record.version.Assign(platform.IniValue(dir + compiler.iniFile, "TOOL", "Version"));
    record.path.AssignWhole(dir);
    table.count = 1;
    table.found = true;
    platform.Write(std::string("found ") + compiler.name + " <" +
                   std::string(record.version.View()) + "> <" + dir + ">\n");
}

void FindDebugger(Platform& platform, const ToolInventory& inventory, const Compiler& compiler,
                  ToolRecord& debugger, bool& found) {
    const KindTable& table = inventory.Kind(compiler.kind);
    if (!table.found) return;
    const std::string candidates[] = {
        std::string(table.Current().path.View()) + "\\" + compiler.debugger,
        std::string("C:\\Renesas\\MTOOL\\") + compiler.debugger,
    };
    for (const std::string& candidate : candidates) {
        if (candidate.size() > debugger.path.kMaxLength) continue;
        if (platform.IsDirectory(candidate)) {
            debugger.path.AssignWhole(candidate);
            found = true;
            return;
        }
    }
}

// The project-generator folder that the family's "PG.ini" names for the installed compiler.
void FindGenerateFolder(Platform& platform, ToolInventory& inventory, Family family) {
    const bool m16c = family == Family::M16c;
    const ToolKind compiler = m16c ? ToolKind::Nc30wa : ToolKind::Nc308wa;
    if (!inventory.hewFound || !inventory.Kind(compiler).found) return;

    const std::string prefix =
        std::string(inventory.hew.path.View()) +
        (m16c ? "\\System\\Pg\\Renesas\\M16c\\" : "\\System\\Pg\\Renesas\\M32c\\");
    const std::string ini = prefix + "PG.ini";
    const std::string_view version = inventory.Kind(compiler).Current().version.View();
    std::string folder;
    for (int n = 1; n <= kToolchainEntries; ++n) {
        const std::string number = std::to_string(n);
        const std::string entry =
            platform.IniValue(ini, "Toolchain", "Toolchain Version " + number);
        if (entry.substr(0, entry.find('\0')) == version) {
            folder = platform.IniValue(ini, "Toolchain", "Generate File Folder " + number);
            folder.resize(folder.find('\0') == std::string::npos ? folder.size()
                                                                 : folder.find('\0'));
            break;
        }
    }
    if (folder.empty()) return;
    ToolRecord& result = m16c ? inventory.pgM16c : inventory.pgM32c;
    // A folder path that does not fit leaves the family without a project-generator folder.
    if (!result.path.AssignWhole(prefix + folder)) return;
    (m16c ? inventory.pgM16cFound : inventory.pgM32cFound) = true;
}

void ReportTool(Platform& platform, const KindTable& table, std::string_view name) {
    if (!table.found) {
        platform.Write(std::string(name) + " not installed!!\n");
        return;
    }
    const ToolRecord& record = table.Current();
    platform.Write(std::string(name) + " ver." + std::string(record.version.View()) +
                   " installed <" + std::string(record.path.View()) + ">\n");
}

void ReportDebugger(Platform& platform, const ToolRecord& record, bool found,
                    std::string_view name) {
    if (!found) {
        platform.Write(std::string(name) + " Debugger not installed!!\n");
        return;
    }
    platform.Write(std::string(name) + " Debugger installed <" + std::string(record.path.View()) +
                   ">\n");
}

}  // namespace

int ReadToolsDatabase(Platform& platform, std::string_view hewDir, ToolInventory& inventory) {
    for (ToolKind kind :
         {ToolKind::Nc30wa, ToolKind::Nc308wa, ToolKind::FoUsbM16c, ToolKind::FoUsbM32c}) {
        KindTable& table = inventory.Kind(kind);
        table.entries = {};
        table.count = 0;
    }
    const std::string file = std::string(hewDir) + "\\toolsdb.hdb";
    platform.Write("Scaning R8C/M16C/M32C toolchain and debugger ....\n");
    ToolsDatabaseScan scan(inventory);
    if (!platform.ReadTextLines(file, [&scan](std::string_view line) { scan.Line(line); })) {
        return -1;
    }
    return scan.Stored();
}

void DiscoverTools(Platform& platform, ToolInventory& inventory) {
    // A drive root keeps only its drive ("C:"), so that joined folder names start with one
    // backslash.
    const std::string current = platform.CurrentDirectory();
    const std::string_view cwd = UpToZero(current);
    if (cwd.size() <= kSourceDirMax)
        inventory.sourceDir.Assign(cwd.size() == 3 ? cwd.substr(0, 2) : cwd);

    FindHew(platform, inventory);
    platform.Write("\n");

    CompilerFallback(platform, inventory, kNc30wa);
    FindDebugger(platform, inventory, kNc30wa, inventory.kd30, inventory.kd30Found);
    CompilerFallback(platform, inventory, kNc308wa);
    FindDebugger(platform, inventory, kNc308wa, inventory.kd3083, inventory.kd3083Found);

    FindGenerateFolder(platform, inventory, Family::M16c);
    FindGenerateFolder(platform, inventory, Family::M32c);

    if (inventory.hewFound) {
        // A workspace path that does not fit stays empty; the sample programs are then skipped.
        inventory.workspace.path.AssignWhole(
            UpToZero(platform.IniValue(std::string(inventory.hew.path.View()) + "\\HEW2.INI",
                                       "WorkspaceSettings_Values", "WorkspaceSettings_Value6")));
    }
}

void ReportInventory(Platform& platform, const ToolInventory& inventory) {
    if (inventory.hewFound) {
        platform.Write("HEW ver." + std::string(inventory.hew.version.View()) + " installed <" +
                       std::string(inventory.hew.path.View()) + ">\n");
        platform.Write("Default Workspace directory <" +
                       std::string(inventory.workspace.path.View()) + ">\n");
    } else {
        platform.Write("HEW not installed!!\n");
    }
    ReportTool(platform, inventory.Kind(ToolKind::Nc30wa), "NC30WA");
    ReportTool(platform, inventory.Kind(ToolKind::FoUsbM16c), "R8C/M16C FoUSB/Serial Debugger");
    ReportDebugger(platform, inventory.kd30, inventory.kd30Found, "KD30");
    ReportTool(platform, inventory.Kind(ToolKind::Nc308wa), "NC308WA");
    ReportTool(platform, inventory.Kind(ToolKind::FoUsbM32c), "M32C FoUSB/Serial Debugger");
    ReportDebugger(platform, inventory.kd3083, inventory.kd3083Found, "KD3083");
}

}  // namespace kelpin
