// Writing a downloaded file in one piece.
#pragma once

#include <QString>

#include "text/text.h"

namespace vokari {

// Writes bytes as the whole file at path and answers whether every byte
// reached the disk. The bytes go to a new file that replaces the old one only
// once complete, so a failed write leaves an existing file as it was.
bool writeWholeFile(const QString& path, const Bytes& bytes);

}  // namespace vokari
