// The three hosts the program talks to. They are fixed when the program is
// built; the library takes them as a value so tests can point a window at a
// simulator listening on a free port.
#pragma once

#include "text/text.h"

namespace vokari {

// Each is "host" or "host:port"; an address is "http://" + host + path.
struct ServiceHosts {
    Text web;     // profile, song-list and song pages
    Text media;   // MP3 files
    Text player;  // the player page
};

}  // namespace vokari
