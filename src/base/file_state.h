#pragma once
// Where an output file (a log, the CSV) stands. The numbers are the file
// handles the windows and the tests have always read: 0 not opened yet,
// positive while open, -1 given up after a failure until it is closed.
#include <cstdint>

namespace vel {

enum class FileState : int16_t { Closed = 0, Open = 1, Failed = -1 };

inline int16_t fileHandle(FileState state) { return static_cast<int16_t>(state); }

}  // namespace vel
