// Placeholder bodies so the program links before the commands exist.
#include "app/main_window.h"

namespace vokari {

void onQueryClicked(MainWindow&) {}
void resolveSelectedWork(MainWindow&) {}
void playSelectedWork(MainWindow&) {}
void onSaveRequested(MainWindow&) {}

}  // namespace vokari
