#pragma once
// A registry key kept in a file, in the text that the registry editor exports and imports:
//
//   Windows Registry Editor Version 5.00
//
//   [HKEY_CURRENT_USER\Software\ORVANE\Bramblet]
//   "FileName"="C:\\work\\prog.mot"
//   "ModePin"=dword:00000001
//   "Path"=hex(2):25,00,00,00
//
// written as UTF-16LE with a byte-order mark and CRLF, as the editor writes it, so the file can
// be imported on Windows as it is. Only the format lives here; reading and replacing the file is
// the platform's.
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "writer/platform/Settings.h"

namespace bramblet {

constexpr char kSettingsKeyPath[] = "HKEY_CURRENT_USER\\Software\\ORVANE\\Bramblet";

// The values of one key in the order they were first set; names compare without regard to
// ASCII case, as the registry's do. A key can hold tens of thousands of values (a file edited by
// hand or by a script), so a name is found through an index, not by a search.
class RegValues {
public:
    struct Entry {
        std::string name;
        RegValue value;
    };
    const RegValue* Find(std::string_view name) const;
    // A new name goes last; a name already there keeps its place and its spelling.
    void Set(const std::string& name, const RegValue& value);
    void Erase(std::string_view name);
    std::size_t Size() const { return entries_.size(); }
    std::vector<Entry> Entries() const;

private:
    std::map<std::uint64_t, Entry> entries_;                // by the order of first setting
    std::unordered_map<std::string, std::uint64_t> index_;  // folded name -> order
    std::uint64_t next_ = 0;
};

// The values of the key `keyPath` in an export file, or nullopt when the file has no such key.
// Throws SettingsError naming the line for anything that is not the export format: text that is
// neither UTF-16LE with its mark nor strict UTF-8, a missing header, a malformed value line. A
// value whose name holds a zero character is left out: no registry can hold that name, and the
// UTF-16 file it would be written to could not be read again.
std::optional<RegValues> ParseRegFile(std::string_view bytes, std::string_view keyPath);

// The export file of one key. Names with a zero character are left out, as on reading.
std::string FormatRegFile(std::string_view keyPath, const RegValues& values);

// The file behind a store: read whole, replaced whole.
class WholeFile {
public:
    virtual ~WholeFile() = default;
    // The contents, or nullopt when the file does not exist; throws SettingsError when it exists
    // and cannot be read.
    virtual std::optional<std::string> Read() = 0;
    // Replaces the file so that a reader sees either the old or the new contents, never a part;
    // throws SettingsError on failure.
    virtual void Replace(const std::string& bytes) = 0;
    // The name for messages.
    virtual std::string Name() const = 0;
};

// The settings key as an export file. The file is read when the key is opened and written whole
// when a key opened for writing is closed.
class RegFileStore : public SettingsStore {
public:
    explicit RegFileStore(std::unique_ptr<WholeFile> file) : file_(std::move(file)) {}
    std::unique_ptr<SettingsKey> OpenExisting() override;
    std::unique_ptr<SettingsKey> Create() override;

private:
    std::unique_ptr<WholeFile> file_;
};

}  // namespace bramblet
