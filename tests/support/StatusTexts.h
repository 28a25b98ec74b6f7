#pragma once
// The texts the design shows in the status line and beside the file name, byte for byte. Written
// here on purpose and not taken from the production code: a test that compared a text with the
// very constant the code prints could never notice that constant being wrong.
#include <string>

namespace bramblet::testing {
// Inline, so that tests outside bramblet::testing can take the texts alone with one using.
inline namespace status_texts {

// The three operations, from their start to their end.
inline const std::string kStartWrite = "フラッシュ消去・書込み開始";
inline const std::string kStartErase = "フラッシュ消去開始";
inline const std::string kConnecting = "BOOTモードコネクト中";
inline const std::string kIdAllFF = "ID all FF 照合中";
inline const std::string kIdFile = "IDファイル 照合中";
inline const std::string kIdVerified = "ID照合完了！";
inline const std::string kErasing = "フラッシュ消去中";
inline const std::string kErased = "フラッシュ消去完了！";
inline const std::string kProgramming = "フラッシュ書き込み中";
inline const std::string kVerifying = "フラッシュベリファイ中";
inline const std::string kWritten = "フラッシュ書き込みは無事完了しました";
inline const std::string kVerified = "フラッシュベリファイは無事完了しました";

// How an operation fails.
inline const std::string kNoPort = "COMポートがありません！";
inline const std::string kNoAnswer = "通信できません! ブートモードを確認してリセットしてください";
inline const std::string kIdMismatch = "ID照合不一致";
inline const std::string kCannotErase = "フラッシュを消去できません! ";  // ends in a blank
inline const std::string kProgramFailed = "フラッシュ書き込みに失敗しました!";
// The verify pass's own text; the verify operation replaces it with one ending in a blank.
inline const std::string kVerifyFailed = "フラッシュベリファイに失敗しました!";
inline const std::string kVerifyOperationFailed = "フラッシュベリファイに失敗しました! ";

// The write file's check.
inline const std::string kChecking = "Sフォーマットファイル検証中";
inline const std::string kNotSFormat = "Sフォーマットファイルではありません！";
inline const std::string kCannotRead = "Sフォーマットファイルを読み込めません！";
inline const std::string kBroken = "Sフォーマットファイルが異常です！";
inline const std::string kChecksum = "Sフォーマットファイルのチェックサムが異常です！";
inline const std::string kReady = "ブートモードでマイコンの電源ON、書込実行ボタンを押す";
inline const std::string kCheckFailed = "書き込みファイルはSフォーマットでないか、異常です";

// The ID code dialog's status bar.
inline const std::string kIdProtected = "プロテクトされています。プロテクトIDを指定してください";

}  // namespace status_texts
}  // namespace bramblet::testing
