// The three user commands of the window: the query, the play and the save.
// Each runs on the window thread to its end, yields to window events only
// where the fetchers and the waits do, and stops at its next step once the
// window is closing.
#pragma once

namespace vokari {

class MainWindow;

// Lists the member whose home-page number is in the edit box.
void onQueryClicked(MainWindow& window);

// Works out the MP3 address of the selected song row into the program state.
void resolveSelectedWork(MainWindow& window);

// Plays the selected song row once or in a loop, as the play-mode box says.
void playSelectedWork(MainWindow& window);

// Saves the selected song's MP3 file where the user confirms.
void onSaveRequested(MainWindow& window);

}  // namespace vokari
