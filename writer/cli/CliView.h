#pragma once
// The window as a terminal: every status-line text becomes a line on standard output, the
// boot program's version and the progress bar go to standard error. With several boards at
// once, each board has its own view and every line starts with its port.
#include <cstdio>
#include <mutex>
#include <optional>
#include <string>

#include "writer/core/WriterView.h"

namespace bramblet {

// Standard output and standard error shared by the boards: each line is written whole, and a
// progress bar (one board on a terminal) is ended before any line.
class Console {
public:
    Console(std::FILE* out, std::FILE* err) : out_(out), err_(err) {}
    void Out(const std::string& prefix, const std::string& text) { Line(out_, prefix, text); }
    void Err(const std::string& prefix, const std::string& text) { Line(err_, prefix, text); }
    void Progress(int position);
    void EndProgress();

private:
    void Line(std::FILE* stream, const std::string& prefix, const std::string& text);
    void EndProgressLocked();

    std::mutex mutex_;
    std::FILE* out_;
    std::FILE* err_;
    bool progressShown_ = false;
};

class CliView : public WriterView {
public:
    // `prefix` starts every line ("" for one board, "PORT: " for several).
    CliView(Console& console, std::string prefix) : console_(console), prefix_(std::move(prefix)) {}

    bool showProgress = false;             // a bar on standard error, for one board on a terminal
    text::Lang language = text::Lang::Ja;  // of the status texts
    text::Lang ownLanguage = text::Lang::En;  // of the lines the command line adds

    void SetStatus(const std::string& text) override;
    void SetProgress(int position) override;
    void SetVersionText(const std::string& text) override;
    void FamilyConfirmed(const std::string& text) override { confirmedFamily_ = text; }
    text::Lang Language() const override { return language; }
    text::Lang OwnLanguage() const override { return ownLanguage; }

    // The family the ID code answer confirmed during the run, if it did.
    const std::optional<std::string>& ConfirmedFamily() const { return confirmedFamily_; }

    // Lines of the command line's own, after the board's prefix.
    virtual void Print(const std::string& text) { console_.Out(prefix_, text); }
    void Error(const std::string& text) { console_.Err(prefix_, text); }

protected:
    Console& console_;

private:
    const std::string prefix_;
    std::optional<std::string> confirmedFamily_;
};

// The same face for programs that read it (--json): every status text, progress position,
// version text and line of the command's own as one JSON object on standard output, naming the
// board's port. Standard error keeps the text of a failure's detail.
class JsonView : public CliView {
public:
    JsonView(Console& console, std::string port, std::string prefix)
        : CliView(console, std::move(prefix)), port_(std::move(port)) {}

    void SetStatus(const std::string& text) override { Event("status", text); }
    void SetProgress(int position) override;
    void SetVersionText(const std::string& text) override;
    void Print(const std::string& text) override { Event("output", text); }

private:
    void Event(const char* event, const std::string& text);

    const std::string port_;
};

// The ID code dialog of the command line: the code and family given with --id, or a cancel.
class CliPrompt : public IdCodePrompt {
public:
    CliPrompt(std::optional<IdCodeBytes> code, std::string family)
        : code_(code), family_(std::move(family)) {}
    std::optional<IdCodeAnswer> AskIdCode() override {
        if (!code_) return std::nullopt;
        return IdCodeAnswer{*code_, family_};
    }

private:
    std::optional<IdCodeBytes> code_;
    std::string family_;
};

}  // namespace bramblet
