// Messages the user must see: a modal box on the screen when one exists, and always one line on
// standard error, so that a cabinet without a desktop still leaves a trace in its log.
#pragma once

#include <string>
#include <vector>

class MessageBoxes {
public:
    virtual ~MessageBoxes() = default;

    // Shows `text` with `caption` and an OK button; returns when the user has closed it (or at
    // once when there is no screen). Called on the GUI thread only.
    virtual void show(const std::string& text, const std::string& caption) = 0;
};

// Writes "caption: text" to standard error, and shows an SDL message box when a video
// subsystem is up and the QUORVANE_NO_MESSAGE_BOX environment variable is not set (tests and
// unattended runs set it so that nothing waits for a click).
class SystemMessageBoxes final : public MessageBoxes {
public:
    void show(const std::string& text, const std::string& caption) override;
};

// Records the calls instead of showing them; for tests.
class RecordingMessageBoxes final : public MessageBoxes {
public:
    struct Shown {
        std::string text;
        std::string caption;
    };
    void show(const std::string& text, const std::string& caption) override
    {
        shown.push_back({text, caption});
    }
    std::vector<Shown> shown;
};
