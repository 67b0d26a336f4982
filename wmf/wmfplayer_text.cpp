// Text records: a first version that draws with the platform's fonts by face name.
// Bytes are taken as Latin-1; the font height follows the logical font's height.

#include "wmfplayer.h"

#include <QFont>
#include <QFontMetricsF>
#include <QPainter>

#include <cmath>

namespace wmf {

namespace {
constexpr quint16 ETO_OPAQUE = 0x0002;
constexpr quint16 ETO_CLIPPED = 0x0004;

QByteArray readString(ByteReader &r, int count)
{
    if (count < 0 || count > r.remaining())
        return {};
    QByteArray text = r.readBytes(count).toByteArray();
    if (count % 2)
        r.skip(1); // strings are padded to whole words
    return text;
}
} // namespace

void Player::textOut(ByteReader &r)
{
    const int count = r.readI16();
    const QByteArray text = readString(r, count);
    const qint16 y = r.readI16();
    const qint16 x = r.readI16();
    if (r.ok() && text.size() == count)
        drawText(QPointF(x, y), text, {}, std::nullopt, 0);
}

void Player::extTextOut(ByteReader &r)
{
    const qint16 y = r.readI16();
    const qint16 x = r.readI16();
    const int count = r.readI16();
    const quint16 options = r.readU16();
    std::optional<QRectF> rect;
    if (options & (ETO_OPAQUE | ETO_CLIPPED)) {
        const qint16 left = r.readI16();
        const qint16 top = r.readI16();
        const qint16 right = r.readI16();
        const qint16 bottom = r.readI16();
        rect = QRectF(QPointF(left, top), QPointF(right, bottom));
    }
    const QByteArray text = readString(r, count);
    if (!r.ok() || text.size() != qMax(count, 0))
        return;
    std::vector<int> dx;
    if (r.remaining() >= 2 * count) {
        for (int i = 0; i < count; ++i)
            dx.push_back(r.readI16());
    }
    drawText(QPointF(x, y), text, dx, rect, options);
}

void Player::setTextCharExtra(ByteReader &r)
{
    const qint16 extra = r.readI16();
    if (r.ok())
        m_dc.textCharExtra = extra;
}

void Player::setTextJustification(ByteReader &r)
{
    const qint16 count = r.readI16();
    const qint16 extra = r.readI16();
    if (!r.ok())
        return;
    m_dc.breakCount = count;
    m_dc.breakExtra = extra;
}

void Player::drawText(QPointF reference, const QByteArray &text, const std::vector<int> &dx,
                      std::optional<QRectF> rect, quint16 options)
{
    if (!prepareDrawing() || !spendWork(text.size() * 16))
        return;
    m_painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    const QTransform t = deviceTransform();
    const LogFont &logFont = m_dc.font;
    const double scaleY = std::abs(t.m22());
    const double scaleX = std::abs(t.m11());

    QFont font(logFont.faceName.isEmpty() ? QStringLiteral("Arial") : QString::fromLatin1(logFont.faceName));
    double height = logFont.height == 0 ? 16.0 : std::abs(logFont.height * scaleY);
    font.setPixelSize(qMax(1, qRound(height)));
    if (logFont.height > 0) { // a cell height: ascent plus descent
        const QFontMetricsF metrics(font);
        if (metrics.height() > 0)
            font.setPixelSize(qMax(1, qRound(height * height / metrics.height())));
    }
    if (logFont.weight > 0)
        font.setWeight(static_cast<QFont::Weight>(qBound(100, int(logFont.weight), 900)));
    font.setItalic(logFont.italic);
    font.setUnderline(logFont.underline);
    font.setStrikeOut(logFont.strikeOut);
    const QFontMetricsF metrics(font);
    const QString string = QString::fromLatin1(text);

    if (rect && (options & ETO_OPAQUE))
        m_painter.fillRect(toDeviceRect(*rect), color(m_dc.bkColor));

    std::vector<double> advances;
    for (qsizetype i = 0; i < string.size(); ++i) {
        advances.push_back(i < qsizetype(dx.size()) ? dx[size_t(i)] * scaleX
                                                     : metrics.horizontalAdvance(string[i])
                               + m_dc.textCharExtra * scaleX);
    }
    double width = 0;
    for (double advance : advances)
        width += advance;

    const bool updateCp = m_dc.textAlign & gdi::TA_UPDATECP;
    const QPointF origin = toDevice(updateCp ? m_dc.position : reference);
    double x = 0;
    switch (m_dc.textAlign & gdi::TA_HORZ_MASK) {
    case gdi::TA_RIGHT: x = -width; break;
    case gdi::TA_CENTER: x = -width / 2; break;
    default: break;
    }
    double baseline = metrics.ascent();
    switch (m_dc.textAlign & gdi::TA_VERT_MASK) {
    case gdi::TA_BASELINE: baseline = 0; break;
    case gdi::TA_BOTTOM: baseline = -metrics.descent(); break;
    default: break;
    }
    if (updateCp) {
        const double move = (m_dc.textAlign & gdi::TA_HORZ_MASK) == 0 ? width
                          : (m_dc.textAlign & gdi::TA_HORZ_MASK) == gdi::TA_RIGHT ? -width : 0;
        m_dc.position.rx() += t.m11() != 0 ? move / t.m11() : 0;
    }

    m_painter.save();
    if (rect && (options & ETO_CLIPPED))
        m_painter.setClipRect(toDeviceRect(*rect), Qt::IntersectClip);
    m_painter.translate(origin);
    m_painter.rotate(-logFont.escapement / 10.0);
    if (m_dc.bkMode == gdi::OPAQUE)
        m_painter.fillRect(QRectF(x, baseline - metrics.ascent(), width, metrics.height()),
                           color(m_dc.bkColor));
    m_painter.setFont(font);
    m_painter.setPen(color(m_dc.textColor));
    for (qsizetype i = 0; i < string.size(); ++i) {
        m_painter.drawText(QPointF(x, baseline), QString(string[i]));
        x += advances[size_t(i)];
    }
    m_painter.restore();
}

} // namespace wmf
