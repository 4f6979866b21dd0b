#pragma once
// A picture file read on a helper thread while the windows are still being built, so that a
// file named on the command line is shown sooner. The window that opens the file takes what
// was read, or the error the read ended with, exactly where it would have read the file itself.

#include <QString>

#include <future>
#include <memory>

class TGraphic;

class PictureReadAhead {
public:
    // Starts reading fileName (a full path). The picture classes must be registered already.
    explicit PictureReadAhead(const QString& fileName);
    ~PictureReadAhead();
    PictureReadAhead(const PictureReadAhead&) = delete;
    PictureReadAhead& operator=(const PictureReadAhead&) = delete;

    // What the read of fileName gave, once: null for any other file, or when it was taken
    // already. A failed read throws its error here.
    std::unique_ptr<TGraphic> Take(const QString& fileName);

private:
    QString fileName_;
    std::future<std::unique_ptr<TGraphic>> read_;
};
