#include "writer/cli/CliView.h"

#include "writer/cli/Json.h"

namespace bramblet {

void Console::Line(std::FILE* stream, const std::string& prefix, const std::string& text) {
    std::lock_guard lock(mutex_);
    EndProgressLocked();
    std::fprintf(stream, "%s%s\n", prefix.c_str(), text.c_str());
    std::fflush(stream);
}

void Console::Progress(int position) {
    std::lock_guard lock(mutex_);
    constexpr int kWidth = 40;
    const int filled = position * kWidth / 100;
    std::fprintf(err_, "\r[%-*s] %3d%%", kWidth, std::string(filled, '#').c_str(), position);
    std::fflush(err_);
    progressShown_ = true;
}

void Console::EndProgress() {
    std::lock_guard lock(mutex_);
    EndProgressLocked();
}

void Console::EndProgressLocked() {
    if (!progressShown_) return;
    std::fputc('\n', err_);
    progressShown_ = false;
}

void CliView::SetStatus(const std::string& text) {
    console_.Out(prefix_, text);
}

void CliView::SetProgress(int position) {
    if (showProgress) console_.Progress(position);
}

void CliView::SetVersionText(const std::string& text) {
    if (!text.empty())
        console_.Err(prefix_, text::Say(text::Tx::CliBootVersion, ownLanguage, {text}));
}

void JsonView::SetProgress(int position) {
    console_.Out("", JsonObject()
                         .String("event", "progress")
                         .String("port", port_)
                         .Number("position", position)
                         .Text());
}

void JsonView::SetVersionText(const std::string& text) {
    if (!text.empty()) Event("version", text);
}

void JsonView::Event(const char* event, const std::string& text) {
    console_.Out(
        "", JsonObject().String("event", event).String("port", port_).String("text", text).Text());
}

}  // namespace bramblet
