#pragma once
#include <QImage>
#include <QSizeF>
#include <QString>

namespace qn {

// The user's own watermark logo. A chosen file is decoded and measured before it is
// taken; a good one is kept as PNG in the per-user data folder (a temporary folder
// would lose it at the next boot), written so that a crash never leaves half a file.
namespace CustomLogo {

constexpr int kMaxSide = 160;

enum class Result { Stored, NotAnImage, TooLarge, WriteFailed };

struct Outcome {
    Result result = Result::NotAnImage;
    QString path;    // the stored file, when stored
    QString details; // what went wrong, for standard output
};

// Where the logo is kept: "custom-logo.png" in the program's data folder.
QString filePath();
// The size an image reports in points (pixels at its own resolution; 72 dpi when it
// names none), the size the limit is about.
QSizeF reportedSize(const QImage &image);
bool fitsLimit(const QImage &image);
// Decodes `chosenFile` and, when it is an image within 160×160 points, writes it as
// PNG data to `target` (filePath() when empty).
Outcome store(const QString &chosenFile, const QString &target = QString());

} // namespace CustomLogo

} // namespace qn
