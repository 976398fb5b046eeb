#pragma once
#include <QImage>
#include <QString>

namespace qn {

// Text recognition with Tesseract (English and Russian, LSTM engine). Blocking: call it off the
// GUI thread. Small pictures are enlarged first so that UI-sized text reads well.
// Returns the recognised lines joined by "\n" (empty lines left out), or an empty
// text when nothing was found or the engine could not start (reported on stdout).
QString recognizeText(const QImage &image);

} // namespace qn
