// The GUI tests' main: one QApplication for the whole binary, on the
// offscreen platform unless the caller chose another, and the media backend
// the program itself uses.
#include <QApplication>

#include <gtest/gtest.h>

#include "app/player_box.h"

int main(int argc, char** argv) {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    vokari::chooseMediaBackend();
    testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
