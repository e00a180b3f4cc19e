#include "catalogue/emulator_runner.h"

#include <cstdio>
#include <memory>

#include "platform/files.h"
#include "platform/process.h"

namespace {

constexpr const char* kErrorCaption = "Error";
constexpr size_t kVersionLineLimit = 254;

int runAndReport(const ProcessRequest& request, int* exitCodeOut, MessageBoxes& boxes)
{
    const ProcessResult result = runProcess(request);
    switch (result.failure) {
        case ProcessFailure::None:
            if (exitCodeOut != nullptr) *exitCodeOut = result.exitCode;
            return 1;
        case ProcessFailure::CannotWait:
            // The child ran; only its exit code is unknown.
            boxes.show("GetExitCodeProcess failed!", kErrorCaption);
            if (exitCodeOut != nullptr) *exitCodeOut = -1;
            return 1;
        case ProcessFailure::CannotCreateOutput:
            boxes.show("Failed to create file [" + request.outputPath + "]!", kErrorCaption);
            return 0;
        case ProcessFailure::EmptyCommand:
        case ProcessFailure::CannotStart:
            std::printf("%s\n", result.error.c_str());
            boxes.show("Failed to execute [" + request.commandLine + "]!", kErrorCaption);
            return 0;
    }
    return 0;
}

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};

// Removes the file when the scope ends, whatever the outcome.
struct TemporaryFile {
    std::string path;
    ~TemporaryFile() { removeFile(path); }
};

}  // namespace

int runProcessToFile(const std::string& commandLine, const std::string& workingDirectory,
                     const std::string& outputPath, int* exitCodeOut, MessageBoxes& boxes)
{
    ProcessRequest request;
    request.commandLine = commandLine;
    request.workingDirectory = workingDirectory;
    request.output = ProcessOutput::CaptureFile;
    request.outputPath = outputPath;
    return runAndReport(request, exitCodeOut, boxes);
}

std::optional<std::string> probeEmulatorVersion(const std::string& emulatorPath,
                                                MessageBoxes& boxes)
{
    const std::string folder = temporaryFolder();
    auto created = createTemporaryFile(folder, "mam");
    if (!created) return std::nullopt;
    const TemporaryFile output{*created};

    const std::string command = emulatorPath + " -help";
    if (runProcessToFile(command, folder, output.path, nullptr, boxes) == 0) return std::nullopt;

    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(output.path.c_str(), "r"));
    if (!file) return std::nullopt;
    char line[kVersionLineLimit + 1];
    if (std::fgets(line, sizeof line, file.get()) == nullptr) return std::nullopt;
    std::string version(line);
    if (!version.empty() && version.back() == '\n') version.pop_back();
    return version;
}
