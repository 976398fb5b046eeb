#include "platform/MovieDecoder.h"

#include "platform/MovieEncoder.h"
#include "platform/MovieModule.h"

namespace qn {

std::unique_ptr<MovieDecoder> createMovieDecoder(QString *error) {
    QString why;
    auto create = reinterpret_cast<MovieDecoderFactory>(movieModuleSymbol(kMovieDecoderFactory, &why));
    MovieDecoder *decoder = create ? create(kMovieDecoderInterface) : nullptr;
    if (create && !decoder)
        why = QStringLiteral("The movie module %1 belongs to another build of the program.")
                  .arg(QLatin1String(kMovieEncoderModule));
    if (!decoder && error)
        *error = why;
    return std::unique_ptr<MovieDecoder>(decoder);
}

} // namespace qn
