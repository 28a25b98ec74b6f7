#pragma once
// Every text a person reads from the writer's window, its command line, the simulated chip and
// the installer, in each language, looked up by key. A table compiled in rather than message
// catalogues read at run time: the programs then need no locale set up, no file found beside
// them and no libintl in the static Windows builds, and speak the same on every system.
//
// The Japanese column is what the programs have always shown, byte for byte (trailing spaces and
// full-width marks included); the English one is its translation. Where a text began in English
// (the installer's report) the Japanese column keeps it as the programs print it.
// Placeholders are {1}, {2}, ... and each language uses the same ones.
#include <array>
#include <cstddef>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>

namespace text {

enum class Lang { Ja, En };

enum class Tx {
    // The sequences' status line.
    Connecting,
    NoAnswer,
    NoPort,
    IdMismatch,
    IdVerified,
    IdAllFf,
    IdFileCheck,
    RateRefused,
    Erasing,
    Erased,
    CannotErase,
    Verifying,
    VerifyFailed,
    VerifyFailedAtEnd,
    WriteStart,
    WriteDone,
    EraseStart,
    EraseDone,
    VerifyStart,
    VerifyDone,
    // The write file's passes and the Label4 text.
    NotSFormat,
    CannotReadSFormat,
    CheckingSFormat,
    Programming,
    SFormatBroken,
    SFormatChecksum,
    ProgramFailed,
    FileNotSFormat,
    FileArea,
    PowerOnAndPress,
    // The windows' rules.
    ChooseAndPress,
    Protected,
    FolderMissing,
    FolderUnreachable,
    NoSuchFileOrFolder,
    // The window's own menu.
    MenuFastLink,
    MenuVerifyBySum,
    // The main window's controls.
    Form1Caption,
    Form1Button1,
    Form1Label1,
    Form1Label2,
    Form1Button2,
    Form1Button3,
    Form1CheckBox1,
    Form1Label5,
    // The ID code dialog's.
    Form2Caption,
    Form2Label2,
    Form2Button2,
    Form2Button1,
    Form2Button3,
    // The settings, shown in the window's error box.
    SettingMissing,
    SettingType,
    SettingTypeQuoted,
    SettingsFileDamaged,
    SettingsAtLine,
    RegNotUtf16,
    RegNotUtf8,
    RegBadEscape,
    RegUnclosedString,
    RegBadHex,
    RegTrailing,
    RegBadDword,
    RegBadType,
    RegBadValue,
    RegNoHeader,
    RegUnclosedKey,
    RegValueBeforeKey,
    RegBadName,
    RegNoEquals,
    RegNoContinuation,
    // The installer's report.
    KelpinBanner,
    KelpinScanning,
    KelpinFound,
    KelpinNotInstalled,
    KelpinInstalled,
    KelpinDebuggerNotInstalled,
    KelpinDebuggerInstalled,
    KelpinHewInstalled,
    KelpinWorkspace,
    KelpinHewNotInstalled,
    KelpinStartCopy,
    KelpinQuoteInPath,
    KelpinPercentInPath,
    KelpinFinished,
    KelpinPressKey,
    KelpinNc30Unsupported,
    KelpinNc308Unsupported,
    Count
};

struct TextRow {
    Tx key;
    const char* ja;
    const char* en;
};

// In the order of Tx.
inline constexpr std::array<TextRow, static_cast<std::size_t>(Tx::Count)> kTexts{{
    {Tx::Connecting, "BOOTモードコネクト中", "Connecting in boot mode"},
    {Tx::NoAnswer, "通信できません! ブートモードを確認してリセットしてください",
     "No answer! Check boot mode and reset the chip"},
    {Tx::NoPort, "COMポートがありません！", "No such COM port!"},
    {Tx::IdMismatch, "ID照合不一致", "ID code does not match"},
    {Tx::IdVerified, "ID照合完了！", "ID code verified!"},
    {Tx::IdAllFf, "ID all FF 照合中", "Checking ID all FF"},
    {Tx::IdFileCheck, "IDファイル 照合中", "Checking the ID file"},
    {Tx::RateRefused, "通信速度を{1}bpsに切り替えられません!",
     "Cannot switch the link to {1} bps!"},
    {Tx::Erasing, "フラッシュ消去中", "Erasing flash"},
    {Tx::Erased, "フラッシュ消去完了！", "Flash erased!"},
    {Tx::CannotErase, "フラッシュを消去できません! ", "Cannot erase the flash!"},
    {Tx::Verifying, "フラッシュベリファイ中", "Verifying flash"},
    {Tx::VerifyFailed, "フラッシュベリファイに失敗しました!", "Flash verify failed!"},
    {Tx::VerifyFailedAtEnd, "フラッシュベリファイに失敗しました! ", "Flash verify failed!"},
    {Tx::WriteStart, "フラッシュ消去・書込み開始", "Starting flash erase and write"},
    {Tx::WriteDone, "フラッシュ書き込みは無事完了しました", "Flash write completed successfully"},
    {Tx::EraseStart, "フラッシュ消去開始", "Starting flash erase"},
    {Tx::EraseDone, "フラッシュ消去は無事完了しました", "Flash erase completed successfully"},
    {Tx::VerifyStart, "フラッシュベリファイ開始", "Starting flash verify"},
    {Tx::VerifyDone, "フラッシュベリファイは無事完了しました",
     "Flash verify completed successfully"},

    {Tx::NotSFormat, "Sフォーマットファイルではありません！", "Not an S-format file!"},
    {Tx::CannotReadSFormat, "Sフォーマットファイルを読み込めません！",
     "Cannot read the S-format file!"},
    {Tx::CheckingSFormat, "Sフォーマットファイル検証中", "Checking the S-format file"},
    {Tx::Programming, "フラッシュ書き込み中", "Writing flash"},
    {Tx::SFormatBroken, "Sフォーマットファイルが異常です！", "The S-format file is broken!"},
    {Tx::SFormatChecksum, "Sフォーマットファイルのチェックサムが異常です！",
     "Checksum error in the S-format file!"},
    {Tx::ProgramFailed, "フラッシュ書き込みに失敗しました!", "Flash write failed!"},
    {Tx::FileNotSFormat, "書き込みファイルはSフォーマットでないか、異常です",
     "The write file is not an S-format file, or is broken"},
    {Tx::FileArea, "書込エリア({1}-{2})  書込サイズ({3}バイト)",
     "Write area({1}-{2})  Size({3} bytes)"},
    {Tx::PowerOnAndPress, "ブートモードでマイコンの電源ON、書込実行ボタンを押す",
     "Power the chip on in boot mode, then press the write button"},

    {Tx::ChooseAndPress, "書込ファイル選択、ブートモードでマイコンの電源ON、ボタンを押す",
     "Choose the write file, power the chip on in boot mode, press a button"},
    {Tx::Protected, "プロテクトされています。プロテクトIDを指定してください",
     "The chip is protected. Enter its ID code"},
    {Tx::FolderMissing, "フォルダ「{1}」が見つかりません", "Folder \"{1}\" not found"},
    {Tx::FolderUnreachable, "フォルダ「{1}」に移れません", "Cannot change to folder \"{1}\""},
    {Tx::NoSuchFileOrFolder, "「{1}」というファイルもフォルダもありません",
     "No file or folder named \"{1}\""},
    {Tx::MenuFastLink, "高速通信 (115200)", "Fast link (115200)"},
    {Tx::MenuVerifyBySum, "チェックデータで照合", "Verify by check data"},

    {Tx::Form1Caption, "<R8C/M16C Talvoro2>  Orvane", "<R8C/M16C Talvoro2>  Orvane"},
    {Tx::Form1Button1, "フラッシュ書き込み実行", "Write flash"},
    {Tx::Form1Label1, "書込ファイル", "Write file"},
    {Tx::Form1Label2, "ポート", "Port"},
    {Tx::Form1Button2, "消去", "Erase"},
    {Tx::Form1Button3, "ベリファイ", "Verify"},
    {Tx::Form1CheckBox1, "ModePin", "ModePin"},
    {Tx::Form1Label5, "制御", "Control"},
    {Tx::Form2Caption, "プロテクトID入力", "Enter protect ID"},
    {Tx::Form2Label2, "IDコード", "ID code"},
    {Tx::Form2Button2, ".IDファイル参照", "Open .ID file"},
    {Tx::Form2Button1, "OK", "OK"},
    {Tx::Form2Button3, "Cancel", "Cancel"},

    {Tx::SettingMissing, "設定値 {1} がありません", "Setting {1} is missing"},
    {Tx::SettingType, "設定値 {1} のデータ型が正しくありません", "Setting {1} has the wrong type"},
    {Tx::SettingTypeQuoted, "\"{1}\" のデータ型が正しくありません", "\"{1}\" has the wrong type"},
    {Tx::SettingsFileDamaged, "設定ファイル {1} が壊れています ({2})",
     "The settings file {1} is damaged ({2})"},
    {Tx::SettingsAtLine, "{1} 行目: {2}", "line {1}: {2}"},
    {Tx::RegNotUtf16, "UTF-16 のテキストとして読めません", "not readable as UTF-16 text"},
    {Tx::RegNotUtf8, "UTF-8 のテキストとして読めません", "not readable as UTF-8 text"},
    {Tx::RegBadEscape, "文字列の \\ の使い方が正しくありません", "a \\ in a string is misused"},
    {Tx::RegUnclosedString, "文字列が \" で閉じていません", "a string is not closed by \""},
    {Tx::RegBadHex, "16 進のバイト列が正しくありません", "a list of hex bytes is wrong"},
    {Tx::RegTrailing, "文字列の後に余分な文字があります", "characters follow a string"},
    {Tx::RegBadDword, "dword の値が正しくありません", "a dword value is wrong"},
    {Tx::RegBadType, "値の型が正しくありません", "a value's type is wrong"},
    {Tx::RegBadValue, "値の形式が正しくありません", "a value's form is wrong"},
    {Tx::RegNoHeader, "\"Windows Registry Editor Version 5.00\" で始まっていません",
     "does not begin with \"Windows Registry Editor Version 5.00\""},
    {Tx::RegUnclosedKey, "キー名が ] で閉じていません", "a key name is not closed by ]"},
    {Tx::RegValueBeforeKey, "キー名より前に値があります", "a value comes before any key name"},
    {Tx::RegBadName, "値の名前が正しくありません", "a value's name is wrong"},
    {Tx::RegNoEquals, "= がありません", "= is missing"},
    {Tx::RegNoContinuation, "続きの行がありません", "the continuation line is missing"},

    {Tx::KelpinBanner, "Kelpin Installer\n", "Kelpin Installer\n"},
    {Tx::KelpinScanning, "Scaning R8C/M16C/M32C toolchain and debugger ....\n",
     "Scanning for R8C/M16C/M32C toolchains and debuggers ....\n"},
    {Tx::KelpinFound, "found {1} <{2}> <{3}>\n", "found {1} <{2}> in <{3}>\n"},
    {Tx::KelpinNotInstalled, "{1} not installed!!\n", "{1} is not installed!\n"},
    {Tx::KelpinInstalled, "{1} ver.{2} installed <{3}>\n", "{1} version {2} installed in <{3}>\n"},
    {Tx::KelpinDebuggerNotInstalled, "{1} Debugger not installed!!\n",
     "{1} Debugger is not installed!\n"},
    {Tx::KelpinDebuggerInstalled, "{1} Debugger installed <{2}>\n",
     "{1} Debugger installed in <{2}>\n"},
    {Tx::KelpinHewInstalled, "HEW ver.{1} installed <{2}>\n",
     "HEW version {1} installed in <{2}>\n"},
    {Tx::KelpinWorkspace, "Default Workspace directory <{1}>\n",
     "Default workspace folder <{1}>\n"},
    {Tx::KelpinHewNotInstalled, "HEW not installed!!\n", "HEW is not installed!\n"},
    {Tx::KelpinStartCopy, "\nStart copy files...\n", "\nCopying files...\n"},
    {Tx::KelpinQuoteInPath, "パスに\"か制御文字が含まれるため、このフォルダはコピーしません!!\n",
     "The path holds \" or a control character, so this folder is not copied!\n"},
    {Tx::KelpinPercentInPath, "パスに%が含まれるため、このフォルダはコピーしません!!\n",
     "The path holds %, so this folder is not copied!\n"},
    {Tx::KelpinFinished, "Kelpinのインストールは終了しました!\n\a",
     "Kelpin has finished installing!\n\a"},
    {Tx::KelpinPressKey, "何かキーを押してください!!", "Press any key!"},
    {Tx::KelpinNc30Unsupported, "このNC30WAのバージョンはサポートされません!!\n",
     "This version of NC30WA is not supported!\n"},
    {Tx::KelpinNc308Unsupported, "このNC308WAのバージョンはサポートされません!!\n",
     "This version of NC308WA is not supported!\n"},
}};

static_assert([] {
    for (std::size_t i = 0; i < kTexts.size(); ++i) {
        if (static_cast<std::size_t>(kTexts[i].key) != i) return false;
    }
    return true;
}());

// The text of `key` as written, placeholders and all.
constexpr const char* Say(Tx key, Lang lang) {
    const TextRow& row = kTexts[static_cast<std::size_t>(key)];
    return lang == Lang::En ? row.en : row.ja;
}

// The text with {1}, {2}, ... replaced by `args` in that order; a placeholder with no argument
// stays as it is, so a missing one shows rather than vanishes.
std::string Fill(std::string_view pattern, std::initializer_list<std::string_view> args);
inline std::string Say(Tx key, Lang lang, std::initializer_list<std::string_view> args) {
    return Fill(Say(key, lang), args);
}

// "en" or "ja"; nothing for anything else.
std::optional<Lang> ParseLang(std::string_view name);

// The language a program speaks: the one asked for on its command line, else the one the
// environment names (BRAMBLET_LANG, passed in so that tests need not set it), else Japanese. A
// value of the environment that names no language is passed over, as an unset one is.
Lang ChooseLang(std::optional<Lang> asked, const char* environment);

inline constexpr char kLangVariable[] = "BRAMBLET_LANG";

}  // namespace text
