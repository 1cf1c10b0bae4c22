// The work resolution shared by the play and the save command, without the
// one-command-at-a-time claim that each of those takes for itself.
#pragma once

namespace vokari {

class MainWindow;

// Fetches the selected row's song page and writes workPage, workId,
// pageAudioAddress and mp3Address. Does nothing without a selected song row;
// writes nothing when the window started closing during the fetch.
void resolveWork(MainWindow& window);

}  // namespace vokari
