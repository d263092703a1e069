#pragma once
#include <string>
#include <vector>

namespace platform {

// Replaces the file at `path` with `bytes` so that a reader (or a crash) sees either
// the old content or the new one, never a part: the bytes go to a temporary file in
// the same directory, which then takes the target's place. With `durable` the bytes
// are flushed to the disk before, so a crash cannot leave an empty file; without it a
// crash may leave the file empty (a generated page, rewritten on its next use).
// The file gets the permission bits `mode`: by default only its owner reads it, since
// what the program writes (the history above all) is nobody else's business.
bool WriteFileAtomically(const std::string& path, const std::string& bytes, bool durable = false,
                         unsigned mode = 0600);

// Writes all `length` bytes to `fd` (retrying short writes); false on an error.
bool WriteAll(int fd, const char* bytes, size_t length);

// Reads a whole file; false when it cannot be opened or read.
bool ReadWholeFile(const std::string& path, std::string* bytes);

bool FileExists(const std::string& path);

// True when the last segment of `path` is named like the temporary file of a write in
// progress (the target's name, which carries an extension, then "." and six letters or
// digits): such a file holds a part of something and is never handed out.
bool IsTemporaryFileName(const std::string& path);

// Removes what writes of `names` (file names in `directory`, which ends in "/") killed
// midway left behind. Returns how many files went.
int RemoveLeftoverTemporaryFiles(const std::string& directory, const std::vector<std::string>& names);

// True when a file can really be made in `directory` (tried with a temporary file that
// is removed at once), whatever the permission bits suggest.
bool DirectoryWritable(const std::string& directory);

}  // namespace platform
