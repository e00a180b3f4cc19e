// The settings file: the INI layer's reading and in-place editing, and every conversion of the
// settings record.
#include <optional>
#include <string>

#include "config/settings.h"
#include "fuzz_scratch.h"
#include "platform/profile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    ProfileFile file = ProfileFile::fromText(std::string(fuzz::asText(data, size)));
    [[maybe_unused]] const LauncherSettings settings = loadSettings(file);

    // What saving writes must read back as written, whatever the rest of the file holds.
    file.setString("Settings", "Fontsize", "24");
    file.setString("System", "LastMameVersion", std::nullopt);
    const ProfileFile again = ProfileFile::fromText(file.text());
    FUZZ_CHECK(again.find("Settings", "Fontsize") == std::optional<std::string>("24"));
    FUZZ_CHECK(!again.find("System", "LastMameVersion"));
    return 0;
}
