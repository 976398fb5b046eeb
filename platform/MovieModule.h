#pragma once
#include <QString>

namespace qn {

// The FFmpeg module (quillnest_movie.so) holds the movie encoder and decoder. It is
// mapped at the first use of either. Looked for where QUILLNEST_MOVIE_MODULE says
// (and then only there), else beside the program, else in the build's bin folder.
// An entry point of the module, or null with `error` set; the error names the module
// as `what` ("movie encoder", "movie module"), as the user knows it. A failure is not
// remembered, so installing what was missing helps without a restart.
// With `handle`, the caller gets a reference of its own on the module, to give back
// with releaseMovieModule() once nothing made by it is left: the last one given back
// unmaps FFmpeg and the libraries it pulled in.
void *movieModuleSymbol(const char *symbol, const char *what, QString *error, void **handle = nullptr);
void releaseMovieModule(void *handle);

} // namespace qn
