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
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "writer/platform/Settings.h"

namespace bramblet {

constexpr char kSettingsKeyPath[] = "HKEY_CURRENT_USER\\Software\\ORVANE\\Bramblet";

// The values of one key in the order they were first set; names compare without regard to
// ASCII case, as the registry's do.
class RegValues {
public:
    const RegValue* Find(std::string_view name) const;
    void Set(const std::string& name, const RegValue& value);
    struct Entry {
        std::string name;
        RegValue value;
    };
    const std::vector<Entry>& Entries() const { return entries_; }

private:
    std::vector<Entry> entries_;
};

// The values of the key `keyPath` in an export file, or nullopt when the file has no such key.
// Throws SettingsError naming the line for anything that is not the export format: text that is
// neither UTF-16LE with its mark nor UTF-8, a missing header, a malformed value line.
std::optional<RegValues> ParseRegFile(std::string_view bytes, std::string_view keyPath);

// The export file of one key.
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
