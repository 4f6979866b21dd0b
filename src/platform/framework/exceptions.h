#pragma once
// The framework's exception class and its error classes, with the framework's own messages.

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <exception>

// Carries only its message (UTF-8 through what()).
class Exception : public std::exception {
public:
    explicit Exception(const QString& message);
    const QString& Message() const { return message_; }
    const char* what() const noexcept override { return utf8_.constData(); }

private:
    QString message_;
    QByteArray utf8_;
};

// A value that does not convert, and the assignment error.
class EConvertError : public Exception {
public:
    using Exception::Exception;
};

// A picture whose data or kind the graphic classes cannot use.
class EInvalidGraphic : public Exception {
public:
    using Exception::Exception;
};

// A picture file that a reader refuses: damaged, or holding a picture too large to open.
// Readers see only a stream, so they give the reason; where the stream was opened from a file
// the name is added (TGraphic::LoadFromFile). The wording of these messages lives here alone.
class EPictureFileError : public EInvalidGraphic {
public:
    enum class Kind : uint8_t { Damaged, TooLarge };

    EPictureFileError(Kind kind, const QString& reason, const QString& fileName = {});
    Kind kind() const { return kind_; }
    // In Russian, without the file's name.
    const QString& Reason() const { return reason_; }
    const QString& FileName() const { return fileName_; }
    // The same refusal, naming the file it was read from.
    EPictureFileError Naming(const QString& fileName) const { return EPictureFileError(kind_, reason_, fileName); }

private:
    Kind kind_;
    QString reason_;
    QString fileName_;
};

[[noreturn]] void RaiseDamagedFile(const QString& reason);
[[noreturn]] void RaisePictureTooLarge(int64_t width, int64_t height);

// The message for a file that could not be saved: its name and, in the user's words, the
// system's reason (an errno value).
QString FileNotSavedMessage(const QString& fileName, int systemError);

// An operation a graphic does not support (for example resizing an icon).
class EInvalidGraphicOperation : public Exception {
public:
    using Exception::Exception;
};

// An operation not allowed in the object's present state.
class EInvalidOperation : public Exception {
public:
    using Exception::Exception;
};

class EOutOfResources : public Exception {
public:
    using Exception::Exception;
};

// Streams and files.
class EStreamError : public Exception {
public:
    using Exception::Exception;
};
class EReadError : public EStreamError {
public:
    using EStreamError::EStreamError;
};
class EWriteError : public EStreamError {
public:
    using EStreamError::EStreamError;
};
class EFCreateError : public EStreamError {
public:
    using EStreamError::EStreamError;
};
class EFOpenError : public EStreamError {
public:
    using EStreamError::EStreamError;
};

// A settings file that could not be written.
class EIniFileException : public Exception {
public:
    using Exception::Exception;
};

// The framework's message texts; the functions fill in their %s.
namespace FrameworkMessages {
QString invalidBitmap();                                   // "Invalid bitmap"
QString invalidIcon();                                     // "Invalid icon image"
QString imageCanvasNeedsBitmap();                          // "Can only modify an image if it contains a bitmap"
QString invalidInteger(const QString& text);               // "'%s' is not a valid integer value"
QString unableToWrite(const QString& path);                // "Unable to write to %s"
QString unknownExtension(const QString& extension);        // "Unknown picture file extension (.%s)"
QString assignError(const QString& source, const QString& dest); // "Cannot assign a %s to a %s"
QString unknownClipboardFormat();                          // "Unsupported clipboard format"
QString changeIconSize();                                  // "Cannot change the size of an icon"
QString noCanvasHandle();                                  // "Canvas does not allow drawing"
QString streamRead();                                      // "Stream read error"
QString streamWrite();                                     // "Stream write error"
QString fileCreate(const QString& path);                   // "Cannot create file %s"
QString fileOpen(const QString& path);                     // "Cannot open file %s"
QString outOfResources();                                  // "Out of system resources"
} // namespace FrameworkMessages

// Decimal (or $-prefixed hexadecimal) text to a 32-bit integer; anything else raises
// EConvertError "'%s' is not a valid integer value".
int StrToInt(const QString& text);
