#pragma once
// Saving that never damages the file it replaces: the bytes go to a temporary file in the
// target's folder, which is flushed, synced and renamed over the target only once complete.

#include <QString>

#include <functional>

class TStream;

// Calls write with a stream on a new, empty temporary file and then puts that file in place of
// fileName. When anything fails (the folder cannot take a file, the disk fills, write throws,
// the process dies) the old file is untouched and no temporary file remains (a killed process
// can leave one only where the file system cannot make unnamed files; the next save of the same
// name removes it). Failures of the file system, a folder of that name included, raise
// EFCreateError or EWriteError naming the file and the reason; they win over whatever write
// raised after the disk refused its bytes. Any other exception from write passes through.
void SaveFileSafely(const QString& fileName, const std::function<void(TStream&)>& write);
