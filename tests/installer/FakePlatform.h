#pragma once
// The installer's world in memory: a registry, INI files (read with the real INI rules), folders,
// text files and environment variables set up by a test; output, copies and key reads recorded.
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "installer/IniFile.h"
#include "installer/Platform.h"
#include "installer/TextLines.h"

namespace kelpin::testing {

class FakePlatform : public Platform {
public:
    std::string currentDirectory = "C:\\Setup";
    std::map<std::string, std::string> classesRoot;
    std::map<std::string, std::string> files;  // INI files and text files by Windows path
    std::map<std::string, std::string> environment;
    std::set<std::string> directories;

    std::string output;
    std::vector<CopyJob> copies;
    int keyReads = 0;

    // Adds a folder and every folder above it.
    void AddFolder(std::string path) {
        while (path.size() > 2) {
            directories.insert(path);
            path.resize(path.rfind('\\'));
        }
    }

    std::string CurrentDirectory() override { return currentDirectory; }
    std::string ClassesRootDefaultValue(const std::string& key) override {
        const auto it = classesRoot.find(key);
        return it == classesRoot.end() ? std::string() : it->second;
    }
    std::string IniValue(const std::string& file, const std::string& section,
                         const std::string& key) override {
        const auto it = files.find(file);
        return it == files.end() ? std::string() : IniLookup(it->second, section, key);
    }
    std::optional<std::string> Environment(const std::string& name) override {
        const auto it = environment.find(name);
        if (it == environment.end()) return std::nullopt;
        return it->second;
    }
    bool IsDirectory(const std::string& path) override { return directories.count(path) > 0; }
    bool ReadTextLines(const std::string& file,
                       const std::function<void(std::string_view)>& line) override {
        const auto it = files.find(file);
        if (it == files.end()) return false;
        std::istringstream in(it->second);
        ForEachTextLine(in, line);
        return true;
    }
    void RunCopy(const CopyJob& job) override { copies.push_back(job); }
    void Write(std::string_view bytes) override { output += bytes; }
    void WriteMessage(std::string_view utf8) override { output += utf8; }
    void ReadChar() override { ++keyReads; }
};

}  // namespace kelpin::testing
