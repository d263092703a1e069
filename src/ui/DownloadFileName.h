#pragma once
#include <QString>

// The name a downloaded file is offered under. The site chooses it, so it may carry what
// a person reading it cannot see: control characters, and direction marks that turn
// "invoice<RLO>txt.exe" into what reads as a ".txt"; a leading dot that hides the file;
// or more than a file system takes (255 bytes), which leaves no name to save under.
namespace download_file_name {

// The engine writes the file under its name plus ".crdownload" until it is complete, and
// that name must fit in 255 bytes as well.
constexpr int kMaxBytes = 255 - 11;
constexpr int kMaxExtensionLength = 16;  // characters, the dot included

// The name without those characters and leading dots, and cut to kMaxBytes in the file
// system's encoding with its extension kept; "download" when nothing is left.
QString Clean(const QString& offered);

}  // namespace download_file_name
