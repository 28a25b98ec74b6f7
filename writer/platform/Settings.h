#pragma once
// The writer's settings: one registry key with typed values. On Windows it is the key itself;
// elsewhere a file in the registry's export format stands for it. Both keep the registry's value
// types and its failures (a missing value, a value of the wrong type), which decide how the
// window reacts.
#include <cstdint>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "text/Catalogue.h"

namespace bramblet {

// The registry's value types, by their numbers.
enum class RegType : std::uint32_t {
    None = 0,
    Sz = 1,
    ExpandSz = 2,
    Binary = 3,
    Dword = 4,
    DwordBigEndian = 5,
    Link = 6,
    MultiSz = 7,
    Qword = 11,
};

// A value as the registry holds it: strings are UTF-16LE with their terminating zero counted,
// a REG_DWORD is four bytes, little-endian.
struct RegValue {
    RegType type = RegType::None;
    std::vector<std::uint8_t> data;
    bool operator==(const RegValue&) const = default;
};

// A failure of the platform that ends the handler it happened in, with a text for the error box
// titled "Bramblet2" (or a line on standard error): the settings store, the port list. A failure
// the catalogue words has its text in each language, what() the Japanese; the system's own
// words are the same in both.
class PlatformError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
    PlatformError(const std::string& ja, std::string en)
        : std::runtime_error(ja), en_(std::move(en)) {}
    std::string Text(text::Lang lang) const {
        return lang == text::Lang::En && en_ ? *en_ : what();
    }

private:
    std::optional<std::string> en_;
};

// A failure of the settings store.
class SettingsError : public PlatformError {
public:
    using PlatformError::PlatformError;
};

// The error of a catalogue text, in each language.
template <typename Error>
Error Told(text::Tx key, std::initializer_list<std::string_view> args) {
    return Error(text::Say(key, text::Lang::Ja, args), text::Say(key, text::Lang::En, args));
}

// An open key. Query and Set throw SettingsError when the store cannot do them; Close makes the
// written values last (the file is rewritten then) and throws when it cannot.
class SettingsKey {
public:
    virtual ~SettingsKey() = default;
    virtual std::optional<RegValue> Query(const std::string& name) const = 0;
    virtual void Set(const std::string& name, const RegValue& value) = 0;
    virtual void Close() = 0;
};

class SettingsStore {
public:
    virtual ~SettingsStore() = default;
    // The key for reading, or null when it does not exist; throws when it exists but cannot be
    // read (a damaged settings file).
    virtual std::unique_ptr<SettingsKey> OpenExisting() = 0;
    // The key for writing, created when missing; throws when it cannot be created.
    virtual std::unique_ptr<SettingsKey> Create() = 0;
};

// Typed reads with the registry's rules. A REG_DWORD reads as signed 32-bit; a missing value or
// one of another type throws. A string of either string type reads up to its first zero (not
// expanded); a missing value reads as empty text; another type throws.
std::int32_t ReadDword(const SettingsKey& key, const std::string& name);
std::string ReadString(const SettingsKey& key, const std::string& name);
void WriteDword(SettingsKey& key, const std::string& name, std::int32_t value);
void WriteString(SettingsKey& key, const std::string& name, const std::string& utf8);

// UTF-8 text to registry string data (UTF-16LE with its zero) and back, up to the first zero.
// A byte that does not start a well-formed sequence becomes U+FFFD.
std::vector<std::uint8_t> StringData(const std::string& utf8);
std::string StringFromData(const std::vector<std::uint8_t>& data);

// The store of this system: HKEY_CURRENT_USER\Software\ORVANE\Bramblet on Windows,
// $XDG_CONFIG_HOME/ORVANE/Bramblet.reg (default ~/.config) elsewhere.
std::unique_ptr<SettingsStore> SystemSettingsStore();

}  // namespace bramblet
