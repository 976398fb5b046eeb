#include "uikit/BlurredBackdrop.h"

#include <QCoreApplication>
#include <QPainter>
#include <QPainterPath>
#include <QThreadPool>
#include <QTimer>
#include <QVariant>
#include <QWidget>
#include <algorithm>
#include <cmath>
#include <vector>

namespace qn {

namespace {

const char *const kProperty = "qnBlurredBackdrop";

// One colour channel of the small picture, row after row.
using Plane = std::vector<int>;

// A box blur of one line of `count` values `stride` apart, the edge values repeated
// beyond the ends. `line` is scratch of at least `count` values.
void boxLine(int *values, int count, qsizetype stride, int radius, std::vector<int> &line) {
    for (int i = 0; i < count; ++i)
        line[size_t(i)] = values[i * stride];
    const int width = 2 * radius + 1;
    const auto at = [&](int i) { return line[size_t(std::clamp(i, 0, count - 1))]; };
    int sum = 0;
    for (int i = -radius; i <= radius; ++i)
        sum += at(i);
    for (int i = 0; i < count; ++i) {
        values[i * stride] = (sum + width / 2) / width;
        sum += at(i + radius + 1) - at(i - radius);
    }
}

void boxBlur(Plane &plane, int width, int height, int radius) {
    std::vector<int> line(static_cast<size_t>(width));
    for (int y = 0; y < height; ++y)
        boxLine(plane.data() + qsizetype(y) * width, width, 1, radius, line);
    // Down the columns a whole row at a time: walking one column through memory
    // would miss the cache at every step.
    const Plane source = plane;
    const auto row = [&](int y) { return source.data() + qsizetype(std::clamp(y, 0, height - 1)) * width; };
    std::vector<int> sums(size_t(width), 0);
    for (int y = -radius; y <= radius; ++y) {
        const int *r = row(y);
        for (int x = 0; x < width; ++x)
            sums[size_t(x)] += r[x];
    }
    const int span = 2 * radius + 1;
    for (int y = 0; y < height; ++y) {
        int *out = plane.data() + qsizetype(y) * width;
        const int *enter = row(y + radius + 1), *leave = row(y - radius);
        for (int x = 0; x < width; ++x) {
            out[x] = (sums[size_t(x)] + span / 2) / span;
            sums[size_t(x)] += enter[x] - leave[x];
        }
    }
}

} // namespace

BlurredBackdrop::BlurredBackdrop(QWidget *host, PictureSource source)
    : QObject(host), m_host(host), m_source(std::move(source)) {}

BlurredBackdrop::~BlurredBackdrop() = default;

void BlurredBackdrop::reset() {
    ++m_generation;
    m_blurred = QImage();
    m_running = false;
}

void BlurredBackdrop::prepare() {
    if (isReady() || m_running || !m_source)
        return;
    const QImage picture = m_source();
    if (picture.isNull())
        return;
    m_running = true;
    const int generation = m_generation;
    QPointer<BlurredBackdrop> self(this);
    QThreadPool::globalInstance()->start([self, picture, generation] {
        const Blurred result = panelBlur(picture);
        const qreal dpr = picture.devicePixelRatio();
        // Back on the main thread; a backdrop gone meanwhile gets nothing.
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [self, result, generation, dpr] {
                if (self)
                    self->finished(generation, result, dpr);
            },
            Qt::QueuedConnection);
    });
}

void BlurredBackdrop::finished(int generation, const Blurred &result, qreal devicePixelRatio) {
    if (generation != m_generation)
        return;
    m_running = false;
    m_blurred = result.image;
    m_scale = result.step / (devicePixelRatio > 0 ? devicePixelRatio : 1.0);
    Q_EMIT ready();
}

bool BlurredBackdrop::paint(QPainter &painter, const QPainterPath &shape, QWidget *over) {
    if (!m_host || !over)
        return false;
    if (!isReady()) {
        // Panels paint inside the host's paint: the picture is fetched and the work
        // started once that is over.
        connect(this, &BlurredBackdrop::ready, over, qOverload<>(&QWidget::update), Qt::UniqueConnection);
        if (!m_scheduled) {
            m_scheduled = true;
            QTimer::singleShot(0, this, [this] {
                m_scheduled = false;
                prepare();
            });
        }
        return false;
    }
    // Where `over`'s origin lies on the host; through the screen, as a panel may be a
    // window of its own.
    const QPointF offset = m_host->mapFromGlobal(over->mapToGlobal(QPointF(0, 0)));
    const QRectF area = shape.boundingRect().translated(offset);
    // The blurred pixels under the area, a pixel more each way for the smoothing.
    QRectF source(area.left() / m_scale - 1, area.top() / m_scale - 1, area.width() / m_scale + 2,
                  area.height() / m_scale + 2);
    source = source.intersected(QRectF(m_blurred.rect()));
    if (source.isEmpty())
        return false;
    const QRectF target(source.left() * m_scale - offset.x(), source.top() * m_scale - offset.y(),
                        source.width() * m_scale, source.height() * m_scale);
    painter.save();
    painter.setClipPath(shape, Qt::IntersectClip);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(target, m_blurred, source);
    if (m_shade) {
        painter.translate(-offset);
        m_shade(painter, area);
    }
    painter.restore();
    return true;
}

BlurredBackdrop *BlurredBackdrop::find(const QWidget *widget) {
    for (const QWidget *w = widget; w; w = w->parentWidget()) {
        const QVariant v = w->property(kProperty);
        if (v.isValid())
            if (auto *backdrop = qobject_cast<BlurredBackdrop *>(v.value<QObject *>()))
                return backdrop;
    }
    return nullptr;
}

void BlurredBackdrop::attach(QWidget *widget, BlurredBackdrop *backdrop) {
    // A QObject pointer in a property outlives its object: it is cleared when the
    // backdrop goes, so that no panel finds a gone one.
    widget->setProperty(kProperty, QVariant::fromValue<QObject *>(backdrop));
    connect(backdrop, &QObject::destroyed, widget, [widget, backdrop] {
        if (widget->property(kProperty).value<QObject *>() == backdrop)
            widget->setProperty(kProperty, QVariant());
    });
}

BlurredBackdrop::Blurred BlurredBackdrop::blur(const QImage &input, int step, int radius, int passes) {
    if (input.isNull())
        return {};
    step = std::max(1, step);
    QImage picture = input;
    switch (picture.format()) {
    case QImage::Format_RGB32:
    case QImage::Format_ARGB32:
    case QImage::Format_ARGB32_Premultiplied: break;
    default: picture = picture.convertToFormat(QImage::Format_RGB32);
    }
    const int sourceWidth = picture.width(), sourceHeight = picture.height();
    const int width = (sourceWidth + step - 1) / step, height = (sourceHeight + step - 1) / step;
    Plane planes[3];
    for (Plane &p : planes)
        p.assign(size_t(width) * size_t(height), 0);

    // Averaged down: each small pixel is the mean of its block.
    std::vector<quint32> sums(size_t(width) * 3);
    for (int y = 0; y < height; ++y) {
        std::fill(sums.begin(), sums.end(), 0u);
        const int firstRow = y * step, endRow = std::min(sourceHeight, firstRow + step);
        for (int row = firstRow; row < endRow; ++row) {
            const auto *pixels = reinterpret_cast<const QRgb *>(picture.constScanLine(row));
            for (int block = 0; block < width; ++block) {
                const int end = std::min(sourceWidth, (block + 1) * step);
                quint32 r = 0, g = 0, b = 0;
                for (int x = block * step; x < end; ++x) {
                    const QRgb c = pixels[x];
                    r += qRed(c);
                    g += qGreen(c);
                    b += qBlue(c);
                }
                quint32 *s = &sums[size_t(block) * 3];
                s[0] += r;
                s[1] += g;
                s[2] += b;
            }
        }
        const int rows = endRow - firstRow;
        for (int x = 0; x < width; ++x) {
            const int columns = std::min(sourceWidth, (x + 1) * step) - x * step;
            const quint32 count = quint32(rows * columns);
            for (int c = 0; c < 3; ++c)
                planes[c][size_t(y) * size_t(width) + size_t(x)] =
                    int((sums[size_t(x) * 3 + size_t(c)] + count / 2) / count);
        }
    }
    if (radius > 0)
        for (int pass = 0; pass < passes; ++pass)
            for (Plane &p : planes)
                boxBlur(p, width, height, radius);

    QImage out(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        auto *line = reinterpret_cast<QRgb *>(out.scanLine(y));
        const size_t row = size_t(y) * size_t(width);
        for (int x = 0; x < width; ++x)
            line[x] = qRgb(planes[0][row + size_t(x)], planes[1][row + size_t(x)], planes[2][row + size_t(x)]);
    }
    return {out, step};
}

BlurredBackdrop::Blurred BlurredBackdrop::panelBlur(const QImage &picture) {
    // A quarter of the logical size, then three boxes of 7: about 14 logical pixels
    // of standard deviation, a few milliseconds even for a 4K screen.
    const qreal dpr = picture.devicePixelRatio() > 0 ? picture.devicePixelRatio() : 1.0;
    const int step = std::max(1, int(std::lround(4 * dpr)));
    return blur(picture, step, 3, 3);
}

} // namespace qn
