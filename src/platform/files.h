// Small file-system services for the portable code: existence tests, uniquely named temporary
// files, removal, atomic replacement and the scan of a folder for files of one extension.
//
// None of these functions throws; failures come back as false or an empty optional, with a
// reason where the caller has to report one.
#pragma once

#include <optional>
#include <string>
#include <vector>

// True when `path` names an existing file or folder. A path with "*" or "?" in its last
// component is taken as a pattern and answers whether anything in that folder matches it
// (case-sensitively). Any thread; no side effects.
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

// Writes `contents` to a new temporary file beside `path`, flushes it to the disk and renames it
// over `path`, so that a crash leaves either the old file or the complete new one, never a
// truncated file. On failure the old file is untouched, the temporary file is removed, false is
// returned and `error` (when given) holds the reason.
bool replaceFileContents(const std::string& path, const std::string& contents,
                         std::string* error = nullptr);

// The names (without the folder) of the regular files in `folder` whose name ends with
// `extension` compared without regard to case (".zip" finds "a.ZIP"), in the order the folder
// lists them. A missing or unreadable folder gives an empty list.
std::vector<std::string> listFilesWithExtension(const std::string& folder,
                                                const std::string& extension);
