#pragma once
// A window that remembers everything the core told it, in order, and answers the ID code dialog
// as the test says. Its input fields stand for the window's controls: Target() reads them as the
// window does when an operation starts.
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "writer/core/Target.h"
#include "writer/core/WriterView.h"

namespace bramblet::testing {

class RecordingView : public WriterView, public IdCodePrompt {
public:
    std::string fileName;
    std::string portName = "COM1";
    std::string cpuFamily = "R8C";  // as the family box holds it; the dialog's family lands here
    bool modePin = false;

    std::vector<std::string> statuses;
    std::vector<int> progress;
    std::vector<std::uint32_t> beeps;
    std::vector<std::string> versionTexts;
    std::vector<std::string> fileCheckTexts;
    std::vector<std::pair<ActionButton, bool>> buttons;
    int dialogShown = 0;
    // What the dialog answers when shown, given the family it opens with; by default the user
    // cancels.
    std::function<std::optional<IdCodeAnswer>(const std::string&)> dialog;
    // Runs after each status text is recorded, for a test to act at a given moment.
    std::function<void(const std::string&)> onStatus;
    std::function<void(int)> onProgress;

    Target ToTarget(LinkOptions link = {}) const {
        Target target;
        target.port = portName;
        target.family = ParseFamily(cpuFamily);
        target.modePin = modePin;
        target.writeFile = fileName;
        target.link = link;
        return target;
    }

    void SetStatus(const std::string& text) override {
        statuses.push_back(text);
        if (onStatus) onStatus(text);
    }
    void SetProgress(int position) override {
        progress.push_back(position);
        if (onProgress) onProgress(position);
    }
    void SetVersionText(const std::string& text) override { versionTexts.push_back(text); }
    void SetFileCheckText(const std::string& text) override { fileCheckTexts.push_back(text); }
    void SetButtonEnabled(ActionButton button, bool enabled) override {
        buttons.emplace_back(button, enabled);
    }
    void Beep(std::uint32_t type) override { beeps.push_back(type); }
    void FamilyConfirmed(const std::string& text) override { cpuFamily = text; }
    std::optional<IdCodeAnswer> AskIdCode() override {
        ++dialogShown;
        return dialog ? dialog(cpuFamily) : std::nullopt;
    }

    std::string LastStatus() const { return statuses.empty() ? std::string() : statuses.back(); }
};

}  // namespace bramblet::testing
