#pragma once
#include <QString>

namespace qn {

// The FFmpeg module (quillnest_movie.so) holds the movie encoder and decoder. It is
// mapped at the first use of either and never unmapped, as FFmpeg's own threads may
// outlive any one user. Looked for where QUILLNEST_MOVIE_MODULE says (and then only
// there), else beside the program, else in the build's bin folder.
// An entry point of the module, or null with `error` set. A failure is not
// remembered, so installing what was missing helps without a restart.
void *movieModuleSymbol(const char *symbol, QString *error);

} // namespace qn
