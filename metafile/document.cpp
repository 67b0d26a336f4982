// SPDX-License-Identifier: Apache-2.0
// SPDX-FileCopyrightText: 2026 Quillfern

#include "metafile.h"

#include "core/limits.h"
#include "core/metafiledata.h"
#include "emf/emfloader.h"
#include "emf/emfplayer.h"
#include "wmf/wmfloader.h"
#include "wmf/wmfplayer.h"

#include <QPainter>

namespace metafile {

struct Document::Data : core::MetafileData
{ };

bool looksLikeMetafile(QByteArrayView head)
{
    return wmf::looksLikeWindowsMetafile(head) || emf::looksLikeEnhancedMetafile(head);
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
    data->bytes = bytes.toByteArray();
    // An enhanced metafile's first word is its header's type, 1; a Windows Metafile's
    // header never starts so. Too short to hold the signature, it is a truncated one.
    const bool enhanced =
        emf::looksLikeEnhancedMetafile(bytes) || (bytes.size() < 44 && bytes.startsWith(QByteArrayView("\1\0\0\0", 4)));
    if (const std::optional<QString> why = enhanced ? emf::load(*data) : wmf::load(*data))
        return fail(*why);
    return Document(std::move(data));
}

QRectF Document::bounds() const { return QRectF(m_data->frameOrigin, m_data->frameExtent).normalized(); }

PlayResult Document::play(QPainter &painter, const QRectF &target, const DiagnosticsHook &hook) const
{
    if (!painter.isActive() || target.isEmpty())
        return PlayResult::Ok;
    if (m_data->enhanced)
        return emf::Player(painter, *m_data, target, hook).play();
    return wmf::Player(painter, *m_data, target, false, hook).play();
}

} // namespace metafile
