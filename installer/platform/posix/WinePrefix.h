#pragma once
// On Linux the vendor's tools can only be installed inside Wine, so the installer reads them
// from the outside: the registry from the prefix's hive files, files through the prefix's drive
// links ("dosdevices/c:" -> "../drive_c"). Every path shown stays in its Windows form.
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>

#include "installer/Platform.h"

namespace kelpin {

class WinePrefix : public Platform {
public:
    // `root` is the prefix folder; `out` and `in` are standard output and input.
    WinePrefix(std::filesystem::path root, std::FILE* out = stdout, std::FILE* in = stdin);

    // $WINEPREFIX, else ~/.wine.
    static std::filesystem::path Default();

    // The host file that a Windows path names, its folders matched without regard to case as
    // Wine does. nullopt when the path has no drive that the prefix maps.
    std::optional<std::filesystem::path> HostPath(const std::string& windowsPath) const;

    // The Windows name of a host path through the drive that maps it most closely. nullopt when
    // no drive of the prefix reaches it.
    std::optional<std::string> WindowsPath(const std::filesystem::path& host) const;

    std::string CurrentDirectory() override;
    std::string ClassesRootDefaultValue(const std::string& key) override;
    std::string IniValue(const std::string& file, const std::string& section,
                         const std::string& key) override;
    std::optional<std::string> Environment(const std::string& name) override;
    bool IsDirectory(const std::string& path) override;
    bool ReadTextLines(const std::string& file,
                       const std::function<void(std::string_view)>& line) override;
    void RunCopy(const CopyJob& job) override;
    void Write(std::string_view bytes) override;
    void WriteMessage(std::string_view utf8) override;
    void ReadChar() override;

private:
    std::optional<std::filesystem::path> Drive(char letter) const;
    bool CopyTree(const std::filesystem::path& from, const std::string& fromName,
                  const std::filesystem::path& to, const std::string& toName, int& files);

    std::filesystem::path root_;
    std::FILE* out_;
    std::FILE* in_;
};

}  // namespace kelpin
