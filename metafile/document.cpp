// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#include "metafile.h"

#include "core/inflate.h"
#include "core/limits.h"
#include "core/metafiledata.h"
#include "emf/emffacts.h"
#include "emf/emfloader.h"
#include "emf/emfplayer.h"
#include "emfplus/emfplusfacts.h"
#include "text/fontmap.h"
#include "wmf/wmffacts.h"
#include "wmf/wmfloader.h"
#include "wmf/wmfplayer.h"

#include <QPainter>

#include <algorithm>
#include <cmath>

namespace metafile {

struct Document::Data : core::MetafileData
{ };

namespace {

// Enough of a metafile's start to tell its kind: an enhanced metafile's signature ends at 44.
constexpr qsizetype headBytes = 64;

bool startsLikeMetafile(QByteArrayView head)
{
    return wmf::looksLikeWindowsMetafile(head) || emf::looksLikeEnhancedMetafile(head);
}

constexpr double twipsPerInch = 1440;
// The image drawsNothing() plays onto: whether records reach the canvas does not depend on
// its size.
constexpr int scratchSide = 64;
// EMF+ record types, past every EMF record type.
constexpr quint16 firstEmfPlusType = 0x4001;
constexpr quint16 lastEmfPlusType = 0x403A;

// A play's settings besides its target: the layer, the depth of metafiles held in EMF+
// images, the budget it spends (nothing: its own) and the raster patches of its painter.
struct PlayOptions
{
    EmfPlusLayer layer = EmfPlusLayer::Auto;
    int depth = 0;
    core::WorkBudget *budget = nullptr;
    gdi::Patches patches {};
};

PlayResult playData(const core::MetafileData &data, QPainter &painter, const QRectF &target,
                    const DiagnosticsHook &hook, const PlayOptions &options, bool *drew = nullptr);

// A nested picture's own rectangle, in the pixels EMF+ measures an image's source in: an
// enhanced metafile's frame in its reference device's pixels, a Windows Metafile's frame in
// its logical units, also a placeable one's (Office and Visio give the source rectangle of a
// placeable image as its box, whatever its units per inch).
QRectF nestedPixels(const core::MetafileData &data) { return QRectF(data.frameOrigin, data.frameExtent).normalized(); }

// Plays the metafiles EMF+ images hold, one level deeper each time, from the EMF+ layer as
// GDI+ plays a metafile image.
core::NestedPlay nestedPlay(int depth)
{
    return [depth](QPainter &painter, QByteArrayView file, const QRectF &source, const QRectF &target,
                   core::WorkBudget &budget) {
        if (depth >= core::limits::maxNestedMetafileDepth || source.isEmpty())
            return false;
        core::MetafileData data;
        data.bytes = file.toByteArray();
        if (emf::looksLikeEnhancedMetafile(data.bytes) ? emf::load(data) : wmf::load(data))
            return false;
        const QRectF own = nestedPixels(data);
        const double sx = target.width() / source.width();
        const double sy = target.height() / source.height();
        const QRectF whole(target.x() + (own.x() - source.x()) * sx, target.y() + (own.y() - source.y()) * sy,
                           own.width() * sx, own.height() * sy);
        painter.save();
        painter.setClipRect(target, Qt::IntersectClip);
        playData(data, painter, whole, {}, PlayOptions {EmfPlusLayer::Prefer, depth + 1, &budget});
        painter.restore();
        return true;
    };
}

PlayResult playData(const core::MetafileData &data, QPainter &painter, const QRectF &target,
                    const DiagnosticsHook &hook, const PlayOptions &options, bool *drew)
{
    if (!painter.isActive() || target.isEmpty() || !std::isfinite(target.width()) || !std::isfinite(target.height()))
        return PlayResult::Ok;
    if (data.enhanced) {
        emf::Player player(painter, data, target, hook, options.patches,
                           core::PlaySettings {options.layer, options.budget, nestedPlay(options.depth)});
        const PlayResult result = player.play();
        if (drew)
            *drew = player.drewSomething();
        return result;
    }
    wmf::Player player(painter, data, target, false, hook, options.patches, options.budget);
    const PlayResult result = player.play();
    if (drew)
        *drew = player.drewSomething();
    return result;
}

} // namespace

bool looksLikeMetafile(QByteArrayView head)
{
    return startsLikeMetafile(head) || (core::isGzip(head) && startsLikeMetafile(core::inflateHead(head, headBytes)));
}

bool isCompressed(QByteArrayView bytes) { return core::isGzip(bytes); }

void setFontSetUp(void (*setUp)()) { text::setFontSetUp(setUp); }

std::optional<EmfPlusLayer> emfPlusLayerNamed(QStringView name)
{
    if (name == u"auto")
        return EmfPlusLayer::Auto;
    if (name == u"prefer")
        return EmfPlusLayer::Prefer;
    if (name == u"ignore")
        return EmfPlusLayer::Ignore;
    return std::nullopt;
}

Document::Document(std::shared_ptr<const Data> data) : m_data(std::move(data)) { }

std::optional<Document> Document::load(QByteArrayView bytes, QString *error)
{
    auto fail = [error](const QString &why) -> std::optional<Document> {
        if (error)
            *error = why;
        return std::nullopt;
    };
    if (bytes.size() > core::limits::maxFileBytes)
        return fail(QStringLiteral("the file is too large for a metafile"));
    auto data = std::make_shared<Data>();
    if (core::isGzip(bytes)) {
        // Inflated once, never again: a metafile compressed twice is not one.
        QString why;
        std::optional<QByteArray> inflated = core::inflateGzip(bytes, core::limits::maxFileBytes, &why);
        if (!inflated)
            return fail(why);
        data->bytes = std::move(*inflated);
        data->compressed = true;
    } else {
        data->bytes = bytes.toByteArray();
    }
    const QByteArrayView plain(data->bytes);
    // An enhanced metafile's first word is its header's type, 1; a Windows Metafile's
    // header never starts so. Too short to hold the signature, it is a truncated one.
    const bool enhanced =
        emf::looksLikeEnhancedMetafile(plain) || (plain.size() < 44 && plain.startsWith(QByteArrayView("\1\0\0\0", 4)));
    if (const std::optional<QString> why = enhanced ? emf::load(*data) : wmf::load(*data))
        return fail(*why);
    return Document(std::move(data));
}

QRectF Document::bounds() const { return QRectF(m_data->frameOrigin, m_data->frameExtent).normalized(); }

std::optional<QSizeF> Document::physicalSize() const
{
    const QSizeF extent(std::abs(m_data->frameExtent.width()), std::abs(m_data->frameExtent.height()));
    // The enhanced frame is kept in the reference device's pixels, at its resolution.
    if (m_data->enhanced)
        return QSizeF(extent.width() * twipsPerInch / m_data->referenceDpi.width(),
                      extent.height() * twipsPerInch / m_data->referenceDpi.height());
    if (m_data->placeable && m_data->unitsPerInch > 0)
        return extent * (twipsPerInch / m_data->unitsPerInch);
    return std::nullopt;
}

Description Document::describe() const
{
    const core::Facts facts = m_data->enhanced ? emf::describe(*m_data, m_layer) : wmf::describe(*m_data);
    Description description;
    if (m_data->enhanced && facts.emfPlusRecords > 0)
        description.kind = facts.emfPlusDual ? Kind::EmfPlusDual : Kind::EmfPlusOnly;
    else if (m_data->enhanced)
        description.kind = Kind::Emf;
    else
        description.kind = m_data->placeable ? Kind::PlaceableWmf : Kind::Wmf;
    description.compressed = m_data->compressed;
    description.records = facts.records;
    description.emfPlusRecords = facts.emfPlusRecords;
    description.skipped = facts.skipped;
    description.fonts = facts.fonts;
    description.emfPlusDrawn = facts.emfPlusDrawn;
    description.emfPlusSkipped = facts.emfPlusSkipped;
    return description;
}

QString Document::recordName(quint16 function) const
{
    if (m_data->enhanced && function >= firstEmfPlusType && function <= lastEmfPlusType)
        return emfplus::recordName(function);
    return m_data->enhanced ? emf::recordName(function) : wmf::recordName(function);
}

PlayResult Document::play(QPainter &painter, const QRectF &target, const DiagnosticsHook &hook) const
{
    return playOn(painter, target, hook, gdi::Patches());
}

PlayResult Document::recordPatches(QPainter &canvas, const QRectF &target, RasterPatches &patches,
                                   const DiagnosticsHook &hook) const
{
    return playOn(canvas, target, hook, gdi::Patches {patches.m_book.get(), nullptr});
}

PlayResult Document::playWithPatches(QPainter &painter, const QRectF &target, const RasterPatches &patches,
                                     const DiagnosticsHook &hook) const
{
    return playOn(painter, target, hook, gdi::Patches {nullptr, patches.m_book.get()});
}

PlayResult Document::playOn(QPainter &painter, const QRectF &target, const DiagnosticsHook &hook,
                            const gdi::Patches &patches) const
{
    return playData(*m_data, painter, target, hook, PlayOptions {m_layer, 0, nullptr, patches});
}

// Played only where a blank picture is likely: a file of no drawing records at all, or one
// drawn from EMF+ records, which the engine may not draw all of. Other files are taken to
// draw: playing them twice to make sure costs a conversion a second play.
bool Document::drawsNothing() const
{
    // An enhanced metafile's header and comments draw nothing; no Windows Metafile record
    // has either number.
    constexpr quint16 header = 1;
    constexpr quint16 comment = 70;
    const bool plus = m_data->enhanced && emf::drawsEmfPlus(emf::emfPlusContent(*m_data), m_layer);
    const bool enhanced = m_data->enhanced;
    const auto drawing = [enhanced](const core::RecordRef &record) {
        return record.function != header && (!enhanced || record.function != comment);
    };
    if (!plus && std::any_of(m_data->records.begin(), m_data->records.end(), drawing))
        return false;
    QImage scratch(scratchSide, scratchSide, QImage::Format_RGB32);
    scratch.fill(Qt::white);
    QPainter painter(&scratch);
    bool drew = false;
    playData(*m_data, painter, QRectF(0, 0, scratchSide, scratchSide), {}, PlayOptions {m_layer}, &drew);
    return !drew;
}

RasterPatches::RasterPatches() : m_book(std::make_shared<gdi::PatchBook>()) { }

int RasterPatches::count() const { return m_book->pieceCount(); }

} // namespace metafile
