// The settings key as a registry export file: format, typed reads and the store's rules.
#include <gtest/gtest.h>

#include <chrono>

#include "writer/platform/RegFile.h"

namespace bramblet {
namespace {

std::string Utf16File(const std::string& utf8) {
    std::vector<std::uint8_t> units = StringData(utf8);
    units.resize(units.size() - 2);
    return "\xFF\xFE" + std::string(units.begin(), units.end());
}

std::string FileText(const std::string& bytes) {
    EXPECT_EQ(bytes.substr(0, 2), "\xFF\xFE");
    std::vector<std::uint8_t> units(bytes.begin() + 2, bytes.end());
    return StringFromData(units);
}

const std::string kHead =
    "Windows Registry Editor Version "
    "5.00\r\n\r\n[HKEY_CURRENT_USER\\Software\\ORVANE\\Bramblet]\r\n";

class MemoryFile : public WholeFile {
public:
    std::optional<std::string> contents;
    int replaced = 0;
    std::optional<std::string> Read() override { return contents; }
    void Replace(const std::string& bytes) override {
        contents = bytes;
        ++replaced;
    }
    std::string Name() const override { return "Bramblet.reg"; }
};

TEST(RegFile, WritesTheEditorsExportFormat) {
    RegValues values;
    values.Set("WindowTop", {RegType::Dword, {0x76, 0, 0, 0}});
    values.Set("WindowLeft", {RegType::Dword, {0xF6, 0xFF, 0xFF, 0xFF}});
    values.Set("FileName", {RegType::Sz, StringData("C:\\書込\\\"q\".mot")});
    values.Set("Path", {RegType::ExpandSz, StringData("%A%")});
    const std::string bytes = FormatRegFile(kSettingsKeyPath, values);
    EXPECT_EQ(FileText(bytes), kHead +
                                   "\"WindowTop\"=dword:00000076\r\n"
                                   "\"WindowLeft\"=dword:fffffff6\r\n"
                                   "\"FileName\"=\"C:\\\\書込\\\\\\\"q\\\".mot\"\r\n"
                                   "\"Path\"=hex(2):25,00,41,00,25,00,00,00\r\n"
                                   "\r\n");
    // Reading it back gives every value with its type and bytes.
    const std::optional<RegValues> back = ParseRegFile(bytes, kSettingsKeyPath);
    ASSERT_TRUE(back);
    const std::vector<RegValues::Entry> read = back->Entries(), written = values.Entries();
    ASSERT_EQ(read.size(), 4u);
    for (std::size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(read[i].name, written[i].name);
        EXPECT_EQ(read[i].value, written[i].value);
    }
}

TEST(RegFile, LongByteListsWrapAndReadBack) {
    RegValues values;
    RegValue big{RegType::ExpandSz, StringData(std::string(100, 'x'))};
    values.Set("Big", big);
    // A line break inside a string cannot be quoted; it is kept byte for byte as hex(1).
    RegValue lines{RegType::Sz, StringData("a\r\nb")};
    values.Set("Lines", lines);
    // A string with no terminating zero is kept exactly too.
    RegValue bare{RegType::Sz, {0x41, 0x00}};
    values.Set("Bare", bare);
    const std::string text = FileText(FormatRegFile(kSettingsKeyPath, values));
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find("\r\n", start);
        EXPECT_LE(end - start, 80u) << text.substr(start, end - start);
        start = end + 2;
    }
    EXPECT_NE(text.find("\"Lines\"=hex(1):61,00,0d,00,0a,00,62,00,00,00"), std::string::npos);
    const auto back = ParseRegFile(FormatRegFile(kSettingsKeyPath, values), kSettingsKeyPath);
    ASSERT_TRUE(back);
    EXPECT_EQ(*back->Find("Big"), big);
    EXPECT_EQ(*back->Find("lines"), lines);  // names without regard to case
    EXPECT_EQ(*back->Find("Bare"), bare);
}

TEST(RegFile, ReadsWhatOthersWrite) {
    // UTF-8 as a hand edit leaves it, LF endings, other keys, comments, a deleted value,
    // every string and integer form.
    const std::string text =
        "Windows Registry Editor Version 5.00\n"
        "\n"
        "[HKEY_CURRENT_USER\\Software\\Other]\n"
        "\"CPU\"=\"M32C\"\n"
        "; a comment\n"
        "[hkey_current_user\\software\\orvane\\bramblet]\n"
        "\"CPU\"=\"M16C\"\n"
        "\"Gone\"=\"x\"\n"
        "\"Gone\"=-\n"
        "@=\"default\"\n"
        "\"COM\"=hex(2):43,00,4f,00,\\\n"
        "  4d,00,33,00,00,00\n"
        "\"Odd\"=hex(b):01,02\n"
        "\"Blob\"=hex:\n";
    const auto values = ParseRegFile(text, kSettingsKeyPath);
    ASSERT_TRUE(values);
    EXPECT_EQ(StringFromData(values->Find("CPU")->data), "M16C");
    EXPECT_EQ(values->Find("Gone"), nullptr);
    EXPECT_EQ(StringFromData(values->Find("")->data), "default");
    EXPECT_EQ(values->Find("COM")->type, RegType::ExpandSz);
    EXPECT_EQ(StringFromData(values->Find("COM")->data), "COM3");
    EXPECT_EQ(values->Find("Odd")->type, RegType::Qword);
    EXPECT_TRUE(values->Find("Blob")->data.empty());
    // A file without the key is a missing key, not a damaged file.
    EXPECT_FALSE(ParseRegFile("Windows Registry Editor Version 5.00\r\n", kSettingsKeyPath));
}

TEST(RegFile, DamagedFilesNameTheLine) {
    const std::string head =
        "Windows Registry Editor Version 5.00\n[" + std::string(kSettingsKeyPath) + "]\n";
    const std::pair<std::string, std::string> cases[] = {
        {"", "1 行目"},
        {"REGEDIT5\n", "1 行目"},
        {head + "\"A\"=dword:123456789\n", "3 行目"},
        {head + "\"A\"=dword:\n", "3 行目"},
        {head + "\"A\"=dword:0000000g\n", "3 行目"},
        {head + "\"A\"=\"open\n", "3 行目"},
        {head + "\"A\"=\"a\\z\"\n", "3 行目"},
        {head + "\"A\"=\"a\" x\n", "3 行目"},
        {head + "\"A\"=hex:1,02\n", "3 行目"},
        {head + "\"A\"=hex(zz):01\n", "3 行目"},
        {head + "\"A\"=hex:01,\\\n", "3 行目"},
        {head + "\"A\"=word:1\n", "3 行目"},
        {head + "A=\"x\"\n", "3 行目"},
        {head + "\"A\"\"x\"\n", "3 行目"},
        {head + "[unclosed\n", "3 行目"},
        {"Windows Registry Editor Version 5.00\n\"A\"=\"x\"\n", "2 行目"},
        {"\xFF\xFE"
         "W",
         "1 行目"},                                                   // odd UTF-16
        {std::string("\xFF\xFE\x00\xD8\x41\x00", 6), "1 行目"},       // lone surrogate
        {"Windows Registry Editor Version 5.00\n\xC3(\n", "1 行目"},  // not UTF-8
    };
    for (const auto& [text, line] : cases) {
        try {
            ParseRegFile(text, kSettingsKeyPath);
            ADD_FAILURE() << "accepted: " << text;
        } catch (const SettingsError& e) {
            EXPECT_NE(std::string(e.what()).find(line), std::string::npos) << e.what();
        }
    }
}

TEST(Settings, TypedReadsFollowTheRegistrysRules) {
    MemoryFile* file = new MemoryFile;
    RegFileStore store{std::unique_ptr<WholeFile>(file)};
    file->contents = Utf16File(kHead +
                               "\"Top\"=dword:ffffff85\r\n"
                               "\"Text\"=\"M16C\"\r\n"
                               "\"Expand\"=hex(2):41,00,00,00,42,00,00,00\r\n"
                               "\"Empty\"=hex(1):\r\n"
                               "\"Short\"=hex(4):01,02\r\n"
                               "\"Bin\"=hex:01,00,00,00\r\n");
    const auto key = store.OpenExisting();
    ASSERT_TRUE(key);
    EXPECT_EQ(ReadDword(*key, "Top"), -123);
    EXPECT_EQ(ReadString(*key, "Text"), "M16C");
    EXPECT_EQ(ReadString(*key, "Expand"), "A");  // ends at the first zero, not expanded
    EXPECT_EQ(ReadString(*key, "Empty"), "");    // size 0
    EXPECT_EQ(ReadString(*key, "Missing"), "");
    EXPECT_THROW(ReadDword(*key, "Missing"), SettingsError);
    EXPECT_THROW(ReadDword(*key, "Text"), SettingsError);
    EXPECT_THROW(ReadDword(*key, "Short"), SettingsError);
    EXPECT_THROW(ReadDword(*key, "Bin"), SettingsError);
    EXPECT_THROW(ReadString(*key, "Top"), SettingsError);
    EXPECT_THROW(ReadString(*key, "Bin"), SettingsError);
}

TEST(Settings, StoreReadsNothingWritesWholeAndSurvivesDamage) {
    MemoryFile* file = new MemoryFile;
    RegFileStore store{std::unique_ptr<WholeFile>(file)};
    EXPECT_EQ(store.OpenExisting(), nullptr);  // first run: no file

    // A value written while the key is open reaches the file only when the key is closed.
    auto key = store.Create();
    WriteDword(*key, "ModePin", 1);
    WriteString(*key, "COM", "COM3");
    EXPECT_EQ(file->replaced, 0);
    key->Close();
    EXPECT_EQ(file->replaced, 1);
    EXPECT_EQ(FileText(*file->contents),
              kHead + "\"ModePin\"=dword:00000001\r\n\"COM\"=\"COM3\"\r\n\r\n");

    // Values not written again are kept; written ones are overwritten in place.
    key = store.Create();
    WriteDword(*key, "modepin", 0);
    key->Close();
    EXPECT_EQ(FileText(*file->contents),
              kHead + "\"ModePin\"=dword:00000000\r\n\"COM\"=\"COM3\"\r\n\r\n");

    // A damaged file fails the read with the file's name, and the next close rewrites it.
    file->contents = "garbage";
    try {
        store.OpenExisting();
        ADD_FAILURE();
    } catch (const SettingsError& e) {
        EXPECT_NE(std::string(e.what()).find("Bramblet.reg"), std::string::npos);
    }
    key = store.Create();
    WriteString(*key, "CPU", "R8C");
    key->Close();
    EXPECT_EQ(FileText(*file->contents), kHead + "\"CPU\"=\"R8C\"\r\n\r\n");
}

// A value name that no registry can hold (a zero character) is left out on its own; text that
// is not strict UTF-8 (forms that UTF-16 cannot hold) is a damaged file. Either way the next
// close writes a file that the next start reads.
TEST(Settings, WhatIsWrittenIsReadBack) {
    const std::pair<std::string, bool> names[] = {
        {std::string("\0", 1), true},  // skipped, the others kept
        {"\xE0\x80\x80", false},       // overlong zero
        {"\xC0\x80", false},           // overlong zero
        {"\xED\xA0\x80", false},       // the surrogate D800
        {"\xF4\x90\x80\x80", false},   // U+110000
        {"\xF0\x80\x80\x80", false},   // overlong zero
    };
    for (const auto& [name, readable] : names) {
        SCOPED_TRACE(testing::PrintToString(name));
        MemoryFile* file = new MemoryFile;
        RegFileStore store{std::unique_ptr<WholeFile>(file)};
        file->contents = "Windows Registry Editor Version 5.00\n[" + std::string(kSettingsKeyPath) +
                         "]\n\"COM\"=\"COM3\"\n\"" + name +
                         "\"=\"x\"\n\"ModePin\"=dword:00000001\n";
        if (readable) {
            const auto key = store.OpenExisting();
            ASSERT_TRUE(key);
            EXPECT_EQ(ReadString(*key, "COM"), "COM3");
            EXPECT_EQ(ReadDword(*key, "ModePin"), 1);
            EXPECT_FALSE(key->Query(name));
        } else {
            try {
                store.OpenExisting();
                ADD_FAILURE() << "accepted";
            } catch (const SettingsError& e) {
                EXPECT_NE(std::string(e.what()).find("UTF-8"), std::string::npos) << e.what();
            }
        }
        auto key = store.Create();
        WriteString(*key, "CPU", "M16C");
        key->Close();
        const auto back = store.OpenExisting();
        ASSERT_TRUE(back);
        EXPECT_EQ(ReadString(*back, "CPU"), "M16C");
        EXPECT_EQ(ReadString(*back, "COM"), readable ? "COM3" : "");
        EXPECT_EQ(back->Query(name), std::nullopt);
    }
    // A name with a zero set by a caller is not written either.
    RegValues values;
    values.Set(std::string("a\0b", 3), {RegType::Sz, StringData("x")});
    values.Set("b", {RegType::Sz, StringData("y")});
    EXPECT_EQ(FileText(FormatRegFile(kSettingsKeyPath, values)), kHead + "\"b\"=\"y\"\r\n\r\n");
}

// Reading looks each value up by name: 80,000 values take about 0.1 s, where a search per value
// took 12 s. Under the address sanitizer every allocation costs ten times as much.
#ifdef __SANITIZE_ADDRESS__
constexpr auto kReadBudget = std::chrono::seconds(5);
#else
constexpr auto kReadBudget = std::chrono::seconds(1);
#endif

TEST(Settings, ManyValuesReadQuickly) {
    RegValues values;
    for (int i = 0; i < 80000; ++i) {
        values.Set("Value" + std::to_string(i), {RegType::Dword, {1, 2, 3, 4}});
    }
    const std::string bytes = FormatRegFile(kSettingsKeyPath, values);
    const auto start = std::chrono::steady_clock::now();
    const std::optional<RegValues> back = ParseRegFile(bytes, kSettingsKeyPath);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->Size(), 80000u);
    EXPECT_TRUE(back->Find("value79999"));
    EXPECT_LT(std::chrono::steady_clock::now() - start, kReadBudget);
}

// Later lines win: a value set again keeps its place, and one deleted in a later section of
// the same key is gone.
TEST(RegFile, LaterLinesOfTheKeyWin) {
    const std::string head = "[" + std::string(kSettingsKeyPath) + "]\n";
    const auto values =
        ParseRegFile("Windows Registry Editor Version 5.00\n" + head +
                         "\"A\"=\"1\"\n\"B\"=\"2\"\n\"a\"=\"3\"\n" + head + "\"B\"=-\n",
                     kSettingsKeyPath);
    ASSERT_TRUE(values);
    const std::vector<RegValues::Entry> entries = values->Entries();
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].name, "A");
    EXPECT_EQ(StringFromData(entries[0].value.data), "3");
}

TEST(Settings, StringsKeepEveryCharacter) {
    const std::string text = "C:\\データ\\😀.mot";
    const std::vector<std::uint8_t> data = StringData(text);
    EXPECT_EQ(data.size(), 28u);  // 12 characters, one of them a pair, and the zero
    EXPECT_EQ(StringFromData(data), text);
    EXPECT_EQ(StringFromData({0x00, 0xD8, 0x41, 0x00}),
              "\xEF\xBF\xBD"
              "A");  // lone surrogate
    // Bytes that are not strict UTF-8 become U+FFFD one by one, never a broken UTF-16 unit.
    EXPECT_EQ(StringData("\xED\xA0\x80"),
              std::vector<std::uint8_t>({0xFD, 0xFF, 0xFD, 0xFF, 0xFD, 0xFF, 0, 0}));
    EXPECT_EQ(StringData("\xF4\x8F\xBF\xBF"),
              std::vector<std::uint8_t>({0xFF, 0xDB, 0xFF, 0xDF, 0, 0}));  // U+10FFFF
}

}  // namespace
}  // namespace bramblet
