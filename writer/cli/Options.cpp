#include "writer/cli/Options.h"

#include <algorithm>

#include "writer/common/Text.h"
#include "writer/link/Rates.h"

namespace bramblet {
namespace {

using text::Lang;
using text::Tx;

// A text of the usage in both languages, beside the row it belongs to.
struct Words {
    const char* en;
    const char* ja;
    const char* In(Lang lang) const { return lang == Lang::Ja ? ja : en; }
};

// A command's words after its name, other than options.
enum class Operands {
    None,
    File,
    FileOrNone,
    Range,
};

struct CommandInfo {
    Command command;
    const char* name;
    const char* arguments;  // after the name; the chip commands then take --port PORT
    Words summary;          // its line in the program's usage
    Words details;          // its own usage, after the synopsis
    Operands operands;
    // Why a command that takes no operands refuses one; its name fills it in.
    Tx noOperands = Tx::CliNoArgumentsTaken;
    // Every argument is an operand: a file may be called anything, "--port" included.
    bool verbatim = false;
};

// Each command once: the program's usage and every command's own are made from this table.
constexpr CommandInfo kCommands[] = {
    {Command::Check,
     "check",
     " FILE",
     {"check a write file: its status texts, write area, size and CRC-32",
      "書込ファイルを検査: 状態表示、書込エリア、サイズと CRC-32"},
     {"Checks a write file: prints the status texts, then the write area and size, then\n"
      "the CRC-32 of its image: the pages it touches in address order, 256 bytes each with\n"
      "0xFF where it has nothing, as read gives them back once written. For a raw binary,\n"
      "give --base ADDR before the command: bramblet-cli --base 4000 check prog.bin.\n",
      "書込ファイルを検査します: 状態表示、書込エリアとサイズ、そしてイメージの CRC-32 を\n"
      "表示します。イメージとは、ファイルが触れるページをアドレス順に並べたもので、1 ページ\n"
      "256 バイト、データのない所は 0xFF です (書き込んだ後に read で読み戻すとおりの形)。\n"
      "生のバイナリには、コマンドの前に --base ADDR を付けます:\n"
      "bramblet-cli --base 4000 check prog.bin\n"},
     Operands::File,
     Tx::CliNoArgumentsTaken,
     true},
    {Command::Write,
     "write",
     " FILE",
     {"erase the chip, program FILE and verify it",
      "チップを消去し、FILE を書き込んでベリファイする"},
     {"Erases the chip, programs FILE and verifies it. FILE holds S-records, Intel HEX or\n"
      "ELF, told apart by its content, or is a raw binary placed by --base.\n",
      "チップを消去し、FILE を書き込んでベリファイします。FILE は S レコード、Intel HEX、\n"
      "ELF のいずれか (内容で見分けます)、または --base で置き場所を決める生のバイナリです。\n"},
     Operands::File},
    {Command::Verify,
     "verify",
     " FILE",
     {"compare the chip with FILE", "チップを FILE と照合する"},
     {"Compares the chip with FILE, read as write reads it.\n",
      "チップを FILE と照合します。FILE は write と同じように読みます。\n"},
     Operands::File},
    {Command::Erase,
     "erase",
     " [FILE]",
     {"erase the chip (FILE only locates its ID file: prog.mot gives prog.id)",
      "チップを消去する (FILE は ID ファイルを探すためだけ: prog.mot なら prog.id)"},
     {"Erases the chip. FILE is not written: it locates its ID file (prog.mot and prog.elf\n"
      "give prog.id) and, without --family, chooses the family as for write.\n",
      "チップを消去します。FILE は書き込みません: ID ファイルを探し (prog.mot も prog.elf も\n"
      "prog.id)、--family がなければ write と同じようにファミリを決めます。\n"},
     Operands::FileOrNone},
    {Command::Info,
     "info",
     " [FILE]",
     {"connect and unlock, then show the boot program's version and status",
      "接続して ID を照合し、ブートプログラムのバージョンとステータスを表示する"},
     {"Connects and unlocks, then prints the boot program's version, SRD and SRD1 and the\n"
      "family used. Nothing is erased or programmed. FILE only locates its ID file and,\n"
      "without --family, chooses the family as for write.\n",
      "接続して ID を照合し、ブートプログラムのバージョン、SRD と SRD1、使ったファミリを\n"
      "表示します。消去も書き込みもしません。FILE は ID ファイルを探すためだけに使い、\n"
      "--family がなければ write と同じようにファミリを決めます。\n"},
     Operands::FileOrNone},
    {Command::Read,
     "read",
     " START-END",
     {"read the pages of START-END back into FILE (-o)",
      "START-END のページを読み出し、FILE (-o) に保存する"},
     {"Reads the pages of START-END back into FILE: Intel HEX when its name ends in .hex or\n"
      ".ihex, a raw binary of the whole range when in .bin, else S-records. S-records and\n"
      "Intel HEX leave out pages that are all 0xFF. FILE appears only when the whole range\n"
      "was read.\n",
      "START-END のページを読み出して FILE に保存します: 名前が .hex か .ihex で終われば\n"
      "Intel HEX、.bin なら範囲全体の生のバイナリ、それ以外は S レコードです。S レコードと\n"
      "Intel HEX では、すべて 0xFF のページは省きます。FILE は範囲全体を読めたときにだけ\n"
      "作られます。\n"},
     Operands::Range},
    {Command::BlankCheck,
     "blank-check",
     " START-END",
     {"check that START-END is erased; prints the first address that is not",
      "START-END が消去済みか調べ、そうでない最初のアドレスを表示する"},
     {"Reads START-END: exit status 0 when every byte is 0xFF, else 1 and the address of the\n"
      "first byte that is not.\n",
      "START-END を読み出します: すべてのバイトが 0xFF なら終了ステータス 0、そうでなければ\n"
      "1 で、0xFF でない最初のバイトのアドレスを表示します。\n"},
     Operands::Range},
    {Command::Ports,
     "ports",
     " [--json]",
     {"list the serial ports and what each is", "シリアルポートとその種類を一覧表示する"},
     {"Lists the serial ports the window would offer, in its order: each name on a line of its\n"
      "own, then indented what the port is (a USB adapter's VID:PID, maker, product, serial\n"
      "number and interface), where it is plugged (for --port usb@LOCATION), the names that\n"
      "keep naming it, the adapter's latency timer, and whether this user may open it.\n",
      "ウィンドウが示すシリアルポートをその順に一覧表示します: 名前を 1 行ずつ、続けて字下げ\n"
      "してポートの種類 (USB 変換器の VID:PID、メーカー、製品名、シリアル番号、\n"
      "インターフェース)、接続場所 (--port usb@LOCATION 用)、いつも同じポートを指す名前、\n"
      "変換器のレイテンシタイマ、このユーザーが開けるかどうかを表示します。\n"},
     Operands::None},
};

using CommandSet = unsigned;

constexpr CommandSet Commands(std::initializer_list<Command> commands) {
    CommandSet set = 0;
    for (const Command c : commands) set |= 1u << static_cast<unsigned>(c);
    return set;
}

constexpr CommandSet kChip = Commands({Command::Info, Command::Read, Command::BlankCheck,
                                       Command::Write, Command::Verify, Command::Erase});
constexpr CommandSet kErasing = Commands({Command::Write, Command::Erase});
constexpr CommandSet kWrite = Commands({Command::Write});
constexpr CommandSet kRead = Commands({Command::Read});
constexpr CommandSet kPorts = Commands({Command::Ports});
constexpr CommandSet kCheck = Commands({Command::Check});
// The commands that read a write file, whatever its format.
constexpr CommandSet kFiles = kCheck | Commands({Command::Write, Command::Verify, Command::Erase});
// The commands that take options after their name (check takes every argument as its file).
constexpr CommandSet kOptioned = kChip | kPorts;

bool Takes(CommandSet set, Command command) {
    return (set >> static_cast<unsigned>(command) & 1u) != 0;
}

bool TakesChip(Command c) {
    return Takes(kChip, c);
}

// Takes an option's value (empty for a flag) into the options; the reason it cannot, in `lang`.
using Refusal = std::optional<std::string>;
using Apply = Refusal (*)(Options&, const std::string& value, Lang lang);

std::string FamilyNames(Lang lang);
std::string RateNames(Lang lang);
bool ParseIdCode(const std::string& text, IdCodeBytes& code);
Refusal TakeSequence(LineSequence& into, const char* name, const std::string& text, Lang lang);

struct OptionInfo {
    const char* name;
    const char* value;    // what its usage calls the value; nothing for a flag
    CommandSet commands;  // none: the parser's own (--help, --version)
    Words help;           // its lines in the usage, after the name column
    Apply apply;
    Words ownHelp = {};  // in its one command's usage, where that says it shorter
    // Also taken before the command, the only place check, whose arguments are all its file,
    // takes options.
    bool beforeCommand = false;
};

// Every option once: parsing, the program's usage and each command's own are made from it, in
// this order.
const OptionInfo kOptions[] = {
    {"--port",
     "PORT",
     kChip,
     {"serial port (COM3, /dev/ttyUSB0, ttyUSB0, a bramblet-sim link),\n"
      "or a USB adapter by what it is (usb:VID:PID[:SERIAL]), where it\n"
      "is plugged (usb@LOCATION, as ports shows it) or as the only one\n"
      "there is (auto); several --port run several boards side by side\n"
      "(not for read)",
      "シリアルポート (COM3、/dev/ttyUSB0、ttyUSB0、bramblet-sim の\n"
      "リンク)、または USB 変換器をその種類 (usb:VID:PID[:SERIAL])、\n"
      "接続場所 (usb@LOCATION、ports の表示どおり)、唯一の変換器\n"
      "(auto) で指定。--port を複数指定すると複数のボードを並行して\n"
      "処理する (read を除く)"},
     [](Options& o, const std::string& v, Lang) -> Refusal {
         o.ports.push_back(v);
         return std::nullopt;
     }},
    {"--family",
     "FAMILY",
     kChip,
     {"R8C, M16C, M32C or R8CM; by default chosen from FILE's highest\n"
      "address and its ID file, else R8C",
      "R8C、M16C、M32C または R8CM。既定では FILE の最上位アドレスと\n"
      "ID ファイルから選び、決まらなければ R8C"},
     [](Options& o, const std::string& v, Lang lang) -> Refusal {
         o.family = ParseFamily(v);
         if (!o.family) return text::Say(Tx::CliFamilyTakes, lang, {FamilyNames(lang)});
         return std::nullopt;
     }},
    {"--mode-pin",
     nullptr,
     kChip,
     {"R8C only: the mode-pin link at 38400 baud", "R8C のみ: モード端子での接続 (38400 baud)"},
     [](Options& o, const std::string&, Lang) -> Refusal {
         o.modePin = true;
         return std::nullopt;
     }},
    {"--id",
     "HEX14[,FAMILY]",
     kChip,
     {"the ID code to give when the chip asks for one (seven bytes as\n"
      "14 hex digits) and the family it belongs to",
      "チップが求めたときに渡す ID コード (7 バイトを 16 進 14 桁で)\n"
      "と、そのコードのファミリ"},
     [](Options& o, const std::string& v, Lang lang) -> Refusal {
         const auto comma = v.find(',');
         IdCodeBytes code{};
         if (!ParseIdCode(v.substr(0, comma), code)) return text::Say(Tx::CliIdTakes, lang);
         o.idCode = code;
         if (comma == std::string::npos) return std::nullopt;
         // The family decides the ID address; a mistyped one would send the code to the wrong
         // place and fail with the right code.
         o.idFamily = ParseFamily(v.substr(comma + 1));
         if (!o.idFamily) return text::Say(Tx::CliIdFamilyTakes, lang, {FamilyNames(lang)});
         return std::nullopt;
     }},
    {"--baud",
     "RATE",
     kChip,
     {"9600, 19200, 38400, 57600 or 115200: 9600 connects at 9600 for\n"
      "chips that know no other rate; a higher rate connects as usual,\n"
      "then moves the chip to RATE; status and page replies are read as\n"
      "soon as they come",
      "9600、19200、38400、57600 または 115200。9600 はほかの速度を\n"
      "知らないチップのために 9600 で接続する。それより速い速度では\n"
      "いつもどおり接続してからチップを RATE に切り替え、ステータスと\n"
      "ページの応答は届きしだい読む"},
     [](Options& o, const std::string& v, Lang lang) -> Refusal {
         for (const LinkRate& rate : kLinkRates) {
             if (v == std::to_string(rate.baud)) o.baud = rate.baud;
         }
         if (o.baud == 0) return text::Say(Tx::CliBaudTakes, lang, {RateNames(lang)});
         return std::nullopt;
     }},
    {"--before",
     "SEQ",
     kChip,
     {"drive the adapter's modem lines once the port is set up, before\n"
      "anything is sent (to reset the chip into boot mode): SEQ is a\n"
      "comma-separated list of dtr=0, dtr=1, rts=0, rts=1 and wait=MS,\n"
      "run in order; 1 asserts the line, 0 clears it, and DTR then\n"
      "stays as SEQ leaves it",
      "ポートの設定後、何かを送る前に変換器のモデム制御線を操作する\n"
      "(チップをリセットしてブートモードにするため)。SEQ は dtr=0、\n"
      "dtr=1、rts=0、rts=1、wait=MS をコンマで区切った並びで、順に\n"
      "実行する。1 で線をアサート、0 でクリアし、DTR は SEQ の最後の\n"
      "状態のまま"},
     [](Options& o, const std::string& v, Lang lang) {
         return TakeSequence(o.before, "--before", v, lang);
     }},
    {"--after",
     "SEQ",
     kChip,
     {"the same once the work on the chip has ended, whatever the\n"
      "outcome, before the port closes (to reset the chip into its\n"
      "program). A port without modem lines is refused before anything\n"
      "is sent",
      "同じ操作を、チップの作業が終わった後 (結果を問わず)、ポートを\n"
      "閉じる前に行う (チップをリセットして自分のプログラムを動かす\n"
      "ため)。モデム制御線のないポートは何かを送る前に拒否する"},
     [](Options& o, const std::string& v, Lang lang) {
         return TakeSequence(o.after, "--after", v, lang);
     }},
    {"--latency",
     "MS",
     kChip,
     {"the adapter's latency timer, 0 to 255 ms: every reply window\n"
      "grows by it; by default by the timer read when the port opens",
      "変換器のレイテンシタイマ、0 から 255 ms: 応答の待ち時間が\n"
      "すべてこの分だけ延びる。既定ではポートを開いたときに読んだ値"},
     [](Options& o, const std::string& v, Lang lang) -> Refusal {
         const bool digits =
             !v.empty() && v.size() <= 3 &&
             std::all_of(v.begin(), v.end(), [](char c) { return c >= '0' && c <= '9'; });
         if (!digits || std::stoi(v) > 255) return text::Say(Tx::CliLatencyTakes, lang);
         o.latency = std::chrono::milliseconds(std::stoi(v));
         return std::nullopt;
     }},
    // What a production station needs.
    {"--json",
     nullptr,
     kChip | kPorts,
     {"standard output carries only JSON, one object a line: each\n"
      "status text, progress position and version with its port,\n"
      "then a result per board; for ports, one object per port",
      "標準出力には JSON だけを 1 行に 1 オブジェクトずつ出す: 状態表示、\n"
      "進み具合、バージョンをそれぞれポート付きで、最後にボードごとの\n"
      "結果。ports ではポートごとに 1 オブジェクト"},
     [](Options& o, const std::string&, Lang) -> Refusal {
         o.json = true;
         return std::nullopt;
     }},
    {"--log",
     "FILE",
     kChip,
     {"append a JSON line per board to FILE: the result, the local\n"
      "time, the write file and the boot program's version",
      "ボードごとに JSON を 1 行 FILE に追記する: 結果、現地時刻、\n"
      "書込ファイル、ブートプログラムのバージョン"},
     [](Options& o, const std::string& v, Lang) -> Refusal {
         o.log = v;
         return std::nullopt;
     }},
    {"--erase-block",
     "ADDR",
     kErasing,
     {"write, erase: erase only the block holding ADDR (hexadecimal),\n"
      "with Block Erase, instead of every unlocked block; repeatable",
      "write、erase: ロックされていない全ブロックではなく、ADDR (16 進)\n"
      "を含むブロックだけを Block Erase で消去する。繰り返し指定できる"},
     [](Options& o, const std::string& v, Lang lang) -> Refusal {
         const std::optional<std::uint32_t> address = ParseHex(v, 8);
         if (!address || *address > 0xFFFFFF) return text::Say(Tx::CliEraseBlockTakes, lang);
         o.flash.eraseBlocks.push_back(*address);
         return std::nullopt;
     }},
    {"--no-erase",
     nullptr,
     kWrite,
     {"write: erase nothing, program onto the chip as it is",
      "write: 何も消去せず、チップの今の内容の上に書き込む"},
     [](Options& o, const std::string&, Lang) -> Refusal {
         o.flash.noErase = true;
         return std::nullopt;
     }},
    {"--skip-blank",
     nullptr,
     kWrite,
     {"write: leave out pages whose image is all FF (still verified)",
      "write: イメージがすべて FF のページを書かない (照合はする)"},
     [](Options& o, const std::string&, Lang) -> Refusal {
         o.flash.skipBlank = true;
         return std::nullopt;
     }},
    {"--verify-by",
     "HOW",
     kWrite,
     {"write: read (the default) reads every page back and compares\n"
      "it; sum compares the chip's check data with the sum of the\n"
      "bytes sent and reads no page back. The sum proves that every\n"
      "byte arrived and each page was programmed without an error\n"
      "flag, not that the flash still holds them (a byte disturbed\n"
      "afterwards)",
      "write: read (既定) は全ページを読み戻して比較する。sum はチップ\n"
      "のチェックデータを送ったバイトの合計と比べ、ページを読み戻さ\n"
      "ない。合計で分かるのは、すべてのバイトが届き各ページがエラー\n"
      "なしで書き込まれたことで、フラッシュがそれを保っていること\n"
      "(後で乱れたバイト) までは分からない"},
     [](Options& o, const std::string& v, Lang lang) -> Refusal {
         if (v != "sum" && v != "read") return text::Say(Tx::CliVerifyByTakes, lang);
         o.flash.verifyBySum = v == "sum";
         return std::nullopt;
     }},
    {"--serial",
     "ADDR:WIDTH:SOURCE",
     kWrite,
     {"write: give each board a number of WIDTH bytes (1 to 8),\n"
      "little-endian at hexadecimal ADDR, from SOURCE: COUNTER, a text\n"
      "file that holds the next number in decimal; list:FILE, the next\n"
      "unused number of a file of numbers one a line, marked used in\n"
      "place; or cmd:COMMAND, a program run before each board that\n"
      "prints the number. No number is given twice",
      "write: 各ボードに WIDTH バイト (1 から 8) の番号を、16 進の\n"
      "ADDR にリトルエンディアンで書き込む。番号の出どころ SOURCE は、\n"
      "次の番号を 10 進で持つテキストファイル COUNTER、1 行に 1 つの\n"
      "番号を並べたファイルから未使用の次の番号を取り、その場で使用済みと\n"
      "印を付ける list:FILE、または各ボードの前に実行して番号を表示させる\n"
      "プログラム cmd:COMMAND。同じ番号は二度使わない"},
     [](Options& o, const std::string& v, Lang lang) -> Refusal {
         std::string error;
         o.serial = ParseSerialOption(v, error, lang);
         if (o.serial) return std::nullopt;
         return error;
     }},
    {"--serial-done",
     "COMMAND",
     kWrite,
     {"write: once each numbered board has ended, run COMMAND with its\n"
      "number, its port and ok or void as three more arguments",
      "write: 番号を持つ各ボードが終わるたびに、その番号、ポート、ok か\n"
      "void を 3 つの引数として加えて COMMAND を実行する"},
     [](Options& o, const std::string& v, Lang lang) -> Refusal {
         o.serialDone = SplitCommand(v);
         if (o.serialDone) return std::nullopt;
         return text::Say(Tx::CliSerialDoneTakes, lang);
     }},
    {"--set-id",
     "HEX14",
     kWrite,
     {"write: protect the chip with this ID code (14 hex digits): its\n"
      "seven bytes go to the family's ID addresses with FILE's, and\n"
      "once written and verified the code is kept in FILE's ID file\n"
      "(prog.mot gives prog.id), which later commands unlock with.\n"
      "FILE's own bytes there must be the code's",
      "write: この ID コード (16 進 14 桁) でチップを保護する。その\n"
      "7 バイトを FILE のバイトとともにファミリの ID アドレスに書き、\n"
      "書き込みとベリファイが済むと FILE の ID ファイル (prog.mot なら\n"
      "prog.id) にコードを残す。後のコマンドはそれで ID を照合する。\n"
      "FILE 自身がそこにバイトを持つなら、コードと同じでなければならない"},
     [](Options& o, const std::string& v, Lang lang) -> Refusal {
         IdCodeBytes code{};
         if (!ParseIdCode(v, code)) return text::Say(Tx::CliSetIdTakes, lang);
         o.setId = code;
         return std::nullopt;
     }},
    {"--force",
     nullptr,
     kWrite,
     {"write: with --set-id, replace an ID file that holds another\n"
      "code (the only record of the chips protected with it)",
      "write: --set-id とともに、別のコードを持つ ID ファイルを置き換える\n"
      "(そのファイルは、そのコードで保護したチップの唯一の記録)"},
     [](Options& o, const std::string&, Lang) -> Refusal {
         o.force = true;
         return std::nullopt;
     }},
    {"--lang",
     "LANG",
     kOptioned | kCheck,
     {"en or ja: the language of the status texts (also before the\n"
      "command, for check); else $BRAMBLET_LANG, else ja. Either\n"
      "also gives this help and the messages in that language",
      "en または ja: 状態表示の言語 (コマンドの前にも書ける。check\n"
      "ではそこに)。なければ $BRAMBLET_LANG、それもなければ ja。\n"
      "どちらかがあれば、このヘルプとメッセージもその言語になる"},
     [](Options& o, const std::string& v, Lang lang) -> Refusal {
         o.lang = text::ParseLang(v);
         if (!o.lang) return text::Say(Tx::CliLangTakes, lang);
         return std::nullopt;
     },
     {},
     true},
    // The write file: S-records, Intel HEX and ELF are told apart by their content.
    {"--base",
     "ADDR",
     kFiles,
     {"FILE is a raw binary whose first byte goes to hexadecimal ADDR\n"
      "(before the command, for check); a FILE in S-records, Intel HEX\n"
      "or ELF holds its own addresses and is refused with it",
      "FILE は先頭のバイトを 16 進の ADDR に置く生のバイナリ (check では\n"
      "コマンドの前に)。S レコード、Intel HEX、ELF の FILE は自分の\n"
      "アドレスを持つので、これと一緒には受け付けない"},
     [](Options& o, const std::string& v, Lang lang) -> Refusal {
         const std::optional<std::uint32_t> address = ParseHex(v, 8);
         if (!address || *address > kLastChipAddress) return text::Say(Tx::CliBaseTakes, lang);
         o.base = *address;
         return std::nullopt;
     },
     {},
     true},
    {"-o",
     "FILE",
     kRead,
     {"read: the file to write, in the format its extension names\n"
      "(.hex, .ihex: Intel HEX; .bin: raw binary; else S-records)",
      "read: 書き出すファイル。形式は拡張子で決まる\n"
      "(.hex、.ihex: Intel HEX、.bin: 生のバイナリ、それ以外: S レコード)"},
     [](Options& o, const std::string& v, Lang) -> Refusal {
         o.output = v;
         return std::nullopt;
     },
     {"the file to write, in the format its extension names (.hex,\n"
      ".ihex: Intel HEX; .bin: raw binary; else S-records)",
      "書き出すファイル。形式は拡張子で決まる (.hex、.ihex: Intel HEX、\n"
      ".bin: 生のバイナリ、それ以外: S レコード)"}},
    {"-h, --help",
     nullptr,
     0,
     {"this text; after a command, that command's", "この説明。コマンドの後ではそのコマンドの説明"},
     nullptr},
    {"--version", nullptr, 0, {"the program's version", "プログラムのバージョン"}, nullptr},
};

const Words kProgramTail = {
    "\n"
    "START-END: hexadecimal addresses, both included, widened to whole 256-byte pages\n"
    "(4000-FFFF, 0F0000-0FFFFF).\n"
    "Status texts go to standard output, one per line, with several ports each after its\n"
    "port; the boot program's version, a progress bar (on a terminal), the detail of a\n"
    "failure and the reason a port cannot be opened go to standard error. Exit status 0 on\n"
    "success (on every board), 1 on failure, 2 for a usage error; Ctrl-C or a termination\n"
    "request stops every board at its next read, names the step and page reached on\n"
    "standard error and exits 130 (SIGINT) or 143 (SIGTERM).\n",
    "\n"
    "START-END: 両端を含む 16 進アドレス。256 バイトのページ単位に広げる\n"
    "(4000-FFFF、0F0000-0FFFFF)。\n"
    "状態表示は標準出力に 1 行ずつ (ポートが複数のときはそれぞれポート名の後に) 出る。\n"
    "ブートプログラムのバージョン、進み具合のバー (端末のとき)、失敗の詳細、ポートを\n"
    "開けない理由は標準エラーに出る。終了ステータスは成功 (全ボード) で 0、失敗で 1、\n"
    "使い方の誤りで 2。Ctrl-C または終了要求で、全ボードが次の読み込みで止まり、到達した\n"
    "手順とページを標準エラーに示して 130 (SIGINT) か 143 (SIGTERM) で終了する。\n"};

// "  --port PORT          serial port ...": the help in a column of its own, on the next line
// when the name and value leave no room.
std::string OptionLines(const OptionInfo& option, const char* help) {
    constexpr std::size_t kColumn = 23;
    std::string text = std::string("  ") + option.name;
    if (option.value) text += std::string(" ") + option.value;
    text += text.size() + 2 <= kColumn ? std::string(kColumn - text.size(), ' ')
                                       : "\n" + std::string(kColumn, ' ');
    for (const char* c = help; *c; ++c) {
        text += *c;
        if (*c == '\n') text += std::string(kColumn, ' ');
    }
    return text + "\n";
}

// The options of one command, or with `all` every option, each with its program-wide help.
std::string OptionsText(Command command, bool all, Lang lang) {
    std::string text = text::Say(Tx::CliOptions, lang);
    for (const OptionInfo& option : kOptions) {
        if (all) {
            text += OptionLines(option, option.help.In(lang));
        } else if (Takes(option.commands, command)) {
            text +=
                OptionLines(option, (option.ownHelp.en ? option.ownHelp : option.help).In(lang));
        }
    }
    return text;
}

// "bramblet-cli write FILE --port PORT [options]"; a command's own usage also shows that it takes
// several ports.
std::string Synopsis(const CommandInfo& info, bool own) {
    std::string text = std::string("bramblet-cli ") + info.name + info.arguments;
    if (!TakesChip(info.command)) return text;
    text += " --port PORT";
    if (info.command == Command::Read) return text + " -o FILE [options]";
    return text + (own ? " [--port PORT ...] [options]" : " [options]");
}

// "A, B, C or D".
template <typename Range, typename Name>
std::string Alternatives(const Range& range, Name name, Lang lang) {
    std::string text;
    std::size_t i = 0;
    for (const auto& item : range) {
        if (i != 0) text += text::Say(i + 1 == std::size(range) ? Tx::ListOr : Tx::ListComma, lang);
        text += name(item);
        ++i;
    }
    return text;
}

std::string FamilyNames(Lang lang) {
    return Alternatives(
        kFamilies, [](const FamilyInfo& f) { return std::string(f.name); }, lang);
}

std::string RateNames(Lang lang) {
    return Alternatives(
        kLinkRates, [](const LinkRate& r) { return std::to_string(r.baud); }, lang);
}

bool ParseIdCode(const std::string& text, IdCodeBytes& code) {
    if (text.size() != 14) return false;
    for (std::size_t i = 0; i < 7; ++i) {
        const int hi = HexDigitValue(text[2 * i]), lo = HexDigitValue(text[2 * i + 1]);
        if (hi < 0 || lo < 0) return false;
        code[i] = static_cast<std::uint8_t>(hi << 4 | lo);
    }
    return true;
}

Refusal TakeSequence(LineSequence& into, const char* name, const std::string& text, Lang lang) {
    const std::optional<LineSequence> steps = ParseLineSequence(text);
    if (!steps) {
        return text::Say(Tx::CliSequenceTakes, lang,
                         {name, std::to_string(kLongestLineWait.count())});
    }
    into = *steps;
    return std::nullopt;
}

// The command's operands into the options; the reason they do not fit it.
Refusal TakeOperands(const CommandInfo& info, const std::vector<std::string>& operands,
                     Options& options, Lang lang) {
    switch (info.operands) {
        case Operands::None:
            if (!operands.empty()) return text::Say(info.noOperands, lang, {info.name});
            return std::nullopt;
        case Operands::Range: {
            if (operands.size() != 1) {
                return text::Say(operands.empty() ? Tx::CliNoRange : Tx::CliManyRanges, lang);
            }
            const auto range = ParseRange(operands[0]);
            if (!range) return text::Say(Tx::CliBadRange, lang);
            options.range = *range;
            return std::nullopt;
        }
        case Operands::File:
        case Operands::FileOrNone:
            if (operands.size() > 1) return text::Say(Tx::CliManyFiles, lang);
            if (operands.empty() && info.operands == Operands::File) {
                return text::Say(Tx::CliNoFile, lang);
            }
            if (!operands.empty()) options.file = operands[0];
            return std::nullopt;
    }
    return std::nullopt;
}

// What a chip command's options must say together.
Refusal CheckTogether(const Options& options, Lang lang) {
    if (options.ports.empty()) return text::Say(Tx::CliPortRequired, lang);
    const bool read = options.command == Command::Read;
    if (read && options.ports.size() > 1) return text::Say(Tx::CliReadOnePort, lang);
    if (read && options.output.empty()) return text::Say(Tx::CliReadNeedsOutput, lang);
    if (options.flash.noErase && !options.flash.eraseBlocks.empty()) {
        return text::Say(Tx::CliNoEraseWithBlock, lang);
    }
    if (options.serialDone && !options.serial) {
        return text::Say(Tx::CliSerialDoneNeedsSerial, lang);
    }
    if (options.force && !options.setId) return text::Say(Tx::CliForceNeedsSetId, lang);
    if (options.modePin && options.baud == 9600) {
        return text::Say(Tx::CliBaud9600ModePin, lang);
    }
    return std::nullopt;
}

// How wide a text stands on a terminal: the characters of three or more UTF-8 bytes the labels
// use are the wide Japanese ones.
std::size_t TerminalColumns(std::string_view text) {
    std::size_t columns = 0;
    for (const char c : text) {
        const auto b = static_cast<unsigned char>(c);
        if (b < 0x80) ++columns;
        if (b >= 0xE0) columns += 2;
    }
    return columns;
}

const OptionInfo* FindOption(const std::string& arg, Command command) {
    for (const OptionInfo& option : kOptions) {
        if (option.apply && arg == option.name && Takes(option.commands, command)) return &option;
    }
    return nullptr;
}

const OptionInfo* FindOptionBeforeCommand(const std::string& arg) {
    for (const OptionInfo& option : kOptions) {
        if (option.beforeCommand && arg == option.name) return &option;
    }
    return nullptr;
}

}  // namespace

const char* CommandName(Command command) {
    for (const CommandInfo& info : kCommands) {
        if (info.command == command) return info.name;
    }
    return "";
}

std::string Usage(Command command, Lang lang) {
    const std::string usage = text::Say(Tx::CliUsage, lang);
    for (const CommandInfo& info : kCommands) {
        if (info.command != command) continue;
        std::string text = usage + Synopsis(info, true) + "\n" + info.details.In(lang);
        const bool hasOptions =
            std::any_of(std::begin(kOptions), std::end(kOptions),
                        [&](const OptionInfo& o) { return o.apply && Takes(o.commands, command); });
        if (hasOptions) text += "\n" + OptionsText(command, false, lang);
        return text;
    }
    // The synopses stand one under the other, after the label.
    const std::string indent(TerminalColumns(usage), ' ');
    std::string text;
    for (const CommandInfo& info : kCommands) {
        text += (text.empty() ? usage : indent) + Synopsis(info, false) + "\n";
    }
    text += indent + "bramblet-cli COMMAND --help\n" + indent +
            "bramblet-cli -h | --help | --version\n\n";
    for (const CommandInfo& info : kCommands) {
        std::string name = info.name;
        name.resize(13, ' ');
        text += "  " + name + info.summary.In(lang) + "\n";
    }
    return text + "\n" + OptionsText(command, true, lang) + kProgramTail.In(lang);
}

std::optional<PageRange> ParseRange(const std::string& text) {
    const auto dash = text.find('-');
    if (dash == std::string::npos) return std::nullopt;
    const auto start = ParseHex(text.substr(0, dash), 8);
    const auto end = ParseHex(text.substr(dash + 1), 8);
    if (!start || !end || *start > *end || *end > 0xFFFFFF) return std::nullopt;
    return PageRange{*start & ~std::uint32_t{0xFF}, *end | 0xFF};
}

std::optional<Lang> AskedLanguage(const std::vector<std::string>& args) {
    std::optional<Lang> asked;
    for (std::size_t i = 0; i + 1 < args.size(); ++i) {
        if (args[i] != "--lang") continue;
        if (const std::optional<Lang> named = text::ParseLang(args[i + 1])) asked = named;
    }
    return asked;
}

std::optional<Options> ParseOptions(const std::vector<std::string>& args, std::string& error,
                                    Lang lang) {
    const auto refuse = [&](std::string reason) -> std::optional<Options> {
        error = std::move(reason);
        return std::nullopt;
    };
    Options options;
    // Those before the command come first, so the same option after it is the nearer choice.
    std::size_t at = 0;
    std::vector<const OptionInfo*> early;
    while (at < args.size()) {
        const OptionInfo* option = FindOptionBeforeCommand(args[at]);
        if (!option) break;
        if (at + 1 >= args.size()) return refuse(text::Say(Tx::CliNeedsValue, lang, {args[at]}));
        if (Refusal why = option->apply(options, args[at + 1], lang)) {
            return refuse(std::move(*why));
        }
        early.push_back(option);
        at += 2;
    }
    if (at >= args.size()) return refuse(text::Say(Tx::CliNoCommand, lang));
    const std::string& name = args[at];
    if (name == "-h" || name == "--help") return options;
    if (name == "--version") {
        options.command = Command::Version;
        return options;
    }
    const auto known = std::find_if(std::begin(kCommands), std::end(kCommands),
                                    [&](const CommandInfo& c) { return name == c.name; });
    if (known == std::end(kCommands)) return refuse(text::Say(Tx::CliUnknownCommand, lang, {name}));
    options.command = known->command;
    for (const OptionInfo* option : early) {
        if (!Takes(option->commands, options.command)) {
            return refuse(text::Say(Tx::CliNotAnOptionOf, lang, {option->name, name}));
        }
    }

    std::vector<std::string> operands;
    for (std::size_t i = at + 1; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--help" || arg == "-h") {
            options.helpFor = options.command;
            options.command = Command::Help;
            return options;
        }
        const OptionInfo* option = known->verbatim ? nullptr : FindOption(arg, options.command);
        if (option) {
            if (option->value && i + 1 >= args.size()) {
                return refuse(text::Say(Tx::CliNeedsValue, lang, {arg}));
            }
            const std::string value = option->value ? args[++i] : std::string();
            if (Refusal why = option->apply(options, value, lang)) return refuse(std::move(*why));
        } else if (!known->verbatim && arg.rfind("--", 0) == 0 && arg != "--") {
            return refuse(text::Say(Tx::CliUnknownOption, lang, {arg}));
        } else {
            operands.push_back(arg);
        }
    }
    if (Refusal why = TakeOperands(*known, operands, options, lang)) {
        return refuse(std::move(*why));
    }
    if (!TakesChip(options.command)) return options;
    if (Refusal why = CheckTogether(options, lang)) return refuse(std::move(*why));
    return options;
}

}  // namespace bramblet
