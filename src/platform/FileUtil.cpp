#include "platform/FileUtil.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdio>

namespace platform {
namespace {

// The six characters mkstemp puts in place of "XXXXXX".
bool IsTemporarySuffix(const std::string& text, size_t at) {
  if (text.size() != at + 6) return false;
  for (size_t i = at; i < text.size(); ++i)
    if (!std::isalnum(static_cast<unsigned char>(text[i]))) return false;
  return true;
}

}  // namespace

bool WriteAll(int fd, const char* bytes, size_t length) {
  while (length > 0) {
    ssize_t n = ::write(fd, bytes, length);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    bytes += n;
    length -= static_cast<size_t>(n);
  }
  return true;
}

namespace {

// Puts the finished temporary file in place of `path`. A plain rename over an existing
// file makes ext4 (and file systems like it) write the new file's data out on the spot,
// so that a crash cannot leave it empty: milliseconds per page. A file that is
// regenerated anyway does not need that, so it trades places with the old one instead,
// which is just as atomic for readers, and the old one, now under the temporary name,
// is removed. Where the file system cannot exchange, or no regular file is there to
// exchange with, it is renamed (which also refuses to replace a directory).
bool PutInPlace(const std::string& temp, const std::string& path, bool durable) {
  struct stat target;
  const bool exchange = !durable && ::lstat(path.c_str(), &target) == 0 && S_ISREG(target.st_mode);
  if (exchange && ::renameat2(AT_FDCWD, temp.c_str(), AT_FDCWD, path.c_str(), RENAME_EXCHANGE) == 0) {
    ::unlink(temp.c_str());
    return true;
  }
  return ::rename(temp.c_str(), path.c_str()) == 0;
}

}  // namespace

bool WriteFileAtomically(const std::string& path, const std::string& bytes, bool durable, unsigned mode) {
  std::string temp = path + ".XXXXXX";
  int fd = ::mkstemp(&temp[0]);
  if (fd < 0) return false;
  ::fchmod(fd, static_cast<mode_t>(mode));
  bool ok = WriteAll(fd, bytes.data(), bytes.size()) && (!durable || ::fsync(fd) == 0);
  ok = (::close(fd) == 0) && ok;
  if (ok && PutInPlace(temp, path, durable)) return true;
  ::unlink(temp.c_str());
  return false;
}

bool ReadWholeFile(const std::string& path, std::string* bytes) {
  FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return false;
  bytes->clear();
  // Read straight into the string; a file that grows meanwhile is read on in chunks.
  struct stat st;
  size_t expected = (::fstat(::fileno(f), &st) == 0 && st.st_size > 0) ? static_cast<size_t>(st.st_size) : 0;
  bytes->resize(expected + 1);
  size_t have = 0;
  size_t n;
  while ((n = std::fread(&(*bytes)[have], 1, bytes->size() - have, f)) > 0) {
    have += n;
    if (have == bytes->size()) bytes->resize(have + 65536);
  }
  bytes->resize(have);
  bool ok = !std::ferror(f);
  std::fclose(f);
  return ok;
}

bool FileExists(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0;
}

bool IsTemporaryFileName(const std::string& path) {
  const std::string name = path.substr(path.rfind('/') + 1);
  const size_t dot = name.rfind('.');
  if (dot == std::string::npos || dot == 0 || !IsTemporarySuffix(name, dot + 1)) return false;
  return name.find('.') < dot;
}

int RemoveLeftoverTemporaryFiles(const std::string& directory, const std::vector<std::string>& names) {
  int removed = 0;
  DIR* dir = ::opendir(directory.c_str());
  if (!dir) return 0;
  while (const dirent* entry = ::readdir(dir)) {
    const std::string name = entry->d_name;
    for (const std::string& target : names) {
      const bool leftover = name.size() == target.size() + 7 && name.compare(0, target.size(), target) == 0 &&
                            name[target.size()] == '.' && IsTemporarySuffix(name, target.size() + 1);
      if (leftover && ::unlink((directory + name).c_str()) == 0) ++removed;
    }
  }
  ::closedir(dir);
  return removed;
}

bool DirectoryWritable(const std::string& directory) {
  std::string probe = directory;
  if (!probe.empty() && probe.back() != '/') probe.push_back('/');
  probe += ".varnok-write-test.XXXXXX";
  const int fd = ::mkstemp(&probe[0]);
  if (fd < 0) return false;
  ::close(fd);
  ::unlink(probe.c_str());
  return true;
}

}  // namespace platform
