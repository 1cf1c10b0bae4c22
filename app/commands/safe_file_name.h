// The file name the save dialog proposes for a song. The song name comes from
// the service, so it must not choose the folder, hide the file or make a name
// the file system refuses.
#pragma once

#include <QString>

namespace vokari {

// The song name made safe, followed by ".mp3": path separators, control
// characters and the characters file systems refuse become '_', leading dots
// go, an empty name becomes a fallback, and the whole name stays within 255
// bytes in UTF-8, cut between characters.
QString safeSongFileName(const QString& songName);

}  // namespace vokari
