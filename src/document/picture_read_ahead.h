#pragma once
// A picture file read on a helper thread while the windows are still being built, so that a
// file named on the command line is shown sooner. The window that opens the file takes what
// was read, or the error the read ended with, exactly where it would have read the file itself.

#include <QString>

#include <future>
#include <memory>

class TDibGraphic;
class TGraphic;

class PictureReadAhead {
public:
    struct Read {
        // What the window edits: a bitmap where the file's class draws pixels only.
        std::unique_ptr<TGraphic> graphic;
        // The class that read the file, when graphic was made a bitmap of it; null otherwise.
        std::unique_ptr<TGraphic> format;
        // The picture's 24-bit view, made on the thread too when drawing it needs no fonts or
        // windows; null otherwise.
        std::unique_ptr<TDibGraphic> trueColorView;
    };

    // Starts reading fileName (a full path). The picture classes must be registered already.
    explicit PictureReadAhead(const QString& fileName);
    ~PictureReadAhead();
    PictureReadAhead(const PictureReadAhead&) = delete;
    PictureReadAhead& operator=(const PictureReadAhead&) = delete;

    // What the read of fileName gave, once: nothing for any other file, or when it was taken
    // already. A failed read throws its error here.
    Read Take(const QString& fileName);

private:
    QString fileName_;
    std::future<Read> read_;
};
