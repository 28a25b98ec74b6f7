// The settings file round trip: whatever is read is written, and what is written reads back
// with the same names, types and bytes; writing it again gives the same file. Through the store
// as the window uses it, a file that cannot be read is replaced at the next close by one that can.
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>

#include "writer/platform/RegFile.h"

namespace {

using namespace bramblet;

void Check(bool holds) {
    if (!holds) std::abort();
}

class MemoryFile : public WholeFile {
public:
    explicit MemoryFile(std::string bytes) : bytes_(std::move(bytes)) {}
    std::optional<std::string> Read() override { return bytes_; }
    void Replace(const std::string& bytes) override { bytes_ = bytes; }
    std::string Name() const override { return "Bramblet.reg"; }

private:
    std::string bytes_;
};

void SameValues(const RegValues& a, const RegValues& b) {
    const auto x = a.Entries(), y = b.Entries();
    Check(x.size() == y.size());
    for (std::size_t i = 0; i < x.size(); ++i) {
        Check(x[i].name == y[i].name);
        Check(x[i].value == y[i].value);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    std::optional<RegValues> values;
    try {
        values = ParseRegFile(bytes, kSettingsKeyPath);
    } catch (const SettingsError&) {
    }
    if (values) {
        const std::string written = FormatRegFile(kSettingsKeyPath, *values);
        const std::optional<RegValues> back = ParseRegFile(written, kSettingsKeyPath);
        Check(back.has_value());
        SameValues(*values, *back);
        Check(FormatRegFile(kSettingsKeyPath, *back) == written);
        for (const RegValues::Entry& e : values->Entries()) {
            Check(back->Find(e.name) && *back->Find(e.name) == e.value);
        }
    }

    // The window's close: the six values written over whatever the file held.
    RegFileStore store{std::make_unique<MemoryFile>(bytes)};
    try {
        if (const auto key = store.OpenExisting()) {
            for (const char* name : {"WindowTop", "FileName", "CPU"}) {
                try {
                    ReadString(*key, name);
                    ReadDword(*key, name);
                } catch (const SettingsError&) {
                }
            }
        }
    } catch (const SettingsError&) {
    }
    const auto key = store.Create();
    WriteDword(*key, "WindowTop", -1);
    WriteString(*key, "FileName", bytes.substr(0, 64));
    key->Close();
    const auto reopened = store.OpenExisting();
    Check(reopened != nullptr);
    Check(ReadDword(*reopened, "WindowTop") == -1);
    Check(ReadString(*reopened, "FileName") == StringFromData(StringData(bytes.substr(0, 64))));
    return 0;
}
