#pragma once
// Opening picture files into new picture windows and saving a window's work image: the entries
// of the file dialogs decide how a file is read or written, the window's name and flags follow.

#include <QString>

class PictureReadAhead;
class QMdiArea;
class TFormMain;

namespace file_commands {

// The filter entries (counted from 1) that choose a decoder or a writer of their own; the
// others load by extension or let the held graphic write its own format.
inline constexpr int JpegEntry = 5;
inline constexpr int TiffEntry = 6;
inline constexpr int PngEntry = 7;
inline constexpr int WebpEntry = 8;

// The picture window's open dialog has no TIFF entry; the frame's has.
QString openFilter(bool withTiff);
QString saveFilter();

// Opens fileName into a new window by the open dialog's entry. Whatever class reads the file,
// the window edits a bitmap of it and saves in that class's format. When reading fails the new
// window goes again and the error goes on to the caller.
TFormMain* OpenPicture(QMdiArea* frameArea, const QString& fileName, int filterIndex);

// Opening by name (the recent item, a dropped file or one named on the command line): the
// caption shows the path but the window keeps no name, so Save asks for one. The recent item
// shows the picture in its own pixel format, a dropped file always in 24 bits.
enum class ViewFormat { AsRead, TrueColor };
// A read begun earlier for the same file (readAhead) is taken instead of reading it again.
// When reading fails the new window goes again and the error goes on to the caller.
TFormMain* OpenByName(QMdiArea* frameArea, const QString& fileName, ViewFormat format,
                      PictureReadAhead* readAhead = nullptr);

// "&Открыть..." of a picture window: asks with its dialog, then opens; null when cancelled.
TFormMain* OpenFromWindow(TFormMain& window);
// "&Сохранить" and "&Сохранить как...": true once the file is written, false when the save
// dialog was cancelled. An error while writing, or a cancelled dialog, leaves Modified as it was.
bool Save(TFormMain& window);
bool SaveAs(TFormMain& window);

} // namespace file_commands
