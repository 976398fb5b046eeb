#include "platform/MovieDecoder.h"

#include "platform/MovieEncoder.h"
#include "platform/MovieModule.h"

namespace qn {

std::shared_ptr<MovieDecoder> createMovieDecoder(QString *error) {
    QString why;
    void *module = nullptr;
    auto create =
        reinterpret_cast<MovieDecoderFactory>(movieModuleSymbol(kMovieDecoderFactory, "movie module", &why, &module));
    MovieDecoder *decoder = create ? create(kMovieDecoderInterface) : nullptr;
    if (create && !decoder)
        why = QStringLiteral("The movie module %1 belongs to another build of the program.")
                  .arg(QLatin1String(kMovieEncoderModule));
    if (!decoder) {
        releaseMovieModule(module);
        if (error)
            *error = why;
        return nullptr;
    }
    // The decoder's code lives in the module: it goes first.
    return std::shared_ptr<MovieDecoder>(decoder, [module](MovieDecoder *gone) {
        delete gone;
        releaseMovieModule(module);
    });
}

} // namespace qn
