#pragma once
// What the operations report to, and the one question they ask. A face shows what it has room
// for: the window all of it, the command line the status texts and the version, tests record it.
// Nothing here is read back, so a face can be driven from several places without the operations
// seeing a control change mid-run.
#include <cstdint>
#include <optional>
#include <string>

#include "text/Catalogue.h"
#include "writer/flash/IdFile.h"

namespace bramblet {

// MessageBeep types: the simple beep on failure, MB_ICONEXCLAMATION on success.
constexpr std::uint32_t kBeepFailure = 0xFFFFFFFF;
constexpr std::uint32_t kBeepSuccess = 0x30;

enum class ActionButton { Write = 1, Erase = 2, Verify = 3 };

class WriterView {
public:
    virtual ~WriterView() = default;

    virtual void SetStatus(const std::string&) {}         // StatusBar1
    virtual void SetProgress(int) {}                      // ProgressBar1, 0 to 100
    virtual void SetVersionText(const std::string&) {}    // Label3
    virtual void SetFileCheckText(const std::string&) {}  // Label4
    virtual void SetButtonEnabled(ActionButton, bool) {}
    virtual void Beep(std::uint32_t) {}
    // The family the ID code dialog confirmed, as the user typed it: the window shows it from
    // now on, and the next operation takes its family from there.
    virtual void FamilyConfirmed(const std::string&) {}
    // The language the face shows, in which the operations give it their texts.
    virtual text::Lang Language() const { return text::Lang::Ja; }
    // The language of what the system adds to those texts, such as why a step failed; the
    // windows show none of it, and the command line keeps it English until a language is chosen.
    virtual text::Lang OwnLanguage() const { return text::Lang::En; }
};

// What the ID code dialog answers when it is confirmed.
struct IdCodeAnswer {
    IdCodeBytes code{};
    std::string family;  // as typed; empty counts as cancelled
};

class IdCodePrompt {
public:
    virtual ~IdCodePrompt() = default;
    // Asks for the code of a chip that none of the other sources unlocked, modally; nothing when
    // the user cancelled or closed the dialog.
    virtual std::optional<IdCodeAnswer> AskIdCode() = 0;
};

}  // namespace bramblet
