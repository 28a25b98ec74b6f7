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
    // The window's languages, each named in its own so that a reader of either finds it.
    MenuEnglish,
    MenuJapanese,
    // The command-line programs' own texts.
    ListComma,
    ListOr,
    SimUsage,
    SimUnknownOption,
    SimBadValue,
    SimOpenpty,
    SimCannotPublish,
    SimCannotSave,
    CliNeedsValue,
    CliNoCommand,
    CliUnknownCommand,
    CliUnknownOption,
    CliFamilyTakes,
    CliIdTakes,
    CliIdFamilyTakes,
    CliBaudTakes,
    CliLatencyTakes,
    CliEraseBlockTakes,
    CliVerifyByTakes,
    CliSerialTakes,
    CliSerialCmdTakes,
    CliSerialDoneTakes,
    CliSerialDoneNeedsSerial,
    CliLangTakes,
    CliSetIdTakes,
    CliForceNeedsSetId,
    CliBaseTakes,
    CliNotAnOptionOf,
    CliSequenceTakes,
    CliNoRange,
    CliManyRanges,
    CliBadRange,
    CliManyFiles,
    CliNoFile,
    CliNoArgumentsTaken,
    CliPortRequired,
    CliReadOnePort,
    CliReadNeedsOutput,
    CliNoEraseWithBlock,
    CliBaud9600ModePin,
    CliUsage,
    CliOptions,
    // The file readers' problems.
    FormatSRecords,
    FormatIntelHex,
    FormatElf,
    FormatBinary,
    FileHasOwnAddresses,
    FileNoFormat,
    FileReadErrorPartWay,
    HexLine,
    HexByte,
    HexNoEndRecord,
    HexRecordStart,
    HexNotDigit,
    HexOddDigits,
    HexTooLong,
    HexAfterRecord,
    HexTooShort,
    HexLengthMismatch,
    HexChecksum,
    HexBeyondChip,
    HexEndWithData,
    HexSegmentBase,
    HexLinearBase,
    HexStartAddress,
    HexUnknownType,
    ElfOffset,
    ElfTooShort,
    ElfNot32Bit,
    ElfNotLittleEndian,
    ElfTooManyHeaders,
    ElfSmallHeaders,
    ElfHeadersPastEnd,
    ElfSegmentPastEnd,
    ElfSegmentBeyondChip,
    BinaryBeyondChip,
    IdFileCannotWrite,
    IdFileCannotWriteWhy,
    // bramblet-cli's explanations, reports and port descriptions.
    CliCannotOpenPort,
    CliStoppedDuring,
    CliAtPage,
    CliPage,
    CliEraseOf,
    CliByteIs,
    CliNoByteFor,
    CliNoStatusPoll,
    CliSrdReady,
    CliSrdBusy,
    CliSrdEraseError,
    CliSrdProgramError,
    CliIdNotChecked,
    CliIdMismatchWords,
    CliIdVerifiedWords,
    CliIdState10,
    CliReceiveTimeout,
    CliSlowAdapter,
    CliLowerLatency,
    CliOrPassLatency,
    CliLatencyWarning,
    CliVersionLine,
    CliFamilyLine,
    CliLatencyLine,
    CliNoStatusRead,
    CliLossWriteStalled,
    CliLossStopped,
    CliLossGone,
    CliPageShort,
    CliCannotWrite,
    CliCannotWriteWhy,
    CliNotBlankAt,
    CliNoSerialNumberText,
    CliCrcLine,
    CliCannotListPorts,
    CliPortUsb,
    CliPortUart,
    CliPortSimulated,
    CliPortOther,
    CliPortNoSerial,
    CliPortSerial,
    CliPortInterface,
    CliPortPluggedIn,
    CliPortLatency,
    CliPortMayNotOpen,
    CliPortMayNotOpenGroup,
    CliPortsUnlisted,
    CliNoAdapterFits,
    CliNoPortsThere,
    CliPortsThereAre,
    CliSeveralAdaptersFit,
    CliByte,
    CliBytes,
    CliCannotRun,
    CliKilledBySignal,
    CliExitedWith,
    CliCounterCannotTake,
    CliListCannotTake,
    CliListExhausted,
    CliGaveAgain,
    CliCounterNoNumber,
    CliSerialNoFit,
    CliSerialsNoFit,
    CliListLine,
    CliListNotNumber,
    CliNoFit,
    CliAlsoOnLine,
    CliPrintedNotNumber,
    CliGaveNoFit,
    CliBookFailed,
    CliCannotOpenLog,
    CliSerialSetIdClash,
    CliSerialFileClash,
    CliCannotWriteLog,
    CliSummaryOk,
    CliSummaryFailed,
    CliIdFileUnreadable,
    CliIdFileOther,
    CliIdFileUnwritable,
    CliIdConflicts,
    CliIdConflict,
    CliIdAlreadyHeld,
    CliIdKept,
    CliIdGivenOther,
    CliChipsHoldSetId,
    CliNoSuchDevice,
    CliAddToGroup,
    CliOnlyOwner,
    CliPermissionDenied,
    CliPortBusy,
    CliRemedyUdev,
    CliRemedyDeviceManager,
    CliBootVersion,
    // Why a step of a sequence failed, beyond its status text.
    CoreBlockHolding,
    CoreBlock,
    CoreNoCheckData,
    CoreCheckDataDiffers,
    CoreNoEcho,
    CoreNoStatusAt,
    CoreCannotDrive,
    CoreNoModemLines,
    // Why a port could not be opened or stopped carrying bytes, and port selectors not read.
    PortNoName,
    PortNotSerial,
    PortClosed,
    PortStalled,
    PortNamesAnother,
    PortNameTooLong,
    PortNoSuch,
    PortInUse,
    PortError,
    PortSystemError,
    PortSelectorPlace,
    PortSelectorNone,
    PortSelectorId,
    PortSelectorSerial,
    // Why a program a station runs could not be started.
    ProgramNone,
    ProgramBatch,
    FileShortWrite,
    // bramblet-sim's preload file and its log.
    SimCannotOpen,
    SimNotSRecord,
    SimNotHexDigit,
    SimBadCount,
    SimRecordShort,
    SimLogReset,
    SimLogRate,
    SimLogRefused,
    // The steps a sequence can fail at: in a sentence ("stopped during the erase"), and where a
    // failure happened when no page says it.
    StepNone,
    StepFileCheck,
    StepOpenPort,
    StepConnect,
    StepAtConnect,
    StepBaudRate,
    StepIdCode,
    StepErase,
    StepAtErase,
    StepProgram,
    StepVerify,
    StepAtVerify,
    StepRead,
    StepLines,
    StepSerial,
    // bramblet-cli's usage: each command's and each option's help.
    CliUsageOptions,
    CliUsageCheckSummary,
    CliUsageCheckDetails,
    CliUsageWriteSummary,
    CliUsageWriteDetails,
    CliUsageVerifySummary,
    CliUsageVerifyDetails,
    CliUsageEraseSummary,
    CliUsageEraseDetails,
    CliUsageInfoSummary,
    CliUsageInfoDetails,
    CliUsageReadSummary,
    CliUsageReadDetails,
    CliUsageBlankCheckSummary,
    CliUsageBlankCheckDetails,
    CliUsagePortsSummary,
    CliUsagePortsDetails,
    CliUsagePort,
    CliUsageFamily,
    CliUsageModePin,
    CliUsageId,
    CliUsageBaud,
    CliUsageBefore,
    CliUsageAfter,
    CliUsageLatency,
    CliUsageJson,
    CliUsageLog,
    CliUsageEraseBlock,
    CliUsageNoErase,
    CliUsageSkipBlank,
    CliUsageVerifyBy,
    CliUsageSerial,
    CliUsageSerialDone,
    CliUsageSetId,
    CliUsageForce,
    CliUsageLang,
    CliUsageBase,
    CliUsageO,
    CliUsageOOwn,
    CliUsageHelp,
    CliUsageVersion,
    CliUsageTail,
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
     "Choose a file, power the chip on in boot mode, press a button"},
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

    {Tx::MenuEnglish, "English", "English"},
    {Tx::MenuJapanese, "日本語", "日本語"},
    {Tx::ListComma, "、", ", "},
    {Tx::ListOr, " または ", " or "},
    {Tx::SimUsage,
     "使い方: bramblet-sim [オプション]\n"
     "ブートモードの R8C、M16C または M32C チップを擬似端末上で模擬します。端末のパスを表示し、\n"
     "SIGTERM か SIGINT まで動作し (SIGUSR1 でチップをリセット)、最後にフラッシュを保存します。\n"
     "  -h, --help               このヘルプを表示して終了\n"
     "  --family R8C|M16C|M32C   チップのファミリ (R8C)\n"
     "  --id HEX14               フラッシュ内の ID コード、7 バイト (既定: 空の ID 領域)\n"
     "  --verified-when-blank    ID 領域が空の間は、最初から ID 照合済みと報告する\n"
     "  --version TEXT           Version Read への応答 (VER.1.00)\n"
     "  --mode-pin               リセット直後から UART を 38400 baud にする (MODE 端子で起動した\n"
     "                           R8C と同じ)\n"
     "  --max-baud RATE          ブートプログラムが知る最速の速度: 9600、19200、38400、57600\n"
     "                           または 115200 (115200)。古い M16C グループは 57600 まで\n"
     "  --load FILE              S レコードファイルからフラッシュを読み込んでおく\n"
     "  --save FILE              終了時にフラッシュを S レコードファイルに保存する\n"
     "  --link PATH              端末をシンボリックリンク PATH としても公開する\n"
     "  --no-publish             模擬ポートのフォルダにリンクを作らない\n"
     "  --program-time MS        ページの書き込み時間 (12.8)\n"
     "  --erase-time MS          ブロックごとの消去時間 (100)\n"
     "  --adapter NAME           ライタとチップの間の USB シリアル変換器: ideal、ftdi[:MS]\n"
     "                           (62 バイトのパケット、レイテンシタイマ MS、16)、cp210x、ch340\n"
     "                           または pl2303 (ideal)\n"
     "  --verbose                すべてのコマンドと速度の切り替えを標準エラーに記録する\n"
     "  --lang LANG              en または ja: このヘルプとメッセージの言語\n"
     "                           (なければ $BRAMBLET_LANG、それもなければ英語)\n"
     "  --reset-line LINE        RESET をライタの LINE (dtr か rts) につなぐ: LINE がアサート\n"
     "                           されている間リセットを保持 (LINE:inverted ではクリアの間)\n"
     "  --mode-line LINE         モード端子 (MODE、CNVss) を LINE につなぐ: LINE がアサートされて\n"
     "                           いる間ブートレベル (LINE:inverted ではクリアの間)。モード端子が\n"
     "                           ブートレベルのまま RESET "
     "が解除されたときだけブートモードになり、\n"
     "                           そうでなければチップは自分のプログラムを実行し、次のリセット\n"
     "                           (SIGUSR1) "
     "まで何も応答しない。擬似端末にはモデム制御線がないため、\n"
     "                           ここでは常にクリアのまま\n"
     "障害:\n"
     "  --sync-answer K[:HEX]    K 番目の同期用ゼロに HEX (00) で応答する\n"
     "  --echo HEX               Baud Rate Check にエコーではなく HEX で応答する\n"
     "  --status-bytes N         2 バイトのステータスのうち N バイトだけ送る\n"
     "  --page-read-bytes N      Page Read の 256 バイトのうち N バイトだけ送る\n"
     "  --loopback               ブートプログラムなし: 送られたバイトをすべてそのまま返す\n"
     "  --silent-after-pages N   N ページ書き込んだ後の次のページから応答しなくなる\n"
     "  --reset-after-pages N    N ページ書き込んだ後の次のページでリセットする\n"
     "  --corrupt-read ADDR      Page Read で ADDR (16 進) のバイトの最下位ビットを反転する\n"
     "  --noise HEX              電源投入時にライタが回線上で受け取るバイト (速度は問わない)\n"
     "通信速度: 同期するまで、チップは --max-baud までの上記のどの速度のライタも聞き取り、\n"
     "ライタの速度で応答する。最初の同期用ゼロまたは Baud Rate Check (0xB0) が来ると、その\n"
     "速度に UART をリセットまで固定する (--mode-pin: リセット直後から 38400、同期なし)。\n"
     "0xB0 はチップが固定している速度 (9600 も含む) でエコーされる。0xB1 19200、0xB2 38400、\n"
     "0xB3 57600、0xB4 115200 は固定中の速度でエコーされ、その後チップは新しい速度で聞き取り\n"
     "応答する。--max-baud を超える速度は未知のコマンドとして拒否される (エコーなし、SRD の\n"
     "ビット 5 と 4 がセット)。チップを移した後に 19200 からやり直すライタは、リセット\n"
     "(SIGUSR1) まで応答を得られない。--max-baud 9600 では、最初から 9600 のライタだけが応答を\n"
     "得る。チップと異なる速度で送られたバイトは、チップの UART がサンプリングしたとおりに届き\n"
     "(別のバイトか、捨てられるフレーミングエラー)、別の速度のライタにはチップの応答がその\n"
     "ライタの UART がサンプリングしたとおりに届く。\n",
     "usage: bramblet-sim [options]\n"
     "A simulated R8C, M16C or M32C chip in boot mode on a pseudo-terminal. Prints the terminal's\n"
     "path, runs until SIGTERM or SIGINT (SIGUSR1 resets the chip), then saves its flash.\n"
     "  -h, --help               print this help and exit\n"
     "  --family R8C|M16C|M32C   chip family (R8C)\n"
     "  --id HEX14               ID code in the flash, 7 bytes (default: blank ID area)\n"
     "  --verified-when-blank    report the ID verified at once while the ID area is blank\n"
     "  --version TEXT           answer to Version Read (VER.1.00)\n"
     "  --mode-pin               UART at 38400 baud from reset, as an R8C started by its MODE pin\n"
     "  --max-baud RATE          fastest rate the boot program knows: 9600, 19200, 38400, 57600\n"
     "                           or 115200 (115200); older M16C groups stop at 57600\n"
     "  --load FILE              preload the flash from an S-record file\n"
     "  --save FILE              save the flash as an S-record file at the end\n"
     "  --link PATH              also publish the terminal as a symbolic link PATH\n"
     "  --no-publish             no link in the folder of simulated ports\n"
     "  --program-time MS        page program time (12.8)\n"
     "  --erase-time MS          erase time per block (100)\n"
     "  --adapter NAME           the USB-serial adapter between writer and chip: ideal, ftdi[:MS]\n"
     "                           (62-byte packets, latency timer MS, 16), cp210x, ch340 or\n"
     "                           pl2303 (ideal)\n"
     "  --verbose                log every command and rate change on standard error\n"
     "  --lang LANG              en or ja: the language of this help and of the messages\n"
     "                           (else $BRAMBLET_LANG, else English)\n"
     "  --reset-line LINE        RESET is wired to the writer's LINE, dtr or rts: held while\n"
     "                           the line is asserted (LINE:inverted: while it is cleared)\n"
     "  --mode-line LINE         the mode pin (MODE, CNVss) is wired to LINE: at its boot level\n"
     "                           while the line is asserted (LINE:inverted: while cleared).\n"
     "                           Boot mode only when RESET is released with the mode pin at its\n"
     "                           boot level; otherwise the chip runs its program and answers\n"
     "                           nothing until the next reset (SIGUSR1). A pseudo-terminal\n"
     "                           carries no modem lines: here they stay cleared\n"
     "Faults:\n"
     "  --sync-answer K[:HEX]    answer the K-th synchronisation zero with HEX (00)\n"
     "  --echo HEX               answer a Baud Rate Check with HEX instead of its echo\n"
     "  --status-bytes N         send only N of the 2 status bytes\n"
     "  --page-read-bytes N      send only N of the 256 bytes of a Page Read\n"
     "  --loopback               no boot program: return every byte sent\n"
     "  --silent-after-pages N   fall silent at the page after N programmed pages\n"
     "  --reset-after-pages N    reset at the page after N programmed pages\n"
     "  --corrupt-read ADDR      flip the lowest bit of the byte at ADDR (hex) in Page Reads\n"
     "  --noise HEX              bytes the writer finds on the line at power-on, at any rate\n"
     "Rates: until it synchronises, the chip hears the writer at any of the rates above up to\n"
     "--max-baud and answers at the writer's rate. The first synchronisation zero or Baud Rate\n"
     "Check (0xB0) then holds its UART at the rate it came at until reset (--mode-pin: 38400\n"
     "from reset, no synchronisation). 0xB0 is echoed at whatever rate the chip holds, 9600\n"
     "included. 0xB1 19200, 0xB2 38400, 0xB3 57600 and 0xB4 115200 are echoed at the rate held,\n"
     "then the chip listens and answers at the new rate; a rate above --max-baud is refused as\n"
     "an unknown command (no echo, SRD bits 5 and 4 set). A writer that starts again at 19200\n"
     "after moving the chip gets no answer until it is reset (SIGUSR1). With --max-baud 9600\n"
     "only a writer at 9600 from the start gets an answer. Bytes sent at a rate other than the\n"
     "chip's arrive as its UART samples them (other bytes, or framing errors, which it drops);\n"
     "its answers reach a writer at another rate as that writer's UART samples them.\n"},
    {Tx::SimUnknownOption, "bramblet-sim: 不明なオプション {1}\n",
     "bramblet-sim: unknown option {1}\n"},
    {Tx::SimBadValue, "bramblet-sim: {1} の値が正しくないか、ありません\n",
     "bramblet-sim: bad or missing value for {1}\n"},
    {Tx::SimOpenpty, "bramblet-sim: 擬似端末を開けません: {1}\n", "bramblet-sim: openpty: {1}\n"},
    {Tx::SimCannotPublish, "bramblet-sim: {1} を公開できません: {2}\n",
     "bramblet-sim: cannot publish {1}: {2}\n"},
    {Tx::SimCannotSave, "bramblet-sim: {1} に書き込めません\n", "bramblet-sim: cannot write {1}\n"},
    {Tx::CliNeedsValue, "{1} には値が必要です", "{1} needs a value"},
    {Tx::CliNoCommand, "コマンドがありません", "no command"},
    {Tx::CliUnknownCommand, "不明なコマンド '{1}'", "unknown command '{1}'"},
    {Tx::CliUnknownOption, "不明なオプション {1}", "unknown option {1}"},
    {Tx::CliFamilyTakes, "--family には {1} を指定してください", "--family takes {1}"},
    {Tx::CliIdTakes,
     "--id には 16 進 14 桁を指定してください (後に ,FAMILY を付けることもできます)",
     "--id takes 14 hex digits, optionally followed by ,FAMILY"},
    {Tx::CliIdFamilyTakes, "--id のコンマの後にはファミリ {1} を指定してください",
     "--id takes the family {1} after the comma"},
    {Tx::CliBaudTakes, "--baud には {1} を指定してください", "--baud takes {1}"},
    {Tx::CliLatencyTakes, "--latency には 0 から 255 までのミリ秒を指定してください",
     "--latency takes milliseconds from 0 to 255"},
    {Tx::CliEraseBlockTakes, "--erase-block には FFFFFF までの 16 進アドレスを指定してください",
     "--erase-block takes a hexadecimal address up to FFFFFF"},
    {Tx::CliVerifyByTakes, "--verify-by には sum か read を指定してください",
     "--verify-by takes sum or read"},
    {Tx::CliSerialTakes,
     "--serial には ADDR:WIDTH:COUNTER、ADDR:WIDTH:list:FILE または ADDR:WIDTH:cmd:COMMAND "
     "を指定してください: 16 進アドレス、FFFFFF 以下で終わる 1 から 8 バイトの幅、番号の出どころ",
     "--serial takes ADDR:WIDTH:COUNTER, ADDR:WIDTH:list:FILE or ADDR:WIDTH:cmd:COMMAND: "
     "a hexadecimal address, a width of 1 to 8 bytes that ends at or below FFFFFF, and "
     "where the numbers come from"},
    {Tx::CliSerialCmdTakes,
     "--serial cmd: にはプログラムとその引数を指定してください (引用符は閉じること)",
     "--serial cmd: takes a program and its arguments, a quoted part closed"},
    {Tx::CliSerialDoneTakes,
     "--serial-done にはプログラムとその引数を指定してください (引用符は閉じること)",
     "--serial-done takes a program and its arguments, a quoted part closed"},
    {Tx::CliSerialDoneNeedsSerial, "--serial-done には --serial が必要です",
     "--serial-done needs --serial"},
    {Tx::CliLangTakes, "--lang には en か ja を指定してください", "--lang takes en or ja"},
    {Tx::CliSetIdTakes, "--set-id には 16 進 14 桁を指定してください",
     "--set-id takes 14 hex digits"},
    {Tx::CliForceNeedsSetId, "--force は --set-id とともにだけ使えます",
     "--force goes only with --set-id"},
    {Tx::CliBaseTakes, "--base には FFFFFF までの 16 進アドレスを指定してください",
     "--base takes a hexadecimal address up to FFFFFF"},
    {Tx::CliNotAnOptionOf, "{1} は {2} のオプションではありません", "{1} is not an option of {2}"},
    {Tx::CliSequenceTakes,
     "{1} には dtr=0、dtr=1、rts=0、rts=1、wait=MS (MS は {2} まで) "
     "をコンマで区切って指定してください",
     "{1} takes dtr=0, dtr=1, rts=0, rts=1 and wait=MS (MS up to {2}), comma-separated"},
    {Tx::CliNoRange, "START-END がありません", "no START-END given"},
    {Tx::CliManyRanges, "START-END が 2 つ以上あります", "more than one START-END given"},
    {Tx::CliBadRange,
     "START-END には FFFFFF までの 16 進アドレスを 2 つ、1 つ目が 2 "
     "つ目を超えないように指定してください (4000-FFFF)",
     "START-END takes two hexadecimal addresses up to FFFFFF, the first not above the second "
     "(4000-FFFF)"},
    {Tx::CliManyFiles, "FILE が 2 つ以上あります", "more than one FILE given"},
    {Tx::CliNoFile, "FILE がありません", "no FILE given"},
    {Tx::CliNoArgumentsTaken, "{1} は引数を取りません", "{1} takes no arguments"},
    {Tx::CliPortRequired, "--port PORT が必要です", "--port PORT is required"},
    {Tx::CliReadOnePort, "read に指定できる --port は 1 つだけです", "read takes one --port"},
    {Tx::CliReadNeedsOutput, "read には -o FILE が必要です", "read needs -o FILE"},
    {Tx::CliNoEraseWithBlock, "--no-erase と --erase-block は同時に使えません",
     "--no-erase and --erase-block cannot be used together"},
    {Tx::CliBaud9600ModePin,
     "--baud 9600 は --mode-pin と同時に使えません: モード端子での接続は 38400 で動きます",
     "--baud 9600 cannot be used with --mode-pin: the mode-pin link runs at 38400"},
    {Tx::CliUsage, "使い方: ", "usage: "},
    {Tx::CliOptions, "オプション:\n", "options:\n"},
    {Tx::FormatSRecords, "S レコード", "S-records"},
    {Tx::FormatIntelHex, "Intel HEX", "Intel HEX"},
    {Tx::FormatElf, "ELF", "ELF"},
    {Tx::FormatBinary, "生のバイナリ", "a raw binary"},
    {Tx::FileHasOwnAddresses,
     "{1}: このファイル ({2}) "
     "はアドレスを自ら持っています。ベースアドレスは生のバイナリにだけ使います",
     "{1}: the file is {2}, which holds its own addresses; a base address is only for a raw "
     "binary"},
    {Tx::FileNoFormat,
     "{1}: S レコード、Intel HEX、ELF "
     "のいずれでもありません。生のバイナリにはベースアドレスが必要です",
     "{1}: neither S-records, Intel HEX nor ELF; a raw binary needs a base address"},
    {Tx::FileReadErrorPartWay, "{1}: ファイルの途中で読み込みエラーが起きました",
     "{1}: a read error part-way through the file"},
    {Tx::HexLine, "{1} 行目: ", "line {1}: "},
    {Tx::HexByte, "バイト {1}", "byte {1}"},
    {Tx::HexNoEndRecord, "エンドレコード (タイプ 01) がないままファイルが終わっています",
     "the file ends without an end record (type 01)"},
    {Tx::HexRecordStart, "レコードは ':' で始まるはずですが、{1} で始まっています",
     "a record must start with ':', not {1}"},
    {Tx::HexNotDigit, "{1} は 16 進数字ではありません", "{1} is not a hex digit"},
    {Tx::HexOddDigits, "16 進数字の数が奇数です", "an odd number of hex digits"},
    {Tx::HexTooLong, "レコードがどのレコードよりも長くなっています",
     "the record is longer than any can be"},
    {Tx::HexAfterRecord, "レコードの後に {1} があります", "{1} after the record"},
    {Tx::HexTooShort, "レコードが短すぎます", "the record is too short"},
    {Tx::HexLengthMismatch, "レコードのデータ長は {1} バイトですが、データは {2} バイトです",
     "the record says {1} data bytes but has {2}"},
    {Tx::HexChecksum, "チェックサムが {1} ですが、レコードのバイトからは {2} になります",
     "checksum {1}, the record's bytes give {2}"},
    {Tx::HexBeyondChip, "アドレス {1} がチップのアドレス空間 (FFFFFF) を超えています",
     "address {1} is beyond the chip's address space (FFFFFF)"},
    {Tx::HexEndWithData, "エンドレコード (タイプ 01) にデータがあります",
     "an end record (type 01) with data"},
    {Tx::HexSegmentBase, "セグメントベースレコード (タイプ 02) には 2 バイトが必要です",
     "a segment base record (type 02) needs 2 bytes"},
    {Tx::HexLinearBase, "リニアベースレコード (タイプ 04) には 2 バイトが必要です",
     "a linear base record (type 04) needs 2 bytes"},
    {Tx::HexStartAddress, "スタートアドレスレコードには 4 バイトが必要です",
     "a start address record needs 4 bytes"},
    {Tx::HexUnknownType, "不明なレコードタイプ {1} です", "unknown record type {1}"},
    {Tx::ElfOffset, "オフセット {1}", "offset {1}"},
    {Tx::ElfTooShort, "ELF ヘッダーより短いファイルです", "too short for an ELF header"},
    {Tx::ElfNot32Bit, "32 ビットの ELF ファイルではありません (クラス {1})",
     "not a 32-bit ELF file (class {1})"},
    {Tx::ElfNotLittleEndian, "リトルエンディアンの ELF ファイルではありません (データ {1})",
     "not a little-endian ELF file (data {1})"},
    {Tx::ElfTooManyHeaders, "プログラムヘッダーの数がヘッダーで数えられる数を超えています",
     "more program headers than the header can count"},
    {Tx::ElfSmallHeaders, "プログラムヘッダーが {1} バイトで、32 バイトに足りません",
     "program headers of {1} bytes, fewer than 32"},
    {Tx::ElfHeadersPastEnd, "{1} のプログラムヘッダーがファイルの終わりを越えています",
     "the program headers at {1} run past the end of the file"},
    {Tx::ElfSegmentPastEnd,
     "セグメント {1} (プログラムヘッダーは {2}): {4} からの {3} "
     "バイトがファイルの終わりを越えています",
     "segment {1} (program header at {2}): its {3} bytes at {4} run past the end of the file"},
    {Tx::ElfSegmentBeyondChip,
     "セグメント {1} (プログラムヘッダーは {2}): アドレス {4} からの {3} "
     "バイトがチップのアドレス空間 (FFFFFF) を超えています",
     "segment {1} (program header at {2}): its {3} bytes at address {4} reach beyond the chip's "
     "address space (FFFFFF)"},
    {Tx::BinaryBeyondChip,
     "ベース {2} からの {1} バイトは、{3} 以降がチップのアドレス空間 (FFFFFF) を超えています",
     "{1} bytes at base {2} reach beyond the chip's address space (FFFFFF) from {3} on"},
    {Tx::IdFileCannotWrite, "{1} を書き込めません", "cannot write {1}"},
    {Tx::IdFileCannotWriteWhy, "{1} を書き込めません: {2}", "cannot write {1}: {2}"},
    {Tx::CliCannotOpenPort, "ポート {1} を開けません: {2}", "cannot open port {1}: {2}"},
    {Tx::CliStoppedDuring, "{1}の途中で中止しました", "stopped during {1}"},
    {Tx::CliAtPage, " (ページ {1})", ", at page {1}"},
    {Tx::CliPage, "ページ {1}", "page {1}"},
    {Tx::CliEraseOf, "{2} の{1}", "{1} of {2}"},
    {Tx::CliByteIs, "{1}: バイト {2} が {3} です (期待値 {4})",
     "{1}: byte {2} is {3}, expected {4}"},
    {Tx::CliNoByteFor, "{1}: {2} のバイトが届きません", "{1}: no byte came for {2}"},
    {Tx::CliNoStatusPoll, "{1}: チップがステータスの問い合わせに応答しません",
     "{1}: the chip did not answer the status poll"},
    {Tx::CliSrdReady, "レディ", "ready"},
    {Tx::CliSrdBusy, "ビジー", "busy"},
    {Tx::CliSrdEraseError, "消去エラー", "erase error"},
    {Tx::CliSrdProgramError, "書き込みエラー", "program error"},
    {Tx::CliIdNotChecked, "ID 未照合", "ID not checked"},
    {Tx::CliIdMismatchWords, "ID 不一致", "ID mismatch"},
    {Tx::CliIdVerifiedWords, "ID 照合済み", "ID verified"},
    {Tx::CliIdState10, "ID 状態 10", "ID state 10"},
    {Tx::CliReceiveTimeout, "受信タイムアウト", "receive time-out"},
    {Tx::CliSlowAdapter, "遅延タイマが {1} ms のアダプタを通して応答が届きませんでした",
     "no reply came through an adapter whose latency timer is {1} ms"},
    {Tx::CliLowerLatency, "{1}。タイマを下げてください: {2}", "{1}; lower it: {2}"},
    {Tx::CliOrPassLatency, "。または --latency {1} を指定してください", ", or pass --latency {1}"},
    {Tx::CliLatencyWarning,
     "アダプタの遅延タイマが {1} ms です: USB パケットより短い応答はそれぞれ最大 {1} ms "
     "待たされ、書き込みが遅くなります。{2}",
     "the adapter's latency timer is {1} ms: each reply shorter than a USB packet waits up to "
     "{1} ms, which makes a write slower; {2}"},
    {Tx::CliVersionLine, "バージョン: {1}", "version: {1}"},
    {Tx::CliFamilyLine, "ファミリ: {1}", "family: {1}"},
    {Tx::CliLatencyLine, "遅延タイマ: {1} ms", "latency timer: {1} ms"},
    {Tx::CliNoStatusRead, "チップがステータスの読み出しに応答しません",
     "the chip did not answer the status read"},
    {Tx::CliLossWriteStalled, "ポートへの書き込みが時間内に終わりません",
     "a write to the port did not finish in time"},
    {Tx::CliLossStopped, "中止しました", "stopped"},
    {Tx::CliLossGone, "ポートのデバイスがなくなりました", "the port's device has gone"},
    {Tx::CliPageShort, "ページ {1}: 256 バイトのうち {2} バイトしか届きません",
     "page {1}: {2} of 256 bytes came"},
    {Tx::CliCannotWrite, "{1} に書き込めません", "cannot write {1}"},
    {Tx::CliCannotWriteWhy, "{1} に書き込めません: {2}", "cannot write {1}: {2}"},
    {Tx::CliNotBlankAt, "{1} がブランクではありません", "not blank at {1}"},
    {Tx::CliNoSerialNumberText, "シリアル番号がありません", "no serial number"},
    {Tx::CliCrcLine, "CRC-32: {1} ({2} バイト)", "CRC-32: {1} ({2} bytes)"},
    {Tx::CliCannotListPorts, "シリアルポートの一覧を取得できません: {1}",
     "cannot list the serial ports: {1}"},
    {Tx::CliPortUsb, "USB シリアルアダプタ", "USB serial adapter"},
    {Tx::CliPortUart, "内蔵 UART", "built-in UART"},
    {Tx::CliPortSimulated, "模擬チップ", "simulated chip"},
    {Tx::CliPortOther, "シリアルポート", "serial port"},
    {Tx::CliPortNoSerial, "、シリアル番号なし", ", no serial number"},
    {Tx::CliPortSerial, "、シリアル番号 {1}", ", serial number {1}"},
    {Tx::CliPortInterface, "、インターフェース {1}", ", interface {1}"},
    {Tx::CliPortPluggedIn, "接続位置 {1}", "plugged in at {1}"},
    {Tx::CliPortLatency, "遅延タイマ {1} ms", "latency timer {1} ms"},
    {Tx::CliPortMayNotOpen, "このユーザーには開く権限がありません", "this user may not open it"},
    {Tx::CliPortMayNotOpenGroup, "このユーザーには開く権限がありません (グループ {1})",
     "this user may not open it (group {1})"},
    {Tx::CliPortsUnlisted, "--port {1}: シリアルポートの一覧を取得できません",
     "--port {1}: the serial ports cannot be listed"},
    {Tx::CliNoAdapterFits, "--port {1}: 該当する USB シリアルアダプタがありません。{2}",
     "--port {1}: no USB serial adapter fits; {2}"},
    {Tx::CliNoPortsThere, "シリアルポートがありません", "there are no serial ports"},
    {Tx::CliPortsThereAre, "接続されているポート:", "the ports there are:"},
    {Tx::CliSeveralAdaptersFit,
     "--port {1}: 該当する USB シリアルアダプタが複数あります。シリアル番号 "
     "(usb:VID:PID:SERIAL) か接続位置 (usb@LOCATION) で 1 つを選んでください:",
     "--port {1}: several USB serial adapters fit; choose one by its serial number "
     "(usb:VID:PID:SERIAL) or its place (usb@LOCATION):"},
    {Tx::CliByte, "{1} バイト", "{1} byte"},
    {Tx::CliBytes, "{1} バイト", "{1} bytes"},
    {Tx::CliCannotRun, "実行できません: {1}", "cannot run {1}"},
    {Tx::CliKilledBySignal, "{1} はシグナル {2} で強制終了しました",
     "{1} was killed by signal {2}"},
    {Tx::CliExitedWith, "{1} は終了ステータス {2} で終了しました", "{1} exited with status {2}"},
    {Tx::CliCounterCannotTake, "カウンタから番号を取得できません: {1}",
     "cannot take a number from the counter {1}"},
    {Tx::CliListCannotTake, "リストから番号を取得できません: {1}",
     "cannot take a number from the list {1}"},
    {Tx::CliListExhausted, "リスト {1} に未使用の番号が残っていません",
     "the list {1} has no unused number left"},
    {Tx::CliGaveAgain, "{1} が {2} を再び返しました", "{1} gave {2} again"},
    {Tx::CliCounterNoNumber, "カウンタに 10 進数がありません",
     "the counter holds no decimal number"},
    {Tx::CliSerialNoFit, "シリアル番号 {1} は {2} に収まりません",
     "the serial number {1} does not fit in {2}"},
    {Tx::CliSerialsNoFit, "{1} から始まる {2} 枚分のシリアル番号が {3} に収まりません",
     "the serial numbers from {1} for {2} boards do not all fit in {3}"},
    {Tx::CliListLine, "{1} 行目: ", "line {1}: "},
    {Tx::CliListNotNumber, "{1} は 10 進数ではありません (後に used を付けることはできます)",
     "{1} is not a decimal number, optionally followed by used"},
    {Tx::CliNoFit, "{1} は {2} に収まりません", "{1} does not fit in {2}"},
    {Tx::CliAlsoOnLine, "{1} は {2} 行目にもあります", "{1} is also on line {2}"},
    {Tx::CliPrintedNotNumber, "が {1} を出力しました。10 進数 1 つではありません",
     "printed {1}, not one decimal number"},
    {Tx::CliGaveNoFit, "が {1} を返しました。{2} に収まりません",
     "gave {1}, which does not fit in {2}"},
    {Tx::CliBookFailed, "--serial-done: 番号 {2} の通知: {1}",
     "--serial-done: {1} for the number {2}"},
    {Tx::CliCannotOpenLog, "ログを開けません: {1}", "cannot open the log {1}"},
    {Tx::CliSerialSetIdClash, "--serial と --set-id がどちらも {1} にバイトを置きます",
     "--serial and --set-id both put bytes at {1}"},
    {Tx::CliSerialFileClash, "--serial: 書き込みファイルが既に {1}-{2} のバイトを含んでいます",
     "--serial: the write file already supplies bytes at {1}-{2}"},
    {Tx::CliCannotWriteLog, "ログに書き込めません: {1}", "cannot write the log: {1}"},
    {Tx::CliSummaryOk, "成功", "ok"},
    {Tx::CliSummaryFailed, "失敗: {1}", "failed: {1}"},
    {Tx::CliIdFileUnreadable,
     "--set-id: ID ファイル {1} を読めないため、保存されている ID コードが分かりません。--force "
     "で置き換えられます",
     "--set-id: the ID file {1} cannot be read, so the code it keeps is unknown; --force replaces "
     "it"},
    {Tx::CliIdFileOther,
     "--set-id: ID ファイル {1} には別の ID "
     "コードが保存されており、以前に書き込んだチップで必要になることがあります。--force "
     "で置き換えられます",
     "--set-id: the ID file {1} holds another ID code, which chips written before may need; "
     "--force replaces it"},
    {Tx::CliIdFileUnwritable, "--set-id: ID ファイル {1} に書き込めません",
     "--set-id: cannot write the ID file {1}"},
    {Tx::CliIdConflicts, "--set-id: {1} は ID コードのアドレスに別のバイトを含んでいます:",
     "--set-id: {1} supplies other bytes at the ID code's addresses:"},
    {Tx::CliIdConflict, " {1} は {2} ({3} ではありません);", " {1} holds {2}, not {3};"},
    {Tx::CliIdAlreadyHeld, "ID ファイル {1} には既にこの ID コードが保存されています",
     "the ID file {1} already holds the ID code"},
    {Tx::CliIdKept, "ID コードを {1} に保存しました", "the ID code is kept in {1}"},
    {Tx::CliIdGivenOther,
     "書き込み中に ID ファイル {1} に別の ID "
     "コードが保存されたため、そのまま残しました。書き込んだチップには --set-id "
     "のコードが入っています",
     "the ID file {1} was given another ID code during the write and is kept; the chips written "
     "hold the code of --set-id"},
    {Tx::CliChipsHoldSetId, "{1}。書き込んだチップには --set-id のコードが入っています",
     "{1}; the chips written hold the code of --set-id"},
    {Tx::CliNoSuchDevice, "デバイスがありません。ケーブルは接続されていますか?",
     "no such device; is the cable plugged in?"},
    {Tx::CliAddToGroup,
     "アクセスが拒否されました。ユーザーを {1} グループに追加して (sudo usermod -aG {1} $USER) "
     "ログインし直してください",
     "permission denied; add your user to the {1} group (sudo usermod -aG {1} $USER) and log in "
     "again"},
    {Tx::CliOnlyOwner,
     "アクセスが拒否されました。このデバイスを開けるのは {1} だけです: udev "
     "ルールでグループに許可を与える必要があります",
     "permission denied; only {1} may open the device: a udev rule must give it to a group"},
    {Tx::CliPermissionDenied,
     "アクセスが拒否されました。このユーザーにはデバイスを開く権限がありません",
     "permission denied; this user may not open the device"},
    {Tx::CliPortBusy, "ポートは使用中です: 別のプログラムが開いています",
     "the port is busy: another program has it open"},
    {Tx::CliRemedyUdev,
     "アダプタを接続するとパッケージの udev ルールが 1 ms に設定します (root で設定するには: echo "
     "1 > /sys/bus/usb-serial/devices/{1}/latency_timer)",
     "the package's udev rule sets it to 1 ms when the adapter is plugged in (or as root: echo 1 > "
     "/sys/bus/usb-serial/devices/{1}/latency_timer)"},
    {Tx::CliRemedyDeviceManager,
     "管理者がデバイス マネージャーで設定します: {1}、プロパティ、ポートの設定、詳細設定、Latency "
     "Timer (msec): 1",
     "an administrator sets it in Device Manager: {1}, Properties, Port Settings, Advanced, "
     "Latency Timer (msec): 1"},
    {Tx::CliBootVersion, "ブートプログラムのバージョン: {1}", "boot program version: {1}"},
    {Tx::CoreBlockHolding, "{1} を含むブロック", "the block holding {1}"},
    {Tx::CoreBlock, "ブロック {1}-{2}", "block {1}-{2}"},
    {Tx::CoreNoCheckData, "チップがチェックデータを返しませんでした",
     "the chip sent no check data"},
    {Tx::CoreCheckDataDiffers, "チップのチェックデータは {1}、送ったバイトの合計は {2} です",
     "the chip's check data is {1}, the bytes sent sum to {2}"},
    {Tx::CoreNoEcho, "チップが {2} baud へのボーレートコマンド {1} をエコーしませんでした",
     "the chip did not echo the baud-rate command {1} for {2} baud"},
    {Tx::CoreNoStatusAt, "{1} baud でチップからステータスが返りません",
     "no status from the chip at {1} baud"},
    {Tx::CoreCannotDrive, "{2} の {1} を操作できません: {3}", "cannot drive {1} on {2}: {3}"},
    {Tx::CoreNoModemLines, "{2} の {1} を操作できません (モデム制御線のないポートです): {3}",
     "cannot drive {1} on {2}, a port without modem lines: {3}"},
    {Tx::PortNoName, "ポート名がありません", "no port name"},
    {Tx::PortNotSerial, "{1}: シリアルデバイスではありません", "{1}: not a serial device"},
    {Tx::PortClosed, "ポートは閉じています", "the port is closed"},
    {Tx::PortStalled, "{3} ms で {2} バイト中 {1} バイトしか送れませんでした",
     "{1} of {2} bytes taken in {3} ms"},
    {Tx::PortNamesAnother, "{1} は別のデバイスを指しています", "{1} names another device"},
    {Tx::PortNameTooLong, "{1}: ポート名は 15 文字までです",
     "{1}: port names are at most 15 characters"},
    {Tx::PortNoSuch, "{1}: そのようなポートはありません", "{1}: no such port"},
    {Tx::PortInUse, "{1}: 使用中か、アクセスが拒否されました", "{1}: in use or access denied"},
    {Tx::PortError, "{1}: エラー {2}", "{1}: error {2}"},
    {Tx::PortSystemError, "システムエラー {1}", "system error {1}"},
    {Tx::PortSelectorPlace, "usb@ には USB の接続位置が必要です (例: usb@1-1.4)",
     "usb@ needs the USB location, such as usb@1-1.4"},
    {Tx::PortSelectorNone, "ポートの指定ではありません", "not a port selector"},
    {Tx::PortSelectorId, "usb: には 16 進数の VID:PID が必要です (例: usb:0403:6001)",
     "usb: needs VID:PID in hexadecimal, such as usb:0403:6001"},
    {Tx::PortSelectorSerial, "usb:VID:PID: のシリアル番号がありません",
     "usb:VID:PID: is missing its serial number"},
    {Tx::ProgramNone, "プログラムが指定されていません", "no program given"},
    {Tx::ProgramBatch,
     "{1}: バッチファイルは cmd.exe を通して実行され、引数がコマンドとして読まれてしまいます。"
     "プログラムを指定してください",
     "{1}: a batch file runs through cmd.exe, which would take its arguments as commands; give a "
     "program"},
    {Tx::FileShortWrite, "{1}: {3} バイト中 {2} バイトしか書き込めませんでした",
     "{1}: only {2} of {3} bytes were written"},
    {Tx::SimCannotOpen, "{1}: 開けません", "{1}: cannot open"},
    {Tx::SimNotSRecord, "{1}: S レコードではありません", "{1}: not an S-record"},
    {Tx::SimNotHexDigit, "{1}: 16 進数字ではありません", "{1}: not a hex digit"},
    {Tx::SimBadCount, "{1}: バイト数かチェックサムが正しくありません",
     "{1}: wrong count or checksum"},
    {Tx::SimRecordShort, "{1}: レコードが短すぎます", "{1}: record too short"},
    {Tx::SimLogReset, "リセット", "reset"},
    {Tx::SimLogRate, "UART {1} baud", "UART {1} baud"},
    {Tx::SimLogRefused, "  拒否", "  refused"},
    {Tx::StepNone, "終了", "the end"},
    {Tx::StepFileCheck, "ファイルチェック", "the file check"},
    {Tx::StepOpenPort, "ポートのオープン", "opening the port"},
    {Tx::StepConnect, "接続", "the connection"},
    {Tx::StepAtConnect, "接続", "connection"},
    {Tx::StepBaudRate, "通信速度の変更", "the rate change"},
    {Tx::StepIdCode, "ID チェック", "the ID check"},
    {Tx::StepErase, "消去", "the erase"},
    {Tx::StepAtErase, "消去", "erase"},
    {Tx::StepProgram, "書き込み", "programming"},
    {Tx::StepVerify, "ベリファイ", "the verify"},
    {Tx::StepAtVerify, "ベリファイ", "verify"},
    {Tx::StepRead, "読み出し", "the read"},
    {Tx::StepLines, "モデム制御線の操作", "the modem lines"},
    {Tx::StepSerial, "シリアル番号の発行", "drawing the serial number"},
    {Tx::CliUsageOptions, "[オプション]", "[options]"},
    {Tx::CliUsageCheckSummary, "書込ファイルを検査: 状態表示、書込エリア、サイズと CRC-32",
     "check a write file: its status texts, write area, size and CRC-32"},
    {Tx::CliUsageCheckDetails,
     "書込ファイルを検査します: 状態表示、書込エリアとサイズ、そしてイメージの CRC-32 を\n"
     "表示します。イメージとは、ファイルが触れるページをアドレス順に並べたもので、1 ページ\n"
     "256 バイト、データのない所は 0xFF です (書き込んだ後に read で読み戻すとおりの形)。\n"
     "生のバイナリには、コマンドの前に --base ADDR を付けます:\n"
     "bramblet-cli --base 4000 check prog.bin\n",
     "Checks a write file: prints the status texts, then the write area and size, then\n"
     "the CRC-32 of its image: the pages it touches in address order, 256 bytes each with\n"
     "0xFF where it has nothing, as read gives them back once written. For a raw binary,\n"
     "give --base ADDR before the command: bramblet-cli --base 4000 check prog.bin.\n"},
    {Tx::CliUsageWriteSummary, "チップを消去し、FILE を書き込んでベリファイする",
     "erase the chip, program FILE and verify it"},
    {Tx::CliUsageWriteDetails,
     "チップを消去し、FILE を書き込んでベリファイします。FILE は S レコード、Intel HEX、\n"
     "ELF のいずれか (内容で見分けます)、または --base で置き場所を決める生のバイナリです。\n",
     "Erases the chip, programs FILE and verifies it. FILE holds S-records, Intel HEX or\n"
     "ELF, told apart by its content, or is a raw binary placed by --base.\n"},
    {Tx::CliUsageVerifySummary, "チップを FILE と照合する", "compare the chip with FILE"},
    {Tx::CliUsageVerifyDetails,
     "チップを FILE と照合します。FILE は write と同じように読みます。\n",
     "Compares the chip with FILE, read as write reads it.\n"},
    {Tx::CliUsageEraseSummary,
     "チップを消去する (FILE は ID ファイルを探すためだけ: prog.mot なら prog.id)",
     "erase the chip (FILE only locates its ID file: prog.mot gives prog.id)"},
    {Tx::CliUsageEraseDetails,
     "チップを消去します。FILE は書き込みません: ID ファイルを探し (prog.mot も prog.elf も\n"
     "prog.id)、--family がなければ write と同じようにファミリを決めます。\n",
     "Erases the chip. FILE is not written: it locates its ID file (prog.mot and prog.elf\n"
     "give prog.id) and, without --family, chooses the family as for write.\n"},
    {Tx::CliUsageInfoSummary,
     "接続して ID を照合し、ブートプログラムのバージョンとステータスを表示する",
     "connect and unlock, then show the boot program's version and status"},
    {Tx::CliUsageInfoDetails,
     "接続して ID を照合し、ブートプログラムのバージョン、SRD と SRD1、使ったファミリを\n"
     "表示します。消去も書き込みもしません。FILE は ID ファイルを探すためだけに使い、\n"
     "--family がなければ write と同じようにファミリを決めます。\n",
     "Connects and unlocks, then prints the boot program's version, SRD and SRD1 and the\n"
     "family used. Nothing is erased or programmed. FILE only locates its ID file and,\n"
     "without --family, chooses the family as for write.\n"},
    {Tx::CliUsageReadSummary, "START-END のページを読み出し、FILE (-o) に保存する",
     "read the pages of START-END back into FILE (-o)"},
    {Tx::CliUsageReadDetails,
     "START-END のページを読み出して FILE に保存します: 名前が .hex か .ihex で終われば\n"
     "Intel HEX、.bin なら範囲全体の生のバイナリ、それ以外は S レコードです。S レコードと\n"
     "Intel HEX では、すべて 0xFF のページは省きます。FILE は範囲全体を読めたときにだけ\n"
     "作られます。\n",
     "Reads the pages of START-END back into FILE: Intel HEX when its name ends in .hex or\n"
     ".ihex, a raw binary of the whole range when in .bin, else S-records. S-records and\n"
     "Intel HEX leave out pages that are all 0xFF. FILE appears only when the whole range\n"
     "was read.\n"},
    {Tx::CliUsageBlankCheckSummary,
     "START-END が消去済みか調べ、そうでない最初のアドレスを表示する",
     "check that START-END is erased; prints the first address that is not"},
    {Tx::CliUsageBlankCheckDetails,
     "START-END を読み出します: すべてのバイトが 0xFF なら終了ステータス 0、そうでなければ\n"
     "1 で、0xFF でない最初のバイトのアドレスを表示します。\n",
     "Reads START-END: exit status 0 when every byte is 0xFF, else 1 and the address of the\n"
     "first byte that is not.\n"},
    {Tx::CliUsagePortsSummary, "シリアルポートとその種類を一覧表示する",
     "list the serial ports and what each is"},
    {Tx::CliUsagePortsDetails,
     "ウィンドウが示すシリアルポートをその順に一覧表示します: 名前を 1 行ずつ、続けて字下げ\n"
     "してポートの種類 (USB 変換器の VID:PID、メーカー、製品名、シリアル番号、\n"
     "インターフェース)、接続場所 (--port usb@LOCATION 用)、いつも同じポートを指す名前、\n"
     "変換器のレイテンシタイマ、このユーザーが開けるかどうかを表示します。\n",
     "Lists the serial ports the window would offer, in its order: each name on a line of its\n"
     "own, then indented what the port is (a USB adapter's VID:PID, maker, product, serial\n"
     "number and interface), where it is plugged (for --port usb@LOCATION), the names that\n"
     "keep naming it, the adapter's latency timer, and whether this user may open it.\n"},
    {Tx::CliUsagePort,
     "シリアルポート (COM3、/dev/ttyUSB0、ttyUSB0、bramblet-sim の\n"
     "リンク)、または USB 変換器をその種類 (usb:VID:PID[:SERIAL])、\n"
     "接続場所 (usb@LOCATION、ports の表示どおり)、唯一の変換器\n"
     "(auto) で指定。--port を複数指定すると複数のボードを並行して\n"
     "処理する (read を除く)",
     "serial port (COM3, /dev/ttyUSB0, ttyUSB0, a bramblet-sim link),\n"
     "or a USB adapter by what it is (usb:VID:PID[:SERIAL]), where it\n"
     "is plugged (usb@LOCATION, as ports shows it) or as the only one\n"
     "there is (auto); several --port run several boards side by side\n"
     "(not for read)"},
    {Tx::CliUsageFamily,
     "R8C、M16C、M32C または R8CM。既定では FILE の最上位アドレスと\n"
     "ID ファイルから選び、決まらなければ R8C",
     "R8C, M16C, M32C or R8CM; by default chosen from FILE's highest\n"
     "address and its ID file, else R8C"},
    {Tx::CliUsageModePin, "R8C のみ: モード端子での接続 (38400 baud)",
     "R8C only: the mode-pin link at 38400 baud"},
    {Tx::CliUsageId,
     "チップが求めたときに渡す ID コード (7 バイトを 16 進 14 桁で)\n"
     "と、そのコードのファミリ",
     "the ID code to give when the chip asks for one (seven bytes as\n"
     "14 hex digits) and the family it belongs to"},
    {Tx::CliUsageBaud,
     "9600、19200、38400、57600 または 115200。9600 はほかの速度を\n"
     "知らないチップのために 9600 で接続する。それより速い速度では\n"
     "いつもどおり接続してからチップを RATE に切り替え、ステータスと\n"
     "ページの応答は届きしだい読む",
     "9600, 19200, 38400, 57600 or 115200: 9600 connects at 9600 for\n"
     "chips that know no other rate; a higher rate connects as usual,\n"
     "then moves the chip to RATE; status and page replies are read as\n"
     "soon as they come"},
    {Tx::CliUsageBefore,
     "ポートの設定後、何かを送る前に変換器のモデム制御線を操作する\n"
     "(チップをリセットしてブートモードにするため)。SEQ は dtr=0、\n"
     "dtr=1、rts=0、rts=1、wait=MS をコンマで区切った並びで、順に\n"
     "実行する。1 で線をアサート、0 でクリアし、DTR は SEQ の最後の\n"
     "状態のまま",
     "drive the adapter's modem lines once the port is set up, before\n"
     "anything is sent (to reset the chip into boot mode): SEQ is a\n"
     "comma-separated list of dtr=0, dtr=1, rts=0, rts=1 and wait=MS,\n"
     "run in order; 1 asserts the line, 0 clears it, and DTR then\n"
     "stays as SEQ leaves it"},
    {Tx::CliUsageAfter,
     "同じ操作を、チップの作業が終わった後 (結果を問わず)、ポートを\n"
     "閉じる前に行う (チップをリセットして自分のプログラムを動かす\n"
     "ため)。モデム制御線のないポートは何かを送る前に拒否する",
     "the same once the work on the chip has ended, whatever the\n"
     "outcome, before the port closes (to reset the chip into its\n"
     "program). A port without modem lines is refused before anything\n"
     "is sent"},
    {Tx::CliUsageLatency,
     "変換器のレイテンシタイマ、0 から 255 ms: 応答の待ち時間が\n"
     "すべてこの分だけ延びる。既定ではポートを開いたときに読んだ値",
     "the adapter's latency timer, 0 to 255 ms: every reply window\n"
     "grows by it; by default by the timer read when the port opens"},
    {Tx::CliUsageJson,
     "標準出力には JSON だけを 1 行に 1 オブジェクトずつ出す: 状態表示、\n"
     "進み具合、バージョンをそれぞれポート付きで、最後にボードごとの\n"
     "結果。ports ではポートごとに 1 オブジェクト",
     "standard output carries only JSON, one object a line: each\n"
     "status text, progress position and version with its port,\n"
     "then a result per board; for ports, one object per port"},
    {Tx::CliUsageLog,
     "ボードごとに JSON を 1 行 FILE に追記する: 結果、現地時刻、\n"
     "書込ファイル、ブートプログラムのバージョン",
     "append a JSON line per board to FILE: the result, the local\n"
     "time, the write file and the boot program's version"},
    {Tx::CliUsageEraseBlock,
     "write、erase: ロックされていない全ブロックではなく、ADDR (16 進)\n"
     "を含むブロックだけを Block Erase で消去する。繰り返し指定できる",
     "write, erase: erase only the block holding ADDR (hexadecimal),\n"
     "with Block Erase, instead of every unlocked block; repeatable"},
    {Tx::CliUsageNoErase, "write: 何も消去せず、チップの今の内容の上に書き込む",
     "write: erase nothing, program onto the chip as it is"},
    {Tx::CliUsageSkipBlank, "write: イメージがすべて FF のページを書かない (照合はする)",
     "write: leave out pages whose image is all FF (still verified)"},
    {Tx::CliUsageVerifyBy,
     "write: read (既定) は全ページを読み戻して比較する。sum はチップ\n"
     "のチェックデータを送ったバイトの合計と比べ、ページを読み戻さ\n"
     "ない。合計で分かるのは、すべてのバイトが届き各ページがエラー\n"
     "なしで書き込まれたことで、フラッシュがそれを保っていること\n"
     "(後で乱れたバイト) までは分からない",
     "write: read (the default) reads every page back and compares\n"
     "it; sum compares the chip's check data with the sum of the\n"
     "bytes sent and reads no page back. The sum proves that every\n"
     "byte arrived and each page was programmed without an error\n"
     "flag, not that the flash still holds them (a byte disturbed\n"
     "afterwards)"},
    {Tx::CliUsageSerial,
     "write: 各ボードに WIDTH バイト (1 から 8) の番号を、16 進の\n"
     "ADDR にリトルエンディアンで書き込む。番号の出どころ SOURCE は、\n"
     "次の番号を 10 進で持つテキストファイル COUNTER、1 行に 1 つの\n"
     "番号を並べたファイルから未使用の次の番号を取り、その場で使用済みと\n"
     "印を付ける list:FILE、または各ボードの前に実行して番号を表示させる\n"
     "プログラム cmd:COMMAND。同じ番号は二度使わない",
     "write: give each board a number of WIDTH bytes (1 to 8),\n"
     "little-endian at hexadecimal ADDR, from SOURCE: COUNTER, a text\n"
     "file that holds the next number in decimal; list:FILE, the next\n"
     "unused number of a file of numbers one a line, marked used in\n"
     "place; or cmd:COMMAND, a program run before each board that\n"
     "prints the number. No number is given twice"},
    {Tx::CliUsageSerialDone,
     "write: 番号を持つ各ボードが終わるたびに、その番号、ポート、ok か\n"
     "void を 3 つの引数として加えて COMMAND を実行する",
     "write: once each numbered board has ended, run COMMAND with its\n"
     "number, its port and ok or void as three more arguments"},
    {Tx::CliUsageSetId,
     "write: この ID コード (16 進 14 桁) でチップを保護する。その\n"
     "7 バイトを FILE のバイトとともにファミリの ID アドレスに書き、\n"
     "書き込みとベリファイが済むと FILE の ID ファイル (prog.mot なら\n"
     "prog.id) にコードを残す。後のコマンドはそれで ID を照合する。\n"
     "FILE 自身がそこにバイトを持つなら、コードと同じでなければならない",
     "write: protect the chip with this ID code (14 hex digits): its\n"
     "seven bytes go to the family's ID addresses with FILE's, and\n"
     "once written and verified the code is kept in FILE's ID file\n"
     "(prog.mot gives prog.id), which later commands unlock with.\n"
     "FILE's own bytes there must be the code's"},
    {Tx::CliUsageForce,
     "write: --set-id とともに、別のコードを持つ ID ファイルを置き換える\n"
     "(そのファイルは、そのコードで保護したチップの唯一の記録)",
     "write: with --set-id, replace an ID file that holds another\n"
     "code (the only record of the chips protected with it)"},
    {Tx::CliUsageLang,
     "en または ja: 状態表示の言語 (コマンドの前にも書ける。check\n"
     "ではそこに)。なければ $BRAMBLET_LANG、それもなければ ja。\n"
     "どちらかがあれば、このヘルプとメッセージもその言語になる",
     "en or ja: the language of the status texts (also before the\n"
     "command, for check); else $BRAMBLET_LANG, else ja. Either\n"
     "also gives this help and the messages in that language"},
    {Tx::CliUsageBase,
     "FILE は先頭のバイトを 16 進の ADDR に置く生のバイナリ (check では\n"
     "コマンドの前に)。S レコード、Intel HEX、ELF の FILE は自分の\n"
     "アドレスを持つので、これと一緒には受け付けない",
     "FILE is a raw binary whose first byte goes to hexadecimal ADDR\n"
     "(before the command, for check); a FILE in S-records, Intel HEX\n"
     "or ELF holds its own addresses and is refused with it"},
    {Tx::CliUsageO,
     "read: 書き出すファイル。形式は拡張子で決まる\n"
     "(.hex、.ihex: Intel HEX、.bin: 生のバイナリ、それ以外: S レコード)",
     "read: the file to write, in the format its extension names\n"
     "(.hex, .ihex: Intel HEX; .bin: raw binary; else S-records)"},
    {Tx::CliUsageOOwn,
     "書き出すファイル。形式は拡張子で決まる (.hex、.ihex: Intel HEX、\n"
     ".bin: 生のバイナリ、それ以外: S レコード)",
     "the file to write, in the format its extension names (.hex,\n"
     ".ihex: Intel HEX; .bin: raw binary; else S-records)"},
    {Tx::CliUsageHelp, "この説明。コマンドの後ではそのコマンドの説明",
     "this text; after a command, that command's"},
    {Tx::CliUsageVersion, "プログラムのバージョン", "the program's version"},
    {Tx::CliUsageTail,
     "\n"
     "START-END: 両端を含む 16 進アドレス。256 バイトのページ単位に広げる\n"
     "(4000-FFFF、0F0000-0FFFFF)。\n"
     "状態表示は標準出力に 1 行ずつ (ポートが複数のときはそれぞれポート名の後に) 出る。\n"
     "ブートプログラムのバージョン、進み具合のバー (端末のとき)、失敗の詳細、ポートを\n"
     "開けない理由は標準エラーに出る。終了ステータスは成功 (全ボード) で 0、失敗で 1、\n"
     "使い方の誤りで 2。Ctrl-C または終了要求で、全ボードが次の読み込みで止まり、到達した\n"
     "手順とページを標準エラーに示して 130 (SIGINT) か 143 (SIGTERM) で終了する。\n",
     "\n"
     "START-END: hexadecimal addresses, both included, widened to whole 256-byte pages\n"
     "(4000-FFFF, 0F0000-0FFFFF).\n"
     "Status texts go to standard output, one per line, with several ports each after its\n"
     "port; the boot program's version, a progress bar (on a terminal), the detail of a\n"
     "failure and the reason a port cannot be opened go to standard error. Exit status 0 on\n"
     "success (on every board), 1 on failure, 2 for a usage error; Ctrl-C or a termination\n"
     "request stops every board at its next read, names the step and page reached on\n"
     "standard error and exits 130 (SIGINT) or 143 (SIGTERM).\n"},
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

// The language a user chose: the one asked for on a command line, else the one the environment
// names (BRAMBLET_LANG, passed in so that tests need not set it), else none. A value of the
// environment that names no language is passed over, as an unset one is.
std::optional<Lang> ChosenLang(std::optional<Lang> asked, const char* environment);

// The language a program speaks: the chosen one, else Japanese.
Lang ChooseLang(std::optional<Lang> asked, const char* environment);

inline constexpr char kLangVariable[] = "BRAMBLET_LANG";

}  // namespace text
