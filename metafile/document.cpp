// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#include "metafile.h"

#include "core/inflate.h"
#include "core/limits.h"
#include "core/metafiledata.h"
#include "emf/emffacts.h"
#include "emf/emfloader.h"
#include "emf/emfplayer.h"
#include "text/fontmap.h"
#include "wmf/wmffacts.h"
#include "wmf/wmfloader.h"
#include "wmf/wmfplayer.h"

#include <QPainter>

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

} // namespace

bool looksLikeMetafile(QByteArrayView head)
{
    return startsLikeMetafile(head) || (core::isGzip(head) && startsLikeMetafile(core::inflateHead(head, headBytes)));
}

bool isCompressed(QByteArrayView bytes) { return core::isGzip(bytes); }

void setFontSetUp(void (*setUp)()) { text::setFontSetUp(setUp); }

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
    const core::Facts facts = m_data->enhanced ? emf::describe(*m_data) : wmf::describe(*m_data);
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
    return description;
}

QString Document::recordName(quint16 function) const
{
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
    if (!painter.isActive() || target.isEmpty())
        return PlayResult::Ok;
    if (m_data->enhanced)
        return emf::Player(painter, *m_data, target, hook, patches).play();
    return wmf::Player(painter, *m_data, target, false, hook, patches).play();
}

RasterPatches::RasterPatches() : m_book(std::make_shared<gdi::PatchBook>()) { }

int RasterPatches::count() const { return m_book->pieceCount(); }

} // namespace metafile
