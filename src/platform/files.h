// Small file-system services for the portable code: existence tests, uniquely named temporary
// files, removal, atomic replacement and the scan of a folder for files of one extension.
//
// Why files are replaced through a temporary file: the settings file and the game cache are
// rewritten while a cabinet may lose power at any moment. The new contents go to a temporary
// file beside the target, are flushed to the disk and then renamed over the target, so a crash
// leaves the old file or the complete new one, never a truncated mix. A crash between the write
// and the rename leaves the temporary file behind; its name marks it as ours
// (".<name>.<pid>-<n>.quorvane-tmp") so that the next start can remove it without touching
// anything else in the folder.
//
// None of these functions throws; failures come back as false or an empty optional, with a
// reason where the caller has to report one.
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// True when `path` names an existing file or folder (a link counts by what it points to). Any
// thread; no side effects.
bool fileExists(const std::string& path);

// The folder for temporary files: $TMPDIR when it is set and not empty, else "/tmp". Never
// fails; whether the folder exists is up to the caller's next step.
std::string temporaryFolder();

// Creates a new, empty file with a unique name "<folder>/<prefix>XXXXXX" (mkstemp) and returns
// its path; the file is closed again. Empty optional when the file cannot be created; `error`
// (when given) then holds the reason. The caller owns the file and must remove it.
std::optional<std::string> createTemporaryFile(const std::string& folder, const std::string& prefix,
                                               std::string* error = nullptr);

// Removes the file; true when it is gone afterwards (a missing file counts as removed).
bool removeFile(const std::string& path);

// Replaces the file at `path` with `contents` so that readers see either the old or the new
// file, never a mix (see the note at the top). A symbolic link is followed to its target, which
// is replaced (or created, when the link dangles) while the link stays. A replaced file keeps its
// permissions and owner; a new one gets mode 0666 less the umask.
// Refused, with the file untouched: a file whose owner has switched its write permission off
// (even when running as root, who could write it anyway), a target that is not a regular file.
// On any failure (missing or unwritable folder, full disk) the old file is untouched, the
// temporary file is removed, false is returned and `error` (when given) holds the path and the
// reason. Not thread-safe against a concurrent write of the same path.
bool replaceFileContents(const std::string& path, const std::string& contents,
                         std::string* error = nullptr);

// Removes the temporary files that interrupted replaceFileContents calls for `path` left beside
// its target (after a link is followed): only names of our pattern whose writing process is no
// longer running. Called once at start-up; writes one line on standard error per removed file and
// returns how many were removed. Other files in the folder are never touched.
int removeStaleWriteTemporaries(const std::string& path);

// A fault injected into every later replaceFileContents call, for tests that show what a full
// disk or a crash in the middle of a write leaves behind. Never used by the launcher itself.
struct WriteFault {
    // The write fails with errno `error` after this many bytes, as a full disk would stop it.
    std::optional<size_t> stopAfterBytes;
    int error = 0;
    // Runs when the temporary file is complete and flushed, just before it replaces the target.
    std::function<void()> beforeRename;
};
// Sets the fault for the later writes of this process; nothing (std::nullopt) clears it.
void injectWriteFault(std::optional<WriteFault> fault);

// Calls `visit` with the name (without the folder) of every regular file in `folder` whose name
// ends with `extension` compared without regard to case (".zip" finds "a.ZIP"), in the order
// the folder lists them; the name is valid during the call only. A missing or unreadable folder
// gives no call.
void forEachFileWithExtension(const std::string& folder, const std::string& extension,
                              const std::function<void(std::string_view name)>& visit);
