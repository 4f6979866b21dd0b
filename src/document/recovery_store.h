#pragma once
// Reading recovery journals back: the journals left by processes that are gone, and the picture
// each holds after its last whole record. A torn or damaged journal gives what came before the
// damage; one that holds no whole picture gives nothing but the reason.

#include "document/recovery_format.h"
#include "imaging/dib_graphic.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <vector>

namespace recovery {

struct RecoveredPicture {
    QString path;
    JournalInfo info;
    int width = 0;
    int height = 0;
    TImageFormat format = ifTrueColor;
    uint16_t xDpi = 0;
    uint16_t yDpi = 0;
    std::vector<gdi::RgbQuad> colours;
    int rowBytes = 0;
    // Rows bottom-up, as the picture's memory holds them.
    std::vector<uint8_t> bits;
    // The time of the last whole record (ms since the epoch).
    int64_t lastChange = 0;
    int records = 0;
    // A picture was recovered.
    bool readable = false;
    // Something after the last whole record was cut short or damaged; what, in problem.
    bool damaged = false;
    QString problem;

    // The recovered picture as the editor holds it.
    void makePicture(TDibGraphic& picture) const;
};

// Reads a journal; never throws for what is in the file.
RecoveredPicture ReadJournal(const QString& path);

// The journals in the journal folder whose process no longer runs (its lock is free), oldest
// first. This process's own never count.
QStringList OrphanJournals();
// Removes a journal, and its process's lock file once no journal of that process is left.
void DeleteJournal(const QString& path);

} // namespace recovery
