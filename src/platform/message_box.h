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

// Writes "caption: text" as one line to standard error (a text ending in a line break gets no
// second one). Any thread.
void logMessage(const std::string& text, const std::string& caption);

// Whether boxes are shown on the screen at all: not when the QUORVANE_NO_MESSAGE_BOX environment
// variable is set (tests and unattended runs set it so that nothing waits for a key).
bool messageBoxesWanted();

// Writes the message to standard error and shows an SDL message box when a real video driver is
// up and boxes are wanted. Serves until the launcher's own window can show its messages.
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
