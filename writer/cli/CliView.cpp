#include "cli/CliView.h"

namespace bramblet {

void CliView::SetStatus(const std::string& text) {
    if (quiet) return;
    EndProgress();
    std::fprintf(out_, "%s\n", text.c_str());
    std::fflush(out_);
}

void CliView::SetProgress(int position) {
    if (!showProgress) return;
    constexpr int kWidth = 40;
    const int filled = position * kWidth / 100;
    std::fprintf(err_, "\r[%-*s] %3d%%", kWidth, std::string(filled, '#').c_str(), position);
    std::fflush(err_);
    progressShown_ = true;
}

void CliView::EndProgress() {
    if (!progressShown_) return;
    std::fputc('\n', err_);
    progressShown_ = false;
}

void CliView::SetVersionText(const std::string& text) {
    if (text.empty()) return;
    EndProgress();
    std::fprintf(err_, "boot program version: %s\n", text.c_str());
}

std::optional<IdCodeAnswer> CliView::ShowIdCodeDialog(const std::string& family) {
    if (!dialogCode) return std::nullopt;
    return IdCodeAnswer{*dialogCode, dialogFamily.value_or(family)};
}

}  // namespace bramblet
